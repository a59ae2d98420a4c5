#pragma once

#include "DxfContext.h"

#include <optional>
#include <span>
#include <string_view>

namespace vexor::cad::dxf {

// One entity record as the file holds it: its type name and its groups up to the next
// group 0, with its extended data (codes 1000 and up) apart.
struct EntityRecord {
    std::string_view type;
    std::span<const Group> groups;
    GroupPosition position;
    std::span<const Group> xdata;
    std::span<const Group> embedded; // after "101 Embedded Object", before any xdata
};

// The model entity for a record; kinds the model does not draw become Unsupported.
Entity buildEntity(const EntityRecord& record, DxfContext& context);

// Whether the record belongs to paper space (group 67 = 1).
bool isPaperSpace(const EntityRecord& record);

// What a POLYLINE record gives the VERTEX records after it: its elevation (group 30) and its
// default start and end widths (40, 41), which may differ (a tapered default).
struct VertexDefaults {
    double elevation = 0;
    double startWidth = 0, endWidth = 0;
};
VertexDefaults vertexDefaults(const EntityRecord& polyline);

// Adds a VERTEX record to a POLYLINE: a vertex, or a face of a polyface mesh. Vertices of
// 2D polylines without a z of their own take the polyline's elevation, and without widths of
// their own its default widths.
void addVertex(Polyline& polyline, const EntityRecord& vertex, const VertexDefaults& defaults);

// A colour number as entities store it: 0 by block, 256 (or out of range) by layer; a negative
// number (a layer turned off) gives its colour.
Color colorOfNumber(std::int64_t number);

// Common properties and the per-kind readers the entity builder uses.
EntityCommon readCommon(const EntityRecord& record, DxfContext& context);
Hatch readHatch(const EntityRecord& record, DxfContext& context);
Hatch readMPolygon(const EntityRecord& record, DxfContext& context);
Polyline readLightPolyline(const EntityRecord& record, DxfContext& context);
Spline readSpline(const EntityRecord& record, DxfContext& context);

} // namespace vexor::cad::dxf
