#include "InsertClips.h"

#include <cmath>

namespace vexor::cad {

namespace {

// More boundary points than any clip drawn by hand; a longer boundary is not used.
constexpr std::size_t kMaxBoundaryPoints = 1 << 16;

} // namespace

std::vector<Vec2> clipBoundaryInBlock(const SpatialFilter& filter) {
    std::vector<Vec2> out;
    if (!filter.enabled || filter.boundary.size() < 2 ||
        filter.boundary.size() > kMaxBoundaryPoints)
        return out;
    const auto& m = filter.inverseInsert;
    const auto map = [&m](Vec2 p) {
        return Vec2{m[0] * p.x + m[1] * p.y + m[3], m[4] * p.x + m[5] * p.y + m[7]};
    };
    if (filter.boundary.size() == 2) {
        const Vec2 a = filter.boundary[0], b = filter.boundary[1];
        out = {map(a), map({b.x, a.y}), map(b), map({a.x, b.y})};
    } else {
        out.reserve(filter.boundary.size());
        for (Vec2 p : filter.boundary)
            out.push_back(map(p));
        if (out.size() > 3 && out.front().x == out.back().x && out.front().y == out.back().y)
            out.pop_back(); // closed by repeating its first point
    }
    for (Vec2 p : out)
        if (!std::isfinite(p.x) || !std::isfinite(p.y))
            return {};
    double area = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const Vec2 a = out[i], b = out[(i + 1) % out.size()];
        area += a.x * b.y - b.x * a.y;
    }
    if (out.size() < 3 || !(std::fabs(area) > 0))
        return {};
    return out;
}

void attachInsertClips(Drawing& drawing, const std::vector<SpatialFilter>& filters,
                       const std::unordered_map<std::uint64_t, std::uint64_t>& dictionaryOwners) {
    if (filters.empty())
        return;
    std::unordered_map<std::uint64_t, const SpatialFilter*> byInsert;
    for (const SpatialFilter& filter : filters) {
        const auto filterDictionary = dictionaryOwners.find(filter.owner);
        if (filterDictionary == dictionaryOwners.end())
            continue;
        const auto extension = dictionaryOwners.find(filterDictionary->second);
        if (extension != dictionaryOwners.end())
            byInsert[extension->second] = &filter;
    }
    std::size_t placed = 0, unusable = 0;
    const auto visit = [&](std::vector<Entity>& entities) {
        for (Entity& entity : entities) {
            auto* insert = dataIf<Insert>(&entity.data);
            if (!insert || entity.common.handle == 0)
                continue;
            const auto it = byInsert.find(entity.common.handle);
            if (it == byInsert.end())
                continue;
            ++placed;
            insert->clip = clipBoundaryInBlock(*it->second);
            if (insert->clip.empty() && it->second->enabled)
                ++unusable;
        }
    };
    visit(drawing.modelSpace);
    for (Block& block : drawing.blocks)
        visit(block.entities);
    if (placed < filters.size())
        drawing.diagnostics.push_back(std::to_string(filters.size() - placed) +
                                      " clip boundaries (SPATIAL_FILTER) belong to no insert and "
                                      "are not used");
    if (unusable > 0)
        drawing.diagnostics.push_back(std::to_string(unusable) +
                                      " clipped inserts have an unusable clip boundary and are "
                                      "drawn whole");
}

} // namespace vexor::cad
