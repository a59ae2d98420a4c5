#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

namespace vexor::cad {

struct Vec2 {
    double x = 0.0;
    double y = 0.0;
};

struct Vec3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    Vec2 xy() const { return {x, y}; }
};

inline Vec2 operator+(Vec2 a, Vec2 b) {
    return {a.x + b.x, a.y + b.y};
}
inline Vec2 operator-(Vec2 a, Vec2 b) {
    return {a.x - b.x, a.y - b.y};
}
inline Vec2 operator*(Vec2 a, double s) {
    return {a.x * s, a.y * s};
}
inline Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(Vec3 a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline double dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(Vec3 a) {
    return std::sqrt(dot(a, a));
}
inline double length(Vec2 a) {
    return std::hypot(a.x, a.y);
}

// Axis-aligned box in the XY plane; empty until the first point is added.
struct Box2 {
    double minX = std::numeric_limits<double>::infinity();
    double minY = std::numeric_limits<double>::infinity();
    double maxX = -std::numeric_limits<double>::infinity();
    double maxY = -std::numeric_limits<double>::infinity();

    bool empty() const { return !(minX <= maxX && minY <= maxY); }
    void add(Vec2 p) {
        minX = std::min(minX, p.x);
        minY = std::min(minY, p.y);
        maxX = std::max(maxX, p.x);
        maxY = std::max(maxY, p.y);
    }
    void add(const Box2& b) {
        if (b.empty())
            return;
        add(Vec2{b.minX, b.minY});
        add(Vec2{b.maxX, b.maxY});
    }
    bool intersects(const Box2& b) const {
        return !(b.minX > maxX || b.maxX < minX || b.minY > maxY || b.maxY < minY);
    }
    double width() const { return maxX - minX; }
    double height() const { return maxY - minY; }
};

// 2D affine transform: x' = a*x + c*y + e, y' = b*x + d*y + f.
struct Affine2 {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;

    Vec2 map(Vec2 p) const { return {a * p.x + c * p.y + e, b * p.x + d * p.y + f}; }
    Vec2 mapVector(Vec2 v) const { return {a * v.x + c * v.y, b * v.x + d * v.y}; }
    // this * other: apply other first, then this.
    Affine2 operator*(const Affine2& o) const {
        return {a * o.a + c * o.b, b * o.a + d * o.b,     a * o.c + c * o.d,
                b * o.c + d * o.d, a * o.e + c * o.f + e, b * o.e + d * o.f + f};
    }
    double determinant() const { return a * d - b * c; }
    static Affine2 translate(double tx, double ty) { return {1, 0, 0, 1, tx, ty}; }
    static Affine2 scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
    static Affine2 rotate(double radians) {
        const double cs = std::cos(radians), sn = std::sin(radians);
        return {cs, sn, -sn, cs, 0, 0};
    }
};

} // namespace vexor::cad
