#include "cad/geometry/HatchGeometry.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

using namespace vexor::cad;

namespace {

constexpr double kPi = std::numbers::pi;

double ringArea(const std::vector<Vec2>& ring) {
    double a = 0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const Vec2 p = ring[i], q = ring[(i + 1) % ring.size()];
        a += p.x * q.y - q.x * p.y;
    }
    return std::fabs(a) / 2;
}

HatchEdge line(Vec2 a, Vec2 b) {
    HatchEdge e;
    e.kind = HatchEdge::Kind::Line;
    e.p0 = a;
    e.p1 = b;
    return e;
}

HatchLoop squareLoop(double x0, double y0, double side) {
    HatchLoop loop;
    loop.edges = {line({x0, y0}, {x0 + side, y0}), line({x0 + side, y0}, {x0 + side, y0 + side}),
                  line({x0 + side, y0 + side}, {x0, y0 + side}), line({x0, y0 + side}, {x0, y0})};
    return loop;
}

double totalLength(const HatchSegments& s) {
    double len = 0;
    for (std::size_t i = 0; i + 1 < s.points.size(); i += 2)
        len += length(s.points[i + 1] - s.points[i]);
    return len;
}

} // namespace

TEST(HatchRings, LineEdgesMakeOneRing) {
    Hatch h;
    h.loops = {squareLoop(0, 0, 10)};
    const auto rings = hatchRings(h);
    ASSERT_EQ(rings.size(), 1u);
    EXPECT_EQ(rings[0].size(), 4u); // shared corners are not repeated
    EXPECT_NEAR(ringArea(rings[0]), 100, 1e-9);
}

TEST(HatchRings, ArcEdgesCounterClockwiseAndClockwise) {
    // A half disc: diameter from (-1,0) to (1,0), arc over the top.
    Hatch h;
    HatchLoop loop;
    HatchEdge arc;
    arc.kind = HatchEdge::Kind::Arc;
    arc.center = {0, 0};
    arc.radius = 1;
    arc.start = 0;
    arc.end = kPi;
    arc.ccw = true;
    loop.edges = {line({-1, 0}, {1, 0}), arc};
    h.loops = {loop};
    auto rings = hatchRings(h);
    ASSERT_EQ(rings.size(), 1u);
    EXPECT_NEAR(ringArea(rings[0]), kPi / 2, 0.01);
    for (Vec2 p : rings[0])
        EXPECT_GE(p.y, -1e-9);

    // The same half disc traced clockwise: angles stored mirrored (0 -> -0, pi -> -pi).
    arc.ccw = false;
    arc.start = -kPi; // the edge runs from angle pi back to 0 over the top
    arc.end = 0;
    loop.edges = {arc, line({1, 0}, {-1, 0})};
    h.loops = {loop};
    rings = hatchRings(h);
    ASSERT_EQ(rings.size(), 1u);
    EXPECT_NEAR(ringArea(rings[0]), kPi / 2, 0.01);
    for (Vec2 p : rings[0])
        EXPECT_GE(p.y, -1e-9);
}

TEST(HatchRings, EllipseSplineAndPolylineLoops) {
    Hatch h;
    HatchLoop ellipse;
    HatchEdge e;
    e.kind = HatchEdge::Kind::EllipseArc;
    e.center = {0, 0};
    e.majorAxis = {2, 0};
    e.ratio = 0.5;
    e.start = 0;
    e.end = 2 * kPi;
    ellipse.edges = {e};

    HatchLoop spline;
    HatchEdge s;
    s.kind = HatchEdge::Kind::Spline;
    s.spline.degree = 1;
    s.spline.controlPoints = {{10, 0, 0}, {12, 0, 0}, {12, 2, 0}, {10, 2, 0}, {10, 0, 0}};
    s.spline.knots = {0, 0, 1, 2, 3, 4, 4};
    spline.edges = {s};

    HatchLoop poly;
    poly.isPolyline = true;
    poly.polyline = {{{20, 0, 0}, 1.0}, {{22, 0, 0}, 1.0}}; // two semicircles: a circle
    h.loops = {ellipse, spline, poly};
    const auto rings = hatchRings(h);
    ASSERT_EQ(rings.size(), 3u);
    EXPECT_NEAR(ringArea(rings[0]), kPi * 2 * 1, 0.01);
    EXPECT_NEAR(ringArea(rings[1]), 4, 1e-9);
    EXPECT_NEAR(ringArea(rings[2]), kPi, 0.01);
}

TEST(HatchPattern, LinesClippedEvenOddAroundAHole) {
    Hatch h;
    h.loops = {squareLoop(0, 0, 10), squareLoop(4, 4, 2)};
    const auto rings = hatchRings(h);
    HatchPatternLine horizontal;
    horizontal.angle = 0;
    horizontal.base = {0, 0.5};
    horizontal.offset = {0, 1};
    const HatchSegments s = hatchPatternSegments({horizontal}, rings);
    ASSERT_FALSE(s.capped);
    // Ten lines of length 10, two of which lose the 2 units crossing the hole.
    EXPECT_NEAR(totalLength(s), 100 - 2 * 2, 1e-9);
    for (std::size_t i = 0; i < s.points.size(); i += 2) {
        const Vec2 mid = (s.points[i] + s.points[i + 1]) * 0.5;
        EXPECT_FALSE(mid.x > 4 && mid.x < 6 && mid.y > 4 && mid.y < 6) << "inside the hole";
    }
}

TEST(HatchPattern, DashesCutTheLines) {
    Hatch h;
    h.loops = {squareLoop(0, 0, 10)};
    HatchPatternLine dashed;
    dashed.base = {0, 0.5};
    dashed.offset = {0, 1};
    dashed.dashes = {1, -1};
    const HatchSegments s = hatchPatternSegments({dashed}, hatchRings(h));
    EXPECT_NEAR(totalLength(s), 50, 1e-9); // half of each line is ink
    EXPECT_EQ(s.points.size() / 2, 50u);
}

TEST(HatchPattern, TinyScaleIsCappedNotExploded) {
    Hatch h;
    h.loops = {squareLoop(0, 0, 1000)};
    HatchPatternLine dense;
    dense.offset = {0, 1e-6};
    const HatchSegments s = hatchPatternSegments({dense}, hatchRings(h));
    EXPECT_TRUE(s.capped);
    EXPECT_TRUE(s.points.empty());
}
