#pragma once

#include "../model/Math.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vexor::cad {

// A static R-tree packed along a Hilbert curve: items close together on the drawing share
// nodes, so a query for a small window touches few of them. Built once per item list.
class SpatialIndex {
public:
    static constexpr std::uint32_t kNodeSize = 16;

    void build(const std::vector<Box2>& boxes);
    bool empty() const { return levels_.empty(); }
    std::size_t memoryBytes() const {
        std::size_t bytes = order_.capacity() * sizeof(std::uint32_t);
        for (const auto& level : levels_)
            bytes += level.capacity() * sizeof(Box2);
        return bytes;
    }

    // Calls visit(itemIndex) for every item whose box intersects `window`, in no particular
    // order.
    template <class Visit> void query(const Box2& window, Visit&& visit) const {
        if (levels_.empty())
            return;
        queryNode(window, levels_.size() - 1, 0, visit);
    }

    // Item indexes in the order of the curve (neighbours on the drawing next to each other).
    const std::vector<std::uint32_t>& curveOrder() const { return order_; }
    // After the caller stored its items in curveOrder(): item i is the i-th along the curve.
    void renumberToCurveOrder() {
        for (std::uint32_t i = 0; i < order_.size(); ++i)
            order_[i] = i;
    }

private:
    template <class Visit>
    void queryNode(const Box2& window, std::size_t level, std::uint32_t node, Visit& visit) const {
        const std::vector<Box2>& boxes = levels_[level];
        const std::size_t begin = static_cast<std::size_t>(node) * kNodeSize;
        const std::size_t end = std::min(begin + kNodeSize, boxes.size());
        for (std::size_t i = begin; i < end; ++i) {
            if (!boxes[i].intersects(window))
                continue;
            if (level == 0)
                visit(order_[i]);
            else
                queryNode(window, level - 1, static_cast<std::uint32_t>(i), visit);
        }
    }

    // levels_[0] holds the item boxes in curve order; each level above holds one box per
    // group of kNodeSize boxes of the level below; the top level has at most kNodeSize boxes.
    std::vector<std::vector<Box2>> levels_;
    std::vector<std::uint32_t> order_; // item index of each box of levels_[0]
};

} // namespace vexor::cad
