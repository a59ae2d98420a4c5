#include "Extents.h"

#include <cmath>
#include <numbers>

namespace vexor::cad::dgn {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// Whether angle `a` lies on the counter-clockwise sweep from `start` to `end`.
bool onSweep(double a, double start, double end) {
    const double sweep = end - start;
    if (sweep >= kTwoPi)
        return true;
    double d = std::fmod(a - start, kTwoPi);
    if (d < 0)
        d += kTwoPi;
    return d <= sweep;
}

// p(t) = c + a cos t + b sin t for t in [start, end]: end points and axis extremes.
void addConic(Box2& box, Vec2 c, Vec2 a, Vec2 b, double start, double end) {
    auto at = [&](double t) { return c + a * std::cos(t) + b * std::sin(t); };
    box.add(at(start));
    box.add(at(end));
    const double tx = std::atan2(b.x, a.x), ty = std::atan2(b.y, a.y);
    for (double t : {tx, tx + std::numbers::pi, ty, ty + std::numbers::pi})
        if (onSweep(t, start, end))
            box.add(at(t));
}

void addArc(Box2& box, Vec2 c, double r, double start, double end) {
    if (end < start)
        end += kTwoPi * std::ceil((start - end) / kTwoPi);
    addConic(box, c, {r, 0}, {0, r}, start, end);
}

void addEllipse(Box2& box, Vec2 c, Vec2 major, double ratio, double start, double end) {
    if (end < start)
        end += kTwoPi * std::ceil((start - end) / kTwoPi);
    addConic(box, c, major, Vec2{-major.y, major.x} * ratio, start, end);
}

void addPolyline(Box2& box, const std::vector<PolyVertex>& vertices, bool closed) {
    const std::size_t n = vertices.size();
    for (std::size_t i = 0; i < n; ++i) {
        const Vec2 p = vertices[i].p.xy();
        box.add(p);
        const double bulge = vertices[i].bulge;
        if (bulge == 0 || (i + 1 == n && !closed))
            continue;
        const Vec2 q = vertices[(i + 1) % n].p.xy();
        const double chord = length(q - p);
        if (chord == 0)
            continue;
        // The centre lies on the chord's perpendicular bisector, left of p->q by this signed
        // distance; a positive bulge runs counter-clockwise.
        const double half = chord / 2;
        const double radius = std::abs(half * (1 + bulge * bulge) / (2 * bulge));
        const Vec2 dir = (q - p) * (1 / chord);
        const Vec2 left{-dir.y, dir.x};
        const Vec2 c = (p + q) * 0.5 + left * (half * (1 - bulge * bulge) / (2 * bulge));
        double a0 = std::atan2(p.y - c.y, p.x - c.x), a1 = std::atan2(q.y - c.y, q.x - c.x);
        if (bulge < 0)
            std::swap(a0, a1);
        addArc(box, c, radius, a0, a1);
    }
}

struct BoxOf {
    Box2& box;
    void operator()(const Line& l) const { box.add(l.a.xy()), box.add(l.b.xy()); }
    void operator()(const Point& p) const { box.add(p.p.xy()); }
    void operator()(const Circle& c) const { addArc(box, c.center.xy(), c.radius, 0, kTwoPi); }
    void operator()(const Arc& a) const {
        addArc(box, a.center.xy(), a.radius, a.startAngle, a.endAngle);
    }
    void operator()(const Ellipse& e) const {
        addEllipse(box, e.center.xy(), e.majorAxis.xy(), e.ratio, e.startParam, e.endParam);
    }
    void operator()(const Polyline& p) const { addPolyline(box, p.vertices, p.closed); }
    void operator()(const Spline& s) const {
        for (const Vec3& p : s.data.controlPoints)
            box.add(p.xy());
    }
    void operator()(const Text& t) const { box.add(t.insert.xy()); }
    void operator()(const Hatch& h) const {
        for (const HatchLoop& loop : h.loops) {
            addPolyline(box, loop.polyline, true);
            for (const HatchEdge& e : loop.edges) {
                if (e.kind == HatchEdge::Kind::Arc)
                    addArc(box, e.center, e.radius, e.start, e.end);
                else if (e.kind == HatchEdge::Kind::EllipseArc)
                    addEllipse(box, e.center, e.majorAxis, e.ratio, e.start, e.end);
                else
                    box.add(e.p0), box.add(e.p1);
            }
        }
    }
    template <typename Other> void operator()(const Other&) const {}
};

} // namespace

Box2 entitiesExtents(const std::vector<Entity>& entities) {
    Box2 box;
    for (const Entity& e : entities)
        visitData(BoxOf{box}, e.data);
    return box;
}

} // namespace vexor::cad::dgn
