#include "cad/query/Snap.h"

#include "cad/geometry/DisplayList.h"

#include <gtest/gtest.h>

using namespace vexor::cad;

namespace {

constexpr double kPi = 3.14159265358979323846;

Entity lineEntity(std::uint32_t layer, Vec2 a, Vec2 b) {
    Entity e;
    e.common.layer = layer;
    e.data = Line{{a.x, a.y, 0}, {b.x, b.y, 0}};
    return e;
}

// Two crossing lines, a half circle drawn as a bulged polyline, a reference turned a quarter
// and doubled holding a unit line, a point and a text.
struct Sample {
    Drawing d;
    std::shared_ptr<const DisplayList> list;
    Sample() {
        const std::uint32_t layer = d.layerIndex("0");
        d.modelSpace.push_back(lineEntity(layer, {0, 0}, {10, 0}));
        d.modelSpace.push_back(lineEntity(layer, {3, -5}, {3, 5}));
        Polyline arc;
        arc.vertices.push_back({{20, 0, 0}, 1});
        arc.vertices.push_back({{30, 0, 0}});
        Entity pe;
        pe.common.layer = layer;
        pe.data = Boxed<Polyline>(arc);
        d.modelSpace.push_back(pe);
        const std::uint32_t block = d.blockIndex("UNIT");
        d.blocks[block].entities.push_back(lineEntity(layer, {0, 0}, {1, 0}));
        Insert insert;
        insert.block = block;
        insert.insert = {100, 100, 0};
        insert.rotation = kPi / 2;
        insert.scale = {2, 2, 1};
        Entity ie;
        ie.common.layer = layer;
        ie.data = Boxed<Insert>(insert);
        d.modelSpace.push_back(ie);
        Entity point;
        point.common.layer = layer;
        point.data = Point{{50, 50, 0}};
        d.modelSpace.push_back(point);
        Text text;
        text.text = "Label";
        text.insert = {60, 60, 0};
        text.height = 2;
        Entity te;
        te.common.layer = layer;
        te.data = Boxed<Text>(text);
        d.modelSpace.push_back(te);
        list = compileDisplayList(d);
    }
    std::optional<SnapResult> at(Vec2 p, unsigned kinds, double tolerance = 0.5) const {
        return snapAt(*list, list->modelSpace(), p, tolerance, kinds, {});
    }
};

constexpr unsigned kAll =
    kSnapEndpoint | kSnapMidpoint | kSnapIntersection | kSnapNearest | kSnapNode | kSnapInsertion;

void expectSnap(const std::optional<SnapResult>& s, SnapKind kind, Vec2 p) {
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->kind, kind);
    EXPECT_NEAR(s->point.x, p.x, 1e-9);
    EXPECT_NEAR(s->point.y, p.y, 1e-9);
}

} // namespace

TEST(Snap, EndpointsMidpointsAndIntersectionsLandExactly) {
    Sample s;
    expectSnap(s.at({0.1, 0.2}, kAll), kSnapEndpoint, {0, 0});
    expectSnap(s.at({5.2, 0.1}, kAll), kSnapMidpoint, {5, 0});
    expectSnap(s.at({3.2, -0.1}, kAll), kSnapIntersection, {3, 0});
    expectSnap(s.at({7, 0.2}, kAll), kSnapNearest, {7, 0}); // nothing else near
    EXPECT_FALSE(s.at({7, 0.2}, kSnapEndpoint).has_value());
    EXPECT_FALSE(s.at({7, 0.6}, kAll).has_value()) << "beyond the tolerance";
}

TEST(Snap, ABulgedPolylineSnapsAtItsEndsNotAtItsFlattenedVertices) {
    Sample s;
    expectSnap(s.at({29.8, 0.1}, kAll), kSnapEndpoint, {30, 0});
    // The half circle about (25, 0) runs through (25, -5) (bulge 1: counter-clockwise): that
    // is the arc's midpoint, while the flattened vertices beside it are no endpoints.
    EXPECT_FALSE(s.at({25, -5.05}, kSnapEndpoint).has_value());
    EXPECT_FALSE(s.at({24.2, -4.95}, kSnapEndpoint | kSnapMidpoint).has_value());
    expectSnap(s.at({25.1, -5.05}, kSnapEndpoint | kSnapMidpoint), kSnapMidpoint, {25, -5});
    const auto near = s.at({25, -5.05}, kSnapNearest);
    ASSERT_TRUE(near.has_value());
    EXPECT_NEAR(near->point.y, -5, 0.05);
}

TEST(Snap, InsideAReferenceTurnedAndScaled) {
    Sample s;
    // The unit line doubled and turned a quarter at (100, 100): from (100, 100) to (100, 102).
    expectSnap(s.at({100.1, 101.9}, kAll), kSnapEndpoint, {100, 102});
    expectSnap(s.at({100.2, 101.1}, kSnapMidpoint), kSnapMidpoint, {100, 101});
}

TEST(Snap, NodesAndTextInsertionPoints) {
    Sample s;
    expectSnap(s.at({50.2, 49.9}, kAll), kSnapNode, {50, 50});
    expectSnap(s.at({60.3, 60.4}, kAll), kSnapInsertion, {60, 60});
    EXPECT_FALSE(s.at({60.3, 60.4}, kSnapEndpoint).has_value());
    EXPECT_FALSE(s.at({0.1, 0.2}, 0).has_value()) << "no kind enabled";
}
