#include "PolygonClip.h"

#include <algorithm>
#include <cmath>

namespace vexor::cad {

namespace {

double cross(Vec2 a, Vec2 b) {
    return a.x * b.y - a.y * b.x;
}

double signedArea(std::span<const Vec2> polygon) {
    double area = 0;
    for (std::size_t i = 0; i < polygon.size(); ++i)
        area += cross(polygon[i], polygon[(i + 1) % polygon.size()]);
    return area / 2;
}

// Whether any part of segment ab lies in the box (Liang-Barsky).
bool segmentMeetsBox(Vec2 a, Vec2 b, const Box2& box) {
    double t0 = 0, t1 = 1;
    const Vec2 d = b - a;
    const auto edge = [&](double p, double q) {
        if (p == 0)
            return q >= 0;
        const double r = q / p;
        if (p < 0) {
            if (r > t1)
                return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0)
                return false;
            t1 = std::min(t1, r);
        }
        return true;
    };
    return edge(-d.x, a.x - box.minX) && edge(d.x, box.maxX - a.x) && edge(-d.y, a.y - box.minY) &&
           edge(d.y, box.maxY - a.y) && t0 <= t1;
}

bool inBox(Vec2 p, const Box2& box) {
    return p.x >= box.minX && p.x <= box.maxX && p.y >= box.minY && p.y <= box.maxY;
}

} // namespace

bool insidePolygon(Vec2 p, std::span<const Vec2> polygon) {
    bool inside = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const Vec2 a = polygon[i], b = polygon[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

bool convexPolygon(std::span<const Vec2> polygon) {
    const double sign = signedArea(polygon) >= 0 ? 1 : -1;
    const std::size_t n = polygon.size();
    for (std::size_t i = 0; i < n; ++i) {
        const Vec2 a = polygon[i], b = polygon[(i + 1) % n], c = polygon[(i + 2) % n];
        if (cross(b - a, c - b) * sign < 0)
            return false;
    }
    return true;
}

Overlap boxOverlap(const Box2& box, std::span<const Vec2> polygon, const Box2& polygonBox) {
    if (box.empty() || !box.intersects(polygonBox))
        return Overlap::Outside;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const Vec2 a = polygon[i], b = polygon[(i + 1) % polygon.size()];
        if (inBox(a, box) || segmentMeetsBox(a, b, box))
            return Overlap::Crossing;
    }
    // No edge meets the box: it lies wholly on one side of the boundary.
    return insidePolygon({box.minX, box.minY}, polygon) ? Overlap::Inside : Overlap::Outside;
}

std::vector<std::pair<double, double>> lineInside(Vec2 p, Vec2 d, double from, double to,
                                                  std::span<const Vec2> polygon) {
    std::vector<double> cuts{from, to};
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const Vec2 q = polygon[i], e = polygon[(i + 1) % polygon.size()] - q;
        const double denominator = cross(d, e);
        if (denominator == 0)
            continue;
        const Vec2 w = q - p;
        const double t = cross(w, e) / denominator, u = cross(w, d) / denominator;
        if (u >= 0 && u <= 1 && t > from && t < to)
            cuts.push_back(t);
    }
    std::sort(cuts.begin(), cuts.end());
    std::vector<std::pair<double, double>> out;
    for (std::size_t k = 0; k + 1 < cuts.size(); ++k) {
        const double t0 = cuts[k], t1 = cuts[k + 1];
        if (!(t1 > t0))
            continue;
        const double mid = (t0 + t1) / 2;
        if (!insidePolygon(p + d * mid, polygon))
            continue;
        if (!out.empty() && out.back().second == t0)
            out.back().second = t1;
        else
            out.emplace_back(t0, t1);
    }
    return out;
}

std::vector<std::vector<Vec2>> clipFrameRings(std::span<const Vec2> boundary) {
    // The two runs of a slit are saved a hair apart; boundaries of more points than hand-drawn
    // ones have are kept whole rather than searched pair by pair.
    constexpr std::size_t kMaxSearched = 512;
    const std::size_t n = boundary.size();
    std::vector<std::vector<Vec2>> whole{std::vector<Vec2>(boundary.begin(), boundary.end())};
    if (n < 3 || n > kMaxSearched)
        return whole;
    Box2 box;
    for (Vec2 p : boundary)
        box.add(p);
    const double tolerance = 1e-4 * std::hypot(box.width(), box.height());
    const auto same = [&](Vec2 a, Vec2 b) {
        return std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance;
    };
    const auto from = [&](std::size_t i) { return boundary[i]; };
    const auto to = [&](std::size_t i) { return boundary[(i + 1) % n]; };
    std::vector<bool> slit(n, false);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n; ++j)
            if (same(from(i), to(j)) && same(to(i), from(j)))
                slit[i] = slit[j] = true;
    if (std::find(slit.begin(), slit.end(), true) == slit.end())
        return whole;
    // The other edges traced into rings, each going on with the edge that starts where it ends.
    std::vector<bool> used = slit;
    std::vector<std::vector<Vec2>> rings;
    for (std::size_t start = 0; start < n; ++start) {
        if (used[start])
            continue;
        std::vector<Vec2> ring;
        std::size_t i = start;
        while (true) {
            used[i] = true;
            ring.push_back(from(i));
            if (same(to(i), from(start)))
                break;
            std::size_t next = n;
            for (std::size_t k = 0; k < n && next == n; ++k)
                if (!used[k] && same(from(k), to(i)))
                    next = k;
            if (next == n)
                return whole; // an open chain: not a slit boundary after all
            i = next;
        }
        if (ring.size() >= 3)
            rings.push_back(std::move(ring));
    }
    if (!rings.empty()) {
        const auto outer = std::max_element(rings.begin(), rings.end(), [](auto& a, auto& b) {
            return std::fabs(signedArea(a)) < std::fabs(signedArea(b));
        });
        rings.erase(outer);
    }
    return rings;
}

std::vector<Vec2> ringInsideConvex(std::span<const Vec2> ring, std::span<const Vec2> convex) {
    const double sign = signedArea(convex) >= 0 ? 1 : -1;
    std::vector<Vec2> current(ring.begin(), ring.end()), next;
    for (std::size_t i = 0; i < convex.size() && !current.empty(); ++i) {
        const Vec2 a = convex[i], e = convex[(i + 1) % convex.size()] - a;
        const auto side = [&](Vec2 p) { return cross(e, p - a) * sign; };
        next.clear();
        for (std::size_t k = 0; k < current.size(); ++k) {
            const Vec2 s = current[k], t = current[(k + 1) % current.size()];
            const double ss = side(s), st = side(t);
            if (ss >= 0)
                next.push_back(s);
            if ((ss >= 0) != (st >= 0))
                next.push_back(s + (t - s) * (ss / (ss - st)));
        }
        current.swap(next);
    }
    return current;
}

} // namespace vexor::cad
