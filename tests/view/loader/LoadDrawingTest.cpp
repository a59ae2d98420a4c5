#include "fakes/CallLog.h"
#include "fakes/TestProgram.h"
#include "view/DrawingLoader.h"

#include <QAction>
#include <gtest/gtest.h>

using namespace vexor;
using test::TestProgram;

namespace {

class LoadDrawingTest : public ::testing::Test {
protected:
    void SetUp() override {
        t.control.setCorner("V100", "-10.5", "2");
        t.control.setCorner("V101", "120.25", "80");
        t.windows.windowsByTitle["Overview"] = 77;
        t.control.layerTable = {{"WALLS", 1}};
        t.control.addLayerRecord("WALLS", "3");
    }
    TestProgram t;
};

const std::vector<std::string> kDwgSequence = {
    "IsDrawingOpen()",
    "ResetDrawing()",
    "SetVisible(true)",
    "OpenLayerTable(\"/d/site plan.dwg\")",
    "LayerTableCount(1)",
    "LayerTableName(1, 0)",
    "LayerTableState(1, \"WALLS\")",
    "CloseLayerTable(1)",
    "SetColorMode(2)",
    "SetDisplayMode(6)",
    "SetRedrawMode(1)",
    "ClearView()",
    "SetFilter(\"\")",
    "SetViewTransform(0, 0, 0, 0, 1, 1, 1, 1)",
    "SetBackgroundColor(0, 0, 255)",
    "AttachLibrary(\"dbcmem32.dll\", \"\", 0)",
    "SetWorkFile(\"/opt/vexor/temp.mgb\", 255)",
    "WindowHandle()",
    "CreateDrawing(\"/d/site plan.dwg\", 0, \"\")",
    "LoadDwg(\"/d/site plan.dwg\")",
    "SelectItem(\"V100\")",
    "ItemFound()",
    "ItemValue(\"VX1\")",
    "ItemValue(\"VY1\")",
    "SelectItem(\"V101\")",
    "ItemFound()",
    "ItemValue(\"VX1\")",
    "ItemValue(\"VY1\")",
    "SetZoomOptions(0.5, 1, 1)",
    "SetForeColor(\"#\", 256)",
    "ShowOverview()",
    "ItemCount()",
    "SelectItemAt(0)",
    "ItemValue(\"SECTION\")",
    "SelectItemAt(1)",
    "ItemValue(\"SECTION\")",
    "SelectItemAt(2)",
    "ItemValue(\"SECTION\")",
    "ItemValue(\"DESCR\")",
    "ItemValue(\"ECOLOR\")",
    "ItemValue(\"TRUECOLOR\")",
    "HideLayer(\"WALLS\")",
    "SetColorMode(2)",
    "SetForeColor(\"#\", 256)",
    "LayoutCount()",
    "ShownLayout()",
    "IsDrawingOpen()",
    "LineweightDisplay()",
};

} // namespace

TEST_F(LoadDrawingTest, DwgRunsTheWholeSequenceInOrder) {
    t.program.CurrentDrawingPath = "/d/site plan.dwg";
    t.program.ViewSettings.BackBlue = 255;
    t.program.ViewSettings.ForeColor = 256;
    t.program.ScreenPixelsPerTwip = 1.0 / 15;
    t.table.menus.mnuPrint->setEnabled(false);

    view::LoadDrawing(t.program);

    EXPECT_EQ(t.control.calls, kDwgSequence);
    EXPECT_EQ(t.windows.calls, (std::vector<std::string>{
                                   "LockWindowUpdate(4242)",
                                   "FindWindowA(\"Overview\")",
                                   "SetWindowTextA(77, \"Birds eye\")",
                                   "FindWindowA(\"Birds eye\")",
                                   "GetWindowRect(77)",
                                   "SetWindowPos(77, -2, 0, 768, 1, 1, 33)",
                                   "LockWindowUpdate(0)",
                                   "ShowWindow(77, 5)",
                               }));
    EXPECT_EQ(t.host.caption, "VEXOR 1.0.0 - site plan.dwg");
    EXPECT_TRUE(t.table.menus.mnuPrint->isEnabled());
    EXPECT_EQ(t.program.BirdsEyeHandle, 77u);
    EXPECT_EQ(t.windows.windowsByTitle.count("Birds eye"), 1u);
    const auto& e = t.program.DrawingExtents;
    EXPECT_EQ(e.X1, -10.5);
    EXPECT_EQ(e.Y1, 2);
    EXPECT_EQ(e.X2, 120.25);
    EXPECT_EQ(e.Y2, 80);
}

TEST_F(LoadDrawingTest, AnOpenDrawingIsClosedBeforeTheReset) {
    t.program.CurrentDrawingPath = "/d/a.dwg";
    t.control.drawingOpen = true;
    view::LoadDrawing(t.program);
    ASSERT_GE(t.control.calls.size(), 3u);
    EXPECT_EQ(t.control.calls[0], "IsDrawingOpen()");
    EXPECT_EQ(t.control.calls[1], "CloseDrawing()");
    EXPECT_EQ(t.control.calls[2], "ResetDrawing()");
}

TEST_F(LoadDrawingTest, OtherFilesAreImported) {
    for (const std::string path : {"/d/map.dgn", "/d/map.dxf", "/d/map"}) {
        t.control.calls.clear();
        t.program.CurrentDrawingPath = path;
        view::LoadDrawing(t.program);
        EXPECT_EQ(test::only(t.control.calls, {"SetImportLibrary", "CreateDrawing", "DrawingHandle",
                                               "DgnImport", "LoadDwg"}),
                  (std::vector<std::string>{
                      "SetImportLibrary(\"/opt/vexor/dbcdgn32.dll\")",
                      "CreateDrawing(\"" + path + "\", 0, \"\")",
                      "DrawingHandle()",
                      "DgnImport(\"" + path + "\", 7, \"\")",
                  }))
            << path;
    }
}

TEST_F(LoadDrawingTest, OnlyTheLastThreeCharactersDecideTheKind) {
    EXPECT_TRUE(view::isDwgPath("/d/a.dwg"));
    EXPECT_TRUE(view::isDwgPath("/d/a.DWG"));
    EXPECT_TRUE(view::isDwgPath("/d/aDwG"));
    EXPECT_TRUE(view::isDwgPath("dwg"));
    EXPECT_FALSE(view::isDwgPath("wg"));
    EXPECT_FALSE(view::isDwgPath("/d/a.dwg "));

    t.program.CurrentDrawingPath = "/d/plansDWG";
    view::LoadDrawing(t.program);
    EXPECT_EQ(test::only(t.control.calls, {"LoadDwg", "DgnImport"}),
              std::vector<std::string>{"LoadDwg(\"/d/plansDWG\")"});
}

TEST_F(LoadDrawingTest, SavedWindowIsShownUnlessAllFourAreZero) {
    t.program.CurrentDrawingPath = "/d/a.dwg";
    view::LoadDrawing(t.program);
    EXPECT_TRUE(test::only(t.control.calls, {"ZoomWindow"}).empty());

    t.control.calls.clear();
    t.program.ViewSettings.Y2 = 0.5;
    view::LoadDrawing(t.program);
    EXPECT_EQ(test::only(t.control.calls, {"SetZoomOptions", "ZoomWindow", "SetForeColor"}),
              (std::vector<std::string>{"SetZoomOptions(0.5, 1, 1)", "ZoomWindow(0, 0, 0, 0.5)",
                                        "SetForeColor(\"#\", 0)", "SetForeColor(\"#\", 0)"}))
        << "the drawing colour is applied after the saved view and again after the layers";
}

TEST_F(LoadDrawingTest, MissingUpperCornerLeavesZeros) {
    t.control.items.clear();
    t.control.setCorner("V100", "3", "4");
    t.program.CurrentDrawingPath = "/d/a.dwg";
    view::LoadDrawing(t.program);
    const auto& e = t.program.DrawingExtents;
    EXPECT_EQ(e.X1, 3);
    EXPECT_EQ(e.Y1, 4);
    EXPECT_EQ(e.X2, 0);
    EXPECT_EQ(e.Y2, 0);
}

TEST_F(LoadDrawingTest, CornerThatIsNotANumberStopsTheLoadButReleasesPainting) {
    t.control.items.clear();
    t.control.setCorner("V100", "12,5", "4");
    t.program.CurrentDrawingPath = "/d/a.dwg";
    EXPECT_THROW(view::LoadDrawing(t.program), view::LoadError);
    EXPECT_TRUE(
        test::only(t.control.calls, {"SetZoomOptions", "ShowOverview", "SetForeColor"}).empty());
    EXPECT_EQ(t.windows.calls,
              (std::vector<std::string>{"LockWindowUpdate(4242)", "LockWindowUpdate(0)"}));
}

TEST_F(LoadDrawingTest, ControlFailureWhileReadingReleasesPainting) {
    t.control.failOn.insert("LoadDwg");
    t.program.CurrentDrawingPath = "/d/a.dwg";
    EXPECT_THROW(view::LoadDrawing(t.program), control::DrawingControlError);
    ASSERT_FALSE(t.windows.calls.empty());
    EXPECT_EQ(t.windows.calls.back(), "LockWindowUpdate(0)");
}

TEST_F(LoadDrawingTest, NoOverviewWindowLeavesTheHandleZero) {
    t.windows.windowsByTitle.clear();
    t.program.CurrentDrawingPath = "/d/a.dwg";
    view::LoadDrawing(t.program);
    EXPECT_EQ(t.program.BirdsEyeHandle, 0u);
    EXPECT_EQ(t.windows.windowsByTitle.count("Birds eye"), 0u);
}

TEST_F(LoadDrawingTest, EmptyPathHidesTheControlAndKeepsTheTitle) {
    t.program.CurrentDrawingPath = "/d/a.dwg";
    view::LoadDrawing(t.program);
    const std::string title = t.host.caption;

    t.control.calls.clear();
    t.windows.calls.clear();
    t.control.drawingOpen = true;
    t.program.CurrentDrawingPath.clear();
    view::LoadDrawing(t.program);
    EXPECT_EQ(t.control.calls,
              (std::vector<std::string>{"IsDrawingOpen()", "CloseDrawing()", "SetVisible(false)"}));
    EXPECT_TRUE(t.windows.calls.empty());
    EXPECT_FALSE(t.table.menus.mnuPrint->isEnabled());
    EXPECT_FALSE(t.table.menus.mnuLayers->isEnabled());
    EXPECT_EQ(t.program.DrawingExtents.X2, 0);
    EXPECT_EQ(t.program.DrawingExtents.Y2, 0);
    EXPECT_EQ(t.host.caption, title);

    t.control.calls.clear();
    view::LoadDrawing(t.program);
    EXPECT_EQ(t.control.calls, (std::vector<std::string>{"IsDrawingOpen()", "SetVisible(false)"}));
}

TEST(ItemNumber, AcceptsPlainDecimalNumbersOnly) {
    EXPECT_EQ(view::itemNumber("12.5"), 12.5);
    EXPECT_EQ(view::itemNumber(" -3 "), -3);
    EXPECT_EQ(view::itemNumber("+4"), 4);
    EXPECT_EQ(view::itemNumber("1e3"), 1000);
    EXPECT_EQ(view::itemNumber("0.1"), 0.1);
    EXPECT_THROW(view::itemNumber(""), view::LoadError);
    EXPECT_THROW(view::itemNumber("abc"), view::LoadError);
    EXPECT_THROW(view::itemNumber("12,5"), view::LoadError);
    EXPECT_THROW(view::itemNumber("1 2"), view::LoadError);
}
