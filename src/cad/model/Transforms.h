#pragma once

// Transforms of points and boxes that every stage needs: the compile (clipped inserts, extents),
// the queries (a viewport's model point) and the renderer (device to drawing).

#include "Math.h"

#include <optional>

namespace vexor::cad {

// The inverse of `m`; none when it has none (zero or non-finite determinant).
std::optional<Affine2> inverse(const Affine2& m);

// The box around `box`'s four corners mapped through `t`; empty stays empty.
Box2 mappedBox(const Box2& box, const Affine2& t);

// `box` moved by `by`.
Box2 translatedBox(const Box2& box, Vec2 by);

} // namespace vexor::cad
