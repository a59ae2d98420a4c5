#include "Measure.h"

#include <cmath>

namespace vexor::cad {

Distance measureDistance(Vec2 a, Vec2 b) {
    Distance d;
    d.dx = b.x - a.x;
    d.dy = b.y - a.y;
    d.length = std::hypot(d.dx, d.dy);
    if (d.length > 0) {
        d.angle = std::atan2(d.dy, d.dx);
        if (d.angle < 0)
            d.angle += 2 * 3.14159265358979323846;
    }
    return d;
}

double pathLength(const std::vector<Vec2>& points, bool closed) {
    double total = 0;
    for (std::size_t i = 1; i < points.size(); ++i)
        total += std::hypot(points[i].x - points[i - 1].x, points[i].y - points[i - 1].y);
    if (closed && points.size() > 2)
        total += std::hypot(points.front().x - points.back().x, points.front().y - points.back().y);
    return total;
}

double ringArea(const std::vector<Vec2>& points) {
    if (points.size() < 3)
        return 0;
    // Relative to the first point, so that far-off coordinates lose no precision.
    const Vec2 o = points.front();
    double twice = 0;
    for (std::size_t i = 1; i + 1 < points.size(); ++i) {
        const Vec2 p = points[i] - o, q = points[i + 1] - o;
        twice += p.x * q.y - q.x * p.y;
    }
    return std::fabs(twice) / 2;
}

double angleAt(Vec2 vertex, Vec2 a, Vec2 b) {
    const Vec2 u = a - vertex, v = b - vertex;
    if ((u.x == 0 && u.y == 0) || (v.x == 0 && v.y == 0))
        return 0;
    return std::fabs(std::atan2(u.x * v.y - u.y * v.x, u.x * v.x + u.y * v.y));
}

} // namespace vexor::cad
