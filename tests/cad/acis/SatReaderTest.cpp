#include "cad/acis/SatReader.h"

#include "cad/acis/ModelerGeometry.h"
#include "cad/curves/MeshEdges.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>

using namespace vexor::cad;
using namespace vexor::cad::acis;

namespace {

constexpr double kPi = 3.14159265358979323846;

// The three header lines, then records. `extended` writes the version 7 layout: a history
// number and one more reference after each record's attribute reference.
std::string sat(const std::string& records, bool extended = false) {
    return std::string(extended ? "21200 0 1 0\n" : "400 0 1 0\n") +
           "@7 Test 1.0 @24 Mon Dec 07 10:00:00 2026\n1 9.9999999999999995e-07 1e-10\n" + records +
           "End-of-ACIS-data\n";
}

// A body whose one lump, shell, face and loop own the coedges of the given edges (records from
// 7 on), with a transform moving by (tx, ty).
std::string body(const std::string& edges, double tx = 0, double ty = 0) {
    return "body $-1 $1 $-1 $2 #\n" // 0
           "lump $-1 $-1 $3 $0 #\n" // 1
           "transform $-1 1 0 0 0 1 0 0 0 1 " +
           std::to_string(tx) + " " + std::to_string(ty) +
           " 0 1 no_rotate no_reflect no_shear #\n"                    // 2
           "shell $-1 $-1 $-1 $4 $-1 $1 #\n"                           // 3
           "face $-1 $-1 $5 $3 $-1 $6 forward double out #\n"          // 4
           "loop $-1 $-1 $7 $4 #\n"                                    // 5
           "plane-surface $-1 0 0 0 0 0 1 1 0 0 forward_v I I I I #\n" // 6
           + edges;
}

double distance(Vec3 a, Vec3 b) {
    return length(a - b);
}

TEST(SatReader, StraightEdgeRunsBetweenItsVerticesMovedByTheBodyTransform) {
    // coedge 7 -> edge 8 with vertices 9, 10 at points 11, 12 on straight curve 13.
    const std::string text = sat(body("coedge $-1 $7 $7 $-1 $8 forward $5 $-1 #\n"
                                      "edge $-1 $9 $10 $7 $13 forward #\n"
                                      "vertex $-1 $8 $11 #\n"
                                      "vertex $-1 $8 $12 #\n"
                                      "point $-1 1 2 0 #\n"
                                      "point $-1 4 6 0 #\n"
                                      "straight-curve $-1 1 2 0 0.6 0.8 0 F 0 F 5 #\n",
                                      10, 20));
    const SatEdges edges = readSatEdges(text);
    ASSERT_EQ(edges.curves.size(), 1u);
    ASSERT_EQ(edges.curves[0].size(), 2u);
    EXPECT_LT(distance(edges.curves[0][0], {11, 22, 0}), 1e-12);
    EXPECT_LT(distance(edges.curves[0][1], {14, 26, 0}), 1e-12);
    EXPECT_EQ(edges.approximated, 0u);
    EXPECT_EQ(edges.edges, 1u);
}

TEST(SatReader, VersionOneDataHasOneHeaderLine) {
    // ACIS 1.x (version 106, as R13 and R14 write it) has no product and units lines: the
    // records begin on the second line, and none of them may be taken for the header.
    const std::string records = body("coedge $-1 $7 $7 $-1 $8 forward $5 $-1 #\n"
                                     "edge $-1 $9 $10 $7 $13 0 #\n"
                                     "vertex $-1 $8 $11 #\n"
                                     "vertex $-1 $8 $12 #\n"
                                     "point $-1 1 2 0 #\n"
                                     "point $-1 4 6 0 #\n"
                                     "straight-curve $-1 1 2 0 0.6 0.8 0 #\n");
    const SatEdges edges = readSatEdges("106 14 1 0\n" + records + "End-of-ACIS-data\n");
    ASSERT_EQ(edges.curves.size(), 1u);
    EXPECT_LT(distance(edges.curves[0][0], {1, 2, 0}), 1e-12);
    EXPECT_LT(distance(edges.curves[0][1], {4, 6, 0}), 1e-12);
    EXPECT_EQ(edges.unreadable, 0u);
    // With the header lines of later versions, the same records read the same.
    EXPECT_EQ(readSatEdges(sat(records)).curves.size(), 1u);
}

// One edge on an ellipse-curve about (0,0,0), normal +z, major axis (2,0,0), ratio 0.5, from
// point (x0,y0) to (x1,y1) with the given sense.
SatEdges ellipseEdge(double x0, double y0, double x1, double y1, const char* sense,
                     bool oneVertex = false) {
    const std::string edge =
        std::string("edge $-1 $9 ") + (oneVertex ? "$9" : "$10") + " $7 $13 " + sense + " #\n";
    return readSatEdges(sat(body("coedge $-1 $7 $7 $-1 $8 forward $5 $-1 #\n" + edge +
                                 "vertex $-1 $8 $11 #\n"
                                 "vertex $-1 $8 $12 #\n"
                                 "point $-1 " +
                                 std::to_string(x0) + " " + std::to_string(y0) +
                                 " 0 #\n"
                                 "point $-1 " +
                                 std::to_string(x1) + " " + std::to_string(y1) +
                                 " 0 #\n"
                                 "ellipse-curve $-1 0 0 0 0 0 1 2 0 0 0.5 I I #\n")));
}

TEST(SatReader, EllipseEdgesAreArcsBetweenTheirVerticesInTheCurvesSense) {
    // Forward from (2,0) to (0,1): the quarter through the first quadrant.
    SatEdges forward = ellipseEdge(2, 0, 0, 1, "forward");
    ASSERT_EQ(forward.curves.size(), 1u);
    const auto& q = forward.curves[0];
    EXPECT_LT(distance(q.front(), {2, 0, 0}), 1e-9);
    EXPECT_LT(distance(q.back(), {0, 1, 0}), 1e-9);
    const Vec3 mid = q[q.size() / 2];
    EXPECT_NEAR(mid.x, 2 * std::cos(kPi / 4), 1e-9);
    EXPECT_NEAR(mid.y, std::sin(kPi / 4), 1e-9);
    for (const Vec3& p : q) // on the ellipse
        EXPECT_NEAR(p.x * p.x / 4 + p.y * p.y, 1, 1e-9);

    // Reversed: the edge runs against the curve, so the arc is the other three quarters.
    SatEdges reversed = ellipseEdge(2, 0, 0, 1, "reversed");
    ASSERT_EQ(reversed.curves.size(), 1u);
    const auto& r = reversed.curves[0];
    EXPECT_LT(distance(r.front(), {0, 1, 0}), 1e-9);
    EXPECT_LT(distance(r.back(), {2, 0, 0}), 1e-9);
    EXPECT_NEAR(r[r.size() / 2].x, 2 * std::cos(kPi * 5 / 4), 1e-9);
    EXPECT_GT(r.size(), q.size() * 2);

    // One vertex at both ends: the whole circle of a full edge.
    SatEdges full = ellipseEdge(2, 0, 2, 0, "forward", true);
    ASSERT_EQ(full.curves.size(), 1u);
    EXPECT_LT(distance(full.curves[0].front(), full.curves[0].back()), 1e-9);
    double minY = 0;
    for (const Vec3& p : full.curves[0])
        minY = std::min(minY, p.y);
    EXPECT_NEAR(minY, -1, 1e-3);
}

TEST(SatReader, ExtendedLayoutAndSplineEdgesFromTheirBSplineData) {
    // Version 7 layout (history number and extra reference); edge parameters inline; an
    // intcurve holding a cubic Bezier from (0,0,0) to (3,0,0) bulging to y = 0.75.
    const std::string records =
        "asmheader $-1 -1 @13 230.7.0.65535 #\n"                                       // 0
        "body $-1 -1 $-1 $2 $-1 $3 #\n"                                                // 1
        "lump $-1 -1 $-1 $-1 $4 $1 #\n"                                                // 2
        "transform $-1 -1 1 0 0 0 1 0 0 0 1 0 0 5 1 no_rotate no_reflect no_shear #\n" // 3
        "shell $-1 -1 $-1 $-1 $-1 $5 $-1 $2 #\n"                                       // 4
        "face $-1 -1 $-1 $-1 $6 $4 $-1 $-1 forward single #\n"                         // 5
        "loop $-1 -1 $-1 $-1 $7 $5 #\n"                                                // 6
        "coedge $-1 -1 $-1 $7 $7 $-1 $8 forward $6 $-1 #\n"                            // 7
        "edge $-1 -1 $-1 $9 0 $10 1 $7 $13 forward @7 unknown #\n"                     // 8
        "vertex $-1 -1 $-1 $8 0 $11 #\n"                                               // 9
        "vertex $-1 -1 $-1 $8 1 $12 #\n"                                               // 10
        "point $-1 -1 $-1 0 0 0 #\n"                                                   // 11
        "point $-1 -1 $-1 3 0 0 #\n"                                                   // 12
        "intcurve-curve $-1 -1 $-1 forward { exactcur nubs 3 open 2\n"                 // 13
        " 0 3 1 3\n 0 0 0\n 1 1 0\n 2 1 0\n 3 0 0\n 0 } I I #\n";
    const SatEdges edges = readSatEdges(sat(records, true));
    ASSERT_EQ(edges.curves.size(), 1u);
    EXPECT_EQ(edges.approximated, 0u);
    const auto& c = edges.curves[0];
    ASSERT_GT(c.size(), 4u);
    EXPECT_LT(distance(c.front(), {0, 0, 5}), 1e-9);
    EXPECT_LT(distance(c.back(), {3, 0, 5}), 1e-9);
    double maxY = 0;
    for (const Vec3& p : c)
        maxY = std::max(maxY, p.y);
    EXPECT_NEAR(maxY, 0.75, 1e-3);
}

TEST(SatReader, CurvesOfUnknownKindsAreStraightLinesAndCounted) {
    const SatEdges edges = readSatEdges(sat(body("coedge $-1 $7 $7 $-1 $8 forward $5 $-1 #\n"
                                                 "edge $-1 $9 $10 $7 $13 forward #\n"
                                                 "vertex $-1 $8 $11 #\n"
                                                 "vertex $-1 $8 $12 #\n"
                                                 "point $-1 0 0 0 #\n"
                                                 "point $-1 1 1 0 #\n"
                                                 "helix-curve $-1 0 0 0 1 0 0 #\n")));
    ASSERT_EQ(edges.curves.size(), 1u);
    EXPECT_EQ(edges.approximated, 1u);
    const auto w = wireframeFromModelerData(
        "3DSOLID",
        sat(body("coedge $-1 $7 $7 $-1 $8 forward $5 $-1 #\nedge $-1 $9 $10 $7 $13 forward #\n"
                 "vertex $-1 $8 $11 #\nvertex $-1 $8 $12 #\npoint $-1 0 0 0 #\npoint $-1 1 1 0 #\n"
                 "helix-curve $-1 0 0 0 1 0 0 #\n")));
    EXPECT_EQ(w->curves.size(), 1u);
    EXPECT_TRUE(w->incomplete.starts_with("drawn in part")) << w->incomplete;
}

TEST(SatReader, SubstitutedTextOfOlderFilesIsDecoded) {
    const std::string plain = sat(body("coedge $-1 $7 $7 $-1 $8 forward $5 $-1 #\n"
                                       "edge $-1 $9 $10 $7 $13 forward #\n"
                                       "vertex $-1 $8 $11 #\n"
                                       "vertex $-1 $8 $12 #\n"
                                       "point $-1 0 0 0 #\n"
                                       "point $-1 7 0 0 #\n"
                                       "straight-curve $-1 0 0 0 1 0 0 I I #\n"));
    // Each character above the space becomes 159 minus itself: "body" is "=0;&".
    const std::string encoded = decodeSatCharacters(plain);
    EXPECT_NE(encoded.find("=0;& {rn"), std::string::npos);
    EXPECT_TRUE(satLooksEncoded(encoded));
    EXPECT_FALSE(satLooksEncoded(plain));
    EXPECT_EQ(decodeSatCharacters(encoded), plain);
    const auto w = wireframeFromModelerData("REGION", encoded);
    EXPECT_EQ(w->typeName, "REGION");
    ASSERT_EQ(w->curves.size(), 1u);
    EXPECT_LT(distance(w->curves[0][1], {7, 0, 0}), 1e-12);
    EXPECT_TRUE(w->incomplete.empty()) << w->incomplete;
}

TEST(SatReader, DamagedDataIsCountedNeverTrusted) {
    // References out of range, to records of the wrong kind, to themselves; vertices without
    // points; non-numbers; an intcurve announcing more knots than it holds; a counted string
    // running past the end.
    const std::string text = sat(body("coedge $-1 $7 $7 $-1 $8 forward $5 $-1 #\n"
                                      "edge $-1 $9 $999999 $7 $13 forward #\n"
                                      "vertex $-1 $8 $9 #\n"
                                      "edge $-1 $14 $15 $7 $16 forward #\n"
                                      "vertex $-1 $8 $17 #\n"
                                      "edge $-1 $14 $14 $7 $16 forward #\n"
                                      "point $-1 x 0 0 #\n"
                                      "intcurve-curve $-1 forward { exactcur nubs 3 open 99999 "
                                      "0 3 1 3 } #\n"
                                      "point $-1 1e300 0 0 #\n"
                                      "edge $-1 $-5 $7 $-1 #\n"
                                      "@99999999 runaway"));
    const SatEdges edges = readSatEdges(text);
    EXPECT_EQ(edges.edges, 4u);
    EXPECT_EQ(edges.curves.size(), 0u);
    EXPECT_EQ(edges.unreadable, 4u);

    EXPECT_FALSE(readSatEdges("").problem.empty());
    EXPECT_FALSE(readSatEdges("garbage").problem.empty());
    EXPECT_EQ(wireframeFromModelerData("3DSOLID", "ACIS BinaryFile\x01\x02")->incomplete,
              "not drawn: binary ACIS data damaged at byte 15: the header is cut short");
    EXPECT_TRUE(wireframeFromModelerData("BODY", "  \n")->incomplete.starts_with("not drawn"));
}

TEST(MeshEdges, EachEdgeOnceAndDamagedFacesSkipped) {
    // A cube's six quads share each of its 12 edges.
    const Vec3 v[8] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                       {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    const std::int64_t faces[] = {4, 0, 1, 2, 3, 4, 4, 5, 6, 7, 4, 0, 1, 5, 4,
                                  4, 1, 2, 6, 5, 4, 2, 3, 7, 6, 4, 3, 0, 4, 7};
    std::size_t damaged = 0;
    const auto edges = meshEdges(v, faces, damaged);
    EXPECT_EQ(edges.size(), 12u);
    EXPECT_EQ(damaged, 0u);

    // An index out of range skips its face; a count beyond the list ends it.
    const std::int64_t bad[] = {3, 0, 1, 99, 3, 0, 1, 2, 1000000, 1};
    const auto some = meshEdges(v, bad, damaged);
    EXPECT_EQ(some.size(), 3u);
    EXPECT_EQ(damaged, 2u);
}

} // namespace
