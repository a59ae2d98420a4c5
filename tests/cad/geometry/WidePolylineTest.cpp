// Polylines with widths become filled bands: each wide segment one outline along true offset
// curves, joins between wide segments filled, segments of no width drawn as lines.
#include "DrawingBuilder.h"
#include "cad/geometry/DisplayList.h"

#include <cmath>
#include <gtest/gtest.h>
#include <span>

using namespace vexor::cad;
using vexor::test::DrawingBuilder;

namespace {

Polyline polyline(Polyline::Kind kind, std::vector<PolyVertex> vertices, bool closed = false) {
    Polyline p;
    p.kind = kind;
    p.vertices = std::move(vertices);
    p.closed = closed;
    return p;
}

std::shared_ptr<const DisplayList> compileOne(const Polyline& p) {
    DrawingBuilder b;
    Entity e;
    e.data = p;
    b.drawing.modelSpace.push_back(e);
    return compileDisplayList(b.drawing);
}

std::vector<std::span<const Vec2>> ringsOf(const ItemList& list, const DisplayItem& item) {
    std::vector<std::span<const Vec2>> rings;
    std::size_t at = item.first;
    for (std::uint16_t r = 0; r < item.rings; ++r) {
        const std::uint32_t size = list.ringSizes[item.extra + r];
        rings.emplace_back(list.points.data() + at, size);
        at += size;
    }
    return rings;
}

// Whether a non-zero fill of the rings covers p.
bool covered(const std::vector<std::span<const Vec2>>& rings, Vec2 p) {
    int winding = 0;
    for (const auto& ring : rings)
        for (std::size_t i = 0; i < ring.size(); ++i) {
            const Vec2 a = ring[i], b = ring[(i + 1) % ring.size()];
            const double side = (b.x - a.x) * (p.y - a.y) - (p.x - a.x) * (b.y - a.y);
            if (a.y <= p.y && b.y > p.y && side > 0)
                ++winding;
            else if (a.y > p.y && b.y <= p.y && side < 0)
                --winding;
        }
    return winding != 0;
}

const DisplayItem* firstOfKind(const ItemList& list, ItemKind kind) {
    for (const DisplayItem& item : list.items)
        if (item.kind == kind)
            return &item;
    return nullptr;
}

} // namespace

TEST(WidePolyline, ATaperedSegmentWidensFromStartToEnd) {
    const auto list = compileOne(
        polyline(Polyline::Kind::Poly2d, {{{0, 0, 0}, 0, 0.5, 2}, {{10, 0, 0}, 0, 0, 0}}));
    const DisplayItem* fill = firstOfKind(list->modelSpace(), ItemKind::Polygon);
    ASSERT_NE(fill, nullptr);
    const auto rings = ringsOf(list->modelSpace(), *fill);
    EXPECT_TRUE(covered(rings, {0.1, 0.2}));
    EXPECT_FALSE(covered(rings, {0.1, 0.5}));
    EXPECT_TRUE(covered(rings, {9.9, 0.95}));
}

// A segment whose widths are both 0 inside a wide polyline is a line, not an empty band.
TEST(WidePolyline, SegmentsOfNoWidthAreDrawnAsLines) {
    const auto list = compileOne(polyline(Polyline::Kind::Poly2d, {{{0, 0, 0}, 0, 2, 2},
                                                                   {{10, 0, 0}, 0, 0, 0},
                                                                   {{20, 0, 0}, 0, 0, 0},
                                                                   {{30, 0, 0}, 0, 2, 2},
                                                                   {{40, 0, 0}, 0, 0, 0}}));
    const ItemList& model = list->modelSpace();
    const DisplayItem* fill = firstOfKind(model, ItemKind::Polygon);
    const DisplayItem* line = firstOfKind(model, ItemKind::Polyline);
    ASSERT_NE(fill, nullptr);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(fill->rings, 2); // the two wide segments
    ASSERT_EQ(line->count, 3u);
    EXPECT_DOUBLE_EQ(model.points[line->first].x, 10);
    EXPECT_DOUBLE_EQ(model.points[line->first + 2].x, 30);
}

// A wide arc is one outline whose edges lie on circles about the arc's centre: no wedges with
// seams between them.
TEST(WidePolyline, AWideArcIsOneOutlineOnOffsetCircles) {
    Polyline p = polyline(Polyline::Kind::Light, {{{0, 0, 0}, 1.0, 0, 0}, {{10, 0, 0}, 0, 0, 0}});
    p.constantWidth = 2;
    const auto list = compileOne(p);
    const DisplayItem* fill = firstOfKind(list->modelSpace(), ItemKind::Polygon);
    ASSERT_NE(fill, nullptr);
    const auto rings = ringsOf(list->modelSpace(), *fill);
    ASSERT_EQ(rings.size(), 1u);
    for (Vec2 q : rings[0]) {
        const double r = length(q - Vec2{5, 0});
        EXPECT_TRUE(std::fabs(r - 4) < 1e-9 || std::fabs(r - 6) < 1e-9) << r;
    }
    // Just inside the outer edge, all along the band.
    for (int k = 1; k < 180; ++k) {
        const double a = -k * M_PI / 180; // bulge 1 from (0,0) to (10,0) runs below the chord
        EXPECT_TRUE(covered(rings, Vec2{5, 0} + Vec2{std::cos(a), std::sin(a)} * 5.98)) << k;
    }
}

// Where two wide segments meet at a corner, the outside of the turn is filled up to where the
// outer edges meet.
TEST(WidePolyline, JoinsBetweenWideSegmentsLeaveNoGap) {
    Polyline p = polyline(Polyline::Kind::Light, {{{0, 0, 0}}, {{10, 0, 0}}, {{10, 10, 0}}});
    p.constantWidth = 2;
    const auto list = compileOne(p);
    const DisplayItem* fill = firstOfKind(list->modelSpace(), ItemKind::Polygon);
    ASSERT_NE(fill, nullptr);
    const auto rings = ringsOf(list->modelSpace(), *fill);
    EXPECT_TRUE(covered(rings, {10.9, -0.9})); // the outer corner
    EXPECT_FALSE(covered(rings, {11.1, -0.5}));
    EXPECT_FALSE(covered(rings, {-0.1, 0}));
}
