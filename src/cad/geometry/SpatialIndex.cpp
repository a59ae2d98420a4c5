#include "SpatialIndex.h"

#include "../io/HugePages.h"
#include "../io/LoadBudget.h"
#include "ParallelTasks.h"

#include <algorithm>
#include <array>
#include <utility>

namespace vexor::cad {

namespace {

// One level of the Hilbert curve: for the turn the curve gave the current square (bit 0: x and y
// swapped, bit 1: both complemented) and a cell's two bits there (x above y), the digit of the
// quadrant along the curve (bits 0-1) and the turn of the quadrant (bits 2-3). Turns compose by
// exclusive or: swapping and complementing commute and each undoes itself.
constexpr std::array<std::uint8_t, 16> kHilbertStep = [] {
    std::array<std::uint8_t, 16> table{};
    for (unsigned turn = 0; turn < 4; ++turn)
        for (unsigned bits = 0; bits < 4; ++bits) {
            unsigned rx = bits >> 1, ry = bits & 1;
            if (turn & 1)
                std::swap(rx, ry);
            if (turn & 2) {
                rx ^= 1;
                ry ^= 1;
            }
            // The lower-left quadrant is entered swapped, the lower-right swapped and
            // complemented; the upper two keep the square's turn.
            const unsigned quadrantTurn = ry ? 0 : rx ? 3 : 1;
            table[turn << 2 | bits] =
                static_cast<std::uint8_t>(((3 * rx) ^ ry) | (turn ^ quadrantTurn) << 2);
        }
    return table;
}();

// Position of cell (x, y) along a Hilbert curve filling a 65536 x 65536 grid: one table step per
// level, with no branch for the CPU to mispredict on scattered cells.
std::uint64_t hilbertKey(std::uint32_t x, std::uint32_t y) {
    std::uint64_t d = 0;
    unsigned turn = 0;
    for (int bit = 15; bit >= 0; --bit) {
        const unsigned step = kHilbertStep[turn << 2 | ((x >> bit) & 1) << 1 | ((y >> bit) & 1)];
        d = d << 2 | (step & 3);
        turn = step >> 2;
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
    std::vector<std::uint64_t> other;
    resizeLarge(other, keys.size());
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
    sortAlongCurve(count, boxOf);
    buildGroups(boxOf);
}

void SpatialIndex::sortAlongCurve(std::size_t count,
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
    std::vector<std::uint64_t> keys;
    resizeLarge(keys, valid);
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

    resizeLarge(order_, valid);
    for (std::size_t k = 0; k < valid; ++k)
        order_[k] = static_cast<std::uint32_t>(keys[k]);
    std::vector<std::uint64_t>().swap(keys);
    leaves_ = valid;
}

void SpatialIndex::buildGroups(const std::function<const Box2*(std::uint32_t)>& boxOf) {
    levels_.clear();
    if (leaves_ == 0)
        return;
    std::vector<Box2> groups((leaves_ + kNodeSize - 1) / kNodeSize);
    parallelRanges(groups.size(), [&](std::size_t begin, std::size_t end) {
        for (std::size_t g = begin; g < end; ++g)
            for (std::size_t k = g * kNodeSize; k < std::min(leaves_, (g + 1) * kNodeSize); ++k)
                groups[g].add(*boxOf(order_.empty() ? static_cast<std::uint32_t>(k) : order_[k]));
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
