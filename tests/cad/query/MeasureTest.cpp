#include "cad/query/Measure.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace vexor::cad;

namespace {
constexpr double kPi = 3.14159265358979323846;
}

TEST(Measure, DistanceWithComponentsAndDirection) {
    const Distance d = measureDistance({1, 2}, {4, 6});
    EXPECT_DOUBLE_EQ(d.length, 5);
    EXPECT_DOUBLE_EQ(d.dx, 3);
    EXPECT_DOUBLE_EQ(d.dy, 4);
    EXPECT_DOUBLE_EQ(d.angle, std::atan2(4.0, 3.0));
    EXPECT_DOUBLE_EQ(measureDistance({0, 0}, {0, -2}).angle, 1.5 * kPi) << "never negative";
    EXPECT_DOUBLE_EQ(measureDistance({3, 3}, {3, 3}).length, 0);
    EXPECT_DOUBLE_EQ(measureDistance({3, 3}, {3, 3}).angle, 0);
}

TEST(Measure, PathLengthOpenAndClosed) {
    const std::vector<Vec2> l = {{0, 0}, {3, 0}, {3, 4}};
    EXPECT_DOUBLE_EQ(pathLength(l, false), 7);
    EXPECT_DOUBLE_EQ(pathLength(l, true), 12);
    EXPECT_DOUBLE_EQ(pathLength({{1, 1}, {2, 1}}, true), 1) << "two points close nothing";
    EXPECT_DOUBLE_EQ(pathLength({}, true), 0);
}

TEST(Measure, RingAreaEitherWayRoundAndFarFromTheOrigin) {
    EXPECT_DOUBLE_EQ(ringArea({{0, 0}, {4, 0}, {4, 3}}), 6);
    EXPECT_DOUBLE_EQ(ringArea({{0, 0}, {0, 3}, {4, 3}, {4, 0}}), 12) << "clockwise";
    // An L shape 1e7 units from the origin: 3 x 1 plus 1 x 2.
    const double o = 1e7;
    EXPECT_NEAR(
        ringArea({{o, o}, {o + 3, o}, {o + 3, o + 1}, {o + 1, o + 1}, {o + 1, o + 3}, {o, o + 3}}),
        5, 1e-6);
    EXPECT_DOUBLE_EQ(ringArea({{0, 0}, {1, 1}}), 0);
}

TEST(Measure, AngleByThreePoints) {
    EXPECT_DOUBLE_EQ(angleAt({0, 0}, {1, 0}, {0, 5}), kPi / 2);
    EXPECT_DOUBLE_EQ(angleAt({0, 0}, {0, 5}, {1, 0}), kPi / 2) << "either order";
    EXPECT_NEAR(angleAt({1, 1}, {2, 1}, {0, 1}), kPi, 1e-15);
    EXPECT_NEAR(angleAt({0, 0}, {1, 0}, {1, 1}), kPi / 4, 1e-15);
    EXPECT_DOUBLE_EQ(angleAt({0, 0}, {0, 0}, {1, 1}), 0);
}
