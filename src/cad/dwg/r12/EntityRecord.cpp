#include "EntityRecord.h"

#include <cmath>
#include <memory>

namespace vexor::cad::dwg::r12 {
namespace {

// Bits of the flag byte that starts every entity.
constexpr std::uint8_t kHasColor = 0x01;
constexpr std::uint8_t kHasLinetype = 0x02;
constexpr std::uint8_t kElevationOrFlat = 0x04; // an elevation, or for points: no z stored
constexpr std::uint8_t kHasThickness = 0x08;
constexpr std::uint8_t kHasHandle = 0x20;
constexpr std::uint8_t kHasExtraFlags = 0x40;
constexpr std::uint8_t kAttributesFollow = 0x80; // INSERT
// Bits of the extra flag byte (R11).
constexpr std::uint8_t kExtraHasXData = 0x02;
// The record lies in paper space; a field follows naming the paper-space viewport it was drawn
// in (1, the sheet itself). Records of model space leave it out, with or without other extras.
constexpr std::uint8_t kExtraInPaperSpace = 0x04;
constexpr std::uint8_t kErased = 0x80;

constexpr const char* kKindNames[] = {
    "",      "LINE",     "POINT",  "CIRCLE", "SHAPE",  "REPEAT",    "ENDREP",   "TEXT",   "ARC",
    "TRACE", "LOAD",     "SOLID",  "BLOCK",  "ENDBLK", "INSERT",    "ATTDEF",   "ATTRIB", "SEQEND",
    "JUMP",  "POLYLINE", "VERTEX", "3DLINE", "3DFACE", "DIMENSION", "VIEWPORT",
};

bool storesFullPoints(int kind) {
    return kind == static_cast<int>(EntityKind::Line) ||
           kind == static_cast<int>(EntityKind::Point) ||
           kind == static_cast<int>(EntityKind::Line3d) ||
           kind == static_cast<int>(EntityKind::Face3d);
}

double finite(double v, double fallback = 0) {
    return std::isfinite(v) ? v : fallback;
}

bool bit(std::uint16_t opts, int n) {
    return (opts >> n & 1) != 0;
}

Vec3 extrusion(ByteReader& r) {
    Vec3 e{finite(r.f64()), finite(r.f64()), finite(r.f64())};
    if (e.x == 0 && e.y == 0 && e.z == 0)
        e.z = 1;
    return e;
}

} // namespace

std::string entityKindName(int kind) {
    if (kind > 0 && kind < static_cast<int>(std::size(kKindNames)))
        return kKindNames[kind];
    return "kind " + std::to_string(kind);
}

std::string EntityRecordReader::text(ByteReader& r) {
    const std::uint16_t size = r.u16();
    const auto bytes = r.bytes(size);
    std::string_view s(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return decode_(s.substr(0, s.find('\0')));
}

EntityRecord EntityRecordReader::next() {
    const std::size_t start = r_.position();
    EntityRecord rec;
    const std::uint8_t type = r_.u8();
    const std::uint8_t flags = r_.u8();
    rec.kind = type & 0x7F;
    rec.erased = (type & kErased) != 0;
    elevation_ = 0;
    flat_ = false;
    if (release_ == Release::R1_4) {
        // No length: the record ends where its fields end, so every field must be understood.
        // An erased record has its kind negated and its flags all set.
        if (type & kErased) {
            rec.kind = 0x100 - type;
            rec.erased = true;
        }
        rec.layer = r_.i16();
        readCommon(rec, r_, rec.erased ? 0 : flags, 0);
        readData(rec, r_, flags, 0);
        rec.end = r_.position();
        return rec;
    }
    const std::uint16_t length = r_.u16();
    const std::size_t minimum = 8; // kind, flags, length, layer, optional-field bits
    if (length < minimum || length > r_.remaining() + 4)
        r_.fail("entity length " + std::to_string(length) + " does not fit its section");
    const std::size_t crc = release_ >= Release::R11 ? 2 : 0;
    rec.end = start + length;
    r_.seek(start + 4);
    const std::uint64_t base = r_.fileOffset();
    const auto fields = r_.bytes(length - 4 - std::min<std::size_t>(crc, length - minimum));
    r_.seek(rec.end);
    ByteReader r(fields, base);
    try {
        if (rec.kind == static_cast<int>(EntityKind::Jump)) {
            rec.jumpAddress = r.u32();
            return rec;
        }
        rec.layer = r.i16();
        const std::uint16_t opts = r.u16();
        readCommon(rec, r, flags, opts);
        readData(rec, r, flags, opts);
        rec.fieldsMismatch = !r.atEnd();
    } catch (const DwgFormatError&) {
        rec.entity.reset();
        rec.fieldsMismatch = true;
    }
    return rec;
}

void EntityRecordReader::readCommon(EntityRecord& rec, ByteReader& r, std::uint8_t flags,
                                    std::uint16_t) {
    EntityCommon& e = rec.common;
    std::uint8_t extra = 0;
    if (release_ >= Release::R11 && (flags & kHasExtraFlags)) {
        extra = r.u8();
        if (extra & kExtraHasXData) {
            const std::uint16_t size = r.u16();
            const std::uint64_t offset = r.fileOffset();
            rec.xdata = {r.bytes(size), offset};
        }
    }
    if (flags & kHasColor) {
        const std::uint8_t color = r.u8();
        e.color = color == 0 ? Color::byBlock() : Color::indexed(color);
    }
    if (flags & kHasLinetype) // by block and by layer: 255 and none up to R10, then 32766, 32767
        rec.linetype = release_ >= Release::R11 ? r.i16() : r.u8();
    if (flags & kElevationOrFlat) {
        if (storesFullPoints(rec.kind) || release_ == Release::R1_4)
            flat_ = true;
        else
            elevation_ = finite(r.f64());
        rec.elevation = elevation_;
    }
    if (flags & kHasThickness)
        e.setThickness(finite(r.f64()));
    if (release_ >= Release::R11 && (flags & kHasHandle)) {
        const std::uint8_t size = r.u8();
        std::uint64_t handle = 0;
        for (std::uint8_t b : r.bytes(size))
            handle = handle << 8 | b;
        e.handle = handle;
    }
    if (extra & kExtraInPaperSpace) {
        r.skip(2);
        rec.paperSpace = true;
    }
    rec.attributesFollow =
        rec.kind == static_cast<int>(EntityKind::Insert) && (flags & kAttributesFollow) != 0;
}

void EntityRecordReader::readData(EntityRecord& rec, ByteReader& r, std::uint8_t,
                                  std::uint16_t opts) {
    EntityCommon& common = rec.common;
    const auto point2 = [&] {
        Vec3 p;
        p.x = finite(r.f64());
        p.y = finite(r.f64());
        p.z = elevation_;
        return p;
    };
    // Whether LINE, POINT and 3DFACE store a z: R11 says so in the flags; earlier releases
    // store it when the record is long enough to hold it.
    const auto zStored = [&](std::size_t points) {
        if (release_ >= Release::R11)
            return !flat_;
        return release_ != Release::R1_4 && r.remaining() >= points * 24;
    };
    bool withZ = false;
    const auto point = [&] {
        Vec3 p = point2();
        if (withZ)
            p.z = finite(r.f64());
        return p;
    };
    const auto point3 = [&] {
        Vec3 p;
        p.x = finite(r.f64());
        p.y = finite(r.f64());
        p.z = finite(r.f64());
        return p;
    };
    // The data goes straight into the record's entity; its common part is resolved from
    // `rec.common` once the tables are known.
    const auto set = [&]<class T>(T&& data) { rec.entity.emplace().data = std::forward<T>(data); };
    // Text fields after the string, shared by TEXT, ATTRIB and ATTDEF; `first` is the bit of
    // the rotation.
    const auto textTail = [&](Text& t, int first) {
        if (bit(opts, first))
            t.rotation = finite(r.f64());
        if (bit(opts, first + 1))
            t.widthFactor = finite(r.f64(), 1);
        if (bit(opts, first + 2))
            t.oblique = finite(r.f64());
        if (bit(opts, first + 3)) {
            rec.styleIndex = r.u8();
            rec.hasStyle = true;
        }
        if (bit(opts, first + 4)) {
            const std::uint8_t generation = r.u8();
            t.mirrorX = (generation & 2) != 0;
            t.mirrorY = (generation & 4) != 0;
        }
        if (bit(opts, first + 5))
            t.hAlign = r.u8();
        if (bit(opts, first + 6))
            t.alignPoint = point2();
    };

    switch (static_cast<EntityKind>(rec.kind)) {
    case EntityKind::Line:
    case EntityKind::Line3d: {
        Line l;
        withZ = zStored(2);
        l.a = point();
        l.b = point();
        if (!withZ && release_ < Release::R11 && rec.kind == static_cast<int>(EntityKind::Line3d)) {
            // Early 3D lines store 2D ends and each z only when it is set.
            if (bit(opts, 0))
                l.a.z = finite(r.f64());
            if (bit(opts, 1))
                l.b.z = finite(r.f64());
        }
        if (bit(opts, 0) && release_ >= Release::R11)
            common.setExtrusion(extrusion(r));
        set(std::move(l));
        break;
    }
    case EntityKind::Point:
        withZ = zStored(1);
        set(Point{point()});
        break;
    case EntityKind::Circle: {
        Circle c;
        c.center = point2();
        c.radius = finite(r.f64());
        if (bit(opts, 0) && release_ >= Release::R11)
            common.setExtrusion(extrusion(r));
        set(std::move(c));
        break;
    }
    case EntityKind::Arc: {
        Arc a;
        a.center = point2();
        a.radius = finite(r.f64());
        a.startAngle = finite(r.f64());
        a.endAngle = finite(r.f64());
        if (bit(opts, 0) && release_ >= Release::R11)
            common.setExtrusion(extrusion(r));
        set(std::move(a));
        break;
    }
    case EntityKind::Trace:
    case EntityKind::Solid: {
        Solid s;
        s.kind = rec.kind == static_cast<int>(EntityKind::Trace) ? Solid::Kind::Trace
                                                                 : Solid::Kind::Solid;
        for (Vec3& c : s.corners)
            c = point2();
        if (s.kind == Solid::Kind::Solid && bit(opts, 0) && release_ >= Release::R11)
            common.setExtrusion(extrusion(r));
        set(std::move(s));
        break;
    }
    case EntityKind::Face3d: {
        Face3d f;
        withZ = zStored(4);
        for (Vec3& c : f.corners)
            c = point();
        if (bit(opts, 0) && release_ >= Release::R11)
            f.invisibleEdges = static_cast<std::uint8_t>(r.u16() & 0x0F);
        set(std::move(f));
        break;
    }
    case EntityKind::Text: {
        Text t;
        t.insert = point2();
        t.height = finite(r.f64(), 1);
        if (release_ == Release::R1_4)
            t.rotation = finite(r.f64());
        t.text = text(r);
        textTail(t, 0);
        if (bit(opts, 8))
            t.vAlign = r.u8();
        set(std::move(t));
        break;
    }
    case EntityKind::AttributeDefinition:
    case EntityKind::Attribute: {
        const bool definition = rec.kind == static_cast<int>(EntityKind::AttributeDefinition);
        Text t;
        t.kind = definition ? TextKind::AttributeDefinition : TextKind::Attribute;
        t.insert = point2();
        t.height = finite(r.f64(), 1);
        t.text = text(r);
        if (definition)
            (void)text(r); // prompt
        t.tag = text(r);
        const std::uint8_t attributeFlags = r.u8();
        common.invisible = (attributeFlags & 1) != 0;
        if (bit(opts, 0))
            r.skip(1); // field length
        textTail(t, 1);
        if (bit(opts, 8) && release_ >= Release::R11)
            common.setExtrusion(extrusion(r));
        if (bit(opts, 9))
            t.vAlign = r.u8();
        set(std::move(t));
        break;
    }
    case EntityKind::Shape: {
        // Drawn from its shape file: the one the record names, else any the drawing loads.
        Shape shape;
        shape.insert = point2();
        shape.size = finite(r.f64(), 1);
        if (release_ == Release::R1_4) {
            shape.rotation = finite(r.f64());
            shape.number = static_cast<std::uint16_t>(r.i16());
            set(std::move(shape));
            break;
        }
        shape.number = r.u8();
        if (bit(opts, 0))
            shape.rotation = finite(r.f64());
        if (bit(opts, 1)) {
            rec.styleIndex = r.u8();
            rec.hasStyle = true;
        }
        if (bit(opts, 2))
            shape.widthFactor = finite(r.f64(), 1);
        if (bit(opts, 3))
            shape.oblique = finite(r.f64());
        set(std::move(shape));
        break;
    }
    case EntityKind::Insert: {
        Insert ins;
        if (release_ == Release::R1_4) {
            // Blocks are named here, with scale and rotation always stored.
            rec.blockName = text(r);
            ins.insert = point2();
            ins.scale.x = finite(r.f64(), 1);
            ins.scale.y = finite(r.f64(), 1);
            ins.rotation = finite(r.f64());
            set(std::move(ins));
            break;
        }
        rec.blockIndex = r.i16();
        ins.insert = point2();
        if (bit(opts, 0))
            ins.scale.x = finite(r.f64(), 1);
        if (bit(opts, 1))
            ins.scale.y = finite(r.f64(), 1);
        if (bit(opts, 2))
            ins.rotation = finite(r.f64());
        if (bit(opts, 3))
            ins.scale.z = finite(r.f64(), 1);
        if (bit(opts, 4))
            ins.columns = r.u16();
        if (bit(opts, 5))
            ins.rows = r.u16();
        if (bit(opts, 6))
            ins.columnSpacing = finite(r.f64());
        if (bit(opts, 7))
            ins.rowSpacing = finite(r.f64());
        if (bit(opts, 8) && release_ >= Release::R11)
            common.setExtrusion(extrusion(r));
        ins.columns = std::max(ins.columns, 1);
        ins.rows = std::max(ins.rows, 1);
        set(std::move(ins));
        break;
    }
    case EntityKind::Dimension: {
        Dimension d;
        rec.blockIndex = r.i16();
        // Points become 3D with R10.
        const bool spatial = release_ >= Release::R10;
        d.definitionPoint = spatial ? point3() : point2();
        d.textMidpoint = point2();
        // A dimension copied or moved keeps its block and stores the displacement here: the
        // block is drawn shifted by it, as an insert at this point.
        if (bit(opts, 0))
            d.insert = point2();
        std::uint8_t type = 0;
        if (bit(opts, 1))
            type = r.u8();
        if (bit(opts, 2))
            d.text = text(r);
        // What the dimension measures, for drawing it when its block is missing.
        auto def = std::make_unique<DimensionDefinition>();
        const auto spatialPoint = [&] { return spatial ? point3() : point2(); };
        if (bit(opts, 3))
            def->point13 = spatialPoint();
        if (bit(opts, 4))
            def->point14 = spatialPoint();
        if (bit(opts, 5))
            def->point15 = spatialPoint();
        if (bit(opts, 6))
            def->point16 = point2();
        if (bit(opts, 7))
            r.skip(8); // leader length of radial dimensions
        if (bit(opts, 8))
            def->rotation = finite(r.f64()); // radians
        if (bit(opts, 9))
            r.skip(8); // the horizontal direction of the text
        if (bit(opts, 10))
            r.skip(8); // the angle of oblique extension lines
        if (bit(opts, 15) && (opts & 0x7800) == 0)
            rec.dimStyleIndex = r.i16();
        d.dimType = type & 0x07;
        def->ordinateX = (type & 64) != 0;
        def->textUserPlaced = (type & 128) != 0;
        d.definition = std::move(def);
        set(std::move(d));
        break;
    }
    case EntityKind::Polyline: {
        Polyline p;
        if (bit(opts, 0))
            rec.polylineFlags = r.u8();
        if (bit(opts, 1))
            rec.defaultStartWidth = finite(r.f64());
        if (bit(opts, 2))
            rec.defaultEndWidth = finite(r.f64());
        if (bit(opts, 3) && release_ >= Release::R11)
            common.setExtrusion(extrusion(r));
        if (bit(opts, 4))
            p.meshM = r.u16();
        if (bit(opts, 5))
            p.meshN = r.u16();
        if (bit(opts, 6))
            r.skip(2); // smooth surface density in M
        if (bit(opts, 7))
            r.skip(2); // and in N
        if (bit(opts, 8))
            r.skip(2); // smooth surface type
        set(std::move(p));
        break;
    }
    case EntityKind::Vertex: {
        VertexRecord& v = rec.vertex;
        v.vertex.p = point2();
        if (bit(opts, 0)) {
            v.vertex.startWidth = finite(r.f64());
            v.hasStartWidth = true;
        }
        if (bit(opts, 1)) {
            v.vertex.endWidth = finite(r.f64());
            v.hasEndWidth = true;
        }
        if (bit(opts, 2))
            v.vertex.bulge = finite(r.f64());
        if (bit(opts, 3))
            v.flags = r.u8();
        if (bit(opts, 4))
            r.skip(8); // curve-fit tangent
        for (int i = 0; i < 4; ++i)
            if (bit(opts, 5 + i))
                v.face[static_cast<std::size_t>(i)] = r.i16();
        break;
    }
    case EntityKind::Block: {
        if (release_ == Release::R1_4)
            rec.blockName = text(r);
        rec.blockBase = point2();
        if (bit(opts, 1))
            (void)text(r); // path of an external reference
        if (bit(opts, 2))
            rec.blockName = text(r);
        break;
    }
    case EntityKind::SequenceEnd:
        if (release_ >= Release::R11 || r.remaining() >= 4)
            r.skip(4); // address of the first record of the sequence
        break;
    case EntityKind::EndBlock:
        break;
    case EntityKind::Load:
        (void)text(r); // shape file to load
        break;
    case EntityKind::Repeat:
    case EntityKind::EndRepeat:
        // An early rectangular array of the records between the two; kept as the records.
        if (release_ == Release::R1_4)
            r.skip(2 + 2 + 8 + 8);
        else
            r.skip(r.remaining());
        break;
    case EntityKind::Viewport: {
        if (release_ < Release::R11) { // not a kind of these releases
            if (release_ == Release::R1_4)
                r.fail("entity of unknown kind " + std::to_string(rec.kind));
            r.skip(r.remaining());
            break;
        }
        Viewport& v = rec.viewport.emplace();
        v.centre = point3();
        v.width = finite(r.f64());
        v.height = finite(r.f64());
        v.id = r.i16();
        break;
    }
    case EntityKind::Jump:
    default:
        if (release_ == Release::R1_4)
            r.fail("entity of unknown kind " + std::to_string(rec.kind));
        r.skip(r.remaining());
        break;
    }
}

} // namespace vexor::cad::dwg::r12
