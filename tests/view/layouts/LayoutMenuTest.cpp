#include "view/LayoutMenu.h"

#include "fakes/CallLog.h"
#include "fakes/TestProgram.h"
#include "view/DrawingLoader.h"
#include "view/MenuArray.h"

#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>

using namespace vexor;

namespace {

class LayoutMenuTest : public ::testing::Test {
protected:
    LayoutMenuTest() {
        t.control.setCorner("V100", "0", "0");
        t.control.setCorner("V101", "10", "10");
        t.program.ViewSettings.ForeColor = 256;
    }

    void load(const std::string& path, std::vector<std::string> layouts) {
        t.control.layouts = std::move(layouts);
        t.program.CurrentDrawingPath = path;
        view::LoadDrawing(t.program);
    }
    // Each entry as "caption" with "*" after the chosen one.
    std::vector<std::string> entries() {
        std::vector<std::string> out;
        view::MenuArray& m = *t.table.menus.mnuLayout;
        for (int i = 0; i <= m.UBound(); ++i)
            out.push_back(m.Caption(i) + (m.Checked(i) ? "*" : ""));
        return out;
    }

    test::TestProgram t;
};

TEST_F(LayoutMenuTest, RebuiltForEachDrawingAndStartsOnModel) {
    load("/d/a.dwg", {"Sheet 1", "Sheet 2"});
    EXPECT_EQ(entries(), (std::vector<std::string>{"Model*", "Sheet 1", "Sheet 2"}));
    EXPECT_TRUE(t.table.menus.mnuLayout->Entry(1)->actionGroup() != nullptr);

    view::mnuLayout_Click(t.program, 2);
    EXPECT_EQ(t.control.shownLayout, 2);
    EXPECT_EQ(entries(), (std::vector<std::string>{"Model", "Sheet 1", "Sheet 2*"}));

    // The next drawing has one layout: the list shrinks and shows model space again.
    load("/d/b.dwg", {"Only"});
    EXPECT_EQ(entries(), (std::vector<std::string>{"Model*", "Only"}));
    EXPECT_EQ(t.control.shownLayout, 0);

    // No drawing: "Model" alone, nothing chosen.
    t.program.CurrentDrawingPath.clear();
    view::LoadDrawing(t.program);
    EXPECT_EQ(entries(), (std::vector<std::string>{"Model"}));
}

TEST_F(LayoutMenuTest, ADrawingThatOpensOnASheetHasThatSheetChosen) {
    t.control.openingLayout = 2;
    load("/d/paper.dwg", {"Sheet 1", "Sheet 2"});
    EXPECT_EQ(entries(), (std::vector<std::string>{"Model", "Sheet 1", "Sheet 2*"}));
}

TEST_F(LayoutMenuTest, ChoosingALayoutTakesItsFrameAsTheExtents) {
    load("/d/a.dwg", {"Sheet"});
    EXPECT_EQ(t.program.DrawingExtents.X2, 10);
    t.control.items.clear();
    t.control.setCorner("V100", "-5", "-3");
    t.control.setCorner("V101", "415", "294");
    t.control.calls.clear();
    view::mnuLayout_Click(t.program, 1);
    EXPECT_EQ(test::only(t.control.calls, {"ShowLayout", "SelectItem"}),
              (std::vector<std::string>{"ShowLayout(1)", "SelectItem(\"V100\")",
                                        "SelectItem(\"V101\")"}));
    EXPECT_EQ(t.program.DrawingExtents.X1, -5);
    EXPECT_EQ(t.program.DrawingExtents.Y2, 294);
}

} // namespace

TEST_F(LayoutMenuTest, LineweightsFollowTheDrawingAndTheCheckEntrySwitchesThem) {
    QAction* entry = t.table.menus.mnuLineweights;
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->isCheckable());
    EXPECT_EQ(entry->text().toStdString(), "Lineweights");
    // The View menu's last entry.
    EXPECT_EQ(t.table.mnuView->actions().back(), entry);

    // A drawing that asks for lineweights on screen shows them, and the entry says so.
    t.control.lineweightDisplay = true;
    load("/d/a.dwg", {"Sheet"});
    EXPECT_TRUE(entry->isChecked());
    view::mnuLineweights_Click(t.program);
    EXPECT_FALSE(t.control.lineweightDisplay);
    EXPECT_FALSE(entry->isChecked());
    view::mnuLineweights_Click(t.program);
    EXPECT_TRUE(t.control.lineweightDisplay);
    EXPECT_TRUE(entry->isChecked());

    // The next drawing starts as it asks: the choice is not kept.
    t.control.lineweightDisplay = false;
    load("/d/b.dwg", {"Sheet"});
    EXPECT_FALSE(entry->isChecked());
}
