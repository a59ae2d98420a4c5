#include "ProxyGraphics.h"

#include "../curves/Ocs.h"
#include "../curves/Tessellate.h"
#include "../io/Codepage.h"
#include "EntityParsers.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <numbers>
#include <optional>
#include <vector>

namespace vexor::cad {
namespace {

enum Kind : std::uint32_t {
    kExtents = 1,
    kCircle = 2,
    kCircle3P = 3,
    kArc = 4,
    kArc3P = 5,
    kPolyline = 6,
    kPolygon = 7,
    kMesh = 8,
    kShell = 9,
    kText = 10,
    kText2 = 11,
    kXline = 12,
    kRay = 13,
    kColor = 14,
    kLayer = 16,
    kLinetype = 18,
    kMarker = 19,
    kFill = 20,
    kTrueColor = 22,
    kLineweight = 23,
    kLinetypeScale = 24,
    kThickness = 25,
    kPlotStyle = 26,
    kPushClip = 27,
    kPopClip = 28,
    kPushTransform = 29,
    kPushTransform2 = 30,
    kPopTransform = 31,
    kPolylineWithNormals = 32,
    kLwPolyline = 33,
    kMaterial = 34,
    kMapper = 35,
    kUnicodeText = 36,
    kUnicodeText2 = 38,
    kEllipticArc = 44,
};

// Reads one chunk's data; every read past its end sets `ok` false and yields zeros.
class ChunkReader {
public:
    explicit ChunkReader(std::span<const std::uint8_t> data) : data_(data) {}

    bool ok() const { return ok_; }
    std::size_t remaining() const { return data_.size() - pos_; }

    std::uint32_t u32() {
        std::uint32_t v = 0;
        read(&v, 4);
        return v;
    }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    double f64() {
        double v = 0;
        read(&v, 8);
        return std::isfinite(v) ? v : (ok_ = false, 0.0);
    }
    Vec3 vec3() { return {f64(), f64(), f64()}; }

    // A count of items of `itemBytes` each that must fit in what is left.
    std::optional<std::size_t> count(std::size_t itemBytes) {
        const std::uint32_t n = u32();
        if (!ok_ || n > remaining() / itemBytes) {
            ok_ = false;
            return std::nullopt;
        }
        return n;
    }

    // The next `n` bytes as they are.
    std::span<const std::uint8_t> block(std::size_t n) {
        if (!ok_ || remaining() < n) {
            ok_ = false;
            return {};
        }
        const auto out = data_.subspan(pos_, n);
        pos_ += n;
        return out;
    }

    // A zero-ended 8-bit text padded to four bytes.
    std::string text8() {
        const auto* start = data_.data() + pos_;
        const void* end = std::memchr(start, 0, remaining());
        if (!end) {
            ok_ = false;
            return {};
        }
        const std::size_t n = static_cast<const std::uint8_t*>(end) - start;
        skipPadded(n + 1);
        return std::string(reinterpret_cast<const char*>(start), n);
    }
    // A zero-ended UTF-16LE text padded to four bytes.
    std::u16string text16() {
        std::u16string s;
        for (std::size_t i = pos_; i + 1 < data_.size(); i += 2) {
            const auto unit = static_cast<char16_t>(data_[i] | (data_[i + 1] << 8));
            if (unit == 0) {
                skipPadded(2 * (s.size() + 1));
                return s;
            }
            s.push_back(unit);
        }
        ok_ = false;
        return {};
    }

private:
    void read(void* out, std::size_t n) {
        if (!ok_ || remaining() < n) {
            ok_ = false;
            return;
        }
        std::memcpy(out, data_.data() + pos_, n); // little-endian, as the file stores it
        pos_ += n;
    }
    void skipPadded(std::size_t n) {
        n = (n + 3) & ~std::size_t{3};
        pos_ = n > remaining() ? data_.size() : pos_ + n;
    }

    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

// A model transform: world = m * (x, y, z, 1), the top three rows.
struct Transform {
    std::array<double, 12> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};

    Vec3 point(Vec3 p) const {
        return {m[0] * p.x + m[1] * p.y + m[2] * p.z + m[3],
                m[4] * p.x + m[5] * p.y + m[6] * p.z + m[7],
                m[8] * p.x + m[9] * p.y + m[10] * p.z + m[11]};
    }
    Vec3 vector(Vec3 v) const {
        return {m[0] * v.x + m[1] * v.y + m[2] * v.z, m[4] * v.x + m[5] * v.y + m[6] * v.z,
                m[8] * v.x + m[9] * v.y + m[10] * v.z};
    }
    Transform then(const Transform& inner) const { // this * inner
        Transform t;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 4; ++c)
                t.m[r * 4 + c] = m[r * 4] * inner.m[c] + m[r * 4 + 1] * inner.m[4 + c] +
                                 m[r * 4 + 2] * inner.m[8 + c] + (c == 3 ? m[r * 4 + 3] : 0.0);
        return t;
    }
};

double norm(Vec3 v) {
    return std::sqrt(dot(v, v));
}

Vec3 unit(Vec3 v, Vec3 fallback) {
    const double n = norm(v);
    return n > 1e-12 ? v * (1.0 / n) : fallback;
}

// The circle through three points, when they are not on one line.
struct Circle3 {
    Vec3 center, normal;
    double radius = 0;
};
std::optional<Circle3> circleThrough(Vec3 a, Vec3 b, Vec3 c) {
    const Vec3 ab = b - a, ac = c - a, n = cross(ab, ac);
    const double nn = dot(n, n);
    if (!(nn > 1e-24 * dot(ab, ab) * dot(ac, ac)) || nn == 0)
        return std::nullopt;
    const Vec3 toCenter = (cross(n, ab) * dot(ac, ac) + cross(ac, n) * dot(ab, ab)) * (0.5 / nn);
    return Circle3{a + toCenter, n * (1.0 / std::sqrt(nn)), norm(toCenter)};
}

class Decoder {
public:
    Decoder(std::string typeName, const ProxyGraphicsContext& context) : context_(context) {
        out_.typeName = std::move(typeName);
        traits_ = context.parent;
    }

    StandInData run(std::span<const std::uint8_t> bytes) {
        if (bytes.size() < 8) {
            omit("not drawn: their proxy graphics are empty");
            return finish();
        }
        std::uint32_t chunks = 0;
        std::memcpy(&chunks, bytes.data() + 4, 4);
        std::size_t pos = 8;
        for (std::uint32_t i = 0; i < chunks && pos < bytes.size(); ++i) {
            if (bytes.size() - pos < 8) {
                omit("drawn up to where their proxy graphics are cut short");
                break;
            }
            std::uint32_t size = 0, kind = 0;
            std::memcpy(&size, bytes.data() + pos, 4);
            std::memcpy(&kind, bytes.data() + pos + 4, 4);
            if (size < 8 || size > bytes.size() - pos) {
                omit("drawn up to where their proxy graphics are damaged");
                break;
            }
            ChunkReader r(bytes.subspan(pos + 8, size - 8));
            chunk(kind, r);
            if (!r.ok()) {
                omit("drawn up to where their proxy graphics are damaged");
                break;
            }
            if (out_.entities.size() >= kMaxProxyParts) {
                omit("drawn up to the limit of parts one picture may hold");
                break;
            }
            pos += size;
        }
        return finish();
    }

private:
    void chunk(std::uint32_t kind, ChunkReader& r) {
        switch (kind) {
        case kExtents:
        case kMarker:
        case kPlotStyle:
        case kMaterial:
        case kMapper:
            return; // nothing drawn, nothing that changes what is drawn here
        case kCircle: {
            const Vec3 center = r.vec3();
            const double radius = r.f64();
            const Vec3 normal = r.vec3();
            if (r.ok())
                addCircle(center, radius, normal);
            return;
        }
        case kCircle3P: {
            const Vec3 a = r.vec3(), b = r.vec3(), c = r.vec3();
            if (!r.ok())
                return;
            if (const auto circle = circleThrough(a, b, c))
                addCircle(circle->center, circle->radius, circle->normal);
            return;
        }
        case kArc: {
            const Vec3 center = r.vec3();
            const double radius = r.f64();
            const Vec3 normal = r.vec3(), start = r.vec3();
            const double sweep = r.f64();
            const std::uint32_t arcType = r.u32();
            if (r.ok())
                addArc(center, radius, normal, start, sweep, arcType);
            return;
        }
        case kArc3P: {
            const Vec3 a = r.vec3(), b = r.vec3(), c = r.vec3();
            const std::uint32_t arcType = r.u32();
            if (!r.ok())
                return;
            const auto circle = circleThrough(a, b, c);
            if (!circle) {
                addPoints({a, c}, false);
                return;
            }
            // From a through b to c: the sweep is the angle a -> c about the normal, the long
            // way round when b is not on the short one (the normal makes it counter-clockwise).
            const OcsFrame f = OcsFrame::fromExtrusion(circle->normal);
            auto angle = [&](Vec3 p) {
                const Vec3 d = p - circle->center;
                return std::atan2(dot(d, f.yAxis), dot(d, f.xAxis));
            };
            const double twoPi = 2 * std::numbers::pi;
            const double sweepAC = std::fmod(angle(c) - angle(a) + 2 * twoPi, twoPi);
            const double sweepAB = std::fmod(angle(b) - angle(a) + 2 * twoPi, twoPi);
            const double sweep = sweepAB <= sweepAC ? sweepAC : sweepAC - twoPi;
            addArc(circle->center, circle->radius, circle->normal, a - circle->center, sweep,
                   arcType);
            return;
        }
        case kPolyline:
        case kPolygon:
        case kPolylineWithNormals: {
            const auto n = r.count(24);
            if (!n)
                return;
            std::vector<Vec3> points(*n);
            for (Vec3& p : points)
                p = r.vec3();
            if (r.ok())
                addPoints(std::move(points), kind == kPolygon);
            return;
        }
        case kMesh:
            addMesh(r);
            return;
        case kShell:
            addShell(r);
            return;
        case kText:
        case kText2:
        case kUnicodeText:
        case kUnicodeText2:
            addText(kind, r);
            return;
        case kXline:
        case kRay: {
            const Vec3 a = r.vec3(), b = r.vec3();
            if (!r.ok())
                return;
            Ray ray;
            ray.kind = kind == kRay ? Ray::Kind::Ray : Ray::Kind::ConstructionLine;
            ray.base = transform_.point(a);
            ray.direction = transform_.vector(b - a);
            add(ray);
            return;
        }
        case kColor: {
            const std::int32_t index = r.i32();
            traits_.color = index == 256               ? Color::byLayer()
                            : index == 0               ? context_.parent.color
                            : index > 0 && index < 256 ? Color::indexed(index)
                                                       : traits_.color;
            return;
        }
        case kTrueColor: {
            const std::uint32_t v = r.u32();
            switch (v >> 24) {
            case 0xC0:
                traits_.color = Color::byLayer();
                break;
            case 0xC1:
                traits_.color = context_.parent.color;
                break;
            case 0xC2:
                traits_.color = Color::trueColor(v & 0xFFFFFF);
                break;
            case 0xC3:
                if ((v & 0xFF) != 0)
                    traits_.color = Color::indexed(static_cast<int>(v & 0xFF));
                break;
            default:
                break;
            }
            return;
        }
        case kLayer: {
            const std::uint32_t index = r.u32();
            if (index < context_.layerCount)
                traits_.layer = index;
            return;
        }
        case kLinetype:
            // An index into the linetype table as the writing program counts it, which need not
            // be this drawing's order: parts keep the entity's own linetype.
            return;
        case kFill:
            fill_ = r.u32() != 0;
            return;
        case kLineweight: {
            const std::int32_t w = r.i32();
            if (w >= -3 && w <= 211)
                traits_.lineweight = static_cast<std::int16_t>(w);
            return;
        }
        case kLinetypeScale: {
            const double s = r.f64();
            if (r.ok() && s > 0 && s < 1e9)
                traits_.linetypeScale = static_cast<float>(s);
            return;
        }
        case kThickness: {
            const double t = r.f64();
            if (r.ok() && std::abs(t) < 1e12)
                traits_.setThickness(t);
            return;
        }
        case kPushClip:
            ++clipDepth_;
            noteOnce("clip", "drawn without the clip boundaries of their proxy graphics");
            return;
        case kPopClip:
            if (clipDepth_ > 0)
                --clipDepth_;
            return;
        case kPushTransform:
        case kPushTransform2:
            pushTransform(r);
            return;
        case kPopTransform:
            if (!stack_.empty()) {
                transform_ = stack_.back();
                stack_.pop_back();
            } else if (ignoredPushes_ > 0) {
                --ignoredPushes_;
            }
            return;
        case kLwPolyline:
            addLwPolyline(r);
            return;
        case kEllipticArc:
            addEllipticArc(r);
            return;
        default:
            // A kind without data changes nothing that can be seen.
            if (r.remaining() > 0)
                noteOnce("unknown", "drawn without proxy graphics parts of unknown kinds");
            return;
        }
    }

    void pushTransform(ChunkReader& r) {
        std::array<double, 16> v{};
        for (double& d : v)
            d = r.f64();
        if (!r.ok())
            return;
        if (stack_.size() >= static_cast<std::size_t>(kMaxProxyTransformDepth)) {
            ++ignoredPushes_;
            noteOnce("depth", "drawn without their most deeply nested model transforms");
            return;
        }
        // Stored row by row with the translation in the last column; some writers store the
        // transpose (translation in the last row), told apart by where the zeros are.
        const bool transposed =
            v[3] == 0 && v[7] == 0 && v[11] == 0 && (v[12] != 0 || v[13] != 0 || v[14] != 0);
        Transform t;
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 4; ++col)
                t.m[row * 4 + col] = transposed ? v[col * 4 + row] : v[row * 4 + col];
        stack_.push_back(transform_);
        transform_ = transform_.then(t);
    }

    template <class T> void add(T data) {
        out_.entities.push_back(Entity{traits_, EntityData(std::move(data))});
    }
    template <class T> void add(T data, Vec3 extrusion) {
        EntityCommon common = traits_;
        common.setExtrusion(extrusion);
        out_.entities.push_back(Entity{common, EntityData(std::move(data))});
    }

    bool transformed() const { return !stack_.empty(); }

    void addCircle(Vec3 center, double radius, Vec3 normal) {
        addArc(center, radius, normal, {}, 2 * std::numbers::pi, 0);
    }

    // A circular arc from `start` (a vector from the centre) sweeping counter-clockwise about
    // `normal` (clockwise when negative); arc type 1 closes it as a sector, 2 with a chord.
    void addArc(Vec3 center, double radius, Vec3 normal, Vec3 start, double sweep,
                std::uint32_t arcType) {
        if (!(radius > 0) || !(std::abs(sweep) > 0))
            return;
        sweep = std::clamp(sweep, -2 * std::numbers::pi, 2 * std::numbers::pi); // once round
        normal = unit(normal, {0, 0, 1});
        const OcsFrame f = OcsFrame::fromExtrusion(normal);
        const bool full = std::abs(sweep) >= 2 * std::numbers::pi - 1e-12;
        double a0 = full ? 0 : std::atan2(dot(start, f.yAxis), dot(start, f.xAxis));
        if (sweep < 0) {
            a0 += sweep;
            sweep = -sweep;
        }
        if (transformed() || fill_) {
            // Traced as points, which any transform maps exactly and a fill can close.
            const int steps =
                std::clamp(static_cast<int>(std::ceil(sweep * 24 / std::numbers::pi)), 4, 256);
            std::vector<Vec3> points;
            for (int i = 0; i <= steps; ++i) {
                const double t = a0 + sweep * i / steps;
                points.push_back(center + (f.xAxis * std::cos(t) + f.yAxis * std::sin(t)) * radius);
            }
            if (!full && arcType == 1)
                points.push_back(center);
            addPoints(std::move(points), full || arcType != 0);
            return;
        }
        const Vec3 c{dot(center, f.xAxis), dot(center, f.yAxis), dot(center, f.zAxis)};
        if (full) {
            add(Circle{c, radius}, normal);
            return;
        }
        add(Arc{c, radius, a0, a0 + sweep}, normal);
        if (arcType == 0)
            return;
        const Vec3 p0 = center + (f.xAxis * std::cos(a0) + f.yAxis * std::sin(a0)) * radius;
        const Vec3 p1 =
            center + (f.xAxis * std::cos(a0 + sweep) + f.yAxis * std::sin(a0 + sweep)) * radius;
        if (arcType == 1)
            addPoints({p1, center, p0}, false);
        else
            addPoints({p1, p0}, false);
    }

    // A polyline through world points; a closed one is filled when the fill trait is on.
    void addPoints(std::vector<Vec3> points, bool closed) {
        if (points.empty())
            return;
        for (Vec3& p : points)
            p = transform_.point(p);
        if (points.size() == 1) {
            add(Point{points[0]});
            return;
        }
        if (closed && fill_ && points.size() >= 3) {
            addFill(points);
            return;
        }
        Polyline poly;
        poly.kind = Polyline::Kind::Poly3d;
        poly.closed = closed;
        poly.vertices.reserve(points.size());
        for (const Vec3& p : points)
            poly.vertices.push_back(PolyVertex{p});
        add(std::move(poly));
    }

    // A filled polygon, in the plane of its first three points that are not on one line.
    void addFill(const std::vector<Vec3>& points) {
        Vec3 normal{};
        for (std::size_t i = 1; i + 1 < points.size() && norm(normal) == 0; ++i)
            normal = cross(points[i] - points[0], points[i + 1] - points[0]);
        normal = unit(normal, {0, 0, 1});
        if (normal.z < 0)
            normal = normal * -1.0;
        const OcsFrame f = OcsFrame::fromExtrusion(normal);
        Hatch hatch;
        hatch.solid = true;
        hatch.patternName = "SOLID";
        hatch.elevation = dot(points[0], f.zAxis);
        HatchLoop loop;
        loop.isPolyline = true;
        for (const Vec3& p : points)
            loop.polyline.push_back(PolyVertex{{dot(p, f.xAxis), dot(p, f.yAxis), 0}});
        hatch.loops.push_back(std::move(loop));
        add(std::move(hatch), normal);
    }

    // A light polyline: a byte count, then the polyline's body bit-coded as a DWG file stores
    // the entity from R2000 on (flags, widths, elevation, thickness, normal, counts, points,
    // bulges, widths), then a few bytes of unknown use.
    void addLwPolyline(ChunkReader& r) {
        const auto size = r.count(1);
        if (!size)
            return;
        const auto body = r.block(*size);
        dwg::ObjectFrame frame;
        frame.version = dwg::DwgVersion::R2000;
        frame.data = dwg::BitReader(body);
        dwg::ParsedEntity parsed;
        try {
            dwg::parseLwPolyline(frame, parsed);
        } catch (const dwg::DwgFormatError&) {
            noteOnce("lwpolyline", "drawn without damaged light polylines of their proxy graphics");
            return;
        }
        Polyline* poly = dataIf<Polyline>(&parsed.data);
        if (!poly || poly->vertices.empty() || !finite(*poly, parsed))
            return;
        const Vec3 normal = unit(parsed.extrusion, {0, 0, 1});
        if (!transformed()) {
            EntityCommon common = traits_;
            common.setExtrusion(normal);
            if (parsed.thickness != 0 && std::abs(parsed.thickness) < 1e12)
                common.setThickness(parsed.thickness);
            out_.entities.push_back(Entity{common, EntityData(std::move(*poly))});
            return;
        }
        // Under a model transform the bulges are traced, as a transform may not keep arcs round;
        // widths are not kept then.
        const OcsFrame f = OcsFrame::fromExtrusion(normal);
        const double z = poly->vertices[0].p.z;
        std::vector<Vec2> traced{poly->vertices[0].p.xy()};
        const std::size_t n = poly->vertices.size();
        const std::size_t segments = poly->closed ? n : n - 1;
        for (std::size_t i = 0; i < segments; ++i)
            appendBulge(traced, poly->vertices[i].p.xy(), poly->vertices[(i + 1) % n].p.xy(),
                        poly->vertices[i].bulge);
        if (poly->closed && traced.size() > 1)
            traced.pop_back(); // the closing segment ends where the first began
        std::vector<Vec3> points;
        points.reserve(traced.size());
        for (const Vec2& p : traced)
            points.push_back(f.toWorld({p.x, p.y, z}));
        addPoints(std::move(points), poly->closed);
    }

    static bool finite(const Polyline& poly, const dwg::ParsedEntity& parsed) {
        auto ok = [](Vec3 v) {
            return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
        };
        if (!ok(parsed.extrusion) || !std::isfinite(parsed.thickness))
            return false;
        return std::all_of(poly.vertices.begin(), poly.vertices.end(), [&](const PolyVertex& v) {
            return ok(v.p) && std::isfinite(v.bulge) && std::isfinite(v.startWidth) &&
                   std::isfinite(v.endWidth);
        });
    }

    // An elliptic arc: centre, normal, major and minor radius, start and end parameters and
    // the arc type of circular arcs. The major axis lies along the x axis of the plane the
    // normal defines (its arbitrary-axis frame).
    void addEllipticArc(ChunkReader& r) {
        const Vec3 center = r.vec3();
        const Vec3 normal = unit(r.vec3(), {0, 0, 1});
        const double major = r.f64(), minor = r.f64();
        double start = r.f64(), end = r.f64();
        const std::uint32_t arcType = r.u32();
        if (!r.ok() || !(major > 0) || !(minor > 0) || major > 1e12 || minor > 1e12)
            return;
        const double twoPi = 2 * std::numbers::pi;
        start = std::fmod(start, twoPi);
        end = std::fmod(end, twoPi);
        if (end <= start)
            end += twoPi;
        const bool full = std::abs(end - start) < 1e-12 || end - start >= twoPi - 1e-12;
        if (full) {
            start = 0;
            end = twoPi;
        }
        const OcsFrame f = OcsFrame::fromExtrusion(normal);
        // The larger radius is the major axis; a writer giving them the other way round turns
        // the ellipse a quarter and shifts its parameters with it.
        Vec3 xAxis = f.xAxis, yAxis = f.yAxis;
        double a = major, b = minor;
        if (b > a) {
            std::swap(a, b);
            std::swap(xAxis, yAxis);
            xAxis = xAxis * -1.0;
            start += std::numbers::pi / 2;
            end += std::numbers::pi / 2;
        }
        auto at = [&](double t) {
            return center + xAxis * (a * std::cos(t)) + yAxis * (b * std::sin(t));
        };
        if (transformed() || fill_ || (!full && arcType != 0)) {
            const int steps = std::clamp(
                static_cast<int>(std::ceil((end - start) * 24 / std::numbers::pi)), 8, 256);
            std::vector<Vec3> points;
            for (int i = 0; i <= steps; ++i)
                points.push_back(at(start + (end - start) * i / steps));
            if (full)
                points.pop_back();
            if (!full && arcType == 1)
                points.push_back(center);
            addPoints(std::move(points), full || arcType != 0);
            return;
        }
        Ellipse e;
        e.center = center;
        e.majorAxis = xAxis * a;
        e.ratio = b / a;
        e.startParam = start;
        e.endParam = end;
        add(e, normal);
    }

    void addMesh(ChunkReader& r) {
        const std::uint32_t rows = r.u32(), columns = r.u32();
        if (!r.ok() || rows == 0 || columns == 0 ||
            std::uint64_t{rows} * columns > r.remaining() / 24) {
            if (r.ok())
                noteOnce("mesh", "drawn without damaged meshes of their proxy graphics");
            return;
        }
        Polyline mesh;
        mesh.kind = Polyline::Kind::PolygonMesh;
        mesh.meshM = static_cast<std::int32_t>(rows);
        mesh.meshN = static_cast<std::int32_t>(columns);
        mesh.vertices.resize(std::size_t{rows} * columns);
        for (PolyVertex& v : mesh.vertices)
            v.p = transform_.point(r.vec3());
        // Edge, face and vertex data (colours, visibility, normals) follow; not needed here.
        if (r.ok())
            add(std::move(mesh));
    }

    // A shell: points, then faces as a count and as many 0-based point indexes (a negative
    // count is a hole of the face before). Drawn as a polyface mesh, each face fanned into
    // triangles whose inner edges are hidden.
    void addShell(ChunkReader& r) {
        const auto n = r.count(24);
        if (!n)
            return;
        Polyline mesh;
        mesh.kind = Polyline::Kind::PolyfaceMesh;
        mesh.vertices.resize(*n);
        for (PolyVertex& v : mesh.vertices)
            v.p = transform_.point(r.vec3());
        const auto entries = r.count(4);
        if (!entries)
            return;
        std::vector<std::int32_t> face;
        for (std::size_t i = 0; i < *entries && r.ok();) {
            const std::int32_t count = r.i32();
            ++i;
            const std::size_t size = static_cast<std::size_t>(std::abs(std::int64_t{count}));
            if (size > *entries - i) {
                r.u32(); // fails the reader: the face runs past the list
                break;
            }
            face.clear();
            for (std::size_t k = 0; k < size; ++k) {
                const std::uint32_t index = r.u32();
                if (index < *n)
                    face.push_back(static_cast<std::int32_t>(index) + 1);
            }
            i += size;
            fan(face, mesh.faces);
        }
        // Edge, face and vertex data follow; not needed here.
        if (r.ok() && !mesh.faces.empty())
            add(std::move(mesh));
    }

    static void fan(const std::vector<std::int32_t>& face, std::vector<std::int32_t>& faces) {
        const std::size_t n = face.size();
        if (n < 2)
            return;
        if (n <= 4) {
            for (std::size_t k = 0; k < 4; ++k)
                faces.push_back(k < n ? face[k] : 0);
            return;
        }
        // Triangle (0, k, k+1): its edge 0-k is hidden unless k is 1, k+1-0 unless k+1 is last
        // (a negative index hides the edge that starts at it).
        for (std::size_t k = 1; k + 1 < n; ++k) {
            faces.push_back(k == 1 ? face[0] : -face[0]);
            faces.push_back(face[k]);
            faces.push_back(k + 2 == n ? face[k + 1] : -face[k + 1]);
            faces.push_back(0);
        }
    }

    // TEXT (and its UTF-16 twin): position, normal, direction, height, width factor, obliquing,
    // text. TEXT2 (and its twin): position, normal, direction, text, its length and a raw flag,
    // height, width factor, obliquing, tracking, then backwards, upside down, vertical, underlined
    // and overlined flags and two font file names.
    void addText(std::uint32_t kind, ChunkReader& r) {
        const bool wide = kind == kUnicodeText || kind == kUnicodeText2;
        const Vec3 position = r.vec3();
        const Vec3 normal = unit(r.vec3(), {0, 0, 1});
        const Vec3 direction = r.vec3();
        Text text;
        std::string value;
        auto readValue = [&] {
            if (wide)
                value = utf16ToUtf8(r.text16());
            else if (context_.decodeText)
                value = context_.decodeText(r.text8());
            else
                value = toUtf8(r.text8(), "ANSI_1252");
        };
        if (kind == kText || kind == kUnicodeText) {
            text.height = r.f64();
            text.widthFactor = r.f64();
            text.oblique = r.f64();
            readValue();
        } else {
            readValue();
            r.u32(); // length
            r.u32(); // raw
            text.height = r.f64();
            text.widthFactor = r.f64();
            text.oblique = r.f64();
            r.f64(); // tracking
            text.mirrorX = r.u32() != 0;
            text.mirrorY = r.u32() != 0;
            // The rest (vertical, underline, overline, fonts) is optional for drawing.
        }
        if (!r.ok() || value.empty())
            return;
        const Vec3 at = transform_.point(position);
        const Vec3 along = transform_.vector(direction);
        const Vec3 up = transform_.vector(cross(normal, unit(direction, {1, 0, 0})));
        const Vec3 worldNormal = unit(cross(along, up), normal);
        const OcsFrame f = OcsFrame::fromExtrusion(worldNormal);
        text.insert = {dot(at, f.xAxis), dot(at, f.yAxis), dot(at, f.zAxis)};
        text.rotation = std::atan2(dot(along, f.yAxis), dot(along, f.xAxis));
        text.height *= transformed() ? norm(up) : 1.0;
        if (!(text.widthFactor > 0))
            text.widthFactor = 1.0;
        text.style = context_.textStyle;
        text.text = std::move(value);
        if (text.height > 0)
            add(std::move(text), worldNormal);
    }

    void omit(const std::string& why) { noteOnce(why, why); }

    void noteOnce(const std::string& key, std::string note) {
        if (notes_.emplace(key, note).second)
            out_.omissions.push_back(std::move(note));
    }

    StandInData finish() { return std::move(out_); }

    const ProxyGraphicsContext& context_;
    StandInData out_;
    EntityCommon traits_;
    Transform transform_;
    std::vector<Transform> stack_;
    int ignoredPushes_ = 0;
    int clipDepth_ = 0;
    bool fill_ = false;
    std::map<std::string, std::string> notes_;
};

} // namespace

StandInData decodeProxyGraphics(std::span<const std::uint8_t> bytes, std::string typeName,
                                const ProxyGraphicsContext& context) {
    return Decoder(std::move(typeName), context).run(bytes);
}

} // namespace vexor::cad
