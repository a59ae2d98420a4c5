#include "OutlineFigures.h"

#include <cmath>

namespace vexor::cad {
namespace {

double cross(Vec2 a, Vec2 b) {
    return a.x * b.y - a.y * b.x;
}

// Whether `p` lies inside the ring of points[begin, end) (even-odd).
bool insideRing(const std::vector<Vec2>& points, std::uint32_t begin, std::uint32_t end, Vec2 p) {
    bool in = false;
    for (std::uint32_t i = begin, j = end - 1; i < end; j = i++) {
        const Vec2 a = points[i], b = points[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            in = !in;
    }
    return in;
}

} // namespace

OutlineFigures outlineFigures(const std::vector<Vec2>& points,
                              const std::vector<std::pair<std::uint32_t, std::uint32_t>>& rings,
                              const std::vector<ArcRun>& runs, bool closed) {
    OutlineFigures out;
    const auto n = static_cast<std::uint32_t>(points.size());
    auto ringOf = [&](std::uint32_t k) {
        for (std::size_t r = 0; r < rings.size(); ++r)
            if (k >= rings[r].first && k < rings[r].second)
                return r;
        return rings.size();
    };
    // Which run draws the edge from each point, if any.
    std::vector<std::int32_t> edgeRun(n, -1);
    std::vector<std::size_t> runRing(runs.size(), rings.size());
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const ArcRun& run = runs[i];
        const std::size_t r = ringOf(run.from);
        if (r == rings.size() || run.to > n)
            continue;
        runRing[i] = r;
        const auto index = static_cast<std::int32_t>(i);
        if (run.to > run.from) {
            for (std::uint32_t k = run.from; k < run.to; ++k)
                edgeRun[k] = index;
        } else {
            for (std::uint32_t k = run.from; k < rings[r].second; ++k)
                edgeRun[k] = index;
            for (std::uint32_t k = rings[r].first; k < run.to; ++k)
                edgeRun[k] = index;
        }
    }
    std::vector<double> ringAreas(rings.size(), 0);
    for (std::size_t r = 0; r < rings.size(); ++r) {
        const auto [begin, end] = rings[r];
        if (begin >= end || end > n)
            continue;
        // Green's theorem relative to the ring's first point, so far-off coordinates keep
        // their precision: straight edges add their triangles, runs their swept area.
        const Vec2 o = points[begin];
        double area = 0;
        const std::uint32_t edges = closed ? end : end - 1;
        for (std::uint32_t k = begin; k < edges; ++k) {
            if (edgeRun[k] >= 0)
                continue;
            const Vec2 a = points[k], b = points[k + 1 < end ? k + 1 : begin];
            area += cross(a - o, b - o) / 2;
            out.length += length(b - a);
        }
        for (std::size_t i = 0; i < runs.size(); ++i)
            if (runRing[i] == r) {
                area += runs[i].arc.sweptArea(o);
                out.length += runs[i].arc.arcLength();
            }
        ringAreas[r] = std::fabs(area);
    }
    if (!closed)
        return out;
    for (std::size_t r = 0; r < rings.size(); ++r) {
        if (rings[r].first >= rings[r].second || rings[r].second > n)
            continue;
        int depth = 0;
        for (std::size_t q = 0; q < rings.size(); ++q)
            if (q != r && rings[q].first < rings[q].second && rings[q].second <= n &&
                insideRing(points, rings[q].first, rings[q].second, points[rings[r].first]))
                ++depth;
        out.area += depth % 2 ? -ringAreas[r] : ringAreas[r];
    }
    return out;
}

} // namespace vexor::cad
