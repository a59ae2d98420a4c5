#include "SpatialIndex.h"

#include <algorithm>
#include <numeric>

namespace vexor::cad {

namespace {

// Position of cell (x, y) along a Hilbert curve filling a 65536 x 65536 grid.
std::uint64_t hilbertKey(std::uint32_t x, std::uint32_t y) {
    std::uint64_t d = 0;
    for (std::uint32_t s = 1u << 15; s > 0; s >>= 1) {
        const std::uint32_t rx = (x & s) ? 1 : 0;
        const std::uint32_t ry = (y & s) ? 1 : 0;
        d += static_cast<std::uint64_t>(s) * s * ((3 * rx) ^ ry);
        if (ry == 0) {
            if (rx == 1) {
                x = 0xFFFF - x;
                y = 0xFFFF - y;
            }
            std::swap(x, y);
        }
    }
    return d;
}

// A cell of the 65536 x 65536 grid; NaN (boxes so far apart that their centre or the grid's
// scale overflows) lands in cell 0 instead of an undefined conversion.
std::uint32_t toGrid(double v) {
    return v > 0 ? static_cast<std::uint32_t>(std::min(v, 65535.0)) : 0;
}

} // namespace

void SpatialIndex::build(const std::vector<Box2>& boxes) {
    levels_.clear();
    order_.clear();
    Box2 all;
    std::size_t valid = 0;
    for (const Box2& b : boxes) {
        if (!b.empty()) {
            all.add(b);
            ++valid;
        }
    }
    if (valid == 0)
        return;

    const double sx = all.width() > 0 ? 65535.0 / all.width() : 0;
    const double sy = all.height() > 0 ? 65535.0 / all.height() : 0;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> keyed;
    keyed.reserve(valid);
    for (std::uint32_t i = 0; i < boxes.size(); ++i) {
        const Box2& b = boxes[i];
        if (b.empty())
            continue;
        const double cx = ((b.minX + b.maxX) * 0.5 - all.minX) * sx;
        const double cy = ((b.minY + b.maxY) * 0.5 - all.minY) * sy;
        const std::uint32_t gx = toGrid(cx), gy = toGrid(cy);
        keyed.emplace_back(hilbertKey(gx, gy), i);
    }
    std::sort(keyed.begin(), keyed.end());

    order_.reserve(keyed.size());
    std::vector<Box2> level;
    level.reserve(keyed.size());
    for (const auto& [key, item] : keyed) {
        order_.push_back(item);
        level.push_back(boxes[item]);
    }
    levels_.push_back(std::move(level));
    while (levels_.back().size() > kNodeSize) {
        const std::vector<Box2>& below = levels_.back();
        std::vector<Box2> above((below.size() + kNodeSize - 1) / kNodeSize);
        for (std::size_t i = 0; i < below.size(); ++i)
            above[i / kNodeSize].add(below[i]);
        levels_.push_back(std::move(above));
    }
}

} // namespace vexor::cad
