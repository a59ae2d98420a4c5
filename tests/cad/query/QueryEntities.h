#pragma once

#include "cad/model/Drawing.h"

#include <cstdint>

namespace vexor::test {

// An INSERT of `block` on `layer` at `at`, turned by `rotation` (radians) and scaled evenly.
inline cad::Entity insertEntity(std::uint32_t layer, std::uint32_t block, cad::Vec2 at,
                                double rotation = 0, double scale = 1,
                                cad::Color color = cad::Color::byLayer()) {
    cad::Insert i;
    i.block = block;
    i.insert = {at.x, at.y, 0};
    i.rotation = rotation;
    i.scale = {scale, scale, 1};
    cad::Entity e;
    e.common.layer = layer;
    e.common.color = color;
    e.data = cad::Boxed<cad::Insert>(i);
    return e;
}

} // namespace vexor::test
