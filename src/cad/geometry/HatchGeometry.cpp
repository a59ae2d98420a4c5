#include "HatchGeometry.h"

#include "../curves/Tessellate.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace vexor::cad {

namespace {

void appendPoint(std::vector<Vec2>& ring, Vec2 p) {
    if (ring.empty() || ring.back().x != p.x || ring.back().y != p.y)
        ring.push_back(p);
}

// Appends the edge's points; a curved edge also goes to `curves`, by its run of ring points.
void appendEdge(std::vector<Vec2>& ring, const HatchEdge& edge, std::vector<RingCurve>& curves) {
    std::vector<Vec2> pts;
    std::optional<ConicArc> exact;
    switch (edge.kind) {
    case HatchEdge::Kind::Line:
        pts = {edge.p0, edge.p1};
        break;
    case HatchEdge::Kind::Arc:
        // Clockwise edges store their angles mirrored about the x axis.
        if (edge.ccw) {
            appendArc(pts, edge.center, edge.radius, edge.start, edge.end, true);
            exact =
                circularArc(edge.center, edge.radius, edge.start, sweepCcw(edge.start, edge.end));
        } else {
            appendArc(pts, edge.center, edge.radius, -edge.start, -edge.end, false);
            exact = circularArc(edge.center, edge.radius, -edge.start,
                                -sweepCcw(-edge.end, -edge.start));
        }
        break;
    case HatchEdge::Kind::EllipseArc: {
        const Vec2 minor = Vec2{-edge.majorAxis.y, edge.majorAxis.x} * edge.ratio;
        // Ellipse edges store angles as seen on the drawing, not curve parameters.
        auto param = [&](double angle) {
            const double turns = std::floor(angle / (2 * M_PI));
            const double ratio = edge.ratio > 0 ? edge.ratio : 1;
            const double t = std::atan2(std::sin(angle) / ratio, std::cos(angle));
            return turns * 2 * M_PI + (t < 0 ? t + 2 * M_PI : t);
        };
        const double from = edge.ccw ? param(edge.start) : param(-edge.end);
        const double to = edge.ccw ? param(edge.end) : param(-edge.start);
        appendEllipse(pts, edge.center, edge.majorAxis, minor, from, to);
        exact = ConicArc{edge.center, edge.majorAxis, minor, from, from + sweepCcw(from, to)};
        if (!edge.ccw) {
            // Clockwise from -start to -end is counterclockwise from -end to -start, reversed.
            std::reverse(pts.begin(), pts.end());
            exact = exact->reversed();
        }
        break;
    }
    case HatchEdge::Kind::Spline:
        for (const Vec3& p : tessellateSpline(edge.spline))
            pts.push_back(p.xy());
        break;
    }
    // Boundaries made of separate entities may list an edge backwards: follow the chain.
    if (!ring.empty() && pts.size() > 1 &&
        length(pts.back() - ring.back()) < length(pts.front() - ring.back())) {
        std::reverse(pts.begin(), pts.end());
        if (exact)
            exact = exact->reversed();
    }
    if (pts.empty())
        return;
    const bool joined =
        !ring.empty() && ring.back().x == pts.front().x && ring.back().y == pts.front().y;
    const auto first = static_cast<std::uint32_t>(joined ? ring.size() - 1 : ring.size());
    for (Vec2 p : pts)
        appendPoint(ring, p);
    if (exact && pts.size() > 2)
        curves.push_back({*exact, 0, first, static_cast<std::uint32_t>(ring.size() - 1)});
}

bool finite(Vec2 p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// Cuts [t0, t1] of a line starting its dash pattern at t = 0 into dashes.
void appendDashes(HatchSegments& out, Vec2 origin, Vec2 dir, double t0, double t1,
                  const std::vector<double>& dashes, double patternLength) {
    auto emit = [&](double a, double b) {
        out.points.push_back(origin + dir * a);
        out.points.push_back(origin + dir * b);
    };
    if (dashes.empty() || !(patternLength > 0)) {
        emit(t0, t1);
        return;
    }
    double t = std::floor(t0 / patternLength) * patternLength;
    while (t < t1) {
        for (double dash : dashes) {
            const double len = std::fabs(dash);
            if (dash >= 0) {
                const double a = std::max(t, t0), b = std::min(t + len, t1);
                if (a <= b && (dash > 0 || (t >= t0 && t <= t1)))
                    emit(a, b);
            }
            t += len;
            if (t >= t1)
                break;
        }
    }
}

} // namespace

std::vector<std::vector<Vec2>> hatchRings(const Hatch& hatch, std::vector<RingCurve>* curves) {
    std::vector<std::vector<Vec2>> rings;
    std::vector<RingCurve> ringCurves;
    for (const HatchLoop& loop : hatch.loops) {
        std::vector<Vec2> ring;
        ringCurves.clear();
        if (loop.isPolyline) {
            const std::size_t n = loop.polyline.size();
            for (std::size_t i = 0; i < n; ++i) {
                const PolyVertex& v = loop.polyline[i];
                appendPoint(ring, v.p.xy());
                if (i + 1 < n || loop.closed) {
                    const Vec2 next = loop.polyline[(i + 1) % n].p.xy();
                    std::vector<Vec2> arc;
                    appendBulge(arc, v.p.xy(), next, v.bulge);
                    const auto first = static_cast<std::uint32_t>(ring.size() - 1);
                    for (Vec2 p : arc)
                        appendPoint(ring, p);
                    if (arc.size() > 1)
                        ringCurves.push_back({bulgeArc(v.p.xy(), next, v.bulge), 0, first,
                                              static_cast<std::uint32_t>(ring.size() - 1)});
                }
            }
        } else {
            for (const HatchEdge& edge : loop.edges)
                appendEdge(ring, edge, ringCurves);
        }
        const std::size_t drawn = ring.size();
        std::erase_if(ring, [](Vec2 p) { return !finite(p); });
        const bool everyPoint = ring.size() == drawn;
        if (ring.size() > 1 && ring.front().x == ring.back().x && ring.front().y == ring.back().y)
            ring.pop_back();
        if (ring.size() < 3)
            continue;
        // Points left out would shift the runs: such a ring keeps only its flattened outline.
        if (curves && everyPoint) {
            for (RingCurve& c : ringCurves) {
                c.ring = static_cast<std::uint32_t>(rings.size());
                if (c.to > ring.size() || c.from >= ring.size())
                    continue;
                curves->push_back(c);
            }
        }
        rings.push_back(std::move(ring));
    }
    return rings;
}

HatchSegments hatchPatternSegments(const std::vector<HatchPatternLine>& families,
                                   const std::vector<std::vector<Vec2>>& rings,
                                   std::size_t maxSegments) {
    HatchSegments out;
    std::vector<double> crossings;
    for (const HatchPatternLine& family : families) {
        const Vec2 dir{std::cos(family.angle), std::sin(family.angle)};
        const Vec2 normal{-dir.y, dir.x};
        const double spacing = normal.x * family.offset.x + normal.y * family.offset.y;
        if (!(std::fabs(spacing) > 1e-12) || !std::isfinite(spacing))
            continue;
        double lo = INFINITY, hi = -INFINITY;
        for (const auto& ring : rings)
            for (Vec2 p : ring) {
                const double s =
                    normal.x * (p.x - family.base.x) + normal.y * (p.y - family.base.y);
                lo = std::min(lo, s);
                hi = std::max(hi, s);
            }
        if (!(lo <= hi))
            continue;
        double kFirst = std::ceil(std::min(lo / spacing, hi / spacing));
        double kLast = std::floor(std::max(lo / spacing, hi / spacing));
        if (kLast - kFirst + 1 > static_cast<double>(maxSegments)) {
            out.points.clear();
            out.capped = true;
            return out;
        }
        double patternLength = 0;
        for (double d : family.dashes)
            patternLength += std::fabs(d);
        for (double k = kFirst; k <= kLast; k += 1) {
            const Vec2 origin = family.base + family.offset * k;
            crossings.clear();
            for (const auto& ring : rings) {
                for (std::size_t i = 0; i < ring.size(); ++i) {
                    const Vec2 p = ring[i], q = ring[(i + 1) % ring.size()];
                    const double dp = normal.x * (p.x - origin.x) + normal.y * (p.y - origin.y);
                    const double dq = normal.x * (q.x - origin.x) + normal.y * (q.y - origin.y);
                    if ((dp < 0) == (dq < 0))
                        continue;
                    const Vec2 hit = p + (q - p) * (dp / (dp - dq));
                    crossings.push_back(dir.x * (hit.x - origin.x) + dir.y * (hit.y - origin.y));
                }
            }
            std::sort(crossings.begin(), crossings.end());
            for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
                const double t0 = crossings[i], t1 = crossings[i + 1];
                if (patternLength > 0 && (t1 - t0) / patternLength * family.dashes.size() >
                                             static_cast<double>(maxSegments)) {
                    out.points.clear();
                    out.capped = true;
                    return out;
                }
                appendDashes(out, origin, dir, t0, t1, family.dashes, patternLength);
                if (out.points.size() / 2 > maxSegments) {
                    out.points.clear();
                    out.capped = true;
                    return out;
                }
            }
        }
    }
    return out;
}

} // namespace vexor::cad
