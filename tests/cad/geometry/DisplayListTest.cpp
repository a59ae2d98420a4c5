#include "cad/geometry/DisplayList.h"

#include "DrawingBuilder.h"
#include "cad/io/LoadBudget.h"
#include "cad/load/DrawingReader.h"
#include "support/Corpus.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <string>

using namespace vexor::cad;
using vexor::test::DrawingBuilder;

namespace {

void expectBox(const Box2& box, double x0, double y0, double x1, double y1, double tol = 1e-9) {
    ASSERT_FALSE(box.empty());
    EXPECT_NEAR(box.minX, x0, tol);
    EXPECT_NEAR(box.minY, y0, tol);
    EXPECT_NEAR(box.maxX, x1, tol);
    EXPECT_NEAR(box.maxY, y1, tol);
}

} // namespace

TEST(DisplayList, EmptyDrawingHasEmptyExtents) {
    Drawing d;
    EXPECT_TRUE(compileDisplayList(d)->extents().empty());
}

TEST(DisplayList, ExtentsOfPlainGeometryExcludeRays) {
    DrawingBuilder b;
    b.line({0, 0}, {10, 5});
    Entity circle;
    circle.data = Circle{{20, 0, 0}, 2};
    b.drawing.modelSpace.push_back(circle);
    Entity ray;
    ray.data = Ray{Ray::Kind::ConstructionLine, {1000, 1000, 0}, {1, 0, 0}};
    b.drawing.modelSpace.push_back(ray);
    const auto list = compileDisplayList(b.drawing);
    expectBox(list->extents(), 0, -2, 22, 5, 1e-6);
    EXPECT_EQ(list->modelSpace().unbounded.size(), 1u);
}

TEST(DisplayList, MirroredArcExtents) {
    DrawingBuilder b;
    Entity arc;
    arc.common.setExtrusion({0, 0, -1});
    arc.data = Arc{{5, 0, 0}, 1, 0, std::numbers::pi / 2}; // world centre (-5, 0)
    b.drawing.modelSpace.push_back(arc);
    expectBox(compileDisplayList(b.drawing)->extents(), -6, 0, -5, 1, 1e-9);
}

TEST(DisplayList, InsertExtentsFollowRotationScaleAndArrays) {
    DrawingBuilder b;
    const std::uint32_t square = b.block("SQUARE");
    auto& s = b.blockEntities(square);
    b.line(s, {0, 0}, {1, 0});
    b.line(s, {1, 0}, {1, 1});
    b.line(s, {1, 1}, {0, 1});
    b.line(s, {0, 1}, {0, 0});
    b.insert(square, {10, 10}, std::numbers::pi / 4, {2, 2});
    auto list = compileDisplayList(b.drawing);
    const double r = 2 * std::sqrt(2.0); // the diagonal of the scaled square
    expectBox(list->extents(), 10 - r / 2, 10, 10 + r / 2, 10 + r, 1e-9);

    DrawingBuilder arr;
    const std::uint32_t unit = arr.block("UNIT");
    arr.line(arr.blockEntities(unit), {0, 0}, {1, 1});
    Entity& e = arr.insert(unit, {0, 0});
    auto& ins = dataOf<Insert>(e.data);
    ins.columns = 3;
    ins.rows = 2;
    ins.columnSpacing = 5;
    ins.rowSpacing = 10;
    expectBox(compileDisplayList(arr.drawing)->extents(), 0, 0, 11, 11);
}

TEST(DisplayList, NestedBlocksAndBasePoint) {
    DrawingBuilder b;
    const std::uint32_t inner = b.block("INNER");
    b.line(b.blockEntities(inner), {0, 0}, {1, 0});
    const std::uint32_t outer = b.block("OUTER");
    b.drawing.blocks[outer].base = {100, 0, 0};
    b.insert(b.blockEntities(outer), inner, {100, 0}, std::numbers::pi / 2); // vertical
    b.insert(outer, {0, 0}, 0, {3, 3});
    const auto list = compileDisplayList(b.drawing);
    expectBox(list->extents(), 0, 0, 0, 3, 1e-9);
}

TEST(DisplayList, SelfReferenceAndDeepNestingAreCut) {
    DrawingBuilder b;
    const std::uint32_t loop = b.block("LOOP");
    b.line(b.blockEntities(loop), {0, 0}, {1, 1});
    b.insert(b.blockEntities(loop), loop, {1, 1});
    b.insert(loop, {0, 0});
    // A chain deeper than the cap.
    std::uint32_t previous = b.block("D0");
    b.line(b.blockEntities(previous), {0, 0}, {1, 0});
    for (int i = 1; i < kMaxInsertDepth + 5; ++i) {
        const std::uint32_t next = b.block("D" + std::to_string(i));
        b.insert(b.blockEntities(next), previous, {0, 1});
        previous = next;
    }
    b.insert(previous, {50, 50});
    const auto list = compileDisplayList(b.drawing);
    EXPECT_FALSE(list->extents().empty());
    EXPECT_GE(list->diagnostics().size(), 2u);
    EXPECT_LE(list->extents().maxY, 50 + kMaxInsertDepth + 5);
}

TEST(DisplayList, ColoursResolvedAtCompile) {
    DrawingBuilder b;
    const std::uint32_t red = b.layer("RED", 1);
    b.line({0, 0}, {1, 0}, red);                                  // by layer
    b.line({0, 0}, {1, 0}, red).common.color = Color::indexed(3); // index
    b.line({0, 0}, {1, 0}, red).common.color = Color::indexed(7); // foreground
    b.line({0, 0}, {1, 0}, red).common.color = Color::trueColor(0x123456);
    const std::uint32_t blk = b.block("B");
    b.line(b.blockEntities(blk), {0, 0}, {1, 0}).common.color = Color::byBlock();
    b.line(b.blockEntities(blk), {0, 0}, {1, 0}, 0);   // layer 0, by layer: the insert's layer
    b.line(b.blockEntities(blk), {0, 0}, {1, 0}, red); // own layer, by layer: red
    const auto list = compileDisplayList(b.drawing);
    const auto& items = list->modelSpace().items;
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].color.kind, ItemColorKind::Rgb);
    EXPECT_EQ(items[0].color.rgb, 0xFF0000u);
    EXPECT_EQ(items[1].color.rgb, 0x00FF00u);
    EXPECT_EQ(items[2].color.kind, ItemColorKind::Foreground);
    EXPECT_EQ(items[3].color.rgb, 0x123456u);
    const auto& blockItems = list->block(blk).items;
    EXPECT_EQ(blockItems[0].color.kind, ItemColorKind::ByBlock);
    EXPECT_EQ(blockItems[1].color.kind, ItemColorKind::ByLayer);
    EXPECT_EQ(blockItems[2].color.rgb, 0xFF0000u);
}

// The index finds exactly the items whose boxes meet a window, rays and construction lines
// never: in a list stored along the curve (lines; lines and polylines of other lengths) and in
// one kept in drawing order by a fill, whose index holds its own order.
TEST(DisplayList, SpatialIndexFindsExactlyTheItemsInAWindow) {
    enum class Mix { Lines, LinesAndPolylines, WithAFill };
    for (Mix mix : {Mix::Lines, Mix::LinesAndPolylines, Mix::WithAFill}) {
        SCOPED_TRACE(static_cast<int>(mix));
        DrawingBuilder b;
        for (int y = 0; y < 100; ++y) {
            for (int x = 0; x < 100; ++x) {
                if (mix == Mix::LinesAndPolylines && (x + y) % 3 == 0) {
                    Entity e;
                    Polyline p;
                    p.vertices = {{{x * 10.0, y * 10.0, 0}},
                                  {{x * 10.0 + 2, y * 10.0 + 0.5, 0}},
                                  {{x * 10.0 + 5, y * 10.0, 0}}};
                    e.data = p;
                    b.drawing.modelSpace.push_back(e);
                } else {
                    b.line({x * 10.0, y * 10.0}, {x * 10.0 + 5, y * 10.0});
                }
            }
        }
        if (mix == Mix::LinesAndPolylines) { // items without points among them
            for (int i = 0; i < 50; ++i) {
                Text t;
                t.insert = {i * 20.0, 1000, 0};
                t.height = 2;
                t.text = "T";
                Entity e;
                e.data = t;
                b.drawing.modelSpace.insert(b.drawing.modelSpace.begin() + i * 97, e);
            }
        }
        Entity ray;
        ray.data = Ray{Ray::Kind::Ray, {120, 120, 0}, {1, 0, 0}};
        b.drawing.modelSpace.push_back(ray);
        if (mix == Mix::WithAFill) {
            Entity hatch;
            Hatch h;
            h.solid = true;
            HatchLoop loop;
            loop.isPolyline = true;
            loop.polyline = {{{-5, -5, 0}}, {{-1, -5, 0}}, {{-1, -1, 0}}};
            h.loops = {loop};
            hatch.data = h;
            b.drawing.modelSpace.push_back(hatch);
        }
        const auto list = compileDisplayList(b.drawing);
        const ItemList& model = list->modelSpace();
        EXPECT_EQ(model.orderFree, mix != Mix::WithAFill);
        if (mix == Mix::WithAFill) {
            EXPECT_EQ(model.items.back().kind, ItemKind::Polygon); // drawing order kept
        }
        const Box2 window{101, 101, 139, 139}; // x = 110..130 lines start inside; y = 110..130
        std::vector<std::uint32_t> found;
        model.query(window, [&](std::uint32_t i) { found.push_back(i); });
        std::size_t expected = 0;
        for (const DisplayItem& item : model.items)
            expected += item.box.intersects(window) && item.kind != ItemKind::Ray ? 1 : 0;
        EXPECT_EQ(found.size(), expected);
        EXPECT_EQ(expected, 3u * 3u + 3u); // three rows of three, plus the row ending at x=105
        std::sort(found.begin(), found.end());
        EXPECT_EQ(std::adjacent_find(found.begin(), found.end()), found.end());
        for (std::uint32_t i : found) {
            EXPECT_TRUE(model.items[i].box.intersects(window));
            EXPECT_NE(model.items[i].kind, ItemKind::Ray);
        }
        // Every item kept its own points through the reordering.
        for (const DisplayItem& item : model.items) {
            if (item.kind != ItemKind::Polyline)
                continue;
            Box2 points;
            for (std::uint32_t k = 0; k < item.count; ++k)
                points.add(model.points[item.first + k]);
            expectBox(points, item.box.minX, item.box.minY, item.box.maxX, item.box.maxY);
        }
        ASSERT_EQ(model.unbounded.size(), 1u);
        EXPECT_EQ(model.items[model.unbounded[0]].kind, ItemKind::Ray);
    }
}

TEST(DisplayList, HatchAndWidePolylineBecomeFills) {
    DrawingBuilder b;
    Entity hatch;
    Hatch h;
    h.solid = true;
    HatchLoop loop;
    loop.isPolyline = true;
    loop.polyline = {{{0, 0, 0}}, {{4, 0, 0}}, {{4, 4, 0}}, {{0, 4, 0}}};
    h.loops = {loop};
    hatch.data = h;
    b.drawing.modelSpace.push_back(hatch);
    Entity wide;
    Polyline p;
    p.constantWidth = 2;
    p.vertices = {{{10, 0, 0}}, {{20, 0, 0}}};
    wide.data = p;
    b.drawing.modelSpace.push_back(wide);
    const auto list = compileDisplayList(b.drawing);
    const auto& items = list->modelSpace().items;
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].kind, ItemKind::Polygon);
    EXPECT_EQ(items[1].kind, ItemKind::Polygon);
    expectBox(items[1].box, 10, -1, 20, 1);
}

TEST(DisplayList, MemoryStaysNearTheModel) {
    DrawingBuilder b;
    for (int i = 0; i < 100000; ++i)
        b.line({i * 1.0, 0}, {i + 0.5, 1});
    const auto list = compileDisplayList(b.drawing);
    const std::size_t model = b.drawing.modelSpace.capacity() * sizeof(Entity);
    EXPECT_LT(list->memoryBytes(), model * 2);
}

// Large drawings are compiled in parts on several threads: the parts join in the order of the
// entities, references into the list's arrays stay right across the joins, and what is not
// drawn is counted once over all parts.
TEST(DisplayList, LargeDrawingCompiledInPartsKeepsOrderAndCounts) {
    DrawingBuilder b;
    constexpr int kEntities = 70'000;
    for (int i = 0; i < kEntities; ++i) {
        const double x = (i % 300) * 10.0, y = (i / 300) * 10.0;
        if (i % 1000 == 7) {
            Text t;
            t.insert = {x, y, 0};
            t.height = 2;
            t.text = "T" + std::to_string(i);
            Entity e;
            e.data = t;
            b.drawing.modelSpace.push_back(e);
        } else if (i % 1000 == 500) {
            Solid solid;
            solid.corners[0] = {x, y, 0};
            solid.corners[1] = {x + 1, y, 0};
            solid.corners[2] = {x, y + 1, 0};
            solid.corners[3] = {x + 1, y + 1, 0};
            Entity e;
            e.data = solid;
            b.drawing.modelSpace.push_back(e);
        } else if (i % 10000 == 9999) {
            Entity e;
            e.data = Unsupported{"WIDGET"};
            b.drawing.modelSpace.push_back(e);
        } else {
            b.line({x, y}, {x + 5, y + i % 7});
        }
    }
    const auto list = compileDisplayList(b.drawing);
    const ItemList& model = list->modelSpace();
    ASSERT_FALSE(model.orderFree); // the fills keep the entities' order
    std::size_t item = 0, texts = 0, unsupported = 0;
    for (int i = 0; i < kEntities; ++i) {
        const double x = (i % 300) * 10.0, y = (i / 300) * 10.0;
        if (i % 10000 == 9999) {
            ++unsupported;
            continue;
        }
        ASSERT_LT(item, model.items.size());
        const DisplayItem& d = model.items[item++];
        if (i % 1000 == 7) {
            ASSERT_EQ(d.kind, ItemKind::Text);
            EXPECT_EQ(model.texts[d.extra].text, "T" + std::to_string(i));
            ++texts;
        } else if (i % 1000 == 500) {
            ASSERT_EQ(d.kind, ItemKind::Polygon);
            EXPECT_EQ(model.ringSizes[d.extra], 4u);
            EXPECT_EQ(model.points[d.first].x, x);
        } else {
            ASSERT_EQ(d.kind, ItemKind::Polyline) << i;
            ASSERT_EQ(d.count, 2u);
            EXPECT_EQ(model.points[d.first].x, x);
            EXPECT_EQ(model.points[d.first + 1].y, y + i % 7) << i;
        }
    }
    EXPECT_EQ(item, model.items.size());
    EXPECT_EQ(texts, model.texts.size());
    const auto& d = list->diagnostics();
    EXPECT_EQ(std::count(d.begin(), d.end(),
                         "7 WIDGET entities not drawn: this kind of entity is not drawn yet"),
              1);
    EXPECT_EQ(unsupported, 7u);
}

// A cancelled load stops in the compile, whichever thread meets the cancellation.
TEST(DisplayList, CancelledCompileStops) {
    DrawingBuilder b;
    for (int i = 0; i < 100'000; ++i)
        b.line({i * 1.0, 0}, {i * 1.0, 1});
    LoadBudget budget(LoadBudget::allowedBytes(0));
    budget.cancel();
    LoadScope scope(budget);
    EXPECT_THROW(compileDisplayList(b.drawing), LoadStopped);
}

// Kinds left out on purpose say why, so that a user reading the diagnostics does not wait for
// them to be drawn.
TEST(DisplayList, KindsNotDrawnSayWhy) {
    DrawingBuilder b;
    for (const char* name : {"LIGHT", "LIGHT", "REGION", "WIDGET"}) {
        Entity e;
        e.data = Unsupported{name};
        b.drawing.modelSpace.push_back(e);
    }
    const auto list = compileDisplayList(b.drawing);
    const auto& d = list->diagnostics();
    auto has = [&](const std::string& text) { return std::count(d.begin(), d.end(), text) == 1; };
    EXPECT_TRUE(has("2 LIGHT entities not drawn: lights only shine on rendered 3D views and "
                    "have no 2D picture"));
    EXPECT_TRUE(has("1 REGION entity not drawn: 3D solids, regions and surfaces are not drawn"));
    EXPECT_TRUE(has("1 WIDGET entity not drawn: this kind of entity is not drawn yet"));
}

namespace {

void expectSameItems(const ItemList& a, const ItemList& b, const std::string& where) {
    ASSERT_EQ(a.items.size(), b.items.size()) << where;
    for (std::size_t i = 0; i < a.items.size(); ++i) {
        ASSERT_EQ(a.items[i].kind, b.items[i].kind) << where << " item " << i;
        ASSERT_EQ(a.items[i].count, b.items[i].count) << where << " item " << i;
        ASSERT_EQ(a.items[i].box.minX, b.items[i].box.minX) << where << " item " << i;
        ASSERT_EQ(a.items[i].box.maxY, b.items[i].box.maxY) << where << " item " << i;
    }
    ASSERT_EQ(a.points.size(), b.points.size()) << where;
    for (std::size_t i = 0; i < a.points.size(); ++i)
        ASSERT_TRUE(a.points[i].x == b.points[i].x && a.points[i].y == b.points[i].y)
            << where << " point " << i;
}

} // namespace

// A compile that lets go of the entities as soon as they are items (as the viewer's does)
// draws the same lists, extents and sheets, view clips included; it empties model space and
// every block but the sheets' own, whose entities the view clips are looked up in.
TEST(DisplayList, ReleasingTheEntitiesCompilesTheSameDrawing) {
    VEXOR_REQUIRE_CORPUS();
    // Drawings with sheets that show model space, until six of them have been compared.
    int withViews = 0;
    for (const auto& file : vexor::test::corpusFiles("dwg", {".dwg"})) {
        int views = 0;
        Drawing kept = readDrawingFile(file.string());
        if (kept.layouts.empty() || kept.modelSpace.empty())
            continue;
        Drawing released = kept;
        const auto a = compileDisplayList(kept);
        const auto b = compileDisplayListReleasingEntities(released);
        const std::string name = file.filename().string();
        EXPECT_TRUE(released.modelSpace.empty()) << name;
        for (const Layout& layout : released.layouts)
            if (layout.block < released.blocks.size()) {
                EXPECT_EQ(released.blocks[layout.block].entities.size(),
                          kept.blocks[layout.block].entities.size())
                    << name;
            }
        expectSameItems(a->modelSpace(), b->modelSpace(), name + " model");
        ASSERT_EQ(a->blockCount(), b->blockCount()) << name;
        for (std::size_t i = 0; i < a->blockCount(); ++i)
            expectSameItems(a->block(i), b->block(i), name + " block " + std::to_string(i));
        EXPECT_EQ(a->diagnostics(), b->diagnostics()) << name;
        ASSERT_EQ(a->sheets().size(), b->sheets().size()) << name;
        for (std::size_t s = 0; s < a->sheets().size(); ++s) {
            const auto& va = a->sheets()[s].views;
            const auto& vb = b->sheets()[s].views;
            ASSERT_EQ(va.size(), vb.size()) << name;
            for (std::size_t v = 0; v < va.size(); ++v) {
                EXPECT_EQ(va[v].clip.size(), vb[v].clip.size()) << name;
                EXPECT_EQ(va[v].rectangular, vb[v].rectangular) << name;
                ++views;
            }
        }
        if (views > 0 && ++withViews == 6)
            break;
    }
    EXPECT_EQ(withViews, 6);
}
