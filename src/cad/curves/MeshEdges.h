#pragma once

#include "../model/Entities.h"

#include <cstdint>
#include <span>
#include <vector>

namespace vexor::cad {

// The edges of a subdivision mesh at level 0, each once, as two-point polylines. `faces` is
// the stored face list: for each face its vertex count, then that many vertex indexes (from
// 0). Faces with a bad count or index are skipped and counted in `damaged`.
std::vector<std::vector<Vec3>> meshEdges(std::span<const Vec3> vertices,
                                         std::span<const std::int64_t> faces, std::size_t& damaged);

// Faces of more vertices than this are damage.
inline constexpr std::int64_t kMaxMeshFaceVertices = 1 << 16;

} // namespace vexor::cad
