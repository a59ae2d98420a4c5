#include "Snap.h"

#include <algorithm>
#include <cmath>

namespace vexor::cad {
namespace {

constexpr double kCornerTurn = 0.17453292519943295; // ten degrees

struct Candidate {
    SnapKind kind;
    Vec2 point;
    bool remote = false; // offered for the object under the pointer: counts as at the edge
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
    // The rings as [begin, end) of the points: a filled item's each close on themselves.
    std::vector<std::pair<std::size_t, std::size_t>> rings;
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
    const bool filled = item.kind == ItemKind::Polygon || item.kind == ItemKind::Wipeout;
    s.closed = item.closed || filled;
    s.segments = item.kind != ItemKind::Points;
    s.pairs = item.kind == ItemKind::Segments;
    std::size_t at = 0;
    for (std::uint32_t r = 0;
         filled && r < item.rings && item.extra + r < picked.list->ringSizes.size(); ++r) {
        const std::size_t end =
            std::min<std::size_t>(at + picked.list->ringSizes[item.extra + r], s.points.size());
        s.rings.emplace_back(at, end);
        at = end;
    }
    if (s.rings.empty())
        s.rings.emplace_back(0, s.points.size());
    return s;
}

// Calls visit(k, j) for each edge from point k to point j: along each ring, closing it back to
// its first point when the outline is closed; of separate segments, each pair.
template <class Visit> void forEachEdge(const Outline& s, Visit&& visit) {
    if (s.pairs) {
        for (std::size_t k = 1; k < s.points.size(); k += 2)
            visit(k - 1, k);
        return;
    }
    for (const auto& [begin, end] : s.rings) {
        for (std::size_t k = begin; k + 1 < end; ++k)
            visit(k, k + 1);
        if (s.closed && end - begin > 2)
            visit(end - 1, begin);
    }
}

void segmentsOf(const Outline& s, std::vector<std::pair<Vec2, Vec2>>& out) {
    if (s.segments)
        forEachEdge(
            s, [&](std::size_t k, std::size_t j) { out.emplace_back(s.points[k], s.points[j]); });
}

// Marks the edges (by their first point) that the curve's run of points draws.
void markRun(const Outline& s, const ItemCurve& c, std::vector<char>& onCurve) {
    for (const auto& [begin, end] : s.rings) {
        if (c.from < begin || c.from >= end)
            continue;
        if (c.to > c.from) {
            for (std::size_t k = c.from; k < c.to && k < end; ++k)
                onCurve[k] = 1;
        } else {
            for (std::size_t k = c.from; k < end; ++k)
                onCurve[k] = 1;
            for (std::size_t k = begin; k < c.to; ++k)
                onCurve[k] = 1;
        }
        return;
    }
}

// The item's exact curves in the shown space, which of its points begin or end one and which
// of its edges they draw.
std::vector<ConicArc> curvesOf(const PickedItem& picked, const Outline& s,
                               std::vector<char>& corner, std::vector<char>& onCurve) {
    std::vector<ConicArc> arcs;
    for (const ItemCurve& c : picked.list->curvesOf(picked.index)) {
        arcs.push_back(c.arc.mapped(picked.toShown));
        if (!c.arc.whole()) {
            if (c.from < corner.size())
                corner[c.from] = 1;
            if (c.to < corner.size())
                corner[c.to] = 1;
        }
        markRun(s, c, onCurve);
    }
    return arcs;
}

// The point of the arc nearest to `p`: along the radius through it on a circular arc, else
// among the feet of the normals from it; the ends of an open arc count too.
std::optional<Vec2> nearestOnArc(const ConicArc& arc, Vec2 p) {
    std::optional<Vec2> best;
    double bestDistance = 0;
    auto consider = [&](Vec2 q) {
        const double d = length(q - p);
        if (!best || d < bestDistance) {
            best = q;
            bestDistance = d;
        }
    };
    if (!arc.circular()) {
        for (Vec2 q : perpendicularPoints(arc, p))
            consider(q);
    } else if (length(p - arc.centre) > 0) {
        const double t = arc.parameterOf(p);
        if (arc.covers(t))
            consider(arc.at(t));
    }
    if (!arc.whole()) {
        consider(arc.at(arc.start));
        consider(arc.at(arc.end));
    }
    return best;
}

// How far `p` lies from the arc: exactly for a circular one, else along a fine polyline.
double distanceToArc(const ConicArc& arc, Vec2 p) {
    if (arc.circular() && arc.covers(arc.parameterOf(p)))
        return std::fabs(length(p - arc.centre) - arc.radius());
    constexpr int kSteps = 256;
    double best = length(p - arc.at(arc.start));
    Vec2 before = arc.at(arc.start);
    for (int i = 1; i <= kSteps; ++i) {
        const Vec2 next = arc.at(arc.start + (arc.end - arc.start) * i / kSteps);
        best = std::min(best, length(p - nearestOnSegment(p, before, next)));
        before = next;
    }
    return best;
}

void curveCandidates(const std::vector<ConicArc>& arcs, Vec2 p, double tolerance, unsigned kinds,
                     std::optional<Vec2> from, std::vector<Candidate>& out) {
    for (const ConicArc& arc : arcs) {
        // The centre when the pointer is at it, or on the curve (not elsewhere on its item).
        if (kinds & kSnapCentre) {
            const bool atCentre = length(arc.centre - p) <= tolerance;
            if (atCentre || distanceToArc(arc, p) <= tolerance)
                out.push_back({kSnapCentre, arc.centre, !atCentre});
        }
        if (kinds & kSnapQuadrant)
            for (Vec2 q : quadrantPoints(arc))
                out.push_back({kSnapQuadrant, q});
        if ((kinds & kSnapMidpoint) && !arc.whole() && arc.circular())
            out.push_back({kSnapMidpoint, arc.at((arc.start + arc.end) / 2)});
        if (from && (kinds & kSnapPerpendicular))
            for (Vec2 q : perpendicularPoints(arc, *from))
                out.push_back({kSnapPerpendicular, q});
        if (from && (kinds & kSnapTangent))
            for (Vec2 q : tangentPoints(arc, *from))
                out.push_back({kSnapTangent, q});
    }
}

// The foot of the perpendicular from `from` on the line through a and b, when it lies
// between them.
std::optional<Vec2> perpendicularFoot(Vec2 from, Vec2 a, Vec2 b) {
    const Vec2 ab = b - a;
    const double len2 = ab.x * ab.x + ab.y * ab.y;
    if (!(len2 > 0))
        return std::nullopt;
    const double t = ((from.x - a.x) * ab.x + (from.y - a.y) * ab.y) / len2;
    if (t < 0 || t > 1)
        return std::nullopt;
    return a + ab * t;
}

void candidatesOf(const PickedItem& picked, const Outline& s, Vec2 p, double tolerance,
                  unsigned kinds, std::optional<Vec2> from, std::vector<Candidate>& out) {
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
    for (const auto& [begin, last] : s.rings)
        for (std::size_t k = begin; k < last; ++k) {
            const bool end = !s.closed && (k == begin || k + 1 == last);
            if (end || s.pairs) {
                corner[k] = 1;
                continue;
            }
            const Vec2 before = s.points[k == begin ? last - 1 : k - 1];
            const Vec2 after = s.points[k + 1 == last ? begin : k + 1];
            corner[k] = turn(before, s.points[k], after) > kCornerTurn;
        }
    std::vector<char> onCurve(n, 0);
    const std::vector<ConicArc> arcs = curvesOf(picked, s, corner, onCurve);
    curveCandidates(arcs, p, tolerance, kinds, from, out);
    if (kinds & kSnapEndpoint)
        for (std::size_t k = 0; k < n; ++k)
            if (corner[k])
                out.push_back({kSnapEndpoint, s.points[k]});
    // Straight runs between corners; the flattened curves have their exact points above.
    forEachEdge(s, [&](std::size_t k, std::size_t j) {
        if (!corner[k] || !corner[j])
            return;
        if (kinds & kSnapMidpoint)
            out.push_back({kSnapMidpoint, (s.points[k] + s.points[j]) * 0.5});
        if (from && (kinds & kSnapPerpendicular))
            if (const auto foot = perpendicularFoot(*from, s.points[k], s.points[j]))
                out.push_back({kSnapPerpendicular, *foot});
    });
    if (kinds & kSnapNearest) {
        // Straight edges, and the curves exactly rather than their flattened points.
        forEachEdge(s, [&](std::size_t k, std::size_t j) {
            if (!onCurve[k])
                out.push_back({kSnapNearest, nearestOnSegment(p, s.points[k], s.points[j])});
        });
        for (const ConicArc& arc : arcs)
            if (const auto q = nearestOnArc(arc, p))
                out.push_back({kSnapNearest, *q});
    }
}

} // namespace

std::optional<SnapResult> snapAt(const DisplayList& list, const ItemList& items, Vec2 p,
                                 double tolerance, unsigned kinds, const std::vector<char>& hidden,
                                 std::optional<Vec2> from) {
    if (kinds == 0)
        return std::nullopt;
    const std::vector<PickedItem> picked =
        itemsAt(list, items, p, tolerance, hidden, 16, (kinds & kSnapCentre) != 0);
    std::vector<Candidate> candidates;
    std::vector<Outline> shapes;
    for (const PickedItem& item : picked) {
        shapes.push_back(shapeOf(item));
        candidatesOf(item, shapes.back(), p, tolerance, kinds, from, candidates);
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
            const double d = c.remote ? tolerance : length(c.point - p);
            // Ties go to the later kind (an intersection over the midpoint it falls on); an
            // object's remote point only to the first object.
            if (c.remote ? (!best && d <= bestDistance) : d <= bestDistance) {
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
