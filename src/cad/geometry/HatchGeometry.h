#pragma once

#include "../model/Entities.h"

#include <cstddef>
#include <vector>

namespace vexor::cad {

// A hatch's boundary loops as closed rings of points in its OCS plane, every edge kind
// (line, arc, elliptical arc, spline, polyline with bulges) tessellated.
std::vector<std::vector<Vec2>> hatchRings(const Hatch& hatch);

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
