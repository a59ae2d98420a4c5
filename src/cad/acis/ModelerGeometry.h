#pragma once

#include "../model/Entities.h"

#include <memory>
#include <string>
#include <string_view>

namespace vexor::cad::acis {

// The wireframe of a REGION, 3DSOLID, BODY or surface from its modeler data as stored with the
// entity: SAT text, substituted or plain, or binary data. What cannot be drawn is said in
// `incomplete` ("not drawn: binary ACIS data", "drawn in part: ...").
std::shared_ptr<const WireframeData> wireframeFromModelerData(std::string typeName,
                                                              std::string_view data);

// The same for an entity whose data is not at hand, with the reason.
std::shared_ptr<const WireframeData> wireframeNotDrawn(std::string typeName, std::string reason);

// Whether a DXF entity name is one of the kinds whose shape is modeler data.
bool isModelerGeometryName(std::string_view typeName);

} // namespace vexor::cad::acis
