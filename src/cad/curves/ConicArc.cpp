#include "ConicArc.h"

#include <cmath>

namespace vexor::cad {
namespace {

constexpr double kTurn = 2 * 3.14159265358979323846;
constexpr double kQuarter = kTurn / 4;

double cross(Vec2 a, Vec2 b) {
    return a.x * b.y - a.y * b.x;
}

double dot(Vec2 a, Vec2 b) {
    return a.x * b.x + a.y * b.y;
}

// `p` in the frame of the axes: the point of the unit circle it maps from, scaled.
bool inAxesFrame(const ConicArc& arc, Vec2 p, Vec2& out) {
    const double det = cross(arc.major, arc.minor);
    if (det == 0 || !std::isfinite(det))
        return false;
    const Vec2 q = p - arc.centre;
    out = {cross(q, arc.minor) / det, cross(arc.major, q) / det};
    return true;
}

} // namespace

Vec2 ConicArc::at(double t) const {
    return centre + major * std::cos(t) + minor * std::sin(t);
}

Vec2 ConicArc::tangentAt(double t) const {
    return minor * std::cos(t) - major * std::sin(t);
}

bool ConicArc::whole() const {
    return end - start >= kTurn - 1e-9;
}

ConicArc ConicArc::reversed() const {
    return {centre, major, minor * -1.0, -end, -start};
}

ConicArc ConicArc::mapped(const Affine2& m) const {
    return {m.map(centre), m.mapVector(major), m.mapVector(minor), start, end};
}

bool ConicArc::circular() const {
    const double a = length(major), b = length(minor);
    const double tolerance = 1e-9 * std::max(a, b);
    return std::fabs(a - b) <= tolerance && std::fabs(dot(major, minor)) <= tolerance * a;
}

double ConicArc::radius() const {
    return (length(major) + length(minor)) / 2;
}

double ConicArc::parameterOf(Vec2 p) const {
    Vec2 u;
    if (!inAxesFrame(*this, p, u))
        return start;
    return std::atan2(u.y, u.x);
}

bool ConicArc::covers(double t) const {
    if (whole())
        return true;
    double along = std::fmod(t - start, kTurn);
    if (along < 0)
        along += kTurn;
    const double sweep = end - start;
    return along <= sweep + 1e-9 || along >= kTurn - 1e-9;
}

double ConicArc::sweptArea(Vec2 origin) const {
    const Vec2 c = centre - origin;
    return 0.5 * (cross(c, major) * (std::cos(end) - std::cos(start)) +
                  cross(c, minor) * (std::sin(end) - std::sin(start)) +
                  cross(major, minor) * (end - start));
}

double ConicArc::arcLength() const {
    if (circular())
        return radius() * (end - start);
    // Simpson's rule on the speed along t: smooth and periodic, so a few hundred steps are
    // exact to many digits.
    constexpr int kSteps = 512;
    const double h = (end - start) / kSteps;
    double sum = length(tangentAt(start)) + length(tangentAt(end));
    for (int i = 1; i < kSteps; ++i)
        sum += (i % 2 ? 4 : 2) * length(tangentAt(start + h * i));
    return sum * h / 3;
}

ConicArc circularArc(Vec2 centre, double radius, double fromAngle, double sweep) {
    if (sweep >= 0)
        return {centre, {radius, 0}, {0, radius}, fromAngle, fromAngle + sweep};
    return {centre, {radius, 0}, {0, -radius}, -fromAngle, -fromAngle - sweep};
}

ConicArc bulgeArc(Vec2 a, Vec2 b, double bulge) {
    const Vec2 d = b - a;
    const Vec2 centre = (a + b) * 0.5 + Vec2{-d.y, d.x} * ((1 - bulge * bulge) / (4 * bulge));
    return circularArc(centre, length(a - centre), std::atan2(a.y - centre.y, a.x - centre.x),
                       4 * std::atan(bulge));
}

std::vector<Vec2> quadrantPoints(const ConicArc& arc) {
    std::vector<Vec2> out;
    if (arc.circular()) {
        const double r = arc.radius();
        for (const Vec2 offset : {Vec2{r, 0}, Vec2{0, r}, Vec2{-r, 0}, Vec2{0, -r}}) {
            const Vec2 p = arc.centre + offset;
            if (arc.covers(arc.parameterOf(p)))
                out.push_back(p);
        }
        return out;
    }
    // The axes' ends: where the radius from the centre is perpendicular to the tangent.
    const double t0 = 0.5 * std::atan2(2 * dot(arc.major, arc.minor),
                                       dot(arc.major, arc.major) - dot(arc.minor, arc.minor));
    for (int k = 0; k < 4; ++k)
        if (arc.covers(t0 + k * kQuarter))
            out.push_back(arc.at(t0 + k * kQuarter));
    return out;
}

std::vector<Vec2> tangentPoints(const ConicArc& arc, Vec2 from) {
    // Tangency survives affine maps: solved on the unit circle the arc is the image of.
    std::vector<Vec2> out;
    Vec2 u;
    if (!inAxesFrame(arc, from, u))
        return out;
    const double d = length(u);
    if (!(d > 1 + 1e-12))
        return out;
    const double towards = std::atan2(u.y, u.x), spread = std::acos(1 / d);
    for (const double t : {towards - spread, towards + spread})
        if (arc.covers(t))
            out.push_back(arc.at(t));
    return out;
}

std::vector<Vec2> perpendicularPoints(const ConicArc& arc, Vec2 from) {
    std::vector<Vec2> out;
    if (arc.circular()) {
        if (length(from - arc.centre) == 0)
            return out;
        const double t = arc.parameterOf(from);
        for (const double s : {t, t + kTurn / 2})
            if (arc.covers(s))
                out.push_back(arc.at(s));
        return out;
    }
    // Where (point - from) . tangent changes sign along the arc, refined by bisection.
    auto f = [&](double t) { return dot(arc.at(t) - from, arc.tangentAt(t)); };
    constexpr int kSamples = 128;
    const double h = (arc.end - arc.start) / kSamples;
    double t0 = arc.start, f0 = f(t0);
    for (int i = 1; i <= kSamples; ++i) {
        const double t1 = arc.start + h * i, f1 = f(t1);
        if (f0 == 0) {
            out.push_back(arc.at(t0));
        } else if (f0 * f1 < 0) {
            double lo = t0, hi = t1, flo = f0;
            for (int k = 0; k < 60; ++k) {
                const double mid = (lo + hi) / 2, fm = f(mid);
                if ((fm < 0) == (flo < 0)) {
                    lo = mid;
                    flo = fm;
                } else {
                    hi = mid;
                }
            }
            out.push_back(arc.at((lo + hi) / 2));
        }
        t0 = t1;
        f0 = f1;
    }
    if (f0 == 0 && !arc.whole())
        out.push_back(arc.at(t0));
    return out;
}

} // namespace vexor::cad
