#pragma once

#include "../model/Drawing.h"

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace vexor::cad {

// A clipped insert's spatial filter as both readers find it: the boundary as stored (two
// points: the corners of a rectangle), the inverse of the insert's transform when the clip was
// made (three rows of four: x' = m[0] x + m[1] y + m[2] z + m[3] ...), which takes the
// boundary into the block's coordinates, and whether clipping is on. Front and back clipping
// planes mean nothing to a drawing seen from the top and are not kept.
struct SpatialFilter {
    std::uint64_t owner = 0; // the ACAD_FILTER dictionary holding it under "SPATIAL"
    std::vector<Vec2> boundary;
    std::array<double, 12> inverseInsert{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
    bool enabled = true;
};

// The boundary in the block's coordinates: a closed polygon of three or more points, or empty
// when the filter clips nothing usable (off, too few points, not finite).
std::vector<Vec2> clipBoundaryInBlock(const SpatialFilter& filter);

// Gives each insert its filter's boundary. A filter reaches its insert through its owners: the
// ACAD_FILTER dictionary, owned by the insert's extension dictionary, owned by the insert
// (`dictionaryOwners`: dictionary handle -> owner handle). Filters that name no insert of the
// drawing are said in the diagnostics.
void attachInsertClips(Drawing& drawing, const std::vector<SpatialFilter>& filters,
                       const std::unordered_map<std::uint64_t, std::uint64_t>& dictionaryOwners);

} // namespace vexor::cad
