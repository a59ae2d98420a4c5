#include "view/LayersMenu.h"

#include "fakes/CallLog.h"
#include "fakes/TestProgram.h"
#include "view/DrawingLoader.h"
#include "view/LayerIcons.h"
#include "view/MenuArray.h"
#include "view/MenuIcons.h"

#include <QAction>
#include <gtest/gtest.h>

using namespace vexor;

namespace {

class LayersMenuTest : public ::testing::Test {
protected:
    LayersMenuTest() {
        icons.SetOwnerWindow(&t.bar);
        icons.SetImageList(&images);
        t.program.menuIcons = &icons;
        t.control.layerTable = {{"0", 0}, {"WALLS", 1}, {"A&B", 0}, {"AB", 0}, {"XREF|X", 2}};
        t.control.addLayerRecord("0", "7");
        t.control.addLayerRecord("WALLS", "-20");
        t.control.addLayerRecord("A&B", "14");
        t.control.addLayerRecord("AB", "5");
        t.control.addLayerRecord("UNLISTED", "3");
        t.control.setCorner("V100", "0", "0");
        t.control.setCorner("V101", "10", "10");
        t.program.ViewSettings.ForeColor = 256;
    }

    void load(const std::string& path) {
        t.program.CurrentDrawingPath = path;
        view::LoadDrawing(t.program);
    }
    std::vector<std::string> entries() {
        std::vector<std::string> out;
        view::MenuArray& m = *t.table.menus.mnuLayer;
        for (int i = 0; i <= m.UBound(); ++i)
            out.push_back(m.Caption(i) + (m.Checked(i) ? "|c" : "|") + (m.Enabled(i) ? "e" : ""));
        return out;
    }
    int icon(const std::string& entry) { return icons.GetItemIcon(entry); }

    test::TestProgram t;
    std::vector<QIcon> images = view::makeLayerIcons();
    view::MenuIcons icons;
};

} // namespace

TEST_F(LayersMenuTest, DwgLoadListsTheLayersWithStatesColoursAndIcons) {
    load("/d/plan.dwg");
    EXPECT_EQ(entries(), (std::vector<std::string>{"Layer_0|ce", "Layer_WALLS|e", "Layer_A&B|ce",
                                                   "Layer_AB|ce", "Layer_XREF|X|"}));
    EXPECT_TRUE(t.table.menus.mnuLayers->isEnabled());
    EXPECT_EQ(t.program.layers.LayerColors, (std::vector<std::int16_t>{7, 20, 14, 5, 0}));
    // Colour 20 folds onto 6 when shown, 20 when hidden; 14 stays 14 (28 hidden).
    EXPECT_EQ(icon("Layer_WALLS"), 20);
    EXPECT_EQ(icon("Layer_A&B"), 14);
    EXPECT_EQ(icon("Layer_AB"), 5);
    EXPECT_EQ(icon("Layer_0"), 7);
    EXPECT_EQ(test::only(t.control.calls, {"HideLayer", "OpenLayerTable", "CloseLayerTable"}),
              (std::vector<std::string>{"OpenLayerTable(\"/d/plan.dwg\")", "CloseLayerTable(1)",
                                        "HideLayer(\"WALLS\")", "HideLayer(\"XREF|X\")"}));
}

TEST_F(LayersMenuTest, AmpersandsStayInTheNameAndEachLayerKeepsItsOwnIcon) {
    load("/d/plan.dwg");
    QAction* amp = t.table.menus.mnuLayer->Entry(2);
    EXPECT_EQ(amp->text().toStdString(), "Layer_A&&B") << "shown as an ampersand";
    EXPECT_FALSE(amp->icon().isNull());
    view::mnuLayer_Click(t.program, 2);
    EXPECT_EQ(test::only(t.control.calls, {"HideLayer"}).back(), "HideLayer(\"A&B\")");
    EXPECT_EQ(icon("Layer_A&B"), 28);
    EXPECT_EQ(icon("Layer_AB"), 5) << "the look-alike layer keeps its icon";
}

TEST_F(LayersMenuTest, ClickingTwiceRestoresCheckVisibilityAndIcon) {
    load("/d/plan.dwg");
    t.control.calls.clear();
    view::mnuLayer_Click(t.program, 1); // WALLS: hidden -> shown
    EXPECT_TRUE(t.table.menus.mnuLayer->Checked(1));
    EXPECT_EQ(icon("Layer_WALLS"), 6);
    view::mnuLayer_Click(t.program, 1);
    EXPECT_FALSE(t.table.menus.mnuLayer->Checked(1));
    EXPECT_EQ(icon("Layer_WALLS"), 20);
    EXPECT_EQ(t.control.calls,
              (std::vector<std::string>{"ShowLayer(\"WALLS\")", "SetColorMode(2)",
                                        "SetForeColor(\"#\", 256)", "HideLayer(\"WALLS\")",
                                        "SetColorMode(2)", "SetForeColor(\"#\", 256)"}));
}

TEST_F(LayersMenuTest, ReloadKeepsTheUsersCheckMarksAndHidesAgain) {
    load("/d/plan.dwg");
    view::mnuLayer_Click(t.program, 0); // hide layer "0"
    view::mnuLayer_Click(t.program, 1); // show WALLS
    t.control.calls.clear();
    load("/d/plan.dwg"); // a background colour change reloads the same path
    EXPECT_TRUE(test::only(t.control.calls, {"OpenLayerTable"}).empty()) << "table not re-read";
    EXPECT_EQ(entries()[0], "Layer_0|e");
    EXPECT_EQ(entries()[1], "Layer_WALLS|ce");
    EXPECT_EQ(test::only(t.control.calls, {"HideLayer"}),
              (std::vector<std::string>{"HideLayer(\"0\")", "HideLayer(\"XREF|X\")"}))
        << "one-character layer names are hidden again too";
    EXPECT_EQ(icon("Layer_0"), 21);
}

TEST_F(LayersMenuTest, EmptyTableLeavesOneBlankDisabledEntryInAnEnabledMenu) {
    t.control.layerTable.clear();
    load("/d/empty.dwg");
    EXPECT_EQ(entries(), std::vector<std::string>{"|c"});
    EXPECT_TRUE(t.table.menus.mnuLayers->isEnabled());
    EXPECT_TRUE(test::only(t.control.calls, {"HideLayer"}).empty());
    EXPECT_EQ(test::only(t.control.calls, {"CloseLayerTable"}).size(), 1u)
        << "an empty table is closed too";
}

TEST_F(LayersMenuTest, DgnAfterDwgClearsTheMenuAndTheSameDwgReadsTheTableAgain) {
    load("/d/plan.dwg");
    load("/d/map.dgn");
    EXPECT_EQ(entries(), std::vector<std::string>{"|c"});
    EXPECT_FALSE(t.table.menus.mnuLayers->isEnabled());
    t.control.calls.clear();
    load("/d/plan.dwg");
    EXPECT_EQ(test::only(t.control.calls, {"OpenLayerTable"}).size(), 1u);
    EXPECT_EQ(entries().size(), 5u);
}

TEST_F(LayersMenuTest, FailedOpenIsRetriedOnce) {
    t.control.openLayerTableResults = {0, 0};
    t.control.layerTableCount = 0;
    load("/d/plan.dwg");
    EXPECT_EQ(test::only(t.control.calls, {"OpenLayerTable", "LayerTableCount"}),
              (std::vector<std::string>{"OpenLayerTable(\"/d/plan.dwg\")",
                                        "OpenLayerTable(\"/d/plan.dwg\")", "LayerTableCount(0)"}));
}

TEST_F(LayersMenuTest, FillMenuEntriesAddsAndRemovesFromTheEnd) {
    view::MenuArray& m = *t.table.menus.mnuLayer;
    view::FillMenuEntries(m, {"a", "b", "c"}, 3);
    EXPECT_EQ(entries(), (std::vector<std::string>{"a|ce", "b|ce", "c|ce"}));
    m.SetEnabled(0, false);
    view::FillMenuEntries(m, {"x"}, 1);
    EXPECT_EQ(entries(), std::vector<std::string>{"x|c"}) << "enabled is left alone";
    view::FillMenuEntries(m, {}, 0);
    EXPECT_EQ(entries(), std::vector<std::string>{"|"}) << "no text: blank and unchecked";
}

TEST(LayerIcons, TwentyNineKeyedIconsWithDistinctShownAndHiddenVariants) {
    const auto icons = view::makeLayerIcons();
    const auto& keys = view::layerIconKeys();
    ASSERT_EQ(icons.size(), 29u);
    ASSERT_EQ(keys.size(), 29u);
    EXPECT_EQ(keys[0], "Red0");
    EXPECT_EQ(keys[1], "RED2");
    EXPECT_EQ(keys[4], "CYANO2");
    EXPECT_EQ(keys[14], "WHITE2");
    EXPECT_EQ(keys[15], "RED1");
    EXPECT_EQ(keys[28], "WHITE1");
    for (int c = 1; c <= 14; ++c)
        EXPECT_NE(icons[c].pixmap(16, 16).toImage(), icons[c + 14].pixmap(16, 16).toImage());
    EXPECT_NE(icons[1].pixmap(16, 16).toImage(), icons[2].pixmap(16, 16).toImage());
}

TEST(MenuIconsComponent, UnknownEntryReportsTheWhiteShownIcon) {
    view::MenuIcons icons;
    EXPECT_EQ(icons.GetItemIcon("Layer_never"), 14);
    icons.SetItemIcon("Layer_never", 3);
    EXPECT_EQ(icons.GetItemIcon("Layer_never"), 3);
}
