#include "cad/curves/Tessellate.h"

#include "cad/curves/Ocs.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

using namespace vexor::cad;

namespace {

constexpr double kPi = std::numbers::pi;

double signedArea(const std::vector<Vec2>& pts) {
    double a = 0;
    for (std::size_t i = 0; i < pts.size(); ++i) {
        const Vec2 p = pts[i], q = pts[(i + 1) % pts.size()];
        a += p.x * q.y - q.x * p.y;
    }
    return a / 2;
}

} // namespace

TEST(Tessellate, ArcRunsCounterClockwiseFromStartToEnd) {
    std::vector<Vec2> pts;
    appendArc(pts, {0, 0}, 2, 0, kPi / 2);
    ASSERT_GE(pts.size(), 3u);
    EXPECT_NEAR(pts.front().x, 2, 1e-12);
    EXPECT_NEAR(pts.front().y, 0, 1e-12);
    EXPECT_NEAR(pts.back().x, 0, 1e-12);
    EXPECT_NEAR(pts.back().y, 2, 1e-12);
    for (Vec2 p : pts) { // the first quadrant, not the other three
        EXPECT_GE(p.x, -1e-12);
        EXPECT_GE(p.y, -1e-12);
        EXPECT_NEAR(length(p), 2, 1e-9);
    }
}

TEST(Tessellate, ArcCrossingZeroTakesTheShortWayRound) {
    std::vector<Vec2> pts;
    appendArc(pts, {0, 0}, 1, 3 * kPi / 2, kPi / 2); // through angle 0, i.e. x > 0
    for (Vec2 p : pts)
        EXPECT_GE(p.x, -1e-9);
    std::vector<Vec2> cw;
    appendArc(cw, {0, 0}, 1, kPi / 2, 3 * kPi / 2, false); // clockwise: also through x > 0
    for (Vec2 p : cw)
        EXPECT_GE(p.x, -1e-9);
}

TEST(Tessellate, BulgeSignGivesSideOfTheChord) {
    // From (0,0) to (2,0): positive bulge turns counterclockwise, so the arc dips below.
    std::vector<Vec2> ccw;
    appendBulge(ccw, {0, 0}, {2, 0}, 1.0);
    std::vector<Vec2> cw;
    appendBulge(cw, {0, 0}, {2, 0}, -1.0);
    double minY = 0, maxY = 0;
    for (Vec2 p : ccw)
        minY = std::min(minY, p.y);
    for (Vec2 p : cw)
        maxY = std::max(maxY, p.y);
    EXPECT_NEAR(minY, -1, 1e-3); // semicircle of radius 1 below
    EXPECT_NEAR(maxY, 1, 1e-3);  // and above
    EXPECT_NEAR(ccw.back().x, 2, 1e-12);
    std::vector<Vec2> straight;
    appendBulge(straight, {0, 0}, {2, 0}, 0);
    EXPECT_EQ(straight.size(), 1u);
}

TEST(Tessellate, QuarterBulgeHasRadiusFromTheChord) {
    // bulge tan(90deg / 4): a quarter circle from (1,0) to (0,1) around the origin.
    std::vector<Vec2> pts{{1, 0}};
    appendBulge(pts, {1, 0}, {0, 1}, std::tan(kPi / 8));
    for (Vec2 p : pts)
        EXPECT_NEAR(length(p), 1, 1e-9);
}

TEST(Ocs, MirroredExtrusionFlipsX) {
    const OcsFrame f = OcsFrame::fromExtrusion({0, 0, -1});
    EXPECT_NEAR(f.xAxis.x, -1, 1e-12);
    EXPECT_NEAR(f.yAxis.y, 1, 1e-12);
    const Affine2 plane = f.planeToWorld(0);
    const Vec2 p = plane.map({3, 4});
    EXPECT_NEAR(p.x, -3, 1e-12);
    EXPECT_NEAR(p.y, 4, 1e-12);
    EXPECT_TRUE(OcsFrame::fromExtrusion({0, 0, 1}).isWorld());
    EXPECT_TRUE(OcsFrame::fromExtrusion({0, 0, 0}).isWorld()); // degenerate: plain world
}

TEST(Ocs, ArbitraryAxisForTiltedExtrusionIsOrthonormal) {
    const OcsFrame f = OcsFrame::fromExtrusion({1, 1, 1});
    EXPECT_NEAR(dot(f.xAxis, f.yAxis), 0, 1e-12);
    EXPECT_NEAR(dot(f.xAxis, f.zAxis), 0, 1e-12);
    EXPECT_NEAR(length(f.xAxis), 1, 1e-12);
    EXPECT_NEAR(f.xAxis.z, 0, 1e-12); // perpendicular to world Z
}

TEST(Tessellate, MirroredArcLandsMirrored) {
    // An arc 0..90 degrees in an OCS with extrusion (0,0,-1) appears in the second quadrant
    // of the world, running clockwise as seen from above.
    std::vector<Vec2> pts;
    appendArc(pts, {0, 0}, 1, 0, kPi / 2);
    const Affine2 plane = OcsFrame::fromExtrusion({0, 0, -1}).planeToWorld(0);
    for (Vec2& p : pts) {
        p = plane.map(p);
        EXPECT_LE(p.x, 1e-12);
        EXPECT_GE(p.y, -1e-12);
    }
    EXPECT_NEAR(pts.front().x, -1, 1e-12);
    EXPECT_NEAR(pts.back().y, 1, 1e-12);
}

TEST(Tessellate, EllipseParametersMapToAxes) {
    std::vector<Vec2> pts;
    appendEllipse(pts, {10, 0}, {4, 0}, {0, 1}, 0, kPi / 2);
    EXPECT_NEAR(pts.front().x, 14, 1e-12);
    EXPECT_NEAR(pts.front().y, 0, 1e-12);
    EXPECT_NEAR(pts.back().x, 10, 1e-12);
    EXPECT_NEAR(pts.back().y, 1, 1e-12);
    std::vector<Vec2> full;
    appendEllipse(full, {0, 0}, {2, 0}, {0, 1}, 0, 2 * kPi);
    full.pop_back();
    EXPECT_NEAR(std::fabs(signedArea(full)), kPi * 2 * 1, 0.01); // pi * a * b
    EXPECT_GT(signedArea(full), 0);                              // counterclockwise
}

TEST(Nurbs, ClampedQuadraticBezierAtKnownPoints) {
    SplineData s;
    s.degree = 2;
    s.controlPoints = {{0, 0, 0}, {1, 2, 0}, {2, 0, 0}};
    s.knots = {0, 0, 0, 1, 1, 1};
    const Vec3 mid = evaluateNurbs(s, 0.5);
    EXPECT_NEAR(mid.x, 1, 1e-12);
    EXPECT_NEAR(mid.y, 1, 1e-12); // (1-t)^2*0 + 2t(1-t)*2 + t^2*0 at 0.5
    const Vec3 end = evaluateNurbs(s, 1.0);
    EXPECT_NEAR(end.x, 2, 1e-12);
    EXPECT_NEAR(end.y, 0, 1e-12);
}

TEST(Nurbs, WeightsGiveAnExactCircleQuadrant) {
    SplineData s;
    s.degree = 2;
    s.rational = true;
    s.controlPoints = {{1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    s.weights = {1, std::sqrt(0.5), 1};
    s.knots = {0, 0, 0, 1, 1, 1};
    for (double u : {0.1, 0.3, 0.5, 0.8}) {
        const Vec3 p = evaluateNurbs(s, u);
        EXPECT_NEAR(std::hypot(p.x, p.y), 1, 1e-12) << "u=" << u;
    }
}

TEST(Nurbs, ClosedSplineEndsWhereItStarts) {
    // A periodic cubic: control points wrapped by the degree, uniform knots.
    SplineData s;
    s.degree = 3;
    s.closed = true;
    s.controlPoints = {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}, {0, 0, 0}, {4, 0, 0}, {4, 4, 0}};
    for (int i = 0; i < 11; ++i)
        s.knots.push_back(i);
    const std::vector<Vec3> pts = tessellateSpline(s);
    ASSERT_GT(pts.size(), 10u);
    EXPECT_NEAR(pts.front().x, pts.back().x, 1e-9);
    EXPECT_NEAR(pts.front().y, pts.back().y, 1e-9);
}

TEST(Nurbs, FitPointsArePassedThrough) {
    SplineData s;
    s.controlPoints.clear();
    s.fitPoints = {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}, {3, 1, 0}};
    const std::vector<Vec3> pts = tessellateSpline(s);
    for (const Vec3& fit : s.fitPoints) {
        double best = 1e9;
        for (const Vec3& p : pts)
            best = std::min(best, length(p - fit));
        EXPECT_LT(best, 1e-9);
    }
}

TEST(Nurbs, InvalidKnotsFallBackToControlPolygon) {
    SplineData s;
    s.degree = 3;
    s.controlPoints = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    s.knots = {0, 1, 0.5}; // wrong count and decreasing
    const std::vector<Vec3> pts = tessellateSpline(s);
    ASSERT_EQ(pts.size(), 4u);
    EXPECT_EQ(pts[2].x, 1);
}
