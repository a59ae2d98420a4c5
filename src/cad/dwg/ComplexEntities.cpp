#include "EntityParsers.h"
#include "ObjectTypes.h"
#include "TableRecords.h"

#include <optional>

namespace vexor::cad::dwg {
namespace {

// Smallest encodings, used to check counts before allocating.
constexpr std::size_t kMinDoubleBits = 2;
constexpr std::size_t kMinRawPointBits = 128;
constexpr std::size_t kMinPointBits = 6;

// What a SPLINE stores, as its scenario number says up to R2010.
constexpr std::int32_t kSplineControlPoints = 1;
constexpr std::int32_t kSplineFitPoints = 2;

SplineData readHatchSplineEdge(BitReader& r, DwgVersion v) {
    SplineData s;
    s.degree = r.bitLong();
    s.rational = r.bit();
    r.bit(); // periodic
    const std::size_t knots = checkedCount(r, r.bitLong(), kMinDoubleBits);
    const std::size_t controls = checkedCount(r, r.bitLong(), kMinRawPointBits);
    s.knots.reserve(knots);
    for (std::size_t i = 0; i < knots; ++i)
        s.knots.push_back(r.bitDouble());
    s.controlPoints.reserve(controls);
    for (std::size_t i = 0; i < controls; ++i) {
        const Vec2 p = r.rawPoint2();
        s.controlPoints.push_back({p.x, p.y, 0});
        if (s.rational)
            s.weights.push_back(r.bitDouble());
    }
    if (v >= DwgVersion::R2010) {
        const std::size_t fits = checkedCount(r, r.bitLong(), kMinRawPointBits);
        for (std::size_t i = 0; i < fits; ++i) {
            const Vec2 p = r.rawPoint2();
            s.fitPoints.push_back({p.x, p.y, 0});
        }
        if (fits > 0) {
            r.rawPoint2(); // start tangent
            r.rawPoint2(); // end tangent
        }
    }
    return s;
}

HatchEdge readHatchEdge(BitReader& r, DwgVersion v) {
    HatchEdge e;
    switch (r.rawChar()) {
    case 1:
        e.kind = HatchEdge::Kind::Line;
        e.p0 = r.rawPoint2();
        e.p1 = r.rawPoint2();
        break;
    case 2:
        e.kind = HatchEdge::Kind::Arc;
        e.center = r.rawPoint2();
        e.radius = r.bitDouble();
        e.start = r.bitDouble();
        e.end = r.bitDouble();
        e.ccw = r.bit();
        break;
    case 3:
        e.kind = HatchEdge::Kind::EllipseArc;
        e.center = r.rawPoint2();
        e.majorAxis = r.rawPoint2();
        e.ratio = r.bitDouble();
        e.start = r.bitDouble();
        e.end = r.bitDouble();
        e.ccw = r.bit();
        break;
    case 4:
        e.kind = HatchEdge::Kind::Spline;
        e.spline = readHatchSplineEdge(r, v);
        break;
    default:
        r.fail("unknown hatch edge type");
    }
    return e;
}

// A polyline loop's points, each with its bulge when `bulges`.
std::vector<PolyVertex> readLoopVertices(BitReader& r, bool bulges) {
    const std::size_t n = checkedCount(r, r.bitLong(), kMinRawPointBits);
    std::vector<PolyVertex> vertices;
    vertices.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        PolyVertex pv;
        const Vec2 p = r.rawPoint2();
        pv.p = {p.x, p.y, 0};
        if (bulges)
            pv.bulge = r.bitDouble();
        vertices.push_back(pv);
    }
    return vertices;
}

HatchLoop readHatchLoop(BitReader& r, DwgVersion v, bool& derived) {
    HatchLoop loop;
    const std::int32_t flags = r.bitLong();
    if (flags & 4)
        derived = true;
    loop.isPolyline = (flags & 2) != 0;
    if (!loop.isPolyline) {
        const std::size_t n = checkedCount(r, r.bitLong(), 8);
        loop.edges.reserve(n);
        for (std::size_t i = 0; i < n; ++i)
            loop.edges.push_back(readHatchEdge(r, v));
    } else {
        const bool bulges = r.bit();
        loop.closed = r.bit();
        loop.polyline = readLoopVertices(r, bulges);
    }
    r.bitLong(); // boundary object count; their handles are not needed to draw
    return loop;
}

// R2004+ gradient fills; returns their first colour, nothing for a plain hatch.
std::optional<Color> readGradient(ObjectFrame& f, const TextDecoder& decode) {
    BitReader& r = f.data;
    const bool gradient = r.bitLong() != 0;
    r.bitLong();   // reserved
    r.bitDouble(); // angle
    r.bitDouble(); // shift
    r.bitLong();   // single colour
    r.bitDouble(); // tint
    const std::size_t colors = checkedCount(r, r.bitLong(), 8);
    std::optional<Color> first;
    for (std::size_t i = 0; i < colors; ++i) {
        r.bitDouble(); // position
        r.bitShort();
        const auto packed = static_cast<std::uint32_t>(r.bitLong());
        r.rawChar();
        if (i == 0 && gradient)
            first = colorOfPacked(packed, 7);
    }
    f.text(decode); // gradient name
    return first;
}

// The 3BD points common to several dimension kinds.
Vec3 point(BitReader& r) {
    return r.point3();
}

} // namespace

void parseLwPolyline(ObjectFrame& f, ParsedEntity& out) {
    BitReader& r = f.data;
    Polyline p;
    p.kind = Polyline::Kind::Light;
    const int flags = r.bitShort();
    if (flags & 4)
        p.constantWidth = r.bitDouble();
    double elevation = 0;
    if (flags & 8)
        elevation = r.bitDouble();
    if (flags & 2)
        out.thickness = r.bitDouble();
    if (flags & 1)
        out.extrusion = r.point3();
    const std::size_t points = checkedCount(r, r.bitLong(), 4);
    const std::size_t bulges = (flags & 16) ? checkedCount(r, r.bitLong(), 2) : 0;
    std::size_t ids = 0;
    if (f.version >= DwgVersion::R2010 && (flags & 1024))
        ids = checkedCount(r, r.bitLong(), 2);
    const std::size_t widths = (flags & 32) ? checkedCount(r, r.bitLong(), 4) : 0;
    p.closed = (flags & 512) != 0;
    p.vertices.resize(points);
    for (std::size_t i = 0; i < points; ++i) {
        Vec2 xy;
        if (f.version <= DwgVersion::R14 || i == 0)
            xy = r.rawPoint2();
        else
            xy = r.defaultPoint2(p.vertices[i - 1].p.xy());
        p.vertices[i].p = {xy.x, xy.y, elevation};
    }
    for (std::size_t i = 0; i < bulges; ++i) {
        const double b = r.bitDouble();
        if (i < points)
            p.vertices[i].bulge = b;
    }
    for (std::size_t i = 0; i < ids; ++i)
        r.bitLong();
    for (std::size_t i = 0; i < widths; ++i) {
        const double start = r.bitDouble();
        const double end = r.bitDouble();
        if (i < points) {
            p.vertices[i].startWidth = start;
            p.vertices[i].endWidth = end;
        }
    }
    out.data = std::move(p);
}

void parseSpline(ObjectFrame& f, ParsedEntity& out) {
    BitReader& r = f.data;
    SplineData s;
    std::int32_t scenario = r.bitLong();
    if (f.version >= DwgVersion::R2013) {
        // The flags overrule the scenario number, which may still say control points.
        const std::int32_t flags = r.bitLong();
        const std::int32_t knotParameterization = r.bitLong();
        if (flags & 1)
            scenario = kSplineFitPoints;
        else if (knotParameterization == 15)
            scenario = kSplineControlPoints;
    }
    if ((scenario & (kSplineFitPoints | kSplineControlPoints)) == 0)
        r.fail("unknown spline kind " + std::to_string(scenario));
    s.degree = r.bitLong();
    std::size_t knots = 0, controls = 0, fits = 0;
    bool weighted = false;
    if (scenario & kSplineFitPoints) {
        r.bitDouble(); // fit tolerance
        r.point3();    // start tangent
        r.point3();    // end tangent
        fits = checkedCount(r, r.bitLong(), kMinPointBits);
    }
    if (scenario & kSplineControlPoints) {
        s.rational = r.bit();
        s.closed = r.bit();
        r.bit();       // periodic
        r.bitDouble(); // knot tolerance
        r.bitDouble(); // control point tolerance
        knots = checkedCount(r, r.bitLong(), kMinDoubleBits);
        controls = checkedCount(r, r.bitLong(), kMinPointBits);
        weighted = r.bit();
    }
    s.knots.reserve(knots);
    for (std::size_t i = 0; i < knots; ++i)
        s.knots.push_back(r.bitDouble());
    s.controlPoints.reserve(controls);
    for (std::size_t i = 0; i < controls; ++i) {
        s.controlPoints.push_back(r.point3());
        if (weighted)
            s.weights.push_back(r.bitDouble());
    }
    s.fitPoints.reserve(fits);
    for (std::size_t i = 0; i < fits; ++i)
        s.fitPoints.push_back(r.point3());
    out.data = Spline{std::move(s)};
}

namespace {

// A pattern's angle, scale and lines, as a hatch and an MPOLYGON store them; the lines come
// scaled and rotated.
std::vector<HatchPatternLine> readPattern(BitReader& r) {
    r.bitDouble(); // angle
    r.bitDouble(); // scale or spacing
    r.bit();       // double
    const std::size_t count = checkedCount(r, r.bitShort(), 8);
    std::vector<HatchPatternLine> lines;
    lines.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        HatchPatternLine line;
        line.angle = r.bitDouble();
        line.base = r.point2();
        line.offset = r.point2();
        const std::size_t dashes = checkedCount(r, r.bitShort(), kMinDoubleBits);
        line.dashes.reserve(dashes);
        for (std::size_t k = 0; k < dashes; ++k)
            line.dashes.push_back(r.bitDouble());
        lines.push_back(std::move(line));
    }
    return lines;
}

// An MPOLYGON's loop is a polyline: whether it is closed and whether bulges follow its points
// (the other way round from a hatch's polyline loop), then the points.
HatchLoop readMPolygonLoop(BitReader& r) {
    HatchLoop loop;
    loop.isPolyline = true;
    loop.closed = r.bit();
    const bool bulges = r.bit();
    loop.polyline = readLoopVertices(r, bulges);
    return loop;
}

} // namespace

void parseHatch(ObjectFrame& f, const TextDecoder& decode, ParsedEntity& out) {
    BitReader& r = f.data;
    Hatch h;
    if (f.version >= DwgVersion::R2004) {
        // The model has no gradients: they show in their first colour, as the gradient is saved
        // for releases without them.
        if (const auto gradientColor = readGradient(f, decode))
            out.common.color = *gradientColor;
    }
    h.elevation = r.bitDouble();
    out.extrusion = r.point3();
    h.patternName = f.text(decode);
    h.solid = r.bit();
    r.bit(); // associative
    const std::size_t loops = checkedCount(r, r.bitLong(), 8);
    bool derived = false;
    h.loops.reserve(loops);
    for (std::size_t i = 0; i < loops; ++i)
        h.loops.push_back(readHatchLoop(r, f.version, derived));
    r.bitShort(); // style
    r.bitShort(); // pattern type
    if (!h.solid)
        h.patternLines = readPattern(r);
    (void)derived; // pixel size and seed points follow; nothing there is drawn
    out.data = std::move(h);
}

// MPOLYGON: a version, a hatch's gradient, plane and name, then its polyline loops, the fill's
// pattern and colour, an offset and a count of degenerate loops, in the order of its DXF
// groups. Its pattern fields are known from fewer files than the rest: when reading them does
// not end exactly where the data ends, the loops are drawn without the fill and the
// diagnostics say so.
void parseMPolygon(ObjectFrame& f, const TextDecoder& decode, ParsedEntity& out) {
    BitReader& r = f.data;
    Hatch h;
    h.polygon = true;
    r.bitShort(); // version
    if (f.version >= DwgVersion::R2004) {
        if (const auto gradientColor = readGradient(f, decode))
            h.fillColor = *gradientColor;
    }
    h.elevation = r.bitDouble();
    out.extrusion = r.point3();
    h.patternName = f.text(decode);
    h.solid = r.bit();
    const std::size_t loops = checkedCount(r, r.bitLong(), 8);
    h.loops.reserve(loops);
    for (std::size_t i = 0; i < loops; ++i)
        h.loops.push_back(readMPolygonLoop(r));
    const BitReader afterLoops = r;
    try {
        r.bitShort(); // pattern type
        if (!h.solid)
            h.patternLines = readPattern(r);
        const Color fill = readObjectColor(f, decode);
        r.rawPoint2(); // offset
        r.bitLong();   // degenerate loops
        // From R2000 on the data's size is stored, so the fields must end exactly there.
        if (f.version >= DwgVersion::R2000 && r.remainingBits() != 0)
            r.fail("MPOLYGON fill shorter than its data");
        if (!h.fillColor)
            h.fillColor = fill;
    } catch (const DwgFormatError&) {
        r = afterLoops;
        h.solid = false;
        h.patternLines.clear();
        h.fillUnread = true;
    }
    out.data = std::move(h);
}

void parseDimension(std::uint16_t type, ObjectFrame& f, const TextDecoder& decode,
                    ParsedEntity& out, std::string_view dxfName) {
    BitReader& r = f.data;
    Dimension d;
    auto def = std::make_unique<DimensionDefinition>();
    if (f.version >= DwgVersion::R2010)
        r.rawChar(); // version
    out.extrusion = r.point3();
    const Vec2 textMid = r.rawPoint2();
    const double elevation = r.bitDouble();
    d.textMidpoint = {textMid.x, textMid.y, elevation};
    // Bit 0 set: the text sits where the dimension puts it, not where the user moved it.
    def->textUserPlaced = (r.rawChar() & 1) == 0;
    d.text = f.text(decode);
    def->textRotation = r.bitDouble();
    def->hasTextRotation = def->textRotation != 0;
    r.bitDouble(); // horizontal direction
    r.point3();    // insertion scale
    r.bitDouble(); // insertion rotation
    if (f.version >= DwgVersion::R2000) {
        r.bitShort();  // attachment
        r.bitShort();  // line spacing style
        r.bitDouble(); // line spacing factor
        d.measurement = r.bitDouble();
    }
    if (f.version >= DwgVersion::R2007)
        r.bits(3); // unknown, flip arrows
    const Vec2 clone = r.rawPoint2();
    d.insert = {clone.x, clone.y, elevation};
    bool defined = true;
    switch (type) {
    case kTypeDimOrdinate:
        d.dimType = 6;
        d.definitionPoint = point(r);
        def->point13 = point(r);
        def->point14 = point(r);
        def->ordinateX = (r.rawChar() & 1) != 0;
        break;
    case kTypeDimLinear:
    case kTypeDimAligned:
        d.dimType = type == kTypeDimLinear ? 0 : 1;
        def->point13 = point(r);
        def->point14 = point(r);
        d.definitionPoint = point(r);
        r.bitDouble(); // extension line oblique angle
        if (type == kTypeDimLinear)
            def->rotation = r.bitDouble();
        break;
    case kTypeDimAngular3Pt:
        d.dimType = 5;
        d.definitionPoint = point(r);
        def->point13 = point(r);
        def->point14 = point(r);
        def->point15 = point(r);
        break;
    case kTypeDimAngular2Ln: {
        d.dimType = 2;
        const Vec2 arc = r.rawPoint2();
        def->point16 = {arc.x, arc.y, elevation};
        def->point13 = point(r);
        def->point14 = point(r);
        def->point15 = point(r);
        d.definitionPoint = point(r);
        break;
    }
    case kTypeDimRadius:
        d.dimType = 4;
        d.definitionPoint = point(r);
        def->point15 = point(r);
        break;
    case kTypeDimDiameter:
        d.dimType = 3;
        def->point15 = point(r); // the chord point on the far side
        d.definitionPoint = point(r);
        break;
    default:
        // Class-numbered kinds.
        if (dxfName == "ARC_DIMENSION") {
            d.kind = Dimension::Kind::ArcLength;
            d.definitionPoint = point(r);
            def->point13 = point(r); // extension line starts
            def->point14 = point(r);
            def->point15 = point(r); // arc centre
            r.bit();                 // partial
            r.bitDouble();           // arc start and end
            r.bitDouble();
            r.bit(); // has leader
            def->point16 = point(r);
            point(r); // second leader point
        } else if (dxfName == "LARGE_RADIAL_DIMENSION") {
            d.kind = Dimension::Kind::LargeRadial;
            d.definitionPoint = point(r);
            def->point15 = point(r); // chord point on the arc
            r.bitDouble();           // leader length
            def->point13 = point(r); // the centre shown
            def->point14 = point(r); // jog point
        } else {
            defined = false;
        }
        break;
    }
    if (defined)
        d.definition = std::move(def);
    out.styleHandle = f.readHandle(); // dimension style
    out.blockHandle = f.readHandle();
    out.data = std::move(d);
}

void parseLeader(ObjectFrame& f, ParsedEntity& out) {
    BitReader& r = f.data;
    Leader l;
    r.bit();      // unknown
    r.bitShort(); // annotation type
    l.spline = r.bitShort() == 1;
    const std::size_t points = checkedCount(r, r.bitLong(), kMinPointBits);
    l.points.reserve(points);
    for (std::size_t i = 0; i < points; ++i)
        l.points.push_back(r.point3());
    r.point3(); // end point projection
    out.extrusion = r.point3();
    r.point3(); // x direction
    r.point3(); // offset to the block insertion point
    if (f.version >= DwgVersion::R14)
        r.point3();
    if (f.version <= DwgVersion::R14)
        r.bitDouble(); // dimension gap
    if (f.version < DwgVersion::R2010) {
        r.bitDouble(); // box height
        r.bitDouble(); // box width
    }
    r.bit(); // hook line on the x direction
    l.arrowhead = r.bit();
    out.data = std::move(l);
}

void parseImageFrame(ImageFrame::Kind kind, ObjectFrame& f, ParsedEntity& out) {
    BitReader& r = f.data;
    ImageFrame img;
    img.kind = kind;
    r.bitLong(); // class version
    img.origin = r.point3();
    img.uPixel = r.point3();
    img.vPixel = r.point3();
    img.sizePixels = r.rawPoint2();
    r.bitShort(); // display properties
    const bool clipping = r.bit();
    r.rawChar(); // brightness
    r.rawChar(); // contrast
    r.rawChar(); // fade
    if (f.version >= DwgVersion::R2010)
        r.bit(); // clip mode
    const int clipType = r.bitShort();
    std::vector<Vec2> clip;
    if (clipType == 1) {
        const Vec2 a = r.rawPoint2();
        const Vec2 b = r.rawPoint2();
        clip = {a, {b.x, a.y}, b, {a.x, b.y}};
    } else {
        const std::size_t n = checkedCount(r, r.bitLong(), kMinRawPointBits);
        clip.reserve(n);
        for (std::size_t i = 0; i < n; ++i)
            clip.push_back(r.rawPoint2());
    }
    if (clipping)
        img.clip = std::move(clip);
    img.definition = f.readHandle();
    out.data = std::move(img);
}

} // namespace vexor::cad::dwg
