#include "EntitySignature.h"

#include "../model/AsciiCase.h"
#include "cad/model/MultiLeader.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <string_view>

namespace vexor::cad {

namespace {

constexpr double kTwoPi = 6.283185307179586;
// Angles are rounded to this many radians whatever the drawing's size.
constexpr double kAngleGrid = 1e-7;
// Blocks nested deeper than this hash as their name alone.
constexpr int kMaxDepth = 64;

std::uint64_t mix(std::uint64_t h, std::uint64_t v) {
    h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    h *= 0xBF58476D1CE4E5B9ull;
    return h ^ (h >> 31);
}

std::uint64_t hashText(std::string_view s) {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (unsigned char c : s)
        h = (h ^ c) * 0x100000001B3ull;
    return h;
}

// Walks the geometry of one entity: points, circles (for boxes), lengths, angles, flags and
// texts that shape it. `Sink` decides what to make of them.
template <class Sink> struct GeometryWalk {
    Sink& s;

    void operator()(const Line& l) {
        s.point(l.a);
        s.point(l.b);
    }
    void operator()(const Point& p) { s.point(p.p); }
    void operator()(const Circle& c) { s.disc(c.center, c.radius); }
    void operator()(const Arc& a) {
        s.disc(a.center, a.radius);
        s.angle(a.startAngle);
        s.angle(a.endAngle);
    }
    void operator()(const Ellipse& e) {
        s.disc(e.center, length(e.majorAxis));
        s.point(e.majorAxis);
        s.value(e.ratio);
        s.angle(e.startParam);
        s.angle(e.endParam);
    }
    // Widths as drawn: a vertex without its own takes the constant width, which writers
    // store either way.
    void vertices(const std::vector<PolyVertex>& vs, double constantWidth = 0) {
        s.flag(static_cast<std::int64_t>(vs.size()));
        for (const PolyVertex& v : vs) {
            s.point(v.p);
            s.value(v.bulge);
            s.length(v.startWidth != 0 ? v.startWidth : constantWidth);
            s.length(v.endWidth != 0 ? v.endWidth : constantWidth);
        }
    }
    void operator()(const Polyline& p) {
        s.flag(static_cast<int>(p.kind));
        s.flag(p.closed);
        vertices(p.vertices, p.constantWidth);
        // Only meshes use their faces and grid size; other kinds may carry stray values.
        if (p.kind == Polyline::Kind::PolyfaceMesh)
            for (std::int32_t f : p.faces)
                s.flag(f);
        if (p.kind == Polyline::Kind::PolygonMesh) {
            s.flag(p.meshM);
            s.flag(p.meshN);
        }
    }
    void spline(const SplineData& d) {
        s.flag(d.degree);
        s.flag(d.closed);
        for (const Vec3& p : d.controlPoints)
            s.point(p);
        for (double w : d.weights)
            s.value(w);
        for (const Vec3& p : d.fitPoints)
            s.point(p);
    }
    void operator()(const Spline& sp) { spline(sp.data); }
    void operator()(const Text& t) {
        s.point(t.insert);
        if (t.hAlign != 0 || t.vAlign != 0)
            s.point(t.alignPoint);
        s.text(t.insert, t.height, t.text.size());
        s.angle(t.rotation);
        s.value(t.widthFactor);
        s.angle(t.oblique);
        s.flag(t.hAlign * 8 + t.vAlign);
        s.flag(t.mirrorX * 2 + t.mirrorY);
        s.flag(static_cast<int>(t.kind));
    }
    void operator()(const MText& m) {
        s.point(m.insert);
        s.point(m.xDirection);
        s.text(m.insert, m.height, m.text.size());
        s.length(m.referenceWidth);
        s.value(m.lineSpacingFactor);
        s.flag(m.attachment);
        s.flag(m.drawingDirection);
        s.flag(m.backgroundFlags);
    }
    void operator()(const Solid& so) {
        s.flag(static_cast<int>(so.kind));
        for (const Vec3& c : so.corners)
            s.point(c);
    }
    void operator()(const Face3d& f) {
        for (const Vec3& c : f.corners)
            s.point(c);
        s.flag(f.invisibleEdges);
    }
    void operator()(const Insert& i) {
        s.insert(i);
        s.value(i.scale.x);
        s.value(i.scale.y);
        s.value(i.scale.z);
        s.angle(i.rotation);
        s.flag(i.columns);
        s.flag(i.rows);
        s.length(i.columnSpacing);
        s.length(i.rowSpacing);
        s.flag(i.table);
    }
    void operator()(const Hatch& h) {
        s.flag(h.solid);
        s.name(h.patternName);
        for (const HatchLoop& loop : h.loops) {
            s.flag(loop.isPolyline);
            vertices(loop.polyline);
            for (const HatchEdge& e : loop.edges) {
                s.flag(static_cast<int>(e.kind));
                switch (e.kind) {
                case HatchEdge::Kind::Line:
                    s.point({e.p0.x, e.p0.y, 0});
                    s.point({e.p1.x, e.p1.y, 0});
                    break;
                case HatchEdge::Kind::Arc:
                case HatchEdge::Kind::EllipseArc:
                    s.disc({e.center.x, e.center.y, 0},
                           e.kind == HatchEdge::Kind::Arc ? e.radius : length(e.majorAxis));
                    s.value(e.ratio);
                    s.angle(e.start);
                    s.angle(e.end);
                    s.flag(e.ccw);
                    break;
                case HatchEdge::Kind::Spline:
                    spline(e.spline);
                    break;
                }
            }
        }
    }
    void operator()(const Dimension& d) {
        s.flag(d.dimType);
        s.flag(static_cast<int>(d.kind));
        s.point(d.definitionPoint);
        s.point(d.textMidpoint);
        s.point(d.insert);
        s.length(d.measurement);
        if (d.definition) {
            s.point(d.definition->point13);
            s.point(d.definition->point14);
            s.point(d.definition->point15);
            s.point(d.definition->point16);
            s.angle(d.definition->rotation);
        }
    }
    // A leader by its ends: writers differ in whether the hook line's point is stored.
    void operator()(const Leader& l) {
        if (l.points.empty())
            return;
        s.point(l.points.front());
        s.point(l.points.back());
        s.flag(l.arrowhead * 2 + l.spline);
    }
    void operator()(const MultiLeader& m) {
        if (!m.data)
            return;
        for (const MultiLeaderBranch& b : m.data->branches) {
            if (b.hasLandingPoint)
                s.point(b.landingPoint);
            s.length(b.doglegLength);
            for (const MultiLeaderLine& l : b.lines)
                for (const Vec3& p : l.vertices)
                    s.point(p);
        }
        if (m.data->hasText)
            (*this)(m.data->text);
        if (m.data->hasBlock) {
            s.point(m.data->blockPosition);
            s.value(m.data->blockScale.x);
            s.angle(m.data->blockRotation);
        }
    }
    void operator()(const Ray& r) {
        s.flag(static_cast<int>(r.kind));
        s.point(r.base);
        s.point(r.direction);
    }
    void operator()(const ImageFrame& f) {
        s.flag(static_cast<int>(f.kind));
        s.point(f.origin);
        s.point(f.origin + f.uPixel * f.sizePixels.x + f.vPixel * f.sizePixels.y);
        // The clip boundary is left out: writers store the whole frame either as nothing or
        // as its rectangle.
        s.value(f.sizePixels.x);
        s.value(f.sizePixels.y);
    }
    void operator()(const MLine& m) { // its style is a property
        s.flag(m.closed);
        for (const MLineVertex& v : m.vertices)
            s.point(v.point);
    }
    void operator()(const Tolerance& t) {
        s.point(t.insert);
        s.point(t.xDirection);
        s.text(t.insert, t.height, t.text.size());
    }
    void operator()(const Underlay& u) {
        s.flag(static_cast<int>(u.kind));
        s.point(u.origin);
        s.value(u.scale.x);
        s.value(u.scale.y);
        s.angle(u.rotation);
        for (const Vec2& p : u.clip)
            s.point(u.origin + Vec3{p.x * u.scale.x, p.y * u.scale.y, 0});
    }
    // A shape is named in DXF files and numbered in DWG ones: only its placement compares.
    void operator()(const Shape& sh) {
        s.point(sh.insert);
        s.text(sh.insert, sh.size, 1);
        s.angle(sh.rotation);
        s.value(sh.widthFactor);
    }
    void operator()(const Unsupported& u) { s.name(u.typeName); }
    void operator()(const Wireframe& w) {
        if (!w.data)
            return;
        for (const auto& curve : w.data->curves) {
            s.flag(static_cast<std::int64_t>(curve.size()));
            for (const Vec3& p : curve)
                s.point(p);
        }
    }
    void operator()(const StandIn& st) {
        if (!st.data)
            return;
        s.name(st.data->typeName);
        for (const Entity& part : st.data->entities)
            visitData(*this, part.data);
    }
};

// Hashes geometry rounded to the grid.
struct HashSink {
    double grid;
    std::uint64_t h = 0;

    // A rounded value as a whole number; one too large for it (or not a number) by its bits.
    static std::uint64_t whole(double q) {
        if (std::abs(q) < 9.0e18)
            return static_cast<std::uint64_t>(static_cast<std::int64_t>(q));
        std::uint64_t bits = 0;
        std::memcpy(&bits, &q, sizeof bits);
        return std::isnan(q) ? 0x7FF8000000000000ull : bits;
    }
    void coordinate(double v) { h = mix(h, whole(std::nearbyint(v / grid))); }
    void point(Vec3 p) {
        coordinate(p.x);
        coordinate(p.y);
        coordinate(p.z);
    }
    void disc(Vec3 c, double r) {
        point(c);
        coordinate(r);
    }
    void length(double v) { coordinate(v); }
    // Dimensionless values (ratios, scales, bulges) to a fixed precision.
    void value(double v) { h = mix(h, whole(std::nearbyint(v * 1e9))); }
    void angle(double a) {
        double n = std::fmod(a, kTwoPi);
        if (n < 0)
            n += kTwoPi;
        const double q = std::nearbyint(n / kAngleGrid);
        // A full turn less a rounding error is the same as none.
        h = mix(h, q >= std::nearbyint(kTwoPi / kAngleGrid) ? 0 : whole(q));
    }
    void flag(std::int64_t f) { h = mix(h, static_cast<std::uint64_t>(f)); }
    void name(std::string_view n) { h = mix(h, hashText(n)); }
    void text(Vec3, double height, std::size_t) { coordinate(height); }
    void insert(const Insert& i) { point(i.insert); }
};

// Collects the values unrounded, each with what it measures.
struct ValueSink {
    std::vector<GeometryValue>& out;
    void push(double v, GeometryValue::Measure m) { out.push_back({v, m}); }
    void point(Vec3 p) {
        push(p.x, GeometryValue::Length);
        push(p.y, GeometryValue::Length);
        push(p.z, GeometryValue::Length);
    }
    void disc(Vec3 c, double r) {
        point(c);
        push(r, GeometryValue::Length);
    }
    void length(double v) { push(v, GeometryValue::Length); }
    void value(double v) { push(v, GeometryValue::Number); }
    void angle(double a) {
        const double n = std::fmod(a, kTwoPi);
        push(n < 0 ? n + kTwoPi : n, GeometryValue::Angle);
    }
    void flag(std::int64_t f) { push(static_cast<double>(f), GeometryValue::Number); }
    void name(std::string_view n) {
        push(static_cast<double>(hashText(n) >> 12), GeometryValue::Number);
    }
    void text(Vec3, double height, std::size_t) { length(height); }
    void insert(const Insert& i) { point(i.insert); }
};

// Grows a box; inserts through their block's box.
struct BoxSink {
    Box2 box;
    std::function<Box2(const Insert&)> insertBox;
    void point(Vec3 p) {
        if (std::isfinite(p.x) && std::isfinite(p.y))
            box.add(p.xy());
    }
    void disc(Vec3 c, double r) {
        point(c + Vec3{r, r, 0});
        point(c - Vec3{r, r, 0});
    }
    void length(double) {}
    void value(double) {}
    void angle(double) {}
    void flag(std::int64_t) {}
    void name(std::string_view) {}
    // A text's box: its height up and down, and about its length in characters along.
    void text(Vec3 at, double height, std::size_t chars) {
        const double along = height * static_cast<double>(std::min<std::size_t>(chars, 200));
        point(at + Vec3{along, height, 0});
        point(at - Vec3{along, height, 0});
    }
    void insert(const Insert& i) {
        if (insertBox)
            box.add(insertBox(i));
        point(i.insert);
    }
};

std::uint64_t colourHash(const Color& c) {
    switch (c.kind) {
    case Color::Kind::ByLayer:
        return 1;
    case Color::Kind::ByBlock:
        return 2;
    case Color::Kind::Index:
        return 0x100u + static_cast<std::uint16_t>(c.index);
    case Color::Kind::True:
        return 0x1000000u + c.rgb;
    }
    return 0;
}

// A text as drawn: lines break at "^J" or a line feed as writers choose, and trailing blanks
// show nothing.
std::uint64_t textHash(std::string_view text) {
    std::string s(text);
    for (std::size_t at = s.find("^J"); at != std::string::npos; at = s.find("^J", at))
        s.replace(at, 2, "\n");
    while (!s.empty() && (s.back() == ' ' || s.back() == '\n'))
        s.pop_back();
    return hashText(s);
}

template <class T> const std::string& nameAt(const std::vector<T>& table, std::int64_t i) {
    static const std::string none;
    return i >= 0 && static_cast<std::size_t>(i) < table.size()
               ? table[static_cast<std::size_t>(i)].name
               : none;
}

} // namespace

bool sameGeometry(const std::vector<GeometryValue>& a, const std::vector<GeometryValue>& b,
                  double tolerance) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].measure != b[i].measure)
            return false;
        double d = std::abs(a[i].value - b[i].value);
        if (a[i].measure == GeometryValue::Angle)
            d = std::min(d, kTwoPi - d);
        const double allowed =
            a[i].measure == GeometryValue::Length
                ? tolerance
                : 1e-7 * std::max(1.0, std::max(std::abs(a[i].value), std::abs(b[i].value)));
        if (!(d <= allowed))
            return false;
    }
    return true;
}

SignatureMaker::SignatureMaker(const Drawing& drawing, double grid)
    : drawing_(drawing), grid_(grid), blockState_(drawing.blocks.size(), State::Unknown),
      blockHash_(drawing.blocks.size(), 0) {}

std::uint64_t SignatureMaker::blockContent(std::uint32_t block) {
    if (block >= drawing_.blocks.size())
        return 0;
    const Block& b = drawing_.blocks[block];
    // A block met again while its own content is being hashed (a cycle), or nested too deep,
    // counts by its name.
    if (blockState_[block] == State::Busy || depth_ >= kMaxDepth)
        return hashText(b.name);
    if (blockState_[block] == State::Done)
        return blockHash_[block];
    blockState_[block] = State::Busy;
    ++depth_;
    std::uint64_t sum = mix(0, static_cast<std::uint64_t>(b.entities.size()));
    for (const Entity& e : b.entities) {
        const EntitySignature s = signature(e);
        // A sum does not depend on the entities' order, which writers need not keep.
        sum += mix(s.geometry, s.properties);
    }
    --depth_;
    blockState_[block] = State::Done;
    blockHash_[block] = sum;
    return sum;
}

EntitySignature SignatureMaker::signature(const Entity& e) {
    return {geometry(e), properties(e)};
}

std::uint64_t SignatureMaker::geometry(const Entity& e) const {
    HashSink geometry{grid_};
    geometry.flag(static_cast<std::int64_t>(e.data.index()));
    geometry.name(dxfTypeName(e));
    geometry.length(e.common.thickness());
    const Vec3 extrusion = e.common.extrusion();
    geometry.value(extrusion.x);
    geometry.value(extrusion.y);
    geometry.value(extrusion.z);
    GeometryWalk<HashSink> walk{geometry};
    visitData(walk, e.data);
    return geometry.h;
}

std::uint64_t SignatureMaker::properties(const Entity& e) {
    std::uint64_t p = hashText(nameAt(drawing_.layers, e.common.layer));
    p = mix(p, colourHash(e.common.color));
    p = mix(p, e.common.linetype >= 0 ? hashText(nameAt(drawing_.linetypes, e.common.linetype))
                                      : static_cast<std::uint64_t>(e.common.linetype));
    p = mix(p, static_cast<std::uint64_t>(e.common.lineweight));
    p = mix(p, e.common.invisible);
    // Styles by name without regard to case; none is the standard one.
    auto styleName = [&](std::uint32_t style) {
        const std::string& name = nameAt(drawing_.textStyles, style == kNoIndex ? -1 : style);
        return hashText(asciiUpper(name.empty() ? std::string("STANDARD") : name));
    };
    if (const auto* t = dataIf<Text>(&e.data)) {
        p = mix(mix(mix(p, textHash(t->text)), hashText(t->tag.str())), styleName(t->style));
    } else if (const auto* m = dataIf<MText>(&e.data)) {
        p = mix(mix(p, textHash(m->text)), styleName(m->style));
    } else if (const auto* h = dataIf<Hatch>(&e.data); h && h->fillColor) {
        p = mix(p, colourHash(*h->fillColor));
    } else if (const auto* i = dataIf<Insert>(&e.data)) {
        const bool named =
            i->block < drawing_.blocks.size() && !drawing_.blocks[i->block].anonymous;
        p = mix(p, named ? hashText(drawing_.blocks[i->block].name) : 0);
        p = mix(p, blockContent(i->block));
        for (const AttributeEntity& a : i->attributes) {
            Entity asEntity{a.common, Boxed<Text>(a.text)};
            const EntitySignature s = signature(asEntity);
            p = mix(mix(p, s.geometry), s.properties);
        }
    } else if (const auto* d = dataIf<Dimension>(&e.data)) {
        p = mix(mix(p, textHash(d->text)), blockContent(d->block));
    } else if (const auto* t = dataIf<Tolerance>(&e.data)) {
        p = mix(p, textHash(t->text));
    } else if (const auto* m = dataIf<MLine>(&e.data)) {
        std::string style = m->styleName;
        for (const MLineStyle& candidate : drawing_.mlineStyles)
            if (style.empty() && m->styleHandle != 0 && candidate.handle == m->styleHandle)
                style = candidate.name;
        p = mix(p, hashText(asciiUpper(style.empty() ? std::string("STANDARD") : style)));
    } else if (const auto* m = dataIf<MultiLeader>(&e.data); m && m->data) {
        p = mix(mix(p, hashText(m->data->text.text)), hashText(m->data->block));
        for (const MultiLeaderAttribute& a : m->data->attributes)
            p = mix(p, hashText(a.text));
    } else if (const auto* st = dataIf<StandIn>(&e.data); st && st->data) {
        for (const Entity& part : st->data->entities)
            p = mix(p, signature(part).properties);
    }
    return p;
}

std::vector<GeometryValue> SignatureMaker::geometryValues(const Entity& e) {
    std::vector<GeometryValue> values;
    ValueSink sink{values};
    sink.flag(static_cast<std::int64_t>(e.data.index()));
    sink.length(e.common.thickness());
    sink.point(e.common.extrusion());
    GeometryWalk<ValueSink> walk{sink};
    visitData(walk, e.data);
    return values;
}

Box2 EntityBoxes::blockBox(std::uint32_t block) {
    if (block >= drawing_.blocks.size())
        return {};
    if (blockState_.empty()) {
        blockState_.assign(drawing_.blocks.size(), 0);
        blockBox_.assign(drawing_.blocks.size(), Box2{});
    }
    if (blockState_[block] == 1 || depth_ >= kMaxDepth)
        return {};
    if (blockState_[block] == 2)
        return blockBox_[block];
    blockState_[block] = 1;
    ++depth_;
    Box2 b;
    for (const Entity& e : drawing_.blocks[block].entities)
        b.add(box(e));
    --depth_;
    blockState_[block] = 2;
    blockBox_[block] = b;
    return b;
}

Box2 EntityBoxes::box(const Entity& e) {
    BoxSink sink;
    sink.insertBox = [this](const Insert& i) {
        const Box2 inner = blockBox(i.block);
        Box2 out;
        if (inner.empty() || i.block >= drawing_.blocks.size())
            return out;
        const Vec3 base = drawing_.blocks[i.block].base;
        const double c = std::cos(i.rotation), s = std::sin(i.rotation);
        const double spanX = (std::max(i.columns, 1) - 1) * i.columnSpacing;
        const double spanY = (std::max(i.rows, 1) - 1) * i.rowSpacing;
        for (double x : {inner.minX, inner.maxX + spanX})
            for (double y : {inner.minY, inner.maxY + spanY}) {
                const double lx = (x - base.x) * i.scale.x, ly = (y - base.y) * i.scale.y;
                out.add(Vec2{i.insert.x + c * lx - s * ly, i.insert.y + s * lx + c * ly});
            }
        return out;
    };
    GeometryWalk<BoxSink> walk{sink};
    visitData(walk, e.data);
    if (const auto* i = dataIf<Insert>(&e.data))
        for (const AttributeEntity& a : i->attributes) {
            BoxSink text;
            GeometryWalk<BoxSink> textWalk{text};
            textWalk(a.text);
            sink.box.add(text.box);
        }
    return sink.box;
}

Box2 roughExtents(const std::vector<Entity>& entities) {
    BoxSink sink; // inserts count by their insertion point alone
    GeometryWalk<BoxSink> walk{sink};
    for (const Entity& e : entities)
        visitData(walk, e.data);
    return sink.box;
}

} // namespace vexor::cad
