#pragma once

#include "../model/Math.h"

#include <vector>

namespace vexor::cad {

// From `a` to `b`: the length, its components and its direction (radians counter-clockwise
// from +x, 0 <= angle < 2 pi).
struct Distance {
    double length = 0, dx = 0, dy = 0, angle = 0;
};
Distance measureDistance(Vec2 a, Vec2 b);

// The length of the path through `points`, back to the first when `closed`.
double pathLength(const std::vector<Vec2>& points, bool closed);

// The area enclosed by the ring through `points` (never negative; a self-crossing ring counts
// its lobes against each other, as the shoelace formula does).
double ringArea(const std::vector<Vec2>& points);

// The angle at `vertex` between the rays to `a` and to `b`: 0 to pi radians; 0 when either
// ray has no length.
double angleAt(Vec2 vertex, Vec2 a, Vec2 b);

} // namespace vexor::cad
