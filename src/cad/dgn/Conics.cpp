#include "Conics.h"

#include <cmath>
#include <numbers>

namespace vexor::cad::dgn {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

double dot2(Vec2 a, Vec2 b) {
    return a.x * b.x + a.y * b.y;
}
double cross2(Vec2 a, Vec2 b) {
    return a.x * b.y - a.y * b.x;
}

// The conic's principal axes: major semi-axis `a`, minor `b` counter-clockwise from `a`, and
// the parameter range along them.
struct PrincipalConic {
    Vec2 a, b;
    double start = 0, end = kTwoPi;
};

PrincipalConic principal(const ProjectedConic& c) {
    // Rotating the parameter by t0 turns the conjugate semi-axes u, v into perpendicular ones.
    const double t0 = 0.5 * std::atan2(2 * dot2(c.u, c.v), dot2(c.u, c.u) - dot2(c.v, c.v));
    Vec2 a = c.u * std::cos(t0) + c.v * std::sin(t0);
    Vec2 b = c.u * -std::sin(t0) + c.v * std::cos(t0);
    double start = c.start - t0;
    if (length(b) > length(a)) { // make `a` the major axis: shift the parameter a quarter turn
        const Vec2 major = b;
        b = a * -1.0;
        a = major;
        start -= std::numbers::pi / 2;
    }
    double sweep = c.sweep;
    if (cross2(a, b) < 0) { // clockwise in XY: mirror the parameter
        b = b * -1.0;
        start = -start;
        sweep = -sweep;
    }
    if (sweep < 0) {
        start += sweep;
        sweep = -sweep;
    }
    start = std::fmod(start, kTwoPi);
    if (start < 0)
        start += kTwoPi;
    return {a, b, start, start + sweep};
}

Vec3 lift(Vec2 p) {
    return {p.x, p.y, 0};
}

} // namespace

Rotation3 rotationFromQuaternion(double w, double x, double y, double z) {
    const double n = std::sqrt(w * w + x * x + y * y + z * z);
    Rotation3 r;
    if (!(n > 0) || !std::isfinite(n))
        return r;
    w /= n, x /= n, y /= n, z /= n;
    // The stored quaternion turns design axes into the element's axes; its matrix is
    // transposed here to place the element's axes in the design.
    r.m[0][0] = 1 - 2 * (y * y + z * z);
    r.m[1][0] = 2 * (x * y - w * z);
    r.m[2][0] = 2 * (x * z + w * y);
    r.m[0][1] = 2 * (x * y + w * z);
    r.m[1][1] = 1 - 2 * (x * x + z * z);
    r.m[2][1] = 2 * (y * z - w * x);
    r.m[0][2] = 2 * (x * z - w * y);
    r.m[1][2] = 2 * (y * z + w * x);
    r.m[2][2] = 1 - 2 * (x * x + y * y);
    return r;
}

Rotation3 rotationAboutZ(double radians) {
    Rotation3 r;
    const double c = std::cos(radians), s = std::sin(radians);
    r.m[0][0] = c, r.m[0][1] = -s;
    r.m[1][0] = s, r.m[1][1] = c;
    return r;
}

Vec2 ProjectedConic::at(double t) const {
    return center + u * std::cos(t) + v * std::sin(t);
}

bool ProjectedConic::full() const {
    return std::abs(sweep) >= kTwoPi * (1 - 1e-12);
}

bool ProjectedConic::circular() const {
    const double lu = length(u), lv = length(v);
    const double scale = std::max(lu, lv);
    return scale > 0 && std::abs(lu - lv) <= 1e-9 * scale &&
           std::abs(dot2(u, v)) <= 1e-9 * scale * scale;
}

bool ProjectedConic::degenerate() const {
    const double scale = std::max(length(u), length(v));
    return !(std::abs(cross2(u, v)) > 1e-9 * scale * scale);
}

double ProjectedConic::signedSweep() const {
    return cross2(u, v) < 0 ? -sweep : sweep;
}

EntityData conicEntity(const ProjectedConic& conic) {
    if (conic.degenerate()) {
        Polyline line;
        constexpr int kSegments = 32;
        for (int i = 0; i <= kSegments; ++i)
            line.vertices.push_back({lift(conic.at(conic.start + conic.sweep * i / kSegments))});
        return line;
    }
    const PrincipalConic p = principal(conic);
    if (conic.circular()) {
        const double radius = length(p.a);
        if (conic.full())
            return Circle{lift(conic.center), radius};
        const double axis = std::atan2(p.a.y, p.a.x);
        return Arc{lift(conic.center), radius, axis + p.start, axis + p.end};
    }
    Ellipse e;
    e.center = lift(conic.center);
    e.majorAxis = lift(p.a);
    e.ratio = length(p.b) / length(p.a);
    if (!conic.full()) {
        e.startParam = p.start;
        e.endParam = p.end;
    }
    return e;
}

HatchLoop conicLoop(const ProjectedConic& conic) {
    HatchLoop loop;
    const PrincipalConic p = principal(conic);
    HatchEdge edge;
    edge.center = conic.center;
    if (conic.circular()) {
        edge.kind = HatchEdge::Kind::Arc;
        edge.radius = length(p.a);
    } else {
        edge.kind = HatchEdge::Kind::EllipseArc;
        edge.majorAxis = p.a;
        edge.ratio = length(p.b) / length(p.a);
    }
    edge.start = 0;
    edge.end = kTwoPi;
    loop.edges.push_back(edge);
    return loop;
}

} // namespace vexor::cad::dgn
