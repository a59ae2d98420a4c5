// MPOLYGON: polygons with holes that draw their loops as lines and fill them (solid, by
// pattern or not at all) in a colour of their own, read from DXF and DWG files through the
// viewer's reader and compiled as the viewer does.
#include "cad/geometry/DisplayList.h"
#include "cad/load/DrawingReader.h"
#include "support/Corpus.h"
#include "support/Ezdxf.h"

#include <algorithm>
#include <stdexcept>
#include <gtest/gtest.h>

using namespace vexor;

namespace {

const cad::Hatch& polygonAt(const cad::Drawing& d, std::size_t i) {
    EXPECT_STREQ(cad::dxfTypeName(d.modelSpace.at(i)), "MPOLYGON");
    const cad::Hatch* h = cad::dataIf<cad::Hatch>(&d.modelSpace.at(i).data);
    if (!h)
        throw std::runtime_error("not a hatch");
    return *h;
}

// The items of the model space of `list` of one kind, in drawing order.
std::vector<cad::DisplayItem> itemsOf(const cad::DisplayList& list, cad::ItemKind kind) {
    std::vector<cad::DisplayItem> items;
    for (const cad::DisplayItem& item : list.modelSpace().items) {
        if (item.kind == kind)
            items.push_back(item);
    }
    return items;
}

bool mentions(const std::vector<std::string>& lines, const std::string& what) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.find(what) != std::string::npos; });
}

} // namespace

TEST(MPolygons, DxfLoopsAndTheirSolidPatternOrNoFill) {
    const auto dir = test::scratchDir("mpolygon-dxf");
    const auto file = dir / "parcels.dxf";
    ASSERT_TRUE(test::writeWithEzdxf(file, R"(
filled = msp.add_mpolygon(color=1, fill_color=3)
filled.paths.add_polyline_path([(0, 0), (10, 0), (10, 10, -1), (0, 10)], is_closed=True)
filled.paths.add_polyline_path([(2, 2), (4, 2), (4, 4), (2, 4)], is_closed=True)
outline = msp.add_mpolygon(color=5)
outline.paths.add_polyline_path([(20, 0), (30, 0), (30, 10), (20, 10)], is_closed=True)
hatched = msp.add_mpolygon(fill_color=4)
hatched.set_pattern_fill("ANSI31", scale=0.5)
hatched.dxf.color = 2
hatched.paths.add_polyline_path([(40, 0), (50, 0), (50, 10), (40, 10)], is_closed=True)
)"));
    const cad::Drawing d = cad::readDrawingFile(file.string());
    ASSERT_EQ(d.modelSpace.size(), 3u);

    // Its loops are closed polylines, bulges kept, with the closed flag stored before the
    // bulge flag.
    const cad::Hatch& filled = polygonAt(d, 0);
    EXPECT_TRUE(filled.solid);
    EXPECT_EQ(filled.fillColor, cad::Color::indexed(3));
    ASSERT_EQ(filled.loops.size(), 2u);
    ASSERT_EQ(filled.loops[0].polyline.size(), 4u);
    EXPECT_TRUE(filled.loops[0].closed);
    EXPECT_DOUBLE_EQ(filled.loops[0].polyline[2].bulge, -1);
    EXPECT_DOUBLE_EQ(filled.loops[1].polyline[3].p.y, 4);
    // Its 70 is a version, not a solid fill.
    EXPECT_FALSE(polygonAt(d, 1).solid);
    EXPECT_FALSE(polygonAt(d, 1).fillColor);
    EXPECT_FALSE(polygonAt(d, 2).patternLines.empty());
    EXPECT_EQ(polygonAt(d, 2).fillColor, cad::Color::indexed(4));

    const auto list = cad::compileDisplayList(d);
    // One solid fill in the fill's colour, one pattern in the fill's colour; the outline-only
    // one fills nothing.
    const auto fills = itemsOf(*list, cad::ItemKind::Polygon);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].color.rgb & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(fills[0].box.maxX, 10);
    const auto patterns = itemsOf(*list, cad::ItemKind::Segments);
    ASSERT_EQ(patterns.size(), 1u);
    EXPECT_EQ(patterns[0].color.rgb, 0x00FFFFu);
    // Every loop drawn as a line in the entity's colour, over its fill.
    const auto loops = itemsOf(*list, cad::ItemKind::Polyline);
    ASSERT_EQ(loops.size(), 4u);
    EXPECT_EQ(loops[0].color.rgb, 0xFF0000u);
    EXPECT_TRUE(loops[0].closed);
    EXPECT_GT(loops[0].count, 8u); // the bulged top edge drawn as the half circle it is
    EXPECT_EQ(loops[2].color.rgb, 0x0000FFu);
    EXPECT_EQ(loops[3].color.rgb, 0xFFFF00u);
    const auto& items = list->modelSpace().items;
    EXPECT_LT(std::find_if(items.begin(), items.end(),
                           [](const auto& i) { return i.kind == cad::ItemKind::Polygon; }) -
                  items.begin(),
              std::find_if(items.begin(), items.end(),
                           [](const auto& i) { return i.kind == cad::ItemKind::Polyline; }) -
                  items.begin());
    EXPECT_FALSE(mentions(d.diagnostics, "MPOLYGON"));
    EXPECT_FALSE(mentions(list->diagnostics(), "MPOLYGON"));
}

TEST(MPolygons, DwgSolidFillInItsOwnColour) {
    VEXOR_REQUIRE_CORPUS();
    const auto file = *test::corpusDir() / "dwg/AC1032/librecad__mpolygon_solid.dwg";
    const cad::Drawing d = cad::readDrawingFile(file.string());
    ASSERT_EQ(d.modelSpace.size(), 1u);
    const cad::Hatch& square = polygonAt(d, 0);
    EXPECT_TRUE(square.solid);
    EXPECT_FALSE(square.fillUnread);
    EXPECT_EQ(square.fillColor, cad::Color::indexed(3));
    ASSERT_EQ(square.loops.size(), 1u);
    const auto& corners = square.loops[0].polyline;
    ASSERT_EQ(corners.size(), 4u);
    EXPECT_TRUE(square.loops[0].closed);
    EXPECT_EQ(corners[1].p.x, 10);
    EXPECT_EQ(corners[2].p.y, 10);
    EXPECT_EQ(corners[3].p.x, 0);
    EXPECT_TRUE(d.diagnostics.empty()) << d.diagnostics.front();

    const auto list = cad::compileDisplayList(d);
    const auto fills = itemsOf(*list, cad::ItemKind::Polygon);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].color.rgb & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(itemsOf(*list, cad::ItemKind::Polyline).size(), 1u);
}

TEST(MPolygons, AFillThatCouldNotBeReadLeavesTheLoopsAndIsSaid) {
    cad::Drawing d;
    d.layerIndex("0");
    cad::Hatch h;
    h.polygon = true;
    h.fillUnread = true;
    cad::HatchLoop loop;
    loop.isPolyline = true;
    for (const cad::Vec2 p : {cad::Vec2{0, 0}, {5, 0}, {5, 5}})
        loop.polyline.push_back({{p.x, p.y, 0}});
    h.loops.push_back(loop);
    cad::Entity e;
    e.data = h;
    d.modelSpace.push_back(e);
    const auto list = cad::compileDisplayList(d);
    EXPECT_TRUE(itemsOf(*list, cad::ItemKind::Polygon).empty());
    EXPECT_EQ(itemsOf(*list, cad::ItemKind::Polyline).size(), 1u);
    EXPECT_TRUE(mentions(list->diagnostics(), "1 MPOLYGON entity drawn without its fill"));
}
