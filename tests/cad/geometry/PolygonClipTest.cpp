#include "cad/geometry/PolygonClip.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace vexor::cad;

namespace {

// An L-shaped (not convex) boundary, clockwise: the square 0..10 without its upper right
// quarter.
const std::vector<Vec2> kEll{{0, 0}, {0, 10}, {5, 10}, {5, 5}, {10, 5}, {10, 0}};

Box2 boxOf(const std::vector<Vec2>& points) {
    Box2 box;
    for (Vec2 p : points)
        box.add(p);
    return box;
}

} // namespace

TEST(PolygonClip, LinesAreCutWhereTheyLeaveAndReenter) {
    // Along y = 7 the line is inside from x = 0 to 5 only.
    auto parts = lineInside({-5, 7}, {1, 0}, 0, 20, kEll);
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_NEAR(parts[0].first, 5, 1e-12);
    EXPECT_NEAR(parts[0].second, 10, 1e-12);
    // A diagonal from (2, 12) to (12, 2) enters the upper arm, leaves it, enters the lower arm.
    parts = lineInside({2, 12}, {1, -1}, 0, 10, kEll);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_NEAR(parts[0].first, 2, 1e-12);  // (4, 10)
    EXPECT_NEAR(parts[0].second, 3, 1e-12); // (5, 9)
    EXPECT_NEAR(parts[1].first, 7, 1e-12);  // (9, 5)
    EXPECT_NEAR(parts[1].second, 8, 1e-12); // (10, 4)
}

TEST(PolygonClip, BoxesInsideOutsideAndCrossing) {
    const Box2 ell = boxOf(kEll);
    EXPECT_EQ(boxOverlap({1, 1, 2, 2}, kEll, ell), Overlap::Inside);
    EXPECT_EQ(boxOverlap({7, 7, 8, 8}, kEll, ell), Overlap::Outside); // in the missing quarter
    EXPECT_EQ(boxOverlap({20, 20, 21, 21}, kEll, ell), Overlap::Outside);
    EXPECT_EQ(boxOverlap({4, 4, 6, 6}, kEll, ell), Overlap::Crossing);
    EXPECT_EQ(boxOverlap({-1, -1, 11, 11}, kEll, ell), Overlap::Crossing); // holds the boundary
    EXPECT_FALSE(convexPolygon(kEll));
    EXPECT_TRUE(convexPolygon(std::vector<Vec2>{{0, 0}, {1, 0}, {0, 1}}));
}

TEST(PolygonClip, RingsAreCutToAConvexBoundaryEitherWayRound) {
    const std::vector<Vec2> square{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    const std::vector<Vec2> triangle{{5, -5}, {5, 20}, {20, 5}}; // clockwise
    const std::vector<Vec2> cut = ringInsideConvex(square, triangle);
    ASSERT_GE(cut.size(), 3u);
    double area = 0;
    for (std::size_t i = 0; i < cut.size(); ++i) {
        const Vec2 a = cut[i], b = cut[(i + 1) % cut.size()];
        area += a.x * b.y - b.x * a.y;
        EXPECT_GE(a.x, 5 - 1e-12);
    }
    EXPECT_NEAR(std::fabs(area) / 2, 50, 1e-9); // the right half of the square

    EXPECT_LT(ringInsideConvex(square, std::vector<Vec2>{{20, 20}, {30, 20}, {20, 30}}).size(), 3u);
}

// A clip boundary's frame is the boundary; one saved with a slit out to an outer ring (a
// boundary that hides its inside, written for readers that know only the other kind) is framed
// by its inner ring alone, the slit's two runs being a hair apart.
TEST(PolygonClip, ClipFramesLeaveOutTheSlitAndTheOuterRing) {
    const auto plain = clipFrameRings(kEll);
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_EQ(plain[0].size(), kEll.size());

    // Inner 2..4 x 2..4 reached from the outer 0..10 square along y = 3.
    const double gap = 4e-5;
    const std::vector<Vec2> keyhole{{2, 3},        {10, 3},      {10, 10}, {0, 10}, {0, 0}, {10, 0},
                                    {10, 3 - gap}, {2, 3 - gap}, {2, 2},   {4, 2},  {4, 4}, {2, 4}};
    const auto inner = clipFrameRings(keyhole);
    ASSERT_EQ(inner.size(), 1u);
    EXPECT_EQ(boxOf(inner[0]).minX, 2);
    EXPECT_EQ(boxOf(inner[0]).maxX, 4);
    EXPECT_NEAR(boxOf(inner[0]).maxY, 4, 1e-12);

    // A slit that leads to no inner ring leaves no frame.
    const std::vector<Vec2> empty{{2, 3},  {0, 3}, {0, 10},      {10, 10},
                                  {10, 0}, {0, 0}, {0, 3 - gap}, {2, 3 - gap}};
    EXPECT_TRUE(clipFrameRings(empty).empty());
}
