#pragma once

#include "ItemPick.h"

#include <optional>

namespace vexor::cad {

// The kinds of point the pointer snaps to, as bits.
enum SnapKind : unsigned {
    kSnapEndpoint = 1,        // ends of open lines and the corners of polylines
    kSnapMidpoint = 2,        // middles of straight segments between corners
    kSnapIntersection = 4,    // crossings of two objects near the pointer
    kSnapNearest = 8,         // the nearest point on any drawn line
    kSnapNode = 16,           // points
    kSnapInsertion = 32,      // where texts are placed
    kSnapCentre = 64,         // centres of circles, arcs and ellipses
    kSnapQuadrant = 128,      // the points of a curve furthest along the axes
    kSnapPerpendicular = 256, // where a line from the last picked point meets an object square
    kSnapTangent = 512,       // where a line from the last picked point touches a curve
};

struct SnapResult {
    SnapKind kind = kSnapNearest;
    Vec2 point;
};

// The point of the enabled kinds nearest to `p` within `tolerance` (both in the list's space),
// among the items drawn there (found through the spatial index and into references). Every
// other kind goes before nearest. A corner is a vertex where the line turns by more than ten
// degrees, or where an exact curve (circle, arc, ellipse, bulge) begins or ends, so the many
// vertices of a flattened curve are not taken for corners. Curves are snapped on exactly:
// their centre shows when the pointer is at it or on the curve (then after every kind found
// near the pointer), quadrants at the curve's extremes along the axes (of an ellipse, the ends
// of its axes). Perpendicular and tangent points are found from `from`, the last picked point,
// when there is one.
std::optional<SnapResult> snapAt(const DisplayList& list, const ItemList& items, Vec2 p,
                                 double tolerance, unsigned kinds, const std::vector<char>& hidden,
                                 std::optional<Vec2> from = std::nullopt);

} // namespace vexor::cad
