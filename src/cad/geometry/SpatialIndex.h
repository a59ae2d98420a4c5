#pragma once

#include "../model/Math.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace vexor::cad {

// A static R-tree packed along a Hilbert curve: items close together on the drawing share
// nodes, so a query for a small window touches few of them. Built once per item list. The
// items' own boxes are the leaves: the index keeps only the boxes of groups of them, and the
// caller hands its boxes back to every query, so that no box is held twice.
class SpatialIndex {
public:
    static constexpr std::uint32_t kNodeSize = 16;

    // Indexes items 0 .. count - 1 by boxOf(i); items whose box is null or empty are left out.
    void build(std::size_t count, const std::function<const Box2*(std::uint32_t)>& boxOf);
    // build() in two steps, for a caller that stores its items along the curve in between
    // (see takeCurveOrder): the groups' boxes are then read in storage order.
    void sortAlongCurve(std::size_t count, const std::function<const Box2*(std::uint32_t)>& boxOf);
    void buildGroups(const std::function<const Box2*(std::uint32_t)>& boxOf);
    bool empty() const { return levels_.empty(); }
    std::size_t memoryBytes() const {
        std::size_t bytes = order_.capacity() * sizeof(std::uint32_t);
        for (const auto& level : levels_)
            bytes += level.capacity() * sizeof(Box2);
        return bytes;
    }

    // Calls visit(itemIndex) for every indexed item whose box (boxOf(itemIndex), the box given
    // to build) intersects `window`, in no particular order.
    template <class BoxOf, class Visit>
    void query(const Box2& window, BoxOf&& boxOf, Visit&& visit) const {
        if (levels_.empty())
            return;
        queryNode(window, levels_.size() - 1, 0, boxOf, visit);
    }

    // Item indexes in the order of the curve (neighbours on the drawing next to each other);
    // empty once the items are stored in that order.
    const std::vector<std::uint32_t>& curveOrder() const { return order_; }
    // Hands the curve order to a caller that stores its items in it: afterwards the i-th item
    // is the i-th along the curve, and the index holds no order of its own. Between
    // sortAlongCurve and buildGroups, or after build.
    std::vector<std::uint32_t> takeCurveOrder() {
        std::vector<std::uint32_t> order;
        order.swap(order_);
        return order;
    }

private:
    template <class BoxOf, class Visit>
    void queryNode(const Box2& window, std::size_t level, std::uint32_t node, BoxOf& boxOf,
                   Visit& visit) const {
        const std::vector<Box2>& boxes = levels_[level];
        const std::size_t begin = static_cast<std::size_t>(node) * kNodeSize;
        const std::size_t end = std::min(begin + kNodeSize, boxes.size());
        for (std::size_t i = begin; i < end; ++i) {
            if (!boxes[i].intersects(window))
                continue;
            if (level == 0)
                visitLeaves(window, static_cast<std::uint32_t>(i), boxOf, visit);
            else
                queryNode(window, level - 1, static_cast<std::uint32_t>(i), boxOf, visit);
        }
    }

    template <class BoxOf, class Visit>
    void visitLeaves(const Box2& window, std::uint32_t group, BoxOf& boxOf, Visit& visit) const {
        const std::size_t begin = static_cast<std::size_t>(group) * kNodeSize;
        const std::size_t end = std::min(begin + kNodeSize, leaves_);
        for (std::size_t k = begin; k < end; ++k) {
            const auto item = order_.empty() ? static_cast<std::uint32_t>(k) : order_[k];
            if (static_cast<const Box2&>(boxOf(item)).intersects(window))
                visit(item);
        }
    }

    // levels_[0] holds one box per group of kNodeSize items along the curve; each level above
    // one box per group of kNodeSize boxes of the level below; the top level has at most
    // kNodeSize boxes.
    std::vector<std::vector<Box2>> levels_;
    std::vector<std::uint32_t> order_; // item index of each place along the curve (or none)
    std::size_t leaves_ = 0;           // items indexed
};

} // namespace vexor::cad
