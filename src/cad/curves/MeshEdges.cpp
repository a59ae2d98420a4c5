#include "MeshEdges.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace vexor::cad {

std::vector<std::vector<Vec3>> meshEdges(std::span<const Vec3> vertices,
                                         std::span<const std::int64_t> faces,
                                         std::size_t& damaged) {
    std::vector<std::vector<Vec3>> out;
    std::unordered_set<std::uint64_t> seen;
    const auto valid = [&](std::int64_t i) {
        return i >= 0 && static_cast<std::uint64_t>(i) < vertices.size() &&
               std::isfinite(vertices[static_cast<std::size_t>(i)].x) &&
               std::isfinite(vertices[static_cast<std::size_t>(i)].y) &&
               std::isfinite(vertices[static_cast<std::size_t>(i)].z);
    };
    std::size_t at = 0;
    while (at < faces.size()) {
        const std::int64_t n = faces[at++];
        if (n < 0 || n > kMaxMeshFaceVertices ||
            static_cast<std::uint64_t>(n) > faces.size() - at) {
            ++damaged;
            break;
        }
        const std::span<const std::int64_t> face = faces.subspan(at, static_cast<std::size_t>(n));
        at += static_cast<std::size_t>(n);
        if (n < 2 || !std::all_of(face.begin(), face.end(), valid)) {
            ++damaged;
            continue;
        }
        for (std::size_t k = 0; k < face.size(); ++k) {
            // A face of two vertices is one edge, not two.
            if (face.size() == 2 && k == 1)
                break;
            auto a = static_cast<std::uint64_t>(face[k]);
            auto b = static_cast<std::uint64_t>(face[(k + 1) % face.size()]);
            if (a == b)
                continue;
            if (a > b)
                std::swap(a, b);
            if (!seen.insert(a << 32 | b).second)
                continue;
            out.push_back({vertices[a], vertices[b]});
        }
    }
    return out;
}

} // namespace vexor::cad
