#pragma once

#include "../curves/ConicArc.h"
#include "../model/Entities.h"

#include <cstddef>
#include <vector>

namespace vexor::cad {

// A curved edge of a hatch boundary: ring `ring`'s points from..to draw it (`to` equals the
// ring's size when the edge closes the ring at its first point).
struct RingCurve {
    ConicArc arc;
    std::uint32_t ring = 0, from = 0, to = 0;
};

// A hatch's boundary loops as closed rings of points in its OCS plane, every edge kind
// (line, arc, elliptical arc, spline, polyline with bulges) tessellated; the exact arcs and
// elliptical arcs among the edges go to `curves` when given.
std::vector<std::vector<Vec2>> hatchRings(const Hatch& hatch,
                                          std::vector<RingCurve>* curves = nullptr);

// Pattern lines beyond this many segments in one hatch are not generated: a tiny pattern
// scale over a large area would otherwise exhaust memory.
inline constexpr std::size_t kMaxHatchSegments = 200000;

struct HatchSegments {
    std::vector<Vec2> points; // pairs: start, end of each dash (equal for dots)
    bool capped = false;      // too many segments: nothing generated
};

// The pattern lines of each family clipped to the rings with the even-odd rule, cut into
// dashes.
HatchSegments hatchPatternSegments(const std::vector<HatchPatternLine>& families,
                                   const std::vector<std::vector<Vec2>>& rings,
                                   std::size_t maxSegments = kMaxHatchSegments);

} // namespace vexor::cad
