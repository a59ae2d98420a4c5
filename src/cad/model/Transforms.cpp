#include "Transforms.h"

#include <cmath>

namespace vexor::cad {

std::optional<Affine2> inverse(const Affine2& m) {
    const double det = m.determinant();
    if (!std::isfinite(det) || det == 0)
        return std::nullopt;
    return Affine2{m.d / det,
                   -m.b / det,
                   -m.c / det,
                   m.a / det,
                   (m.c * m.f - m.d * m.e) / det,
                   (m.b * m.e - m.a * m.f) / det};
}

Box2 mappedBox(const Box2& box, const Affine2& t) {
    Box2 out;
    if (box.empty())
        return out;
    for (Vec2 corner : {Vec2{box.minX, box.minY}, Vec2{box.maxX, box.minY},
                        Vec2{box.minX, box.maxY}, Vec2{box.maxX, box.maxY}})
        out.add(t.map(corner));
    return out;
}

Box2 translatedBox(const Box2& box, Vec2 by) {
    return {box.minX + by.x, box.minY + by.y, box.maxX + by.x, box.maxY + by.y};
}

} // namespace vexor::cad
