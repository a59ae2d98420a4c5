#include "Tessellate.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vexor::cad {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr std::size_t kMaxSplinePoints = 4096;
constexpr int kSamplesPerKnotSpan = 12;
constexpr int kSamplesPerFitSpan = 10;

int segmentsFor(double sweep) {
    const double n = std::ceil(std::fabs(sweep) / kTwoPi * kSegmentsPerTurn);
    return std::clamp(static_cast<int>(n), 2, kSegmentsPerTurn);
}

bool finite(Vec3 p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// Centripetal Catmull-Rom curve through the points: smooth, no overshoot loops, passes
// through every fit point.
std::vector<Vec3> interpolateFitPoints(const std::vector<Vec3>& fit, bool closed) {
    const std::size_t n = fit.size();
    if (n < 3)
        return fit;
    auto at = [&](std::ptrdiff_t i) -> Vec3 {
        if (closed)
            return fit[static_cast<std::size_t>((i + static_cast<std::ptrdiff_t>(n)) %
                                                static_cast<std::ptrdiff_t>(n))];
        if (i < 0)
            return fit[0] * 2.0 - fit[1];
        if (i >= static_cast<std::ptrdiff_t>(n))
            return fit[n - 1] * 2.0 - fit[n - 2];
        return fit[static_cast<std::size_t>(i)];
    };
    std::vector<Vec3> out;
    const std::size_t spans = closed ? n : n - 1;
    out.reserve(spans * kSamplesPerFitSpan + 1);
    out.push_back(fit[0]);
    for (std::size_t s = 0; s < spans; ++s) {
        const auto i = static_cast<std::ptrdiff_t>(s);
        const Vec3 p0 = at(i - 1), p1 = at(i), p2 = at(i + 1), p3 = at(i + 2);
        const double t01 = std::sqrt(std::max(length(p1 - p0), 1e-12));
        const double t12 = std::sqrt(std::max(length(p2 - p1), 1e-12));
        const double t23 = std::sqrt(std::max(length(p3 - p2), 1e-12));
        const Vec3 m1 =
            ((p1 - p0) * (1.0 / t01) - (p2 - p0) * (1.0 / (t01 + t12)) + (p2 - p1) * (1.0 / t12)) *
            t12;
        const Vec3 m2 =
            ((p2 - p1) * (1.0 / t12) - (p3 - p1) * (1.0 / (t12 + t23)) + (p3 - p2) * (1.0 / t23)) *
            t12;
        for (int k = 1; k <= kSamplesPerFitSpan; ++k) {
            const double t = static_cast<double>(k) / kSamplesPerFitSpan;
            const double t2 = t * t, t3 = t2 * t;
            out.push_back(p1 * (2 * t3 - 3 * t2 + 1) + m1 * (t3 - 2 * t2 + t) +
                          p2 * (-2 * t3 + 3 * t2) + m2 * (t3 - t2));
        }
    }
    return out;
}

bool validNurbs(const SplineData& s) {
    const std::size_t n = s.controlPoints.size();
    const auto p = static_cast<std::size_t>(s.degree);
    if (s.degree < 1 || s.degree > 20 || n <= p || s.knots.size() != n + p + 1)
        return false;
    if (!s.weights.empty() && s.weights.size() != n)
        return false;
    for (std::size_t i = 1; i < s.knots.size(); ++i)
        if (!(s.knots[i] >= s.knots[i - 1]))
            return false;
    for (double w : s.weights)
        if (!(w > 0) || !std::isfinite(w))
            return false;
    return s.knots[p] < s.knots[n];
}

} // namespace

double sweepCcw(double startAngle, double endAngle) {
    double d = std::fmod(endAngle - startAngle, kTwoPi);
    if (d <= 1e-12)
        d += kTwoPi;
    return d;
}

void appendArc(std::vector<Vec2>& out, Vec2 center, double radius, double startAngle,
               double endAngle, bool counterClockwise) {
    const double sweep =
        counterClockwise ? sweepCcw(startAngle, endAngle) : -sweepCcw(endAngle, startAngle);
    const int n = segmentsFor(sweep);
    for (int i = 0; i <= n; ++i) {
        const double a = startAngle + sweep * i / n;
        out.push_back({center.x + radius * std::cos(a), center.y + radius * std::sin(a)});
    }
}

void appendEllipse(std::vector<Vec2>& out, Vec2 center, Vec2 majorAxis, Vec2 minorAxis,
                   double startParam, double endParam) {
    const double sweep = sweepCcw(startParam, endParam);
    const int n = segmentsFor(sweep);
    for (int i = 0; i <= n; ++i) {
        const double t = startParam + sweep * i / n;
        out.push_back(center + majorAxis * std::cos(t) + minorAxis * std::sin(t));
    }
}

void appendBulge(std::vector<Vec2>& out, Vec2 a, Vec2 b, double bulge) {
    const Vec2 d = b - a;
    if (std::fabs(bulge) < 1e-9 || !std::isfinite(bulge) || length(d) == 0) {
        out.push_back(b);
        return;
    }
    const Vec2 mid = (a + b) * 0.5;
    const Vec2 left{-d.y, d.x};
    const Vec2 center = mid + left * ((1 - bulge * bulge) / (4 * bulge));
    const double sweep = 4 * std::atan(bulge);
    const double start = std::atan2(a.y - center.y, a.x - center.x);
    const double radius = length(a - center);
    const int n = segmentsFor(sweep);
    for (int i = 1; i < n; ++i) {
        const double t = start + sweep * i / n;
        out.push_back({center.x + radius * std::cos(t), center.y + radius * std::sin(t)});
    }
    out.push_back(b);
}

Vec3 evaluateNurbs(const SplineData& s, double u) {
    const std::size_t n = s.controlPoints.size();
    const auto p = static_cast<std::size_t>(s.degree);
    u = std::clamp(u, s.knots[p], s.knots[n]);
    // The knot span holding u; the last span is closed at its end.
    std::size_t k = p;
    while (k + 1 < n && !(u < s.knots[k + 1]))
        ++k;
    struct H {
        double x, y, z, w;
    };
    std::vector<H> d(p + 1);
    for (std::size_t j = 0; j <= p; ++j) {
        const Vec3& c = s.controlPoints[k - p + j];
        const double w = s.weights.empty() ? 1.0 : s.weights[k - p + j];
        d[j] = {c.x * w, c.y * w, c.z * w, w};
    }
    for (std::size_t r = 1; r <= p; ++r) {
        for (std::size_t j = p; j >= r; --j) {
            const std::size_t i = k - p + j;
            const double denom = s.knots[i + p + 1 - r] - s.knots[i];
            const double alpha = denom > 0 ? (u - s.knots[i]) / denom : 0.0;
            d[j] = {(1 - alpha) * d[j - 1].x + alpha * d[j].x,
                    (1 - alpha) * d[j - 1].y + alpha * d[j].y,
                    (1 - alpha) * d[j - 1].z + alpha * d[j].z,
                    (1 - alpha) * d[j - 1].w + alpha * d[j].w};
        }
    }
    const double w = d[p].w != 0 ? d[p].w : 1.0;
    return {d[p].x / w, d[p].y / w, d[p].z / w};
}

std::vector<Vec3> tessellateSpline(const SplineData& s) {
    if (s.controlPoints.empty())
        return interpolateFitPoints(s.fitPoints, s.closed);
    if (!validNurbs(s)) {
        std::vector<Vec3> polygon = s.controlPoints;
        if (s.closed && polygon.size() > 2)
            polygon.push_back(polygon.front());
        return polygon;
    }
    const std::size_t n = s.controlPoints.size();
    const auto p = static_cast<std::size_t>(s.degree);
    std::size_t spans = 0;
    for (std::size_t k = p; k < n; ++k)
        if (s.knots[k + 1] > s.knots[k])
            ++spans;
    const int perSpan = static_cast<int>(std::clamp<std::size_t>(
        kMaxSplinePoints / std::max<std::size_t>(spans, 1), 1, kSamplesPerKnotSpan));
    std::vector<Vec3> out;
    out.reserve(spans * perSpan + 1);
    out.push_back(evaluateNurbs(s, s.knots[p]));
    for (std::size_t k = p; k < n; ++k) {
        const double a = s.knots[k], b = s.knots[k + 1];
        if (!(b > a))
            continue;
        for (int i = 1; i <= perSpan; ++i) {
            const Vec3 q = evaluateNurbs(s, a + (b - a) * i / perSpan);
            if (finite(q))
                out.push_back(q);
        }
    }
    return out;
}

} // namespace vexor::cad
