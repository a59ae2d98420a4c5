#pragma once

#include "EntityBuilder.h"

namespace vexor::cad::dxf {

// REGION, 3DSOLID, BODY and the surfaces: their modeler data (SAT lines in groups 1 and 3, or
// binary data in groups 310) read into their wireframe.
Wireframe readModelerGeometry(const EntityRecord& record);

// MESH (a subdivision mesh): the edges of its faces at level 0.
Wireframe readSubDMesh(const EntityRecord& record);

} // namespace vexor::cad::dxf
