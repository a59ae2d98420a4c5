#include "view/Comparison.h"

#include "fakes/CallLog.h"
#include "fakes/TestProgram.h"
#include "view/DrawingLoader.h"
#include "view/History.h"
#include "view/LayersMenu.h"
#include "view/MenuArray.h"
#include "view/ProgramVersion.h"

#include <QAction>
#include <gtest/gtest.h>

using namespace vexor;

namespace {

// The differences panel as the procedures see it: what it lists and which row is marked.
class RecordingPanel : public view::DifferencesPanelHost {
public:
    bool shown = false;
    std::vector<std::string> rows; // "change kind layer"
    int selected = -1;

    void ShowDifferences(const std::vector<control::DrawingDifference>& differences) override {
        shown = true;
        rows.clear();
        for (const auto& d : differences)
            rows.push_back(d.change + " " + d.kind + " " + d.layer);
    }
    void HideDifferences() override {
        shown = false;
        rows.clear();
    }
    void SelectDifference(int index) override { selected = index; }
};

control::DrawingDifference difference(std::string change, std::string kind, std::string layer,
                                      double x1, double y1, double x2, double y2) {
    control::DrawingDifference d;
    d.change = std::move(change);
    d.kind = std::move(kind);
    d.layer = std::move(layer);
    d.layout = "Model";
    d.x1 = x1;
    d.y1 = y1;
    d.x2 = x2;
    d.y2 = y2;
    return d;
}

class ComparisonTest : public ::testing::Test {
protected:
    ComparisonTest() {
        t.control.setCorner("V100", "0", "0");
        t.control.setCorner("V101", "100", "100");
        t.control.layerTable = {{"0", 0}, {"WALLS", 0}};
        // The comparison's layers: both drawings' (DOORS is only in the newer one).
        t.control.addLayerRecord("0", "7");
        t.control.addLayerRecord("WALLS", "1");
        t.control.addLayerRecord("DOORS", "3");
        t.program.ViewSettings.ForeColor = 256;
        t.program.differencesPanel = &panel;
        t.control.differences = {difference("changed", "LINE", "WALLS", 0, 0, 10, 10),
                                 difference("added", "CIRCLE", "0", 40, 40, 60, 50),
                                 difference("removed", "LINE", "0", 5, 5, 5, 5)};
        t.program.CurrentDrawingPath = "/d/rev-b.dwg";
        view::LoadDrawing(t.program);
    }

    std::vector<std::string> zooms() { return test::only(t.control.calls, {"ZoomWindow"}); }

    test::TestProgram t;
    RecordingPanel panel;
};

TEST_F(ComparisonTest, AsksThroughTheOpenDialogAndShowsTheComparisonWithItsDifferences) {
    t.windows.openFileAnswers.push_back("/d/rev-c.dwg");
    t.control.calls.clear();
    view::mnuCompare_Click(t.program);

    ASSERT_EQ(t.windows.openRequests.size(), 1u);
    EXPECT_EQ(t.windows.openRequests[0].filter, view::kOpenDialogFilter);
    EXPECT_EQ(test::only(t.control.calls, {"LoadComparison", "LoadDwg"}),
              (std::vector<std::string>{"LoadComparison(\"/d/rev-b.dwg\", \"/d/rev-c.dwg\")"}));
    EXPECT_EQ(t.host.caption, view::ProgramTitle() + " - rev-b.dwg compared with rev-c.dwg");
    EXPECT_EQ(t.program.CurrentDrawingPath, "/d/rev-b.dwg");
    // Listed by kind, then layer.
    EXPECT_TRUE(panel.shown);
    EXPECT_EQ(panel.rows,
              (std::vector<std::string>{"added CIRCLE 0", "removed LINE 0", "changed LINE WALLS"}));
    // Layers, printing and the overview work on it as on a drawing; the layers listed are both
    // drawings'.
    EXPECT_TRUE(t.table.menus.mnuLayers->isEnabled());
    ASSERT_EQ(t.table.menus.mnuLayer->UBound(), 2);
    EXPECT_EQ(t.table.menus.mnuLayer->Caption(2), "Layer_DOORS");
    view::mnuLayer_Click(t.program, 2);
    EXPECT_EQ(test::only(t.control.calls, {"HideLayer"}).back(), "HideLayer(\"DOORS\")");
    EXPECT_TRUE(t.table.menus.mnuPrint->isEnabled());
    EXPECT_FALSE(test::only(t.control.calls, {"ShowOverview"}).empty());
}

TEST_F(ComparisonTest, CancellingTheDialogOrNoDrawingLeavesEverythingAsItWas) {
    t.control.calls.clear();
    view::mnuCompare_Click(t.program); // no answer: cancelled
    EXPECT_TRUE(test::only(t.control.calls, {"LoadComparison", "LoadDwg"}).empty());
    EXPECT_FALSE(panel.shown);

    t.program.CurrentDrawingPath.clear();
    view::LoadDrawing(t.program);
    t.windows.openFileAnswers.push_back("/d/rev-c.dwg");
    view::mnuCompare_Click(t.program);
    EXPECT_EQ(t.windows.openRequests.size(), 1u) << "nothing to compare with: no dialog";
}

TEST_F(ComparisonTest, ChoosingADifferenceZoomsToItAndNextAndPreviousGoRound) {
    view::CompareWith(t.program, "/d/rev-c.dwg");
    t.control.calls.clear();
    view::ShowDifference(t.program, 0); // the circle, 20 x 10: a window round it with room
    EXPECT_EQ(zooms(), (std::vector<std::string>{"ZoomWindow(35, 30, 65, 60)"}));
    EXPECT_EQ(panel.selected, 0);

    // A point is zoomed to at a fiftieth of the drawing.
    view::NextDifference(t.program);
    EXPECT_EQ(zooms().back(), "ZoomWindow(3.5, 3.5, 6.5, 6.5)");
    EXPECT_EQ(panel.selected, 1);
    view::NextDifference(t.program);
    view::NextDifference(t.program);
    EXPECT_EQ(panel.selected, 0) << "round the list";
    view::PreviousDifference(t.program);
    EXPECT_EQ(panel.selected, 2);
    view::ShowDifference(t.program, 7); // no such difference
    EXPECT_EQ(panel.selected, 2);
}

TEST_F(ComparisonTest, ClosingReturnsToTheFirstDrawingAsItWas) {
    // The user looks at part of it with WALLS hidden.
    t.control.view[0] = 10;
    t.control.view[1] = 20;
    t.control.view[2] = 30;
    t.control.view[3] = 40;
    view::mnuLayer_Click(t.program, 1);
    ASSERT_FALSE(t.table.menus.mnuLayer->Checked(1));
    view::CompareWith(t.program, "/d/rev-c.dwg");
    EXPECT_FALSE(t.table.menus.mnuLayer->Checked(1)) << "hidden in the comparison too";
    view::mnuLayer_Click(t.program, 1); // shown in the comparison
    ASSERT_TRUE(t.table.menus.mnuLayer->Checked(1));

    t.control.calls.clear();
    view::CloseComparison(t.program);
    EXPECT_EQ(test::only(t.control.calls, {"LoadComparison", "LoadDwg"}),
              (std::vector<std::string>{"LoadDwg(\"/d/rev-b.dwg\")"}));
    EXPECT_EQ(zooms(), (std::vector<std::string>{"ZoomWindow(10, 20, 30, 40)"}));
    EXPECT_FALSE(t.table.menus.mnuLayer->Checked(1));
    EXPECT_EQ(test::only(t.control.calls, {"HideLayer"}).back(), "HideLayer(\"WALLS\")");
    EXPECT_EQ(t.host.caption, view::ProgramTitle() + " - rev-b.dwg");
    EXPECT_FALSE(panel.shown);
    EXPECT_TRUE(t.program.comparison.ComparedPath.empty());

    // Closing again does nothing.
    t.control.calls.clear();
    view::CloseComparison(t.program);
    EXPECT_TRUE(t.control.calls.empty());
}

TEST_F(ComparisonTest, OpeningAnotherDrawingLeavesTheComparison) {
    view::CompareWith(t.program, "/d/rev-c.dwg");
    ASSERT_TRUE(panel.shown);
    t.windows.existingFiles.insert("/d/other.dwg");
    t.program.CurrentDrawingPath = "/d/other.dwg";
    view::LoadDrawing(t.program);
    EXPECT_FALSE(panel.shown);
    EXPECT_TRUE(t.program.comparison.Differences.empty());
    EXPECT_EQ(t.host.caption, view::ProgramTitle() + " - other.dwg");
}

} // namespace
