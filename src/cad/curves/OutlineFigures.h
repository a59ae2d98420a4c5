#pragma once

#include "ConicArc.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace vexor::cad {

// A curved run of a flattened outline: its points from..to are drawn by `arc`, in the arc's
// direction; when `to` is not after `from` the run closes its ring, ending at `to`, the ring's
// first point.
struct ArcRun {
    ConicArc arc;
    std::uint32_t from = 0, to = 0;
};

struct OutlineFigures {
    double area = 0;   // of closed outlines: the rings by the even-odd rule
    double length = 0; // of every ring, arcs at their exact length
};

// The exact figures of an outline of `points` cut into `rings` ([begin, end) of the points),
// its straight edges from the points and its curved runs from their arcs. With `closed` each
// ring closes on itself and the area is that of the even-odd fill: a ring inside an odd number
// of others is a hole.
OutlineFigures outlineFigures(const std::vector<Vec2>& points,
                              const std::vector<std::pair<std::uint32_t, std::uint32_t>>& rings,
                              const std::vector<ArcRun>& runs, bool closed);

} // namespace vexor::cad
