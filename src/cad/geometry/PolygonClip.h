#pragma once

#include "../model/Math.h"

#include <span>
#include <utility>
#include <vector>

namespace vexor::cad {

// Clipping against a closed polygon (any simple polygon, either orientation): what the compile
// needs to show a clipped insert's block only inside its boundary.

// Whether p lies inside the polygon (even-odd rule).
bool insidePolygon(Vec2 p, std::span<const Vec2> polygon);

// Whether the polygon is convex (no turn against the others).
bool convexPolygon(std::span<const Vec2> polygon);

enum class Overlap { Outside, Inside, Crossing };

// Where a box lies against the polygon whose box is `polygonBox`: wholly inside, wholly outside,
// or crossing its boundary (also when the polygon lies within the box).
Overlap boxOverlap(const Box2& box, std::span<const Vec2> polygon, const Box2& polygonBox);

// The parts of the line p + t d, t in [from, to], inside the polygon, as parameter intervals in
// increasing order.
std::vector<std::pair<double, double>> lineInside(Vec2 p, Vec2 d, double from, double to,
                                                  std::span<const Vec2> polygon);

// The rings that frame a clip boundary: the boundary itself, or, when it runs out to an outer
// ring and back along one slit (how a boundary that hides its inside is saved for readers that
// only know boundaries that show it), its rings without the slit and without the outer one,
// which only stands for the block's extents (none when the slit leads to no inner ring).
std::vector<std::vector<Vec2>> clipFrameRings(std::span<const Vec2> boundary);

// The part of a ring inside a convex polygon (Sutherland-Hodgman); fewer than three points when
// nothing of it is inside.
std::vector<Vec2> ringInsideConvex(std::span<const Vec2> ring, std::span<const Vec2> convex);

} // namespace vexor::cad
