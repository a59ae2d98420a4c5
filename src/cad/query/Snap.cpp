#include "Snap.h"

#include <algorithm>
#include <cmath>

namespace vexor::cad {
namespace {

constexpr double kCornerTurn = 0.17453292519943295; // ten degrees

struct Candidate {
    SnapKind kind;
    Vec2 point;
};

Vec2 nearestOnSegment(Vec2 p, Vec2 a, Vec2 b) {
    const Vec2 ab = b - a;
    const double len2 = ab.x * ab.x + ab.y * ab.y;
    const double t =
        len2 > 0 ? std::clamp(((p.x - a.x) * ab.x + (p.y - a.y) * ab.y) / len2, 0.0, 1.0) : 0.0;
    return a + ab * t;
}

std::optional<Vec2> crossing(Vec2 a, Vec2 b, Vec2 c, Vec2 d) {
    const Vec2 r = b - a, s = d - c;
    const double denom = r.x * s.y - r.y * s.x;
    if (std::fabs(denom) < 1e-12 * (length(r) * length(s) + 1e-300))
        return std::nullopt;
    const Vec2 ac = c - a;
    const double t = (ac.x * s.y - ac.y * s.x) / denom;
    const double u = (ac.x * r.y - ac.y * r.x) / denom;
    if (t < 0 || t > 1 || u < 0 || u > 1)
        return std::nullopt;
    return a + r * t;
}

double turn(Vec2 a, Vec2 b, Vec2 c) {
    const Vec2 u = b - a, v = c - b;
    return std::fabs(std::atan2(u.x * v.y - u.y * v.x, u.x * v.x + u.y * v.y));
}

// The picked item's points in the shown space, and whether it is an outline (its segments).
struct Outline {
    std::vector<Vec2> points;
    bool closed = false;
    bool segments = true; // false for points
    bool pairs = false;   // separate segments (hatch pattern lines)
};

Outline shapeOf(const PickedItem& picked) {
    Outline s;
    const DisplayItem& item = picked.list->items[picked.index];
    if (item.kind == ItemKind::Text || item.kind == ItemKind::Insert ||
        item.kind == ItemKind::Image || item.kind == ItemKind::Ray || item.kind == ItemKind::Xline)
        return s;
    const Vec2* pts = picked.list->points.data() + item.first;
    for (std::uint32_t k = 0; k < item.count; ++k)
        s.points.push_back(picked.toShown.map(pts[k]));
    s.closed = item.closed || item.kind == ItemKind::Polygon || item.kind == ItemKind::Wipeout;
    s.segments = item.kind != ItemKind::Points;
    s.pairs = item.kind == ItemKind::Segments;
    return s;
}

void segmentsOf(const Outline& s, std::vector<std::pair<Vec2, Vec2>>& out) {
    if (!s.segments)
        return;
    if (s.pairs) {
        for (std::size_t k = 1; k < s.points.size(); k += 2)
            out.emplace_back(s.points[k - 1], s.points[k]);
        return;
    }
    for (std::size_t k = 1; k < s.points.size(); ++k)
        out.emplace_back(s.points[k - 1], s.points[k]);
    if (s.closed && s.points.size() > 2)
        out.emplace_back(s.points.back(), s.points.front());
}

void candidatesOf(const PickedItem& picked, const Outline& s, Vec2 p, unsigned kinds,
                  std::vector<Candidate>& out) {
    const DisplayItem& item = picked.list->items[picked.index];
    if (item.kind == ItemKind::Text && (kinds & kSnapInsertion) &&
        item.extra < picked.list->texts.size()) {
        const Affine2& frame = picked.list->texts[item.extra].toWorld;
        out.push_back({kSnapInsertion, picked.toShown.map({frame.e, frame.f})});
        return;
    }
    if (!s.segments) {
        if (kinds & kSnapNode)
            for (Vec2 q : s.points)
                out.push_back({kSnapNode, q});
        return;
    }
    const std::size_t n = s.points.size();
    if (n == 0)
        return;
    // Corners: the ends of an open line and every vertex where it turns.
    std::vector<char> corner(n, 0);
    for (std::size_t k = 0; k < n; ++k) {
        const bool end = !s.closed && (k == 0 || k + 1 == n);
        if (end || s.pairs) {
            corner[k] = 1;
            continue;
        }
        const Vec2 before = s.points[(k + n - 1) % n], after = s.points[(k + 1) % n];
        corner[k] = turn(before, s.points[k], after) > kCornerTurn;
    }
    if (kinds & kSnapEndpoint)
        for (std::size_t k = 0; k < n; ++k)
            if (corner[k])
                out.push_back({kSnapEndpoint, s.points[k]});
    if (kinds & kSnapMidpoint) {
        const std::size_t last = s.closed ? n : n - 1;
        for (std::size_t k = 0; k < last; k += s.pairs ? 2 : 1) {
            const std::size_t j = (k + 1) % n;
            if (corner[k] && corner[j])
                out.push_back({kSnapMidpoint, (s.points[k] + s.points[j]) * 0.5});
        }
    }
    if (kinds & kSnapNearest) {
        std::vector<std::pair<Vec2, Vec2>> segs;
        segmentsOf(s, segs);
        for (const auto& [a, b] : segs)
            out.push_back({kSnapNearest, nearestOnSegment(p, a, b)});
    }
}

} // namespace

std::optional<SnapResult> snapAt(const DisplayList& list, const ItemList& items, Vec2 p,
                                 double tolerance, unsigned kinds,
                                 const std::vector<char>& hidden) {
    if (kinds == 0)
        return std::nullopt;
    const std::vector<PickedItem> picked = itemsAt(list, items, p, tolerance, hidden, 16);
    std::vector<Candidate> candidates;
    std::vector<Outline> shapes;
    for (const PickedItem& item : picked) {
        shapes.push_back(shapeOf(item));
        candidatesOf(item, shapes.back(), p, kinds, candidates);
    }
    if (kinds & kSnapIntersection) {
        std::vector<std::vector<std::pair<Vec2, Vec2>>> segs(shapes.size());
        for (std::size_t i = 0; i < shapes.size(); ++i)
            segmentsOf(shapes[i], segs[i]);
        for (std::size_t i = 0; i < segs.size(); ++i)
            for (std::size_t j = i + 1; j < segs.size(); ++j)
                for (const auto& [a, b] : segs[i])
                    for (const auto& [c, d] : segs[j])
                        if (const auto x = crossing(a, b, c, d))
                            candidates.push_back({kSnapIntersection, *x});
    }
    std::optional<SnapResult> best;
    double bestDistance = tolerance;
    for (const bool nearest : {false, true}) {
        for (const Candidate& c : candidates) {
            if ((c.kind == kSnapNearest) != nearest)
                continue;
            const double d = length(c.point - p);
            if (d <= bestDistance) {
                bestDistance = d;
                best = SnapResult{c.kind, c.point};
            }
        }
        if (best)
            break;
    }
    return best;
}

} // namespace vexor::cad
