// Binary modeler data (SAB) built value by value, read through the same record reader as SAT
// text: straight and elliptic edges, the body transform, the binary edge sense, and damage.
#include "cad/acis/SabReader.h"

#include "SabWriter.h"
#include "cad/acis/ModelerGeometry.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

using namespace vexor::cad;
using namespace vexor::cad::acis;

namespace {

constexpr double kPi = 3.14159265358979323846;

double distance(Vec3 a, Vec3 b) {
    return length(a - b);
}

TEST(SabReader, StraightEdgeIsReadLikeItsTextTwin) {
    SabWriter w;
    w.solid(10, 20).edge({1, 2, 0}, {4, 6, 0}, false);
    w.record("straight-curve").position(1, 2, 0).vector(0.6, 0.8, 0).logical(false).end();
    const std::string data = w.finish();

    const SatEdges edges = readSabEdges(data);
    EXPECT_TRUE(edges.problem.empty()) << edges.problem;
    EXPECT_TRUE(edges.damage.empty()) << edges.damage;
    ASSERT_EQ(edges.curves.size(), 1u);
    ASSERT_EQ(edges.curves[0].size(), 2u);
    EXPECT_LT(distance(edges.curves[0][0], {11, 22, 0}), 1e-12);
    EXPECT_LT(distance(edges.curves[0][1], {14, 26, 0}), 1e-12);

    // The entity path: recognised as binary and drawn whole.
    const auto wire = wireframeFromModelerData("3DSOLID", data);
    EXPECT_EQ(wire->incomplete, "");
    EXPECT_EQ(wire->curves.size(), 1u);
}

TEST(SabReader, EllipseArcFollowsTheBinarySense) {
    // An ellipse about the origin, normal +z, major axis (2,0,0), ratio 0.5, from (2,0) to (0,1).
    auto arc = [](bool reversed) {
        SabWriter w;
        w.solid(0, 0).edge({2, 0, 0}, {0, 1, 0}, reversed);
        w.record("ellipse-curve").position(0, 0, 0).vector(0, 0, 1).vector(2, 0, 0).real(0.5);
        w.logical(false).logical(false).end();
        return readSabEdges(w.finish());
    };
    const SatEdges forward = arc(false);
    ASSERT_EQ(forward.curves.size(), 1u);
    const auto& q = forward.curves[0];
    EXPECT_LT(distance(q.front(), {2, 0, 0}), 1e-9);
    EXPECT_LT(distance(q.back(), {0, 1, 0}), 1e-9);
    EXPECT_NEAR(q[q.size() / 2].x, 2 * std::cos(kPi / 4), 1e-9);
    for (const Vec3& p : q)
        EXPECT_NEAR(p.x * p.x / 4 + p.y * p.y, 1, 1e-9);

    // A true logical after the curve reference: the other three quarters, run backwards.
    const SatEdges reversed = arc(true);
    ASSERT_EQ(reversed.curves.size(), 1u);
    const auto& r = reversed.curves[0];
    EXPECT_LT(distance(r.front(), {0, 1, 0}), 1e-9);
    EXPECT_NEAR(r[r.size() / 2].x, 2 * std::cos(kPi * 5 / 4), 1e-9);
    EXPECT_GT(r.size(), q.size() * 2);
}

TEST(SabReader, DamagedDataGivesADiagnosticNeverACrash) {
    SabWriter w;
    w.solid(0, 0).edge({0, 0, 0}, {1, 0, 0}, false);
    w.record("straight-curve").position(0, 0, 0).vector(1, 0, 0).end();
    const std::string good = w.finish();
    ASSERT_EQ(readSabEdges(good).curves.size(), 1u);

    // An unknown tag inside the curve's record: the records before it are kept (the edge
    // falls back to a straight line without its curve) and the place is named.
    std::string bad = good;
    const std::size_t at = good.find("curve", good.find("straight")) + 5 + 15;
    ASSERT_EQ(bad[at], '\x13');
    bad[at] = static_cast<char>(0x63);
    const SatEdges broken = readSabEdges(bad);
    EXPECT_EQ(broken.curves.size(), 1u);
    EXPECT_EQ(broken.approximated, 1u);
    EXPECT_EQ(broken.damage,
              "binary ACIS data damaged at byte " + std::to_string(at) + ": unknown tag 99");
    EXPECT_EQ(wireframeFromModelerData("3DSOLID", bad)->incomplete,
              "drawn in part: " + broken.damage);

    // Every prefix is read without running past it; a header cut short draws nothing.
    for (std::size_t n = 0; n < good.size(); ++n) {
        const SatEdges part = readSabEdges(std::string_view(good).substr(0, n));
        EXPECT_LE(part.curves.size(), 1u);
        if (n < 31) {
            EXPECT_FALSE(part.problem.empty()) << n;
        }
    }

    // A string longer than the data, a header cut short, a name of endless parts.
    const std::string runaway =
        good.substr(0, good.find("unknown") - 2) + "\x09\xff\xff\xff\x7f" + "abc";
    EXPECT_NE(readSabEdges(runaway).problem.find("a string runs past the end"), std::string::npos)
        << readSabEdges(runaway).problem;
    EXPECT_FALSE(readSabEdges("ACIS BinaryFile\x01\x02").problem.empty());
    std::string parts = "ACIS BinaryFile" + std::string(16, '\0');
    parts[15] = static_cast<char>(0xd0), parts[16] = 0x07; // version 2000
    for (int i = 0; i < 100; ++i)
        parts += "\x0e\x01x";
    EXPECT_NE(readSabEdges(parts).problem.find("too many parts"), std::string::npos);
}

} // namespace
