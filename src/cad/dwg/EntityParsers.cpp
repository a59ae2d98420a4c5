#include "EntityParsers.h"

#include "../io/LoadBudget.h"
#include "ObjectTypes.h"
#include "TableRecords.h"

namespace vexor::cad::dwg {
namespace {

// R2018 attributes: 1 a single line, 2 or 4 multi-line (ATTRIB, ATTDEF).
constexpr std::uint8_t kSingleLineAttribute = 1;

Line readLine(BitReader& r, DwgVersion v) {
    Line l;
    if (v <= DwgVersion::R14) {
        l.a = r.point3();
        l.b = r.point3();
        return l;
    }
    const bool flat = r.bit();
    l.a.x = r.rawDouble();
    l.b.x = r.defaultDouble(l.a.x);
    l.a.y = r.rawDouble();
    l.b.y = r.defaultDouble(l.a.y);
    if (!flat) {
        l.a.z = r.rawDouble();
        l.b.z = r.defaultDouble(l.a.z);
    }
    return l;
}

// TEXT, ATTRIB and ATTDEF share this part.
Text readText(ObjectFrame& f, const TextDecoder& decode, ParsedEntity& out) {
    BitReader& r = f.data;
    const DwgVersion v = f.version;
    Text t;
    std::int16_t generation = 0;
    if (v <= DwgVersion::R14) {
        const double elevation = r.bitDouble();
        const Vec2 insert = r.rawPoint2();
        const Vec2 align = r.rawPoint2();
        t.insert = {insert.x, insert.y, elevation};
        t.alignPoint = {align.x, align.y, elevation};
        out.extrusion = r.extrusion(v);
        out.thickness = r.bitDouble();
        t.oblique = r.bitDouble();
        t.rotation = r.bitDouble();
        t.height = r.bitDouble();
        t.widthFactor = r.bitDouble();
        t.text = f.text(decode);
        generation = r.bitShort();
        t.hAlign = r.bitShort();
        t.vAlign = r.bitShort();
    } else {
        const std::uint8_t absent = r.rawChar(); // a set bit: the value is its default
        const double elevation = (absent & 0x01) ? 0.0 : r.rawDouble();
        const Vec2 insert = r.rawPoint2();
        const Vec2 align = (absent & 0x02) ? insert : r.defaultPoint2(insert);
        t.insert = {insert.x, insert.y, elevation};
        t.alignPoint = {align.x, align.y, elevation};
        out.extrusion = r.extrusion(v);
        out.thickness = r.thickness(v);
        t.oblique = (absent & 0x04) ? 0.0 : r.rawDouble();
        t.rotation = (absent & 0x08) ? 0.0 : r.rawDouble();
        t.height = r.rawDouble();
        t.widthFactor = (absent & 0x10) ? 1.0 : r.rawDouble();
        t.text = f.text(decode);
        generation = (absent & 0x20) ? 0 : r.bitShort();
        t.hAlign = (absent & 0x40) ? 0 : r.bitShort();
        t.vAlign = (absent & 0x80) ? 0 : r.bitShort();
    }
    t.mirrorX = (generation & 2) != 0;
    t.mirrorY = (generation & 4) != 0;
    return t;
}

void readAttributeTail(ObjectFrame& f, const TextDecoder& decode, Text& t, ParsedEntity& out) {
    BitReader& r = f.data;
    if (f.version >= DwgVersion::R2010)
        r.rawChar(); // version
    if (f.version >= DwgVersion::R2018 && r.rawChar() != kSingleLineAttribute) {
        // Multi-line: an embedded MTEXT comes first. Its fields are not needed, but the texts
        // have their own stream, so the tag is still found after the MTEXT's contents.
        f.text(decode);
        t.tag = f.text(decode);
        return;
    }
    t.tag = f.text(decode);
    r.bitShort(); // field length
    if (r.rawChar() & 1)
        out.common.invisible = true;
    if (f.version >= DwgVersion::R2007)
        r.bit(); // lock position
    if (t.kind != TextKind::AttributeDefinition)
        return;
    if (f.version >= DwgVersion::R2010)
        r.rawChar(); // version, stored again
    f.text(decode);  // prompt
}

// Vertices of a polyline or attributes of an insert.
void readChildren(ObjectFrame& f, std::int32_t owned, ParsedEntity& out) {
    if (f.version <= DwgVersion::R2000) {
        out.firstChild = f.readHandle();
        out.lastChild = f.readHandle();
        return;
    }
    const std::size_t n = checkedCount(f.refs, owned, 8);
    out.children.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        out.children.push_back(f.readHandle());
}

std::int32_t readOwnedCount(ObjectFrame& f) {
    return f.version >= DwgVersion::R2004 ? f.data.bitLong() : 0;
}

Insert readInsert(ObjectFrame& f, bool multiple, ParsedEntity& out) {
    BitReader& r = f.data;
    Insert ins;
    ins.insert = r.point3();
    if (f.version <= DwgVersion::R14) {
        ins.scale = r.point3();
    } else {
        switch (r.twoBits()) {
        case 3:
            ins.scale = {1, 1, 1};
            break;
        case 1:
            ins.scale.x = 1.0;
            ins.scale.y = r.defaultDouble(1.0);
            ins.scale.z = r.defaultDouble(1.0);
            break;
        case 2:
            ins.scale.x = r.rawDouble();
            ins.scale.y = ins.scale.z = ins.scale.x;
            break;
        default:
            ins.scale.x = r.rawDouble();
            ins.scale.y = r.defaultDouble(ins.scale.x);
            ins.scale.z = r.defaultDouble(ins.scale.x);
        }
    }
    ins.rotation = r.bitDouble();
    out.extrusion = r.point3();
    const bool hasAttributes = r.bit();
    const std::int32_t owned = hasAttributes ? readOwnedCount(f) : 0;
    if (multiple) {
        ins.columns = r.bitShort();
        ins.rows = r.bitShort();
        ins.columnSpacing = r.bitDouble();
        ins.rowSpacing = r.bitDouble();
    }
    out.blockHandle = f.readHandle();
    if (hasAttributes)
        readChildren(f, owned, out);
    return ins;
}

Polyline readPolyline2d(ObjectFrame& f, ParsedEntity& out) {
    BitReader& r = f.data;
    Polyline p;
    p.kind = Polyline::Kind::Poly2d;
    p.closed = (r.bitShort() & 1) != 0;
    r.bitShort(); // curve type
    out.defaultStartWidth = r.bitDouble();
    out.defaultEndWidth = r.bitDouble();
    if (out.defaultStartWidth == out.defaultEndWidth)
        p.constantWidth = out.defaultStartWidth;
    out.thickness = r.thickness(f.version);
    out.elevation = r.bitDouble();
    out.extrusion = r.extrusion(f.version);
    readChildren(f, readOwnedCount(f), out);
    return p;
}

Polyline readPolyline3d(ObjectFrame& f, ParsedEntity& out) {
    Polyline p;
    p.kind = Polyline::Kind::Poly3d;
    f.data.rawChar(); // curve type
    p.closed = (f.data.rawChar() & 1) != 0;
    readChildren(f, readOwnedCount(f), out);
    return p;
}

Polyline readPolyface(ObjectFrame& f, ParsedEntity& out) {
    Polyline p;
    p.kind = Polyline::Kind::PolyfaceMesh;
    f.data.bitShort(); // vertex count
    f.data.bitShort(); // face count
    readChildren(f, readOwnedCount(f), out);
    return p;
}

Polyline readPolygonMesh(ObjectFrame& f, ParsedEntity& out) {
    BitReader& r = f.data;
    Polyline p;
    p.kind = Polyline::Kind::PolygonMesh;
    const int flags = r.bitShort();
    p.meshClosedM = (flags & 1) != 0;
    p.meshClosedN = (flags & 32) != 0;
    r.bitShort(); // curve type
    p.meshM = r.bitShort();
    p.meshN = r.bitShort();
    r.bitShort(); // smooth surface densities
    r.bitShort();
    readChildren(f, readOwnedCount(f), out);
    return p;
}

Solid readSolid(BitReader& r, DwgVersion v, Solid::Kind kind, ParsedEntity& out) {
    Solid s;
    s.kind = kind;
    out.thickness = r.thickness(v);
    const double elevation = r.bitDouble();
    for (Vec3& c : s.corners) {
        const Vec2 p = r.rawPoint2();
        c = {p.x, p.y, elevation};
    }
    out.extrusion = r.extrusion(v);
    return s;
}

Face3d readFace3d(BitReader& r, DwgVersion v) {
    Face3d face;
    if (v <= DwgVersion::R14) {
        for (Vec3& c : face.corners)
            c = r.point3();
        face.invisibleEdges = static_cast<std::uint8_t>(r.bitShort() & 0x0F);
        return face;
    }
    const bool noFlags = r.bit();
    const bool flat = r.bit();
    face.corners[0].x = r.rawDouble();
    face.corners[0].y = r.rawDouble();
    face.corners[0].z = flat ? 0.0 : r.rawDouble();
    for (int i = 1; i < 4; ++i)
        face.corners[i] = r.defaultPoint3(face.corners[i - 1]);
    if (!noFlags)
        face.invisibleEdges = static_cast<std::uint8_t>(r.bitShort() & 0x0F);
    return face;
}

// R2004 and later: flags, then (for a fill, or a frame from R2018) margin factor, colour and
// transparency.
void readMTextBackground(ObjectFrame& f, const TextDecoder& decode, MText& m) {
    BitReader& r = f.data;
    const std::int32_t flags = r.bitLong();
    m.backgroundFlags =
        static_cast<std::uint8_t>(flags & (kMTextFill | kMTextFillBackground | kMTextFrame));
    if ((flags & kMTextFill) || (f.version >= DwgVersion::R2018 && (flags & kMTextFrame))) {
        m.backgroundScale = r.bitDouble();
        int index = 0;
        m.backgroundColor = readTableColor(f, decode, &index);
        m.backgroundAlpha = transparencyAlpha(r.bitLong());
    }
}

// R2018 and later: the text's box repeated, then the column settings.
void readMTextColumns(BitReader& r, MText& m) {
    if (!r.bit()) // set when the text is not annotative; annotative text stores no more
        return;
    r.bitShort();  // version
    r.bit();       // default flag
    r.bitLong();   // attachment
    r.point3();    // x direction
    r.point3();    // insertion point
    r.bitDouble(); // width
    m.definedHeight = r.bitDouble();
    r.bitDouble(); // extents width
    r.bitDouble(); // extents height
    const std::int16_t type = r.bitShort();
    if (type <= 0 || type > 2)
        return;
    auto columns = std::make_shared<MTextColumns>();
    columns->type = static_cast<MTextColumns::Type>(type);
    const std::int32_t count = r.bitLong();
    columns->count = std::clamp<std::int32_t>(count, 1, 1000);
    columns->width = r.bitDouble();
    columns->gutter = r.bitDouble();
    columns->autoHeight = r.bit();
    columns->flowReversed = r.bit();
    if (!columns->autoHeight && columns->type == MTextColumns::Type::Dynamic) {
        const std::size_t n = checkedCount(r, count, 2);
        for (std::size_t k = 0; k < n && k < 1000; ++k)
            columns->heights.push_back(r.bitDouble());
    }
    m.columns = std::move(columns);
}

MText readMText(ObjectFrame& f, const TextDecoder& decode, ParsedEntity& out) {
    BitReader& r = f.data;
    MText m;
    m.insert = r.point3();
    out.extrusion = r.point3();
    m.xDirection = r.point3();
    m.referenceWidth = r.bitDouble();
    if (f.version >= DwgVersion::R2007)
        m.definedHeight = r.bitDouble(); // of the reference rectangle
    m.height = r.bitDouble();
    m.attachment = r.bitShort();
    m.drawingDirection = r.bitShort();
    r.bitDouble(); // extents height
    r.bitDouble(); // extents width
    m.text = f.text(decode);
    if (f.version >= DwgVersion::R2000) {
        m.lineSpacingStyle = r.bitShort() == 2 ? 2 : 1;
        m.lineSpacingFactor = r.bitDouble();
        r.bit(); // unknown
    }
    if (f.version >= DwgVersion::R2004)
        readMTextBackground(f, decode, m);
    if (f.version >= DwgVersion::R2018)
        readMTextColumns(r, m);
    out.styleHandle = f.readHandle();
    return m;
}

} // namespace

std::size_t checkedCount(BitReader& r, std::int64_t count, std::size_t minBits) {
    if (count < 0 || static_cast<std::uint64_t>(count) * minBits > r.remainingBits())
        r.fail("count " + std::to_string(count) + " larger than the object can hold");
    // What the largest element a count announces (a hatch pattern line, a vertex) costs.
    constexpr std::uint64_t kLargestElementBytes = 64;
    claimLoadMemory(static_cast<std::uint64_t>(count), kLargestElementBytes);
    return static_cast<std::size_t>(count);
}

std::size_t checkedCount(BitReader& r, std::int64_t count, std::size_t minBits, std::size_t limit) {
    const std::size_t n = checkedCount(r, count, minBits);
    if (n > limit)
        r.fail("count " + std::to_string(n) + " beyond the limit of " + std::to_string(limit));
    return n;
}

ParsedVertex parseVertex(ObjectFrame& f) {
    BitReader& r = f.data;
    ParsedVertex v;
    if (f.type == kTypeVertexPfaceFace) {
        v.isFace = true;
        for (std::int32_t& index : v.face)
            index = r.bitShort();
        return v;
    }
    v.flags = r.rawChar();
    v.vertex.p = r.point3();
    if (f.type != kTypeVertex2d)
        return v;
    const double start = r.bitDouble();
    v.vertex.startWidth = start < 0 ? -start : start;
    v.vertex.endWidth = start < 0 ? -start : r.bitDouble();
    v.vertex.bulge = r.bitDouble();
    return v;
}

void parseEntityData(EntityKind kind, ObjectFrame& f, const TextDecoder& decode, ParsedEntity& out,
                     const char* dxfName) {
    BitReader& r = f.data;
    const DwgVersion v = f.version;
    switch (kind) {
    case EntityKind::Line: {
        out.data = readLine(r, v);
        out.thickness = r.thickness(v);
        out.extrusion = r.extrusion(v);
        return;
    }
    case EntityKind::Point: {
        Point p;
        p.p = r.point3();
        out.thickness = r.thickness(v);
        out.extrusion = r.extrusion(v);
        out.data = p;
        return;
    }
    case EntityKind::Circle:
    case EntityKind::Arc: {
        const Vec3 center = r.point3();
        const double radius = r.bitDouble();
        out.thickness = r.thickness(v);
        out.extrusion = r.extrusion(v);
        if (kind == EntityKind::Circle) {
            out.data = Circle{center, radius};
        } else {
            const double start = r.bitDouble();
            out.data = Arc{center, radius, start, r.bitDouble()};
        }
        return;
    }
    case EntityKind::Ellipse: {
        Ellipse e;
        e.center = r.point3();
        e.majorAxis = r.point3();
        out.extrusion = r.point3();
        e.ratio = r.bitDouble();
        e.startParam = r.bitDouble();
        e.endParam = r.bitDouble();
        out.data = e;
        return;
    }
    case EntityKind::Text:
    case EntityKind::Attrib:
    case EntityKind::Attdef: {
        Text t = readText(f, decode, out);
        if (kind != EntityKind::Text) {
            t.kind =
                kind == EntityKind::Attrib ? TextKind::Attribute : TextKind::AttributeDefinition;
            readAttributeTail(f, decode, t, out);
        }
        out.styleHandle = f.readHandle();
        out.data = std::move(t);
        return;
    }
    case EntityKind::Insert:
    case EntityKind::MInsert:
        out.data = readInsert(f, kind == EntityKind::MInsert, out);
        return;
    case EntityKind::Table: {
        // The cell contents follow; the block already holds their graphics.
        Insert table = readInsert(f, false, out);
        table.table = true;
        out.data = std::move(table);
        return;
    }
    case EntityKind::Polyline2d:
        out.data = readPolyline2d(f, out);
        return;
    case EntityKind::Polyline3d:
        out.data = readPolyline3d(f, out);
        return;
    case EntityKind::PolyfaceMesh:
        out.data = readPolyface(f, out);
        return;
    case EntityKind::PolygonMesh:
        out.data = readPolygonMesh(f, out);
        return;
    case EntityKind::Solid:
        out.data = readSolid(r, v, Solid::Kind::Solid, out);
        return;
    case EntityKind::Trace:
        out.data = readSolid(r, v, Solid::Kind::Trace, out);
        return;
    case EntityKind::Face3d:
        out.data = readFace3d(r, v);
        return;
    case EntityKind::Ray:
    case EntityKind::XLine: {
        Ray ray;
        ray.kind = kind == EntityKind::Ray ? Ray::Kind::Ray : Ray::Kind::ConstructionLine;
        ray.base = r.point3();
        ray.direction = r.point3();
        out.data = ray;
        return;
    }
    case EntityKind::Shape: {
        Shape shape;
        shape.insert = r.point3();
        shape.size = r.bitDouble();
        shape.rotation = r.bitDouble();
        shape.widthFactor = r.bitDouble();
        shape.oblique = r.bitDouble();
        out.thickness = r.bitDouble();
        shape.number = static_cast<std::uint16_t>(r.bitShort());
        out.extrusion = r.extrusion(v);
        out.styleHandle = f.readHandle();
        out.data = shape;
        return;
    }
    case EntityKind::MText:
        out.data = readMText(f, decode, out);
        return;
    case EntityKind::LwPolyline:
        parseLwPolyline(f, out);
        return;
    case EntityKind::Spline:
        parseSpline(f, out);
        return;
    case EntityKind::Hatch:
        parseHatch(f, decode, out);
        return;
    case EntityKind::MPolygon:
        parseMPolygon(f, decode, out);
        return;
    case EntityKind::Dimension:
        parseDimension(f.type, f, decode, out, dxfName);
        return;
    case EntityKind::Leader:
        parseLeader(f, out);
        return;
    case EntityKind::Image:
        parseImageFrame(ImageFrame::Kind::Image, f, out);
        return;
    case EntityKind::Wipeout:
        parseImageFrame(ImageFrame::Kind::Wipeout, f, out);
        return;
    case EntityKind::MLine:
        parseMLine(f, out);
        return;
    case EntityKind::Tolerance:
        parseTolerance(f, decode, out);
        return;
    case EntityKind::PdfUnderlay:
        parseUnderlay(Underlay::Kind::Pdf, f, out);
        return;
    case EntityKind::DwfUnderlay:
        parseUnderlay(Underlay::Kind::Dwf, f, out);
        return;
    case EntityKind::DgnUnderlay:
        parseUnderlay(Underlay::Kind::Dgn, f, out);
        return;
    case EntityKind::ModelerGeometry:
        parseModelerGeometry(f, out, dxfName);
        return;
    case EntityKind::SubDMesh:
        parseSubDMesh(f, out);
        return;
    default:
        out.data = Unsupported{dxfName};
        return;
    }
}

} // namespace vexor::cad::dwg
