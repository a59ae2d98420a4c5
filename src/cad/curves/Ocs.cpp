#include "Ocs.h"

namespace vexor::cad {

OcsFrame OcsFrame::fromExtrusion(Vec3 extrusion) {
    const double len = length(extrusion);
    if (!(len > 1e-12) || !std::isfinite(len))
        return {};
    const Vec3 z = extrusion * (1.0 / len);
    if (z.x == 0 && z.y == 0 && z.z > 0)
        return {};
    constexpr double kLimit = 1.0 / 64.0;
    const Vec3 x0 = (std::fabs(z.x) < kLimit && std::fabs(z.y) < kLimit) ? cross(Vec3{0, 1, 0}, z)
                                                                         : cross(Vec3{0, 0, 1}, z);
    const Vec3 x = x0 * (1.0 / length(x0));
    const Vec3 y = cross(z, x);
    return {x, y * (1.0 / length(y)), z};
}

Affine2 OcsFrame::planeToWorld(double elevation) const {
    return {xAxis.x, xAxis.y, yAxis.x, yAxis.y, zAxis.x * elevation, zAxis.y * elevation};
}

} // namespace vexor::cad
