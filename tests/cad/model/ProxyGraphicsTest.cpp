#include "cad/dwg/ProxyGraphics.h"

#include "cad/dwg/BitWriter.h"
#include "cad/model/ProxyGraphicsBytes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <numbers>
#include <string>
#include <vector>

using namespace vexor::cad;
using vexor::test::Graphics;

namespace {

StandInData decode(const std::vector<std::uint8_t>& bytes, std::size_t layers = 4) {
    ProxyGraphicsContext context;
    context.parent.color = Color::indexed(3);
    context.parent.layer = 1;
    context.layerCount = layers;
    return decodeProxyGraphics(bytes, "AEC_WALL", context);
}

bool near(Vec3 a, Vec3 b, double tol = 1e-9) {
    return std::fabs(a.x - b.x) < tol && std::fabs(a.y - b.y) < tol && std::fabs(a.z - b.z) < tol;
}

const Polyline& polylineOf(const Entity& e) {
    return dataOf<Polyline>(e.data);
}

} // namespace

TEST(ProxyGraphics, CurvesComeOutAsCirclesAndArcsInTheirPlane) {
    Graphics g;
    g.chunk(1).vec(0, 0).vec(10, 10); // extents: nothing drawn
    g.chunk(2).vec(1, 2, 3).f64(4).vec(0, 0, 1);
    g.chunk(3).vec(1, 0).vec(0, 1).vec(-1, 0); // unit circle through three points
    g.chunk(4).vec(0, 0).f64(2).vec(0, 0, 1).vec(0, 1).f64(-std::numbers::pi / 2).u32(0);
    g.chunk(5).vec(1, 0).vec(0, 1).vec(-1, 0).u32(2); // half circle closed by its chord
    const StandInData d = decode(g.bytes());
    ASSERT_EQ(d.entities.size(), 5u);
    EXPECT_EQ(d.typeName, "AEC_WALL");
    EXPECT_TRUE(d.omissions.empty());

    const auto& c = std::get<Circle>(d.entities[0].data);
    EXPECT_TRUE(near(c.center, {1, 2, 3}));
    EXPECT_DOUBLE_EQ(c.radius, 4);
    const auto& c3 = std::get<Circle>(d.entities[1].data);
    EXPECT_TRUE(near(c3.center, {0, 0, 0}));
    EXPECT_NEAR(c3.radius, 1, 1e-12);

    // A clockwise sweep of a quarter from the y axis is the arc from 0 to 90 degrees.
    const auto& a = std::get<Arc>(d.entities[2].data);
    EXPECT_NEAR(a.startAngle, 0, 1e-12);
    EXPECT_NEAR(a.endAngle, std::numbers::pi / 2, 1e-12);

    const auto& half = std::get<Arc>(d.entities[3].data);
    EXPECT_NEAR(half.startAngle, 0, 1e-12);
    EXPECT_NEAR(half.endAngle, std::numbers::pi, 1e-12);
    const Polyline& chord = polylineOf(d.entities[4]);
    ASSERT_EQ(chord.vertices.size(), 2u);
    EXPECT_TRUE(near(chord.vertices[0].p, {-1, 0, 0}));
    EXPECT_TRUE(near(chord.vertices[1].p, {1, 0, 0}));
}

TEST(ProxyGraphics, TraitsChangeWhatFollowsAndPolygonsFillWhenAsked) {
    Graphics g;
    g.chunk(6).u32(2).vec(0, 0).vec(5, 0); // entity's own colour and layer
    g.chunk(14).u32(1);                    // red
    g.chunk(16).u32(2);                    // layer 2
    g.chunk(23).u32(50);                   // 0.50 mm
    g.chunk(7).u32(3).vec(0, 0).vec(1, 0).vec(0, 1);
    g.chunk(22).u32(0xC2112233); // true colour
    g.chunk(16).u32(99);         // no such layer: kept
    g.chunk(20).u32(1);          // fill on
    g.chunk(7).u32(3).vec(0, 0).vec(1, 0).vec(0, 1);
    g.chunk(14).u32(0); // by block: the entity's colour
    g.chunk(32).u32(2).vec(0, 0).vec(0, 5).vec(0, 0, 1);
    const StandInData d = decode(g.bytes());
    ASSERT_EQ(d.entities.size(), 4u);

    EXPECT_EQ(d.entities[0].common.color, Color::indexed(3));
    EXPECT_EQ(d.entities[0].common.layer, 1u);
    EXPECT_FALSE(polylineOf(d.entities[0]).closed);

    EXPECT_EQ(d.entities[1].common.color, Color::indexed(1));
    EXPECT_EQ(d.entities[1].common.layer, 2u);
    EXPECT_EQ(d.entities[1].common.lineweight, 50);
    EXPECT_TRUE(polylineOf(d.entities[1]).closed);

    const auto& fill = dataOf<Hatch>(d.entities[2].data);
    EXPECT_TRUE(fill.solid);
    ASSERT_EQ(fill.loops.size(), 1u);
    EXPECT_EQ(fill.loops[0].polyline.size(), 3u);
    EXPECT_EQ(d.entities[2].common.color, Color::trueColor(0x112233));
    EXPECT_EQ(d.entities[2].common.layer, 2u);

    EXPECT_EQ(d.entities[3].common.color, Color::indexed(3));
}

TEST(ProxyGraphics, MeshesShellsRaysAndTexts) {
    Graphics h;
    h.chunk(8).u32(2).u32(2).vec(0, 0).vec(1, 0).vec(0, 1).vec(1, 1);
    h.chunk(9).u32(5).vec(0, 0).vec(2, 0).vec(3, 2).vec(1, 3).vec(-1, 2).u32(6).u32(5);
    for (std::uint32_t i = 0; i < 5; ++i)
        h.u32(i);
    h.chunk(13).vec(1, 1).vec(2, 1);
    h.chunk(12).vec(0, 0).vec(0, 3);
    h.chunk(10).vec(5, 5).vec(0, 0, 1).vec(0, 1).f64(2.5).f64(0.8).f64(0).text("Door");
    h.chunk(11).vec(1, 1).vec(0, 0, 1).vec(1, 0).text("W1").u32(2).u32(0);
    h.f64(1.5).f64(1).f64(0).f64(1).u32(1).u32(0).u32(0).u32(0).u32(0).text("").text("");
    h.chunk(36).vec(0, 0).vec(0, 0, 1).vec(1, 0).f64(1).f64(1).f64(0).text16(u"Größe");
    const StandInData d = decode(h.bytes());
    ASSERT_EQ(d.entities.size(), 7u);

    const Polyline& mesh = polylineOf(d.entities[0]);
    EXPECT_EQ(mesh.kind, Polyline::Kind::PolygonMesh);
    EXPECT_EQ(mesh.meshM, 2);
    EXPECT_EQ(mesh.meshN, 2);

    const Polyline& shell = polylineOf(d.entities[1]);
    EXPECT_EQ(shell.kind, Polyline::Kind::PolyfaceMesh);
    // Three triangles; only the pentagon's outline is visible.
    const std::vector<std::int32_t> faces{1, 2, -3, 0, -1, 3, -4, 0, -1, 4, 5, 0};
    EXPECT_EQ(shell.faces, faces);

    const auto& ray = dataOf<Ray>(d.entities[2].data);
    EXPECT_EQ(ray.kind, Ray::Kind::Ray);
    EXPECT_TRUE(near(ray.direction, {1, 0, 0}));
    EXPECT_EQ(dataOf<Ray>(d.entities[3].data).kind, Ray::Kind::ConstructionLine);

    const auto& door = dataOf<Text>(d.entities[4].data);
    EXPECT_EQ(door.text, "Door");
    EXPECT_DOUBLE_EQ(door.height, 2.5);
    EXPECT_DOUBLE_EQ(door.widthFactor, 0.8);
    EXPECT_NEAR(door.rotation, std::numbers::pi / 2, 1e-12);
    EXPECT_TRUE(near(door.insert, {5, 5, 0}));

    const auto& w1 = dataOf<Text>(d.entities[5].data);
    EXPECT_EQ(w1.text, "W1");
    EXPECT_DOUBLE_EQ(w1.height, 1.5);
    EXPECT_TRUE(w1.mirrorX);
    EXPECT_EQ(dataOf<Text>(d.entities[6].data).text, "Größe");
}

TEST(ProxyGraphics, TransformsNestAndArePoppedAndUnknownKindsAreNamed) {
    Graphics g;
    // Move by (10, 0, 0), then scale by 2: a unit circle at the origin lands at (10, 0) with
    // radius 2, traced as points.
    g.chunk(29);
    for (double v : {1., 0., 0., 10., 0., 1., 0., 0., 0., 0., 1., 0., 0., 0., 0., 1.})
        g.f64(v);
    g.chunk(30);
    for (double v : {2., 0., 0., 0., 0., 2., 0., 0., 0., 0., 2., 0., 0., 0., 0., 1.})
        g.f64(v);
    g.chunk(2).vec(0, 0).f64(1).vec(0, 0, 1);
    g.chunk(31);
    g.chunk(31);
    g.chunk(31); // one pop too many: ignored
    g.chunk(6).u32(2).vec(0, 0).vec(1, 0);
    g.chunk(77).u32(5); // unknown kind with data
    g.chunk(21);        // unknown kind without data: nothing to say
    const StandInData d = decode(g.bytes());
    ASSERT_EQ(d.entities.size(), 2u);
    const Polyline& circle = polylineOf(d.entities[0]);
    EXPECT_TRUE(circle.closed);
    for (const PolyVertex& v : circle.vertices)
        EXPECT_NEAR(std::hypot(v.p.x - 10, v.p.y), 2, 1e-9);
    const Polyline& line = polylineOf(d.entities[1]);
    EXPECT_TRUE(near(line.vertices[1].p, {1, 0, 0}));
    ASSERT_EQ(d.omissions.size(), 1u);
    EXPECT_NE(d.omissions[0].find("unknown kinds"), std::string::npos);
}

TEST(ProxyGraphics, DamagedDataKeepsWhatCameBeforeAndNeverOverreads) {
    Graphics g;
    g.chunk(6).u32(2).vec(0, 0).vec(1, 0);
    g.chunk(6).u32(0x7FFFFFFF).vec(0, 0); // a count far beyond the chunk
    g.chunk(6).u32(2).vec(0, 0).vec(2, 0);
    const StandInData huge = decode(g.bytes());
    ASSERT_EQ(huge.entities.size(), 1u);
    ASSERT_EQ(huge.omissions.size(), 1u);
    EXPECT_NE(huge.omissions[0].find("damaged"), std::string::npos);

    // Every cut of a good picture decodes without reading past its end.
    Graphics full;
    full.chunk(2).vec(1, 2, 3).f64(4).vec(0, 0, 1);
    full.chunk(10).vec(5, 5).vec(0, 0, 1).vec(0, 1).f64(2.5).f64(0.8).f64(0).text("Door");
    full.chunk(9).u32(3).vec(0, 0).vec(2, 0).vec(3, 2).u32(4).u32(3).u32(0).u32(1).u32(2);
    const std::vector<std::uint8_t> bytes = full.bytes();
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + n);
        const StandInData d = decode(cut);
        EXPECT_LE(d.entities.size(), 3u);
    }
    EXPECT_EQ(decode(bytes).entities.size(), 3u);

    // A chunk size running past the data, and one too small to hold its own header.
    std::vector<std::uint8_t> past = bytes;
    past[8] = 0xFF;
    past[9] = 0xFF;
    EXPECT_TRUE(decode(past).entities.empty());
    std::vector<std::uint8_t> tiny = bytes;
    tiny[8] = 4;
    tiny[9] = 0;
    EXPECT_TRUE(decode(tiny).entities.empty());
    EXPECT_FALSE(decode(tiny).omissions.empty());

    // A sweep of many turns is one turn, also when traced as points for a fill.
    Graphics turns;
    turns.chunk(20).u32(1);
    turns.chunk(4).vec(0, 0).f64(1).vec(0, 0, 1).vec(1, 0).f64(1e300).u32(0);
    const StandInData filled = decode(turns.bytes());
    ASSERT_EQ(filled.entities.size(), 1u);
    EXPECT_LE(dataOf<Hatch>(filled.entities[0].data).loops.at(0).polyline.size(), 260u);

    // Non-finite numbers end the picture rather than reaching the drawing.
    Graphics nan;
    nan.chunk(2).vec(std::nan(""), 0).f64(1).vec(0, 0, 1);
    EXPECT_TRUE(decode(nan.bytes()).entities.empty());
}

TEST(ProxyGraphics, TransformNestingIsCapped) {
    Graphics g;
    for (int i = 0; i < kMaxProxyTransformDepth + 10; ++i) {
        g.chunk(29);
        for (double v : {1., 0., 0., 1., 0., 1., 0., 0., 0., 0., 1., 0., 0., 0., 0., 1.})
            g.f64(v);
    }
    g.chunk(6).u32(2).vec(0, 0).vec(1, 0);
    const StandInData d = decode(g.bytes());
    ASSERT_EQ(d.entities.size(), 1u);
    // Only the first kMaxProxyTransformDepth moves of one unit apply.
    EXPECT_NEAR(polylineOf(d.entities[0]).vertices[0].p.x, kMaxProxyTransformDepth, 1e-9);
    EXPECT_FALSE(d.omissions.empty());
}

namespace {

// A light polyline body as a DWG file codes it: closed, at elevation 5, through (0, 0),
// (10, 0) and (10, 10), the second segment a half circle bulging to the left (clockwise).
std::vector<std::uint8_t> lightPolylineBody() {
    vexor::test::BitWriter w;
    auto bitDouble = [&](double v) {
        w.bits(0, 2);
        w.rawDouble(v);
    };
    w.bitShort(512 | 16 | 8);
    bitDouble(5); // elevation
    w.bitLong(3); // points
    w.bitLong(3); // bulges
    w.rawDouble(0);
    w.rawDouble(0);
    w.bits(3, 2); // x: a new value
    w.rawDouble(10);
    w.bits(0, 2); // y: as before
    w.bits(0, 2);
    w.bits(3, 2);
    w.rawDouble(10);
    bitDouble(0);
    bitDouble(-1);
    bitDouble(0);
    for (int i = 0; i < 3; ++i)
        w.rawChar(0); // bytes of unknown use
    return w.bytes();
}

} // namespace

TEST(ProxyGraphics, LightPolylinesAreReadFromTheirBitCodedBody) {
    const std::vector<std::uint8_t> body = lightPolylineBody();
    Graphics g;
    g.chunk(33).u32(static_cast<std::uint32_t>(body.size())).block(body);
    // The same under a move by (100, 0, 0): traced as points, the half circle kept round.
    g.chunk(29);
    for (double v : {1., 0., 0., 100., 0., 1., 0., 0., 0., 0., 1., 0., 0., 0., 0., 1.})
        g.f64(v);
    g.chunk(33).u32(static_cast<std::uint32_t>(body.size())).block(body);
    g.chunk(31);
    // A body whose count claims more points than it holds is left out and named.
    std::vector<std::uint8_t> cut(body.begin(), body.begin() + 12);
    g.chunk(33).u32(static_cast<std::uint32_t>(cut.size())).block(cut);
    const StandInData d = decode(g.bytes());
    ASSERT_EQ(d.entities.size(), 2u);

    const Polyline& p = polylineOf(d.entities[0]);
    EXPECT_EQ(p.kind, Polyline::Kind::Light);
    EXPECT_TRUE(p.closed);
    ASSERT_EQ(p.vertices.size(), 3u);
    EXPECT_TRUE(near(p.vertices[1].p, {10, 0, 5}));
    EXPECT_TRUE(near(p.vertices[2].p, {10, 10, 5}));
    EXPECT_DOUBLE_EQ(p.vertices[1].bulge, -1);
    EXPECT_EQ(d.entities[0].common.color, Color::indexed(3));

    const Polyline& moved = polylineOf(d.entities[1]);
    EXPECT_TRUE(moved.closed);
    ASSERT_GT(moved.vertices.size(), 10u);
    bool throughLeftmost = false;
    for (const PolyVertex& v : moved.vertices) {
        EXPECT_NEAR(v.p.z, 5, 1e-9);
        throughLeftmost = throughLeftmost || near(v.p, {105, 5, 5}, 1e-9);
        if (v.p.x > 100 + 1e-9 && v.p.x < 110 - 1e-9) { // on the half circle about (110, 5)
            EXPECT_NEAR(std::hypot(v.p.x - 110, v.p.y - 5), 5, 1e-9);
        }
    }
    EXPECT_TRUE(throughLeftmost);
    ASSERT_EQ(d.omissions.size(), 1u);
    EXPECT_NE(d.omissions[0].find("light polylines"), std::string::npos);
}

TEST(ProxyGraphics, EllipticArcsKeepTheirRadiiAndParameters) {
    Graphics g;
    g.chunk(44).vec(1, 2).vec(0, 0, 1).f64(4).f64(2).f64(0).f64(std::numbers::pi / 2).u32(0);
    // Radii the other way round: the same shape turned, starting where it did.
    g.chunk(44).vec(1, 2).vec(0, 0, 1).f64(2).f64(4).f64(0).f64(std::numbers::pi / 2).u32(0);
    g.chunk(44).vec(0, 0).vec(0, 0, 1).f64(4).f64(2).f64(0).f64(std::numbers::pi).u32(2);
    g.chunk(44).vec(0, 0).vec(0, 0, 1).f64(-4).f64(2).f64(0).f64(1).u32(0); // no size: skipped
    const StandInData d = decode(g.bytes());
    ASSERT_EQ(d.entities.size(), 3u);
    EXPECT_TRUE(d.omissions.empty());

    const auto& e = dataOf<Ellipse>(d.entities[0].data);
    EXPECT_TRUE(near(e.center, {1, 2, 0}));
    EXPECT_TRUE(near(e.majorAxis, {4, 0, 0}));
    EXPECT_DOUBLE_EQ(e.ratio, 0.5);
    EXPECT_NEAR(e.startParam, 0, 1e-12);
    EXPECT_NEAR(e.endParam, std::numbers::pi / 2, 1e-12);

    // Both ellipses go from (x + 2, y) to (x, y + 4) counter-clockwise.
    const auto& turned = dataOf<Ellipse>(d.entities[1].data);
    EXPECT_NEAR(std::hypot(turned.majorAxis.x, turned.majorAxis.y), 4, 1e-12);
    EXPECT_DOUBLE_EQ(turned.ratio, 0.5);
    const Vec3 minor = cross(Vec3{0, 0, 1}, turned.majorAxis) * turned.ratio;
    auto at = [&](double t) {
        return turned.center + turned.majorAxis * std::cos(t) + minor * std::sin(t);
    };
    EXPECT_TRUE(near(at(turned.startParam), {3, 2, 0}, 1e-9));
    EXPECT_TRUE(near(at(turned.endParam), {1, 6, 0}, 1e-9));

    // Closed by its chord: traced from (4, 0) over the top to (-4, 0), and closed.
    const Polyline& chord = polylineOf(d.entities[2]);
    EXPECT_TRUE(chord.closed);
    EXPECT_TRUE(near(chord.vertices.front().p, {4, 0, 0}, 1e-9));
    EXPECT_TRUE(near(chord.vertices.back().p, {-4, 0, 0}, 1e-9));
    for (const PolyVertex& v : chord.vertices)
        EXPECT_NEAR(v.p.x * v.p.x / 16 + v.p.y * v.p.y / 4, 1, 1e-9);
}
