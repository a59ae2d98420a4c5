#include "cad/dxf/DxfFixture.h"
#include "cad/geometry/DisplayList.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

using namespace vexor;
using vexor::test::DxfText;

namespace {

// A multiline style with two elements half a unit either side, the upper one red, the lower
// one by block, drawn with a line cap at the start and a round cap at the end.
DxfText mlineStyle(int flags) {
    DxfText t;
    t.g(0, "MLINESTYLE").g(5, "A1").g(2, "TWO").g(70, flags).g(62, 256).g(51, 90.0).g(52, 90.0);
    t.g(71, 2).g(49, 0.5).g(62, 1).g(6, "BYLAYER").g(49, -0.5).g(62, 0).g(6, "BYLAYER");
    return t;
}

// An MLINE from (0, 0) through (10, 0) to (10, 10), its elements as the file stores them:
// distances along each vertex's miter.
DxfText mline(bool closed = false) {
    DxfText t;
    t.g(0, "MLINE").g(8, "0").g(62, 3).g(2, "TWO").g(340, "A1").g(40, 1.0).g(70, 1);
    t.g(71, closed ? 3 : 1).g(72, 3).g(73, 2).point(10, 0, 0);
    const double s = std::sqrt(0.5);
    struct V {
        double x, y, dx, dy, mx, my, off;
    };
    const V vs[] = {
        {0, 0, 1, 0, 0, 1, 0.5}, {10, 0, 0, 1, -s, s, 0.5 / s}, {10, 10, 0, 1, -1, 0, 0.5}};
    for (const V& v : vs) {
        t.point(11, v.x, v.y).point(12, v.dx, v.dy).point(13, v.mx, v.my);
        t.g(74, 2).g(41, v.off).g(41, 0.0).g(75, 0);
        t.g(74, 2).g(41, -v.off).g(41, 0.0).g(75, 0);
    }
    return t;
}

cad::Drawing drawingWith(const DxfText& entities, const DxfText& objects) {
    DxfText file;
    file.begin("ENTITIES");
    std::string text = file.str() + entities.str() + "0\nENDSEC\n";
    DxfText obj;
    obj.begin("OBJECTS");
    text += obj.str() + objects.str() + "0\nENDSEC\n0\nEOF\n";
    return test::readText(text);
}

std::vector<cad::Vec2> pointsOf(const cad::ItemList& list, const cad::DisplayItem& item) {
    return {list.points.begin() + item.first, list.points.begin() + item.first + item.count};
}

bool near(cad::Vec2 a, cad::Vec2 b, double tol = 1e-9) {
    return std::fabs(a.x - b.x) < tol && std::fabs(a.y - b.y) < tol;
}

const cad::DisplayItem* findPolyline(const cad::ItemList& list, cad::Vec2 from, cad::Vec2 to) {
    for (const cad::DisplayItem& item : list.items) {
        if (item.kind != cad::ItemKind::Polyline || item.count < 2)
            continue;
        const auto pts = pointsOf(list, item);
        if (near(pts.front(), from, 1e-6) && near(pts.back(), to, 1e-6))
            return &item;
    }
    return nullptr;
}

} // namespace

TEST(MLineItems, ElementsFollowTheStoredMitersWithTheStyleColoursAndCaps) {
    const int flags = cad::MLineStyle::StartLine | cad::MLineStyle::EndOuterArc;
    const cad::Drawing d = drawingWith(mline(), mlineStyle(flags));
    ASSERT_EQ(d.mlineStyles.size(), 1u);
    const auto list = cad::compileDisplayList(d);
    const cad::ItemList& m = list->modelSpace();

    // Upper element: (0, 0.5) -> (9.5, 0.5) at the mitred corner -> (9.5, 10), in red.
    const cad::DisplayItem* upper = findPolyline(m, {0, 0.5}, {9.5, 10});
    ASSERT_NE(upper, nullptr);
    EXPECT_EQ(upper->count, 3u);
    EXPECT_TRUE(near(m.points[upper->first + 1], {9.5, 0.5}, 1e-5));
    EXPECT_EQ(upper->color.kind, cad::ItemColorKind::Rgb);
    EXPECT_EQ(upper->color.rgb, cad::colorIndexRgb(1));
    // Lower element: outside the corner, by block = the multiline's own green.
    const cad::DisplayItem* lower = findPolyline(m, {0, -0.5}, {10.5, 10});
    ASSERT_NE(lower, nullptr);
    EXPECT_TRUE(near(m.points[lower->first + 1], {10.5, -0.5}, 1e-5));
    EXPECT_EQ(lower->color.rgb, cad::colorIndexRgb(3));

    // Start cap: a line across the start; end cap: half a circle beyond the end.
    EXPECT_NE(findPolyline(m, {0, 0.5}, {0, -0.5}), nullptr);
    const cad::DisplayItem* arc = findPolyline(m, {9.5, 10}, {10.5, 10});
    ASSERT_NE(arc, nullptr);
    EXPECT_NEAR(arc->box.maxY, 10.5, 1e-9);
    EXPECT_NEAR(arc->box.minY, 10, 1e-9);
    // The end cap is an arc, not a line; the start has no arc; there is no fill.
    EXPECT_GT(arc->count, 2u);
    for (const cad::DisplayItem& item : m.items)
        EXPECT_NE(item.kind, cad::ItemKind::Polygon);
    EXPECT_NEAR(m.extents.minX, 0, 1e-9);
}

TEST(MLineItems, FillMitersClosedLinesAndAMissingStyle) {
    const int flags = cad::MLineStyle::Fill | cad::MLineStyle::ShowMiters;
    const cad::Drawing filled = drawingWith(mline(), mlineStyle(flags));
    const auto list = cad::compileDisplayList(filled);
    const cad::ItemList& m = list->modelSpace();
    // The fill comes first (under the lines), bounded by the outermost elements.
    ASSERT_FALSE(m.items.empty());
    EXPECT_EQ(m.items.front().kind, cad::ItemKind::Polygon);
    EXPECT_EQ(m.items.front().count, 6u);
    // A miter line at the middle vertex only.
    EXPECT_NE(findPolyline(m, {9.5, 0.5}, {10.5, -0.5}), nullptr);
    EXPECT_EQ(findPolyline(m, {0, 0.5}, {0, -0.5}), nullptr);

    // Closed: each element returns to its start; no caps.
    const auto closed = cad::compileDisplayList(drawingWith(mline(true), mlineStyle(0)));
    const cad::DisplayItem* ring = findPolyline(closed->modelSpace(), {0, 0.5}, {0, 0.5});
    ASSERT_NE(ring, nullptr);
    EXPECT_EQ(ring->count, 4u);

    // Without its style the elements are still drawn, in the entity's colour, and it is said.
    const auto bare = cad::compileDisplayList(drawingWith(mline(), DxfText()));
    const cad::DisplayItem* upper = findPolyline(bare->modelSpace(), {0, 0.5}, {9.5, 10});
    ASSERT_NE(upper, nullptr);
    EXPECT_EQ(upper->color.rgb, cad::colorIndexRgb(3));
    const auto& diag = bare->diagnostics();
    EXPECT_TRUE(std::any_of(diag.begin(), diag.end(), [](const std::string& s) {
        return s.find("MLINE style \"TWO\" not found") != std::string::npos;
    }));
}

TEST(MLineItems, BreaksInAnElementAreDashesAndDamageStaysLocal) {
    DxfText t;
    t.g(0, "MLINE").g(2, "TWO").g(71, 1).g(72, 2).g(73, 1);
    t.point(11, 0, 0).point(12, 1, 0).point(13, 0, 1);
    t.g(74, 4).g(41, 0.0).g(41, 1.0).g(41, 3.0).g(41, 6.0).g(75, 0);
    t.point(11, 10, 0).point(12, 1, 0).point(13, 0, 1).g(74, 2).g(41, 0.0).g(41, 0.0);
    // A vertex with a non-finite miter: that multiline is turned away as it is read, and said.
    t.g(0, "MLINE").g(71, 1).g(72, 2).g(73, 1);
    t.point(11, 0, 0).point(12, 1, 0).g(13, "nan").g(23, 1.0).g(33, 0.0);
    t.g(74, 1).g(41, 0.0).point(11, 1, 0).g(74, 1).g(41, 0.0);
    const cad::Drawing drawing = drawingWith(t, DxfText());
    EXPECT_TRUE(std::any_of(
        drawing.diagnostics.begin(), drawing.diagnostics.end(), [](const std::string& s) {
            return s.find("MLINE") != std::string::npos && s.find("finite") != std::string::npos;
        }));
    const auto list = cad::compileDisplayList(drawing);
    const cad::ItemList& m = list->modelSpace();
    // A dash from 1 to 3, then one from 6 running on to the next vertex.
    EXPECT_NE(findPolyline(m, {1, 0}, {3, 0}), nullptr);
    EXPECT_NE(findPolyline(m, {6, 0}, {10, 0}), nullptr);
    EXPECT_EQ(m.items.size(), 2u);
}

TEST(ToleranceItems, AFeatureControlFrameHasABoxPerFilledCellAndItsSymbols) {
    DxfText t;
    t.g(0, "TOLERANCE").g(8, "0").point(10, 10, 20).point(11, 1, 0);
    t.g(1, "{\\Fgdt;j}%%v{\\Fgdt;n}0.5{\\Fgdt;m}%%v%%vA%%v%%v^JB");
    const auto list = cad::compileDisplayList(drawingWith(t, DxfText()));
    const cad::ItemList& m = list->modelSpace();
    // Standard style: text 0.18 high, gap 0.09, rows 0.36 high centred on the insertion point.
    std::vector<cad::Box2> boxes;
    std::vector<std::string> texts;
    for (const cad::DisplayItem& item : m.items) {
        if (item.kind == cad::ItemKind::Polyline && item.closed && item.count == 4)
            boxes.push_back(item.box);
        if (item.kind == cad::ItemKind::Text)
            texts.push_back(m.texts[item.extra].text);
    }
    // Four filled cells: the symbol, the tolerance, datum A, and B on the second row.
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_NEAR(boxes[0].minX, 10, 1e-9);
    EXPECT_NEAR(boxes[0].maxX, 10.36, 1e-9);
    EXPECT_NEAR(boxes[0].minY, 19.82, 1e-9);
    EXPECT_NEAR(boxes[0].maxY, 20.18, 1e-9);
    EXPECT_NEAR(boxes[1].minX, 10.36, 1e-9);  // boxes abut
    EXPECT_GT(boxes[1].width(), 0.36 + 0.18); // diameter, value and the circled M
    EXPECT_NEAR(boxes[2].minX, boxes[1].maxX, 1e-9);
    EXPECT_NEAR(boxes[3].minX, 10, 1e-9); // second row, below the first
    EXPECT_NEAR(boxes[3].maxY, 19.82, 1e-9);
    EXPECT_EQ(texts, (std::vector<std::string>{"0.5", "M", "A", "B"}));
    // The position symbol: a circle and a cross inside the first box.
    int inFirst = 0;
    for (const cad::DisplayItem& item : m.items)
        if (item.kind == cad::ItemKind::Polyline && !item.closed &&
            item.box.minX >= boxes[0].minX && item.box.maxX <= boxes[0].maxX &&
            item.box.minY >= boxes[0].minY && item.box.maxY <= boxes[0].maxY)
            ++inFirst;
    EXPECT_EQ(inFirst, 3);
}

TEST(ImageItems, WipeoutMasksInOrderWithItsFrameAsTheDrawingAsks) {
    DxfText t;
    t.g(0, "WIPEOUT").point(10, 2, 2).point(11, 6, 0).point(12, 0, 6).point(13, 1, 1);
    t.g(70, 7).g(280, 1).g(71, 2).g(91, 4);
    // Pixel coordinates run down from the top-left pixel centre: this is the lower half.
    t.g(14, -0.5).g(24, 0.0).g(14, 0.5).g(24, 0.0).g(14, 0.5).g(24, 0.5).g(14, -0.5).g(24, 0.5);
    DxfText noFrame;
    noFrame.g(0, "WIPEOUTVARIABLES").g(5, "B1").g(70, 0);
    for (const bool frame : {false, true}) {
        const auto list = cad::compileDisplayList(drawingWith(t, frame ? DxfText() : noFrame));
        const cad::ItemList& m = list->modelSpace();
        ASSERT_EQ(m.items.size(), frame ? 2u : 1u);
        EXPECT_EQ(m.items[0].kind, cad::ItemKind::Wipeout);
        EXPECT_NEAR(m.items[0].box.minY, 2, 1e-9);
        EXPECT_NEAR(m.items[0].box.maxY, 5, 1e-9);
        EXPECT_NEAR(m.items[0].box.minX, 2, 1e-9);
        EXPECT_NEAR(m.items[0].box.maxX, 8, 1e-9);
        EXPECT_FALSE(m.orderFree);
    }
}

TEST(ImageItems, AnImageWhoseFileIsMissingIsAFrameAndADiagnostic) {
    DxfText t;
    t.g(0, "IMAGE").point(10, 0, 0).point(11, 0.5, 0).point(12, 0, 0.5).point(13, 20, 10);
    t.g(70, 7).g(280, 0).g(340, "C0");
    DxfText def;
    def.g(0, "IMAGEDEF").g(5, "C0").g(1, "C:\\pictures\\nowhere-to-be-found.png").point(10, 20, 10);
    const auto list = cad::compileDisplayList(drawingWith(t, def));
    const cad::ItemList& m = list->modelSpace();
    ASSERT_EQ(m.items.size(), 1u);
    EXPECT_EQ(m.items[0].kind, cad::ItemKind::Polyline);
    EXPECT_TRUE(m.items[0].closed);
    EXPECT_NEAR(m.items[0].box.maxX, 10, 1e-9);
    EXPECT_NEAR(m.items[0].box.maxY, 5, 1e-9);
    const auto& diag = list->diagnostics();
    EXPECT_TRUE(std::any_of(diag.begin(), diag.end(), [](const std::string& s) {
        return s.find("nowhere-to-be-found.png\" not found") != std::string::npos;
    }));
}

TEST(ImageItems, UnderlaysShowTheirClipFrameAndAreCountedWithoutOne) {
    DxfText t;
    t.g(0, "PDFUNDERLAY").g(340, "D0").point(10, 100, 0).g(41, 2.0).g(42, 2.0).g(50, 90.0);
    t.g(280, 3).g(11, 0.0).g(21, 0.0).g(11, 10.0).g(21, 5.0);
    t.g(0, "DWFUNDERLAY").point(10, 0, 0).g(280, 2);
    const auto list = cad::compileDisplayList(drawingWith(t, DxfText()));
    const cad::ItemList& m = list->modelSpace();
    ASSERT_EQ(m.items.size(), 1u);
    // 10 x 5 scaled by 2 and turned a quarter: x from 90 to 100, y from 0 to 20.
    EXPECT_NEAR(m.items[0].box.minX, 90, 1e-9);
    EXPECT_NEAR(m.items[0].box.maxX, 100, 1e-9);
    EXPECT_NEAR(m.items[0].box.maxY, 20, 1e-9);
    const auto& diag = list->diagnostics();
    EXPECT_TRUE(std::any_of(diag.begin(), diag.end(), [](const std::string& s) {
        return s.find("1 DWFUNDERLAY entity not drawn: without a clip boundary") !=
               std::string::npos;
    }));
}
