#pragma once

#include "../model/Entities.h"
#include "ObjectFrame.h"
#include "TextDecoder.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace vexor::cad::dwg {

// The entity kinds the reader interprets, whether the file numbers them with a fixed type or
// through a class.
enum class EntityKind : std::uint8_t {
    Other, // read as Unsupported
    Line,
    Point,
    Circle,
    Arc,
    Ellipse,
    Text,
    Attrib,
    Attdef,
    Insert,
    MInsert,
    Table, // ACAD_TABLE: stored like an INSERT of its anonymous block
    Polyline2d,
    Polyline3d,
    PolyfaceMesh,
    PolygonMesh,
    Vertex,
    Solid,
    Trace,
    Face3d,
    Ray,
    XLine,
    MText,
    LwPolyline,
    Spline,
    Hatch,
    Dimension,
    Leader,
    Image,
    Wipeout,
    MLine,
    Tolerance,
    Shape,
    PdfUnderlay,
    DwfUnderlay,
    DgnUnderlay,
    MultiLeader,     // read by the assembler, which resolves its references
    ModelerGeometry, // REGION, 3DSOLID, BODY and the surfaces
    SubDMesh,        // MESH
    MPolygon,
    // Parts of other entities, never placed on their own.
    SeqEnd,
    Block,
    EndBlock,
};

// An entity's data as read, with the handles still to be resolved into indexes.
struct ParsedEntity {
    EntityPreamble common;
    EntityData data;
    double thickness = 0;
    Vec3 extrusion{0, 0, 1};
    double elevation = 0; // 2D polylines: the z of their vertices
    // 2D polylines: the widths of vertices that store none (both 0), which may taper.
    double defaultStartWidth = 0, defaultEndWidth = 0;
    std::uint64_t blockHandle = 0; // INSERT, MINSERT, DIMENSION
    std::uint64_t styleHandle = 0; // texts; shapes: their shape file; DIMENSION: its style
    // Vertices of a polyline or attributes of an insert: a chain from first to last (R13-R2000)
    // or a list (R2004+).
    std::uint64_t firstChild = 0, lastChild = 0;
    std::vector<std::uint64_t> children;
};

// One VERTEX as read: a position of a polyline or, for polyface meshes, a face record.
struct ParsedVertex {
    std::uint8_t flags = 0;
    PolyVertex vertex;
    bool isFace = false;
    std::int32_t face[4] = {0, 0, 0, 0};
};

// Reads the entity data of a frame whose preamble was read. `dxfName` names the kinds read as
// Unsupported. Throws DwgFormatError.
void parseEntityData(EntityKind kind, ObjectFrame& f, const TextDecoder& decode, ParsedEntity& out,
                     const char* dxfName);

// Vertex types 10 to 14.
ParsedVertex parseVertex(ObjectFrame& f);

// Parsers of the larger kinds, one file of their own.

void parseLwPolyline(ObjectFrame& f, ParsedEntity& out);
void parseSpline(ObjectFrame& f, ParsedEntity& out);
void parseHatch(ObjectFrame& f, const TextDecoder& decode, ParsedEntity& out);
void parseMPolygon(ObjectFrame& f, const TextDecoder& decode, ParsedEntity& out);
// Fixed-type dimensions and, by `dxfName`, ARC_DIMENSION and LARGE_RADIAL_DIMENSION.
void parseDimension(std::uint16_t type, ObjectFrame& f, const TextDecoder& decode,
                    ParsedEntity& out, std::string_view dxfName);
void parseLeader(ObjectFrame& f, ParsedEntity& out);
void parseImageFrame(ImageFrame::Kind kind, ObjectFrame& f, ParsedEntity& out);
void parseMLine(ObjectFrame& f, ParsedEntity& out);
void parseTolerance(ObjectFrame& f, const TextDecoder& decode, ParsedEntity& out);
void parseUnderlay(Underlay::Kind kind, ObjectFrame& f, ParsedEntity& out);
// ModelerEntities.cpp: the wireframe of modeler data, named `dxfName`; subdivision meshes.
void parseModelerGeometry(ObjectFrame& f, ParsedEntity& out, const char* dxfName);
void parseSubDMesh(ObjectFrame& f, ParsedEntity& out);

// Count checks: a list of `count` items of at least `minBits` each must fit in what remains.
std::size_t checkedCount(BitReader& r, std::int64_t count, std::size_t minBits);
// The same with a hard limit on the count, whatever the object could hold.
std::size_t checkedCount(BitReader& r, std::int64_t count, std::size_t minBits, std::size_t limit);

} // namespace vexor::cad::dwg
