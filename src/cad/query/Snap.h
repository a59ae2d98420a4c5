#pragma once

#include "ItemPick.h"

#include <optional>

namespace vexor::cad {

// The kinds of point the pointer snaps to, as bits.
enum SnapKind : unsigned {
    kSnapEndpoint = 1,     // ends of open lines and the corners of polylines
    kSnapMidpoint = 2,     // middles of straight segments between corners
    kSnapIntersection = 4, // crossings of two objects near the pointer
    kSnapNearest = 8,      // the nearest point on any drawn line
    kSnapNode = 16,        // points
    kSnapInsertion = 32,   // where texts are placed
};

struct SnapResult {
    SnapKind kind = kSnapNearest;
    Vec2 point;
};

// The point of the enabled kinds nearest to `p` within `tolerance` (both in the list's space),
// among the items drawn there (found through the spatial index and into references). Every
// other kind goes before nearest. A corner is a vertex where the line turns by more than ten
// degrees, so the many vertices of a flattened curve are not taken for corners.
std::optional<SnapResult> snapAt(const DisplayList& list, const ItemList& items, Vec2 p,
                                 double tolerance, unsigned kinds, const std::vector<char>& hidden);

} // namespace vexor::cad
