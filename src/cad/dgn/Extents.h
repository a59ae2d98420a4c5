#pragma once

#include "../model/Entities.h"

#include <vector>

namespace vexor::cad::dgn {

// The XY box of the entities the reader makes: exact for lines, polylines with bulges, arcs,
// circles, ellipses and fills; splines by their control points; text by its origin, since
// its width depends on the font the renderer picks.
Box2 entitiesExtents(const std::vector<Entity>& entities);

} // namespace vexor::cad::dgn
