#pragma once

#include "../../model/Entities.h"
#include "../../model/Layout.h"
#include "../TextDecoder.h"
#include "ByteReader.h"
#include "ExtendedData.h"
#include "FileHeader.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace vexor::cad::dwg::r12 {

// Entity kinds as the files number them.
enum class EntityKind : std::uint8_t {
    Line = 1,
    Point = 2,
    Circle = 3,
    Shape = 4,
    Repeat = 5,
    EndRepeat = 6,
    Text = 7,
    Arc = 8,
    Trace = 9,
    Load = 10,
    Solid = 11,
    Block = 12,
    EndBlock = 13,
    Insert = 14,
    AttributeDefinition = 15,
    Attribute = 16,
    SequenceEnd = 17,
    Jump = 18,
    Polyline = 19,
    Vertex = 20,
    Line3d = 21,
    Face3d = 22,
    Dimension = 23,
    Viewport = 24,
};

// The name of an entity kind for diagnostics ("LINE", "kind 42").
std::string entityKindName(int kind);

// What one vertex record adds to its polyline.
struct VertexRecord {
    PolyVertex vertex;
    bool hasStartWidth = false, hasEndWidth = false;
    std::uint8_t flags = 0; // 1 fit, 8 spline, 16 frame control point, 64 mesh, 128 face
    std::array<std::int16_t, 4> face{};
};

// One entity record as read, before the records around it (vertices, attributes, block
// boundaries) are put together.
struct EntityRecord {
    int kind = 0;
    bool erased = false;
    std::size_t end = 0;         // section position after the record
    std::int16_t layer = 0;      // index into the layer table
    std::int16_t linetype = 256; // index into the linetype table; 256 by layer
    EntityCommon common;         // layer and linetype still as table indexes above
    // Drawable data or the polyline/insert/attribute that later records complete.
    std::optional<Entity> entity;
    std::int16_t blockIndex = -1;    // INSERT, DIMENSION: index into the block table
    std::int16_t dimStyleIndex = -1; // DIMENSION: index into the dimension style table
    std::uint8_t styleIndex = 0xFF;  // TEXT, ATTRIB, ATTDEF: index into the style table
    bool hasStyle = false;
    bool attributesFollow = false;  // INSERT
    double elevation = 0;           // the plane of 2D records
    std::uint8_t polylineFlags = 0; // POLYLINE
    double defaultStartWidth = 0, defaultEndWidth = 0;
    VertexRecord vertex;           // VERTEX
    std::string blockName;         // BLOCK, when stored in the entity
    Vec3 blockBase;                // BLOCK
    std::uint32_t jumpAddress = 0; // JUMP: where the entities go on
    bool fieldsMismatch = false;   // the fields read did not fill the stored length
    bool paperSpace = false;       // R11: drawn on the sheet rather than in model space
    StoredExtendedData xdata;      // R11: where the record's extended data lies, unread
    // VIEWPORT: the frame on the sheet (centre, size, number); its view is in the extended data.
    std::optional<Viewport> viewport;
};

// Reads entity records one after another from an entity section.
class EntityRecordReader {
public:
    EntityRecordReader(ByteReader& section, Release release, const TextDecoder& decode)
        : r_(section), release_(release), decode_(decode) {}

    // Reads the record at the current position and moves past it. Throws DwgFormatError when
    // the record cannot be delimited (a length outside the section, or a record of unknown
    // kind in a release that stores no lengths); a record whose length is known but whose
    // fields do not fit it is returned without its data.
    EntityRecord next();

private:
    void readCommon(EntityRecord& rec, ByteReader& r, std::uint8_t flags, std::uint16_t opts);
    void readData(EntityRecord& rec, ByteReader& r, std::uint8_t flags, std::uint16_t opts);
    std::string text(ByteReader& r);

    ByteReader& r_;
    Release release_;
    const TextDecoder& decode_;
    double elevation_ = 0;
    bool flat_ = false; // points without z
};

} // namespace vexor::cad::dwg::r12
