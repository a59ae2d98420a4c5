#include "SpatialIndex.h"

#include "../io/LoadBudget.h"
#include "ParallelTasks.h"

#include <algorithm>

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

// Sorts keys by their upper 32 bits, keeping the order of equal ones: three passes of eleven
// bits.
void radixSortByHigh32(std::vector<std::uint64_t>& keys) {
    constexpr int kBits = 11;
    constexpr std::size_t kBuckets = std::size_t{1} << kBits;
    std::vector<std::uint64_t> other(keys.size());
    for (int shift = 32; shift < 64; shift += kBits) {
        std::vector<std::size_t> start(kBuckets + 1, 0);
        for (std::uint64_t k : keys)
            ++start[((k >> shift) & (kBuckets - 1)) + 1];
        for (std::size_t b = 1; b <= kBuckets; ++b)
            start[b] += start[b - 1];
        for (std::uint64_t k : keys)
            other[start[(k >> shift) & (kBuckets - 1)]++] = k;
        keys.swap(other);
    }
}

} // namespace

void SpatialIndex::build(std::size_t count,
                         const std::function<const Box2*(std::uint32_t)>& boxOf) {
    levels_.clear();
    order_.clear();
    leaves_ = 0;
    Box2 all;
    std::size_t valid = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const Box2* b = boxOf(i);
        if (b && !b->empty()) {
            all.add(*b);
            ++valid;
        }
    }
    if (valid == 0)
        return;

    // Each item's place on the curve (32 bits) above its index: sorted, neighbours on the
    // curve follow each other and equal places keep the items' order.
    const double sx = all.width() > 0 ? 65535.0 / all.width() : 0;
    const double sy = all.height() > 0 ? 65535.0 / all.height() : 0;
    auto keyOf = [&](std::uint32_t i, const Box2& b) {
        const double cx = ((b.minX + b.maxX) * 0.5 - all.minX) * sx;
        const double cy = ((b.minY + b.maxY) * 0.5 - all.minY) * sy;
        return hilbertKey(toGrid(cx), toGrid(cy)) << 32 | i;
    };
    std::vector<std::uint64_t> keys(valid);
    if (valid == count) {
        parallelRanges(valid, [&](std::size_t begin, std::size_t end) {
            for (std::size_t i = begin; i < end; ++i) {
                const auto item = static_cast<std::uint32_t>(i);
                keys[i] = keyOf(item, *boxOf(item));
            }
        });
    } else {
        std::size_t k = 0;
        for (std::uint32_t i = 0; i < count; ++i) {
            const Box2* b = boxOf(i);
            if (b && !b->empty())
                keys[k++] = keyOf(i, *b);
        }
    }
    loadCheckpoint();
    radixSortByHigh32(keys);
    loadCheckpoint();

    order_.resize(valid);
    for (std::size_t k = 0; k < valid; ++k)
        order_[k] = static_cast<std::uint32_t>(keys[k]);
    std::vector<std::uint64_t>().swap(keys);
    leaves_ = valid;

    std::vector<Box2> groups((valid + kNodeSize - 1) / kNodeSize);
    parallelRanges(groups.size(), [&](std::size_t begin, std::size_t end) {
        for (std::size_t g = begin; g < end; ++g)
            for (std::size_t k = g * kNodeSize; k < std::min(valid, (g + 1) * kNodeSize); ++k)
                groups[g].add(*boxOf(order_[k]));
    });
    levels_.push_back(std::move(groups));
    while (levels_.back().size() > kNodeSize) {
        const std::vector<Box2>& below = levels_.back();
        std::vector<Box2> above((below.size() + kNodeSize - 1) / kNodeSize);
        for (std::size_t i = 0; i < below.size(); ++i)
            above[i / kNodeSize].add(below[i]);
        levels_.push_back(std::move(above));
    }
}

} // namespace vexor::cad
