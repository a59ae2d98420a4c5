#include "QueryEntities.h"
#include "cad/geometry/DisplayList.h"
#include "cad/query/ItemPick.h"
#include "cad/query/Snap.h"

#include <gtest/gtest.h>
#include <map>

using namespace vexor::cad;
using vexor::test::insertEntity;

// Snaps and figures on the exact curves behind flattened items: circles, arcs, ellipses,
// bulged polyline segments and hatch boundaries, also through scaled and turned references.

namespace {

constexpr double kPi = 3.14159265358979323846;

Entity withData(std::uint32_t layer, EntityData data) {
    Entity e;
    e.common.layer = layer;
    e.data = std::move(data);
    return e;
}

Entity closedPolyline(std::uint32_t layer, std::vector<PolyVertex> vertices) {
    Polyline p;
    p.closed = true;
    p.vertices = std::move(vertices);
    return withData(layer, Boxed<Polyline>(p));
}

struct Sample {
    Drawing d;
    std::shared_ptr<const DisplayList> list;
    Sample() {
        const std::uint32_t layer = d.layerIndex("0");
        d.modelSpace.push_back(withData(layer, Circle{{10, 10, 0}, 5}));
        d.modelSpace.push_back(withData(layer, Arc{{0, 40, 0}, 10, 0, kPi / 2}));
        d.modelSpace.push_back(withData(layer, Line{{-10, 80, 0}, {10, 80, 0}}));
        // A 20 x 20 square whose top side bows out into a half circle about (110, 20).
        d.modelSpace.push_back(closedPolyline(
            layer, {{{100, 0, 0}}, {{120, 0, 0}}, {{120, 20, 0}, 1}, {{100, 20, 0}}}));
        // A 20 x 20 square whose closing side (from (200, 20) down to (200, 0)) bows out by
        // bulge 0.5.
        d.modelSpace.push_back(closedPolyline(
            layer, {{{200, 0, 0}}, {{220, 0, 0}}, {{220, 20, 0}}, {{200, 20, 0}, 0.5}}));
        // A solid hatch: a circle of radius 10 about (300, 0) with a 4 x 4 square island.
        Hatch hatch;
        hatch.solid = true;
        HatchLoop outer;
        HatchEdge circle;
        circle.kind = HatchEdge::Kind::Arc;
        circle.center = {300, 0};
        circle.radius = 10;
        circle.start = 0;
        circle.end = 2 * kPi;
        outer.edges.push_back(circle);
        HatchLoop island;
        island.isPolyline = true;
        for (const Vec2 p : {Vec2{298, -2}, Vec2{302, -2}, Vec2{302, 2}, Vec2{298, 2}})
            island.polyline.push_back({{p.x, p.y, 0}});
        hatch.loops = {outer, island};
        d.modelSpace.push_back(withData(layer, Boxed<Hatch>(hatch)));
        // The same boundary about (0, 0) hatched with lines at 45 degrees a unit apart, in a
        // block referenced at (800, 0) doubled.
        for (HatchLoop* loop : {&hatch.loops[0], &hatch.loops[1]}) {
            for (HatchEdge& edge : loop->edges)
                edge.center = edge.center - Vec2{300, 0};
            for (PolyVertex& v : loop->polyline)
                v.p.x -= 300;
        }
        hatch.solid = false;
        hatch.patternName = "ANSI31";
        hatch.patternLines = {{kPi / 4, {0, 0}, {-std::sqrt(0.5), std::sqrt(0.5)}, {}}};
        const std::uint32_t patterned = d.blockIndex("PATTERNED");
        d.blocks[patterned].entities.push_back(withData(layer, Boxed<Hatch>(hatch)));
        d.modelSpace.push_back(insertEntity(layer, patterned, {800, 0}, 0, 2));
        // A unit circle referenced at (500, 0) turned a quarter and stretched (2, 1): an
        // ellipse with its long axis (2) along y.
        const std::uint32_t ring = d.blockIndex("RING");
        d.blocks[ring].entities.push_back(withData(layer, Circle{{0, 0, 0}, 1}));
        Insert stretched;
        stretched.block = ring;
        stretched.insert = {500, 0, 0};
        stretched.rotation = kPi / 2;
        stretched.scale = {2, 1, 1};
        d.modelSpace.push_back(withData(layer, Boxed<Insert>(stretched)));
        // A quarter arc of radius 1 referenced at (600, 0) turned 30 degrees and tripled: radius
        // 3 from 30 to 120 degrees, through a nested reference.
        const std::uint32_t hole = d.blockIndex("HOLE");
        d.blocks[hole].entities.push_back(withData(layer, Arc{{0, 0, 0}, 1, 0, kPi / 2}));
        const std::uint32_t plate = d.blockIndex("PLATE");
        d.blocks[plate].entities.push_back(insertEntity(layer, hole, {0, 0}, kPi / 6, 3));
        d.modelSpace.push_back(insertEntity(layer, plate, {600, 0}));
        // An ellipse about (700, 0) with semi-axes 4 and 2.
        Ellipse ellipse;
        ellipse.center = {700, 0, 0};
        ellipse.majorAxis = {4, 0, 0};
        ellipse.ratio = 0.5;
        d.modelSpace.push_back(withData(layer, Boxed<Ellipse>(ellipse)));
        list = compileDisplayList(d);
    }
    std::optional<SnapResult> at(Vec2 p, unsigned kinds, std::optional<Vec2> from = {}) const {
        return snapAt(*list, list->modelSpace(), p, 0.5, kinds, {}, from);
    }
    std::map<std::string, std::string> describedAt(Vec2 p) const {
        std::map<std::string, std::string> m;
        const auto picked = itemsAt(*list, list->modelSpace(), p, 0.3, {});
        if (!picked.empty())
            for (const auto& [name, value] : describeItem(*list, d, picked.front(), {2, 4}))
                m[name] = value;
        return m;
    }
    ExactFigures figuresAt(Vec2 p) const {
        const auto picked = itemsAt(*list, list->modelSpace(), p, 0.3, {});
        return picked.empty() ? ExactFigures{} : exactFigures(picked.front());
    }
};

void expectSnap(const std::optional<SnapResult>& s, SnapKind kind, Vec2 p, double tol = 1e-9) {
    ASSERT_TRUE(s.has_value()) << "expected at " << p.x << ", " << p.y;
    EXPECT_EQ(s->kind, kind);
    EXPECT_NEAR(s->point.x, p.x, tol);
    EXPECT_NEAR(s->point.y, p.y, tol);
}

Vec2 polar(Vec2 c, double r, double angle) {
    return {c.x + r * std::cos(angle), c.y + r * std::sin(angle)};
}

} // namespace

TEST(CurveSnap, CentresAndQuadrantsOfCirclesArcsAndBulges) {
    Sample s;
    const unsigned both = kSnapCentre | kSnapQuadrant;
    // On the circle away from its quadrants: its centre; near a quadrant: that.
    expectSnap(s.at(polar({10, 10}, 5, kPi / 4), both), kSnapCentre, {10, 10});
    expectSnap(s.at({10.2, 9.9}, kSnapCentre), kSnapCentre, {10, 10}); // at the centre itself
    expectSnap(s.at({15.1, 10.2}, both), kSnapQuadrant, {15, 10});
    expectSnap(s.at({9.8, 4.9}, both), kSnapQuadrant, {10, 5});
    // The quarter arc from 0 to 90 degrees has two quadrants, its ends; 180 degrees is off it.
    expectSnap(s.at({0.1, 50.2}, kSnapQuadrant), kSnapQuadrant, {0, 50});
    EXPECT_FALSE(s.at({-9.9, 40.3}, kSnapQuadrant).has_value());
    expectSnap(s.at(polar({0, 40}, 10, 1), kSnapCentre), kSnapCentre, {0, 40});
    // The bulged side of the first square: a half circle about (110, 20), top at (110, 30).
    expectSnap(s.at({110.2, 29.9}, kSnapQuadrant), kSnapQuadrant, {110, 30});
    expectSnap(s.at(polar({110, 20}, 10, 2.5), kSnapCentre), kSnapCentre, {110, 20});
    // The straight sides have none.
    EXPECT_FALSE(s.at({110, 0.1}, kSnapCentre | kSnapQuadrant).has_value());
}

TEST(CurveSnap, TheNearestPointLiesOnTheCurveNotOnItsFlattenedChords) {
    Sample s;
    // Between two flattened points of the circle, outside and inside it.
    const double a = 2 * kPi / 96 * 10.5;
    expectSnap(s.at(polar({10, 10}, 5.3, a), kSnapNearest), kSnapNearest, polar({10, 10}, 5, a),
               1e-12);
    expectSnap(s.at(polar({10, 10}, 4.8, a), kSnapNearest), kSnapNearest, polar({10, 10}, 5, a),
               1e-12);
    // On the ellipse about (700, 0), semi-axes 4 and 2: the point at parameter t is nearest
    // to any point along its normal there.
    const double t = 0.7;
    const Vec2 onEllipse{700 + 4 * std::cos(t), 2 * std::sin(t)};
    const Vec2 normal{2 * std::cos(t), 4 * std::sin(t)}; // (b cos t, a sin t), unnormalised
    const Vec2 off = onEllipse + normal * (0.2 / length(normal));
    expectSnap(s.at(off, kSnapNearest), kSnapNearest, onEllipse, 1e-9);
}

TEST(CurveSnap, ThroughReferencesScaledAndTurned) {
    Sample s;
    // The stretched circle: an ellipse about (500, 0) whose axes end at (500, +-2), (500 +- 1, 0).
    expectSnap(s.at({500.1, 1.9}, kSnapQuadrant), kSnapQuadrant, {500, 2});
    expectSnap(s.at({498.9, 0.1}, kSnapQuadrant), kSnapQuadrant, {499, 0});
    expectSnap(s.at({500.2, -1.95}, kSnapCentre | kSnapQuadrant), kSnapQuadrant, {500, -2});
    // The nested arc: radius 3 about (600, 0) from 30 to 120 degrees. Its quadrant is the top
    // at (600, 3), in world axes, not the block's.
    expectSnap(s.at({600.1, 2.9}, kSnapQuadrant), kSnapQuadrant, {600, 3});
    EXPECT_FALSE(s.at({602.9, 0.1}, kSnapQuadrant).has_value()) << "0 degrees is off the arc";
    expectSnap(s.at(polar({600, 0}, 3, kPi / 4), kSnapCentre), kSnapCentre, {600, 0});
    expectSnap(s.at(polar({600, 0}, 3.1, kPi * 75 / 180 + 0.05), kSnapMidpoint), kSnapMidpoint,
               polar({600, 0}, 3, kPi * 75 / 180));
}

TEST(CurveSnap, PerpendicularAndTangentFromTheLastPoint) {
    Sample s;
    const Vec2 from{30, 10};
    // Perpendicular to the circle about (10, 10): along the line through its centre.
    expectSnap(s.at({15.1, 10.3}, kSnapPerpendicular, from), kSnapPerpendicular, {15, 10});
    expectSnap(s.at({4.9, 9.8}, kSnapPerpendicular, from), kSnapPerpendicular, {5, 10});
    // Tangent: 20 from the centre to a radius 5, so at acos(5 / 20) either side.
    const double a = std::acos(0.25);
    const Vec2 upper = polar({10, 10}, 5, a), lower = polar({10, 10}, 5, -a);
    expectSnap(s.at(upper + Vec2{0.1, 0.2}, kSnapTangent, from), kSnapTangent, upper);
    expectSnap(s.at(lower + Vec2{-0.2, 0.1}, kSnapTangent, from), kSnapTangent, lower);
    EXPECT_FALSE(s.at(upper, kSnapTangent).has_value()) << "no last point";
    // Perpendicular to the line from (-10, 80) to (10, 80), from above it.
    expectSnap(s.at({3.3, 80.2}, kSnapPerpendicular, Vec2{3, 95}), kSnapPerpendicular, {3, 80});
    // Tangent to the ellipse about (700, 0) from (710, 0): the touching point T satisfies
    // x0 * x / a^2 = 1 (the polar line), so x = 700 + 16 / 10, y = 2 sqrt(1 - 1.6^2 / 16).
    const Vec2 touch{701.6, 2 * std::sqrt(1 - 1.6 * 1.6 / 16)};
    expectSnap(s.at(touch + Vec2{0.1, 0.1}, kSnapTangent, Vec2{710, 0}), kSnapTangent, touch, 1e-9);
    // Perpendicular to the ellipse from above its centre: its top, the end of the minor axis.
    expectSnap(s.at({700.2, 2.1}, kSnapPerpendicular, Vec2{700, 9}), kSnapPerpendicular, {700, 2},
               1e-9);
}

TEST(CurveSnap, AHatchSnapsOnEachOfItsLoopsAndNotBetweenThem) {
    Sample s;
    const unsigned kinds = kSnapEndpoint | kSnapMidpoint | kSnapNearest | kSnapQuadrant;
    expectSnap(s.at({302.2, 2.1}, kinds), kSnapEndpoint, {302, 2});
    expectSnap(s.at({302.1, 0.2}, kinds), kSnapMidpoint, {302, 0});
    expectSnap(s.at({309.9, 0.3}, kinds), kSnapQuadrant, {310, 0});
    // Between the outer circle's last point and the island's first runs no edge.
    EXPECT_FALSE(s.at({304, -1}, kinds).has_value());
}

TEST(CurveFigures, RadiusDiameterAndExactAreas) {
    Sample s;
    auto m = s.describedAt({15, 10});
    EXPECT_EQ(m["Type"], "CIRCLE");
    EXPECT_EQ(m["Radius"], "5.0000");
    EXPECT_EQ(m["Diameter"], "10.0000");
    EXPECT_EQ(m["Centre"], "10.0000, 10.0000");
    EXPECT_EQ(m["Area"], "78.5398") << "pi 5^2";
    EXPECT_EQ(m["Perimeter"], "31.4159");
    m = s.describedAt({10, 40});
    EXPECT_EQ(m["Radius"], "10.0000");
    EXPECT_EQ(m["Length"], "15.7080") << "a quarter of 2 pi 10";
    EXPECT_EQ(m.count("Area"), 0u) << "an open arc has none";

    // The square with a half circle on top: 400 + pi 10^2 / 2; sides 60 + pi 10.
    ExactFigures f = s.figuresAt({110, 30});
    ASSERT_TRUE(f.closed);
    EXPECT_FALSE(f.curve);
    EXPECT_NEAR(f.area, 400 + kPi * 50, 1e-9);
    EXPECT_NEAR(f.perimeter, 60 + kPi * 10, 1e-9);
    // The closing side bowed by 0.5: chord 20, radius 10 (1 + b^2) / (2 b) = 12.5, angle
    // 4 atan 0.5; the circular segment r^2 / 2 (angle - sin angle) is added.
    const double angle = 4 * std::atan(0.5), r = 12.5;
    f = s.figuresAt({220, 10});
    EXPECT_NEAR(f.area, 400 + r * r / 2 * (angle - std::sin(angle)), 1e-9);
    EXPECT_NEAR(f.perimeter, 60 + r * angle, 1e-9);
    // The hatch: the circle less its island.
    f = s.figuresAt({305, 0});
    ASSERT_TRUE(f.closed);
    EXPECT_NEAR(f.area, kPi * 100 - 16, 1e-9);
    EXPECT_NEAR(f.perimeter, 2 * kPi * 10 + 16, 1e-9);
    // The pattern hatch's lines give its boundary's figures, through the doubling reference.
    f = s.figuresAt({810, 10});
    ASSERT_TRUE(f.closed);
    EXPECT_NEAR(f.area, 4 * (kPi * 100 - 16), 1e-9);
    EXPECT_NEAR(f.perimeter, 2 * (2 * kPi * 10 + 16), 1e-9);
    // The stretched circle through its reference: pi 2 1, with its two semi-axes.
    f = s.figuresAt({500, 2});
    ASSERT_TRUE(f.curve);
    EXPECT_FALSE(f.circular);
    EXPECT_NEAR(f.radius, 2, 1e-12);
    EXPECT_NEAR(f.minorRadius, 1, 1e-12);
    EXPECT_NEAR(f.area, 2 * kPi, 1e-9);
    // The ellipse: pi 4 2, its perimeter by Ramanujan's close approximation.
    f = s.figuresAt({704, 0});
    EXPECT_NEAR(f.area, 8 * kPi, 1e-9);
    const double h = (4.0 - 2) * (4.0 - 2) / ((4.0 + 2) * (4.0 + 2));
    EXPECT_NEAR(f.perimeter, kPi * 6 * (1 + 3 * h / (10 + std::sqrt(4 - 3 * h))), 1e-6);
    // The nested arc: radius 3 through two references.
    m = s.describedAt(polar({600, 0}, 3, kPi / 2));
    EXPECT_EQ(m["Radius"], "3.0000");
    EXPECT_EQ(m["Block"], "PLATE > HOLE");
}

TEST(CurveFigures, ALongListKeepsEachItemsCurveAndSourceThroughItsCompile) {
    // Enough circles to be compiled in parts on several threads and stored in spatial order:
    // every item's curve and entity must follow it there.
    Drawing d;
    const std::uint32_t layer = d.layerIndex("0");
    constexpr int kCount = 40000;
    auto x = [](std::int64_t i) { return static_cast<double>(i * 7919 % 1000); };
    auto y = [](std::int64_t i) { return static_cast<double>(i * 104729 % 997); };
    for (int i = 0; i < kCount; ++i) {
        // Scattered so that the spatial order is far from the drawing order.
        Entity e = withData(layer, Circle{{x(i), y(i), 0}, 0.25 + (i % 7) * 0.01});
        e.common.handle = static_cast<std::uint64_t>(i) + 0x100;
        d.modelSpace.push_back(e);
    }
    const auto list = compileDisplayList(d);
    const ItemList& items = list->modelSpace();
    ASSERT_EQ(items.items.size(), static_cast<std::size_t>(kCount));
    ASSERT_EQ(items.curves.size(), static_cast<std::size_t>(kCount));
    for (std::uint32_t k = 0; k < items.items.size(); ++k) {
        const auto curves = items.curvesOf(k);
        ASSERT_EQ(curves.size(), 1u) << k;
        const ItemSource* source = items.sourceOfItem(k);
        ASSERT_NE(source, nullptr);
        EXPECT_STREQ(source->type, "CIRCLE");
        const int i = static_cast<int>(source->handle - 0x100);
        const ConicArc& arc = curves[0].arc;
        EXPECT_EQ(arc.centre.x, x(i)) << k;
        EXPECT_EQ(arc.centre.y, y(i)) << k;
        const Vec2 first = items.points[items.items[k].first];
        EXPECT_NEAR(length(first - arc.centre), 0.25 + (i % 7) * 0.01, 1e-12) << k;
        if (HasFailure())
            break;
    }
}
