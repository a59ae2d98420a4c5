#include "Primitives.h"

#include "../io/Codepage.h"
#include "Symbology.h"

#include <cmath>
#include <numbers>

namespace vexor::cad::dgn {
namespace {

constexpr double kAngleUnitsPerDegree = 360000.0;
constexpr double kQuaternionScale = 2147483648.0; // quaternion components are fixed point
constexpr std::uint16_t kHoleBit = 0x8000;

double radiansFromAngle(std::int32_t angle) {
    return angle / kAngleUnitsPerDegree * std::numbers::pi / 180.0;
}

bool samePoint(Vec3 a, Vec3 b) {
    const double scale = 1 + std::max({std::abs(a.x), std::abs(a.y), std::abs(b.x), std::abs(b.y)});
    return std::abs(a.x - b.x) <= 1e-12 * scale && std::abs(a.y - b.y) <= 1e-12 * scale;
}

// Text is stored in the Windows code page, or as 16-bit characters after a 0xFF 0xFD mark.
std::string textString(std::span<const std::uint8_t> bytes) {
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFD) {
        std::u16string wide;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
            wide.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
        return utf16ToUtf8(wide);
    }
    std::string raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (const auto nul = raw.find('\0'); nul != std::string::npos)
        raw.resize(nul);
    return toUtf8(raw, "ANSI_1252");
}

} // namespace

std::vector<Vec3> interpolateCurve(const std::vector<Vec3>& p) {
    // A curve's first two and last two points only set the end tangents. Between the others
    // each span is a cubic in the distance d along its chord, with tangents from the slopes
    // of the two chords on either side (weighted by how much those slopes change).
    const std::size_t n = p.size();
    if (n < 6)
        return n > 4 ? std::vector<Vec3>(p.begin() + 2, p.end() - 2) : p;
    std::vector<double> len(n - 1);
    std::vector<Vec2> slope(n - 1);
    for (std::size_t k = 0; k + 1 < n; ++k) {
        const Vec2 d = p[k + 1].xy() - p[k].xy();
        len[k] = length(d);
        slope[k] = len[k] > 0 ? d * (1 / len[k]) : Vec2{};
    }
    auto tangentAxis = [](double m0, double m1, double m2, double m3) {
        const double w1 = std::abs(m3 - m2), w2 = std::abs(m1 - m0);
        return w1 + w2 > 0 ? (m1 * w1 + m2 * w2) / (w1 + w2) : (m1 + m2) / 2;
    };
    auto tangent = [&](std::size_t k) { // at point k, from chords k-2 .. k+1
        return Vec2{tangentAxis(slope[k - 2].x, slope[k - 1].x, slope[k].x, slope[k + 1].x),
                    tangentAxis(slope[k - 2].y, slope[k - 1].y, slope[k].y, slope[k + 1].y)};
    };
    constexpr int kStepsPerSpan = 8;
    std::vector<Vec3> points{p[2]};
    for (std::size_t k = 2; k + 3 < n; ++k) {
        const double D = len[k];
        if (!(D > 0))
            continue;
        const Vec2 x0 = p[k].xy(), x1 = p[k + 1].xy(), t0 = tangent(k), t1 = tangent(k + 1);
        const Vec2 b = ((x1 - x0) * (3 / D) - t0 * 2 - t1) * (1 / D);
        const Vec2 a = (t0 + t1 - (x1 - x0) * (2 / D)) * (1 / (D * D));
        for (int i = 1; i <= kStepsPerSpan; ++i) {
            const double d = D * i / kStepsPerSpan;
            const Vec2 q = x0 + t0 * d + b * (d * d) + a * (d * d * d);
            points.push_back({q.x, q.y, 0});
        }
    }
    return points;
}

std::vector<PolyVertex> polyVertices(const std::vector<Vec3>& points) {
    std::vector<PolyVertex> vertices;
    vertices.reserve(points.size());
    for (const Vec3& p : points)
        if (vertices.empty() || !samePoint(vertices.back().p, p))
            vertices.push_back({{p.x, p.y, 0}});
    return vertices;
}

PrimitiveDecoder::PrimitiveDecoder(const DesignUnits& units, const ColorTable& colors,
                                   const std::array<std::int32_t, 8>& styleLinetypes)
    : units_(units), colors_(colors), styles_(styleLinetypes) {}

Color PrimitiveDecoder::color(int index) const {
    return elementColor(colors_, index);
}

EntityCommon PrimitiveDecoder::common(const Element& e) const {
    e.require(36);
    EntityCommon c;
    c.layer = e.level;
    c.color = color(e.color());
    c.linetype = styles_[static_cast<std::size_t>(e.style())];
    c.lineweight = lineweightForWeight(e.weight());
    c.handle = e.index;
    return c;
}

Vec3 PrimitiveDecoder::pointAt(const Element& e, std::size_t word) const {
    const double x = e.longAt(word);
    const double y = e.longAt(word + 2);
    const double z = units_.is3d ? e.longAt(word + 4) : 0.0;
    return units_.point(x, y, z);
}

Rotation3 PrimitiveDecoder::rotationAt(const Element& e, std::size_t word) const {
    if (!units_.is3d)
        return rotationAboutZ(radiansFromAngle(e.longAt(word)));
    return rotationFromQuaternion(
        e.longAt(word) / kQuaternionScale, e.longAt(word + 2) / kQuaternionScale,
        e.longAt(word + 4) / kQuaternionScale, e.longAt(word + 6) / kQuaternionScale);
}

std::vector<Vec3> PrimitiveDecoder::vertices(const Element& e) const {
    const std::size_t pointWords = units_.is3d ? 6 : 4;
    if (e.type == 3)
        return {pointAt(e, 18), pointAt(e, 18 + pointWords)};
    const std::size_t count = e.word(18);
    e.require(2 * (19 + count * pointWords));
    std::vector<Vec3> points;
    points.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        points.push_back(pointAt(e, 19 + i * pointWords));
    return points;
}

ProjectedConic PrimitiveDecoder::conic(const Element& e) const {
    // Arcs carry start and sweep angles before the fields they share with ellipses.
    const bool arc = e.type == 16;
    const std::size_t first = arc ? 22 : 18;
    const double primary = units_.length(e.doubleAt(first));
    const double secondary = units_.length(e.doubleAt(first + 4));
    const Rotation3 rotation = rotationAt(e, first + 8);
    const std::size_t originWord = first + 8 + (units_.is3d ? 8 : 2);
    const Vec3 center = units_.point(e.doubleAt(originWord), e.doubleAt(originWord + 4),
                                     units_.is3d ? e.doubleAt(originWord + 8) : 0.0);
    ProjectedConic c;
    c.center = center.xy();
    c.u = rotation.apply({primary, 0, 0}).xy();
    c.v = rotation.apply({0, secondary, 0}).xy();
    if (arc) {
        c.start = radiansFromAngle(e.longAt(18));
        // The sweep's sign bit gives the direction; zero sweeps the whole ellipse.
        const auto raw = static_cast<std::uint32_t>(e.longAt(20));
        const auto magnitude = static_cast<std::int32_t>(raw & 0x7FFFFFFFu);
        const double sweep = radiansFromAngle(magnitude);
        c.sweep = magnitude == 0 ? 2 * std::numbers::pi : ((raw & 0x80000000u) ? -sweep : sweep);
    }
    return c;
}

void PrimitiveDecoder::addFill(const Element& e, const HatchLoop& loop,
                               std::vector<Entity>& out) const {
    const auto fill = fillColorIndex(e);
    if (!fill || (e.properties() & kHoleBit))
        return;
    Entity entity{common(e), Hatch{}};
    entity.common.color = color(*fill);
    auto& hatch = dataOf<Hatch>(entity.data);
    hatch.solid = true;
    hatch.patternName = "SOLID";
    hatch.loops.push_back(loop);
    out.push_back(std::move(entity));
}

void PrimitiveDecoder::decodeText(const Element& e, std::vector<Entity>& out) const {
    const std::size_t originWord = units_.is3d ? 31 : 25;
    const std::size_t countByte = units_.is3d ? 74 : 58;
    constexpr double kCharacterUors = 6.0 / 1000.0; // a character is 6 UORs per 1000 of multiplier
    Text t;
    const double lengthMult = e.longAt(19) * kCharacterUors;
    t.height = units_.length(std::abs(e.longAt(21) * kCharacterUors));
    const double width = units_.length(std::abs(lengthMult));
    t.widthFactor = t.height > 0 ? width / t.height : 1.0;
    // A negative length multiplier marks mirrored text; some writers store both multipliers
    // negative, which is taken as their sign slip rather than text turned upside down.
    t.mirrorX = (lengthMult < 0) != (e.longAt(21) < 0);
    const Vec3 direction = rotationAt(e, 23).apply({1, 0, 0});
    t.rotation = std::atan2(direction.y, direction.x);
    const Vec3 origin = pointAt(e, originWord);
    t.insert = {origin.x, origin.y, 0};
    t.alignPoint = t.insert;
    const std::size_t count = e.byteAt(countByte);
    e.require(countByte + 2 + count);
    t.text = textString(e.bytes.subspan(countByte + 2, count));
    out.push_back({common(e), std::move(t)});
}

void PrimitiveDecoder::decodeCurve(const Element& e, std::vector<Entity>& out) const {
    Polyline line;
    line.vertices = polyVertices(interpolateCurve(vertices(e)));
    out.push_back({common(e), std::move(line)});
}

bool PrimitiveDecoder::decode(const Element& e, std::vector<Entity>& out) const {
    switch (e.type) {
    case 3: {
        const Vec3 a = pointAt(e, 18), b = pointAt(e, units_.is3d ? 24 : 22);
        out.push_back({common(e), Line{{a.x, a.y, 0}, {b.x, b.y, 0}}});
        return true;
    }
    case 4:
    case 6: {
        Polyline line;
        line.vertices = polyVertices(vertices(e));
        if (e.type == 6) {
            line.closed = true;
            if (line.vertices.size() > 1 &&
                samePoint(line.vertices.front().p, line.vertices.back().p))
                line.vertices.pop_back();
            HatchLoop loop;
            loop.isPolyline = true;
            loop.polyline = line.vertices;
            addFill(e, loop, out);
        }
        out.push_back({common(e), std::move(line)});
        return true;
    }
    case 11:
        decodeCurve(e, out);
        return true;
    case 15:
    case 16: {
        const ProjectedConic c = conic(e);
        if (e.type == 15 && !c.degenerate())
            addFill(e, conicLoop(c), out);
        out.push_back({common(e), conicEntity(c)});
        return true;
    }
    case 17:
        decodeText(e, out);
        return true;
    default:
        return false;
    }
}

} // namespace vexor::cad::dgn
