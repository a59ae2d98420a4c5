#include "DxfFixture.h"

#include <gtest/gtest.h>

using namespace vexor;
using test::DxfText;

namespace {

// Layers, a second paper-space block, viewports in both paper spaces and one in model space,
// and the LAYOUT objects joining each sheet to its block.
std::string layoutFile() {
    DxfText f;
    f.begin("TABLES")
        .g(0, "TABLE")
        .g(2, "LAYER")
        .g(0, "LAYER")
        .g(5, "A1")
        .g(2, "WALLS")
        .g(62, 1)
        .g(0, "LAYER")
        .g(5, "A2")
        .g(2, "NOTES")
        .g(62, 2)
        .g(0, "ENDTAB")
        .end()
        .begin("BLOCKS")
        .g(0, "BLOCK")
        .g(5, "20")
        .g(330, "1F")
        .g(2, "*Paper_Space")
        .g(0, "ENDBLK")
        .g(0, "BLOCK")
        .g(5, "30")
        .g(330, "2F")
        .g(2, "*Paper_Space0")
        .g(0, "VIEWPORT")
        .g(5, "31")
        .g(8, "0")
        .point(10, 148.5, 105)
        .g(40, 297.0)
        .g(41, 210.0)
        .g(68, 1)
        .g(69, 1)
        .g(0, "ENDBLK")
        .end()
        .begin("ENTITIES")
        .g(0, "VIEWPORT")
        .g(5, "40")
        .g(67, 1)
        .g(8, "0")
        .point(10, 100, 80)
        .g(40, 120.0)
        .g(41, 90.0)
        .g(68, 2)
        .g(69, 2)
        .point(12, 500, 300)
        .point(16, 0, 0, 1)
        .point(17, 10, 20, 0)
        .g(45, 4500.0)
        .g(51, 30.0)
        .g(331, "A2")
        .g(331, "FF")
        .g(90, 0x10000)
        .g(340, "41")
        .g(0, "VIEWPORT") // in model space: it would show model space inside itself
        .g(5, "42")
        .point(10, 0, 0)
        .g(40, 10.0)
        .g(41, 10.0)
        .end()
        .begin("OBJECTS")
        .g(0, "LAYOUT")
        .g(5, "50")
        .g(100, "AcDbPlotSettings")
        .g(1, "page setup")
        .g(40, 7.5)
        .g(41, 20.0)
        .g(42, 7.5)
        .g(43, 20.0)
        .g(44, 210.0)
        .g(45, 297.0)
        .g(46, 1.0)
        .g(47, 2.0)
        .g(70, 688)
        .g(72, 1)
        .g(73, 1)
        .g(142, 1.0)
        .g(143, 2.0)
        .g(100, "AcDbLayout")
        .g(1, "Second")
        .g(70, 1)
        .g(71, 2)
        .g(330, "2F")
        .g(0, "LAYOUT")
        .g(5, "51")
        .g(100, "AcDbPlotSettings")
        .g(44, 420.0)
        .g(45, 297.0)
        .g(100, "AcDbLayout")
        .g(1, "First")
        .g(71, 1)
        .g(330, "1F")
        .g(0, "LAYOUT")
        .g(5, "52")
        .g(100, "AcDbPlotSettings")
        .g(100, "AcDbLayout")
        .g(1, "Lost")
        .g(71, 3)
        .g(330, "9F")
        .end()
        .eof();
    return f.str();
}

bool mentions(const cad::Drawing& d, const std::string& text) {
    for (const std::string& m : d.diagnostics)
        if (m.find(text) != std::string::npos)
            return true;
    return false;
}

} // namespace

TEST(DxfLayout, LayoutsJoinTheirBlocksInTabOrder) {
    const cad::Drawing d = test::readText(layoutFile());
    ASSERT_EQ(d.layouts.size(), 3u);
    EXPECT_EQ(d.layouts[0].name, "First");
    EXPECT_EQ(d.layouts[1].name, "Second");
    EXPECT_EQ(d.layouts[2].name, "Lost");
    EXPECT_EQ(d.blocks[d.layouts[0].block].name, "*Paper_Space");
    EXPECT_EQ(d.blocks[d.layouts[1].block].name, "*Paper_Space0");
    // A layout whose block record is not in the file is listed, drawn empty, and reported.
    EXPECT_EQ(d.layouts[2].block, cad::kNoIndex);
    EXPECT_TRUE(mentions(d, "layout \"Lost\": its paper-space block is missing"));

    const cad::Layout& second = d.layouts[1];
    EXPECT_EQ(second.paperSize.x, 210);
    EXPECT_EQ(second.paperSize.y, 297);
    EXPECT_EQ(second.margins[0], 7.5);
    EXPECT_EQ(second.margins[3], 20);
    EXPECT_EQ(second.plotOrigin.y, 2);
    EXPECT_EQ(second.rotation, 1);
    EXPECT_EQ(second.drawingUnits, 2);
    EXPECT_EQ(cad::sheetSize(second).x, 297); // turned a quarter
    EXPECT_DOUBLE_EQ(cad::paperUnitsPerMillimetre(second), 2);
}

TEST(DxfLayout, ViewportsBelongToTheirPaperSpace) {
    const cad::Drawing d = test::readText(layoutFile());
    const auto& first = d.blocks[d.layouts[0].block].viewports;
    ASSERT_EQ(first.size(), 1u);
    const cad::Viewport& v = first[0];
    EXPECT_EQ(v.centre.x, 100);
    EXPECT_EQ(v.height, 90);
    EXPECT_EQ(v.viewCentre.x, 500);
    EXPECT_EQ(v.viewTarget.y, 20);
    EXPECT_EQ(v.viewHeight, 4500);
    EXPECT_NEAR(v.twist, 3.14159265358979 / 6, 1e-12);
    EXPECT_TRUE(v.on);
    EXPECT_TRUE(v.clipByBoundary);
    EXPECT_EQ(v.clipBoundary, 0x41u);
    // The frozen layer that exists is resolved; the unknown handle is reported.
    ASSERT_EQ(v.frozenLayers.size(), 1u);
    EXPECT_EQ(d.layers[v.frozenLayers[0]].name, "NOTES");
    EXPECT_TRUE(mentions(d, "layers frozen in viewports are not in the layer table"));

    const auto& second = d.blocks[d.layouts[1].block].viewports;
    ASSERT_EQ(second.size(), 1u);
    EXPECT_TRUE(cad::isPaperViewport(second, 0)); // numbered 1: the paper itself

    EXPECT_TRUE(mentions(d, "VIEWPORT in model space not drawn"));
}

TEST(DxfLayout, FilesWithoutLayoutObjectsHaveOneSheet) {
    DxfText f;
    f.begin("ENTITIES").g(0, "LINE").g(67, 1).point(10, 0, 0).point(11, 5, 5).end().eof();
    const cad::Drawing d = test::readText(f.str());
    ASSERT_EQ(d.layouts.size(), 1u);
    EXPECT_EQ(d.layouts[0].name, "Layout1");
    ASSERT_NE(d.layouts[0].block, cad::kNoIndex);
    EXPECT_EQ(d.blocks[d.layouts[0].block].entities.size(), 1u);
    EXPECT_GT(d.layouts[0].paperSize.x, 0);
}

// Before R2000 the view of a viewport is kept in its ACAD "MVIEW" extended data, with the
// layers frozen in it by name; a list the view cannot be read from leaves no view.
TEST(DxfLayout, OlderViewportsTakeTheirViewFromExtendedData) {
    DxfText f;
    f.begin("HEADER").g(9, "$ACADVER").g(1, "AC1009").end();
    f.begin("TABLES").g(0, "TABLE").g(2, "LAYER").g(0, "LAYER").g(2, "Notes").g(0, "ENDTAB").end();
    f.begin("ENTITIES")
        .g(0, "VIEWPORT")
        .g(67, 1)
        .g(8, "0")
        .point(10, 60, 40)
        .g(40, 80.0)
        .g(41, 50.0)
        .g(68, 2)
        .g(69, 2)
        .g(1001, "ACAD")
        .g(1000, "MVIEW")
        .g(1002, "{")
        .g(1070, 16)
        .g(1010, 5.0)
        .g(1020, 6.0)
        .g(1030, 0.0)
        .g(1010, 0.0)
        .g(1020, 0.0)
        .g(1030, 1.0)
        .g(1040, 0.5)   // twist
        .g(1040, 250.0) // view height
        .g(1040, 100.0) // view centre
        .g(1040, 70.0)
        .g(1040, 50.0)
        .g(1070, 0)
        .g(1002, "{")
        .g(1003, "NOTES")
        .g(1003, "GONE")
        .g(1002, "}")
        .g(1002, "}")
        .g(0, "VIEWPORT")
        .g(67, 1)
        .g(8, "0")
        .point(10, 10, 10)
        .g(40, 5.0)
        .g(41, 5.0)
        .g(69, 3)
        .g(1001, "ACAD")
        .g(1000, "MVIEW")
        .g(1002, "{")
        .g(1070, 16)
        .g(1002, "}")
        .end()
        .eof();
    const cad::Drawing d = test::readText(f.str());
    ASSERT_EQ(d.layouts.size(), 1u);
    const auto& viewports = d.blocks[d.layouts[0].block].viewports;
    ASSERT_EQ(viewports.size(), 2u);
    const cad::Viewport& v = viewports[0];
    EXPECT_EQ(v.viewTarget.x, 5);
    EXPECT_EQ(v.viewTarget.y, 6);
    EXPECT_EQ(v.viewDirection.z, 1);
    EXPECT_DOUBLE_EQ(v.twist, 0.5);
    EXPECT_EQ(v.viewHeight, 250);
    EXPECT_EQ(v.viewCentre.x, 100);
    EXPECT_EQ(v.viewCentre.y, 70);
    ASSERT_EQ(v.frozenLayers.size(), 1u);
    EXPECT_EQ(d.layers[v.frozenLayers[0]].name, "Notes");
    EXPECT_TRUE(mentions(d, "layers frozen in viewports are not in the layer table"));
    EXPECT_EQ(viewports[1].viewHeight, 0);
}
