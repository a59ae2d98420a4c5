#pragma once

#include "../model/Math.h"

namespace vexor::cad {

// An entity's object coordinate system, derived from its extrusion direction with the
// arbitrary axis rule: the X axis is perpendicular to the world Y axis when the extrusion is
// near the world Z axis, else to the world Z axis.
struct OcsFrame {
    Vec3 xAxis{1, 0, 0}, yAxis{0, 1, 0}, zAxis{0, 0, 1};

    static OcsFrame fromExtrusion(Vec3 extrusion);
    bool isWorld() const { return xAxis.x == 1 && yAxis.y == 1 && zAxis.z == 1; }
    Vec3 toWorld(Vec3 p) const { return xAxis * p.x + yAxis * p.y + zAxis * p.z; }
    // The plane mapping seen from above: OCS (x, y) at OCS height z to world (x, y).
    Affine2 planeToWorld(double elevation) const;
};

} // namespace vexor::cad
