#include "view/LayersMenu.h"

#include "cad/model/Color.h"
#include "control/render/RenderStyle.h"
#include "fakes/CallLog.h"
#include "fakes/TestProgram.h"
#include "view/DrawingLoader.h"
#include "view/LayerIcons.h"
#include "view/MenuArray.h"
#include "view/MenuIcons.h"

#include <QAction>
#include <algorithm>
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
    // Colour 20 is an orange red: the hidden red icon; colour 14 is a dark red.
    EXPECT_EQ(icon("Layer_WALLS"), 15);
    EXPECT_EQ(icon("Layer_A&B"), 8);
    EXPECT_EQ(icon("Layer_AB"), 5);
    EXPECT_EQ(icon("Layer_0"), 7);
    EXPECT_EQ(test::only(t.control.calls, {"HideLayer", "OpenLayerTable", "CloseLayerTable"}),
              (std::vector<std::string>{"OpenLayerTable(\"/d/plan.dwg\")", "CloseLayerTable(1)",
                                        "HideLayer(\"WALLS\")", "HideLayer(\"XREF|X\")"}));
}

TEST_F(LayersMenuTest, IconsFollowTheLayersRealColoursTrueColoursToo) {
    t.control.layerTable = {{"Wall", 0}, {"Doors", 0}, {"Windows", 1}, {"Glass", 0}};
    t.control.items.clear();
    t.control.addLayerRecord("Wall", "16");
    t.control.addLayerRecord("Doors", "160");
    t.control.addLayerRecord("Windows", "-40");
    t.control.addLayerRecord("Glass", "5");
    t.control.items.back().second["TRUECOLOR"] = "#102080";
    load("/d/plan.dwg");
    EXPECT_EQ(icon("Layer_Wall"), 8) << "dark red";
    EXPECT_EQ(icon("Layer_Doors"), 5) << "blue";
    EXPECT_EQ(icon("Layer_Windows"), 2 + 14) << "orange: the hidden yellow icon";
    EXPECT_EQ(icon("Layer_Glass"), 12) << "the true colour, not its nearest index, decides";
    view::mnuLayer_Click(t.program, 3);
    EXPECT_EQ(icon("Layer_Glass"), 26) << "hiding keeps the colour";
}

TEST_F(LayersMenuTest, AmpersandsStayInTheNameAndEachLayerKeepsItsOwnIcon) {
    load("/d/plan.dwg");
    QAction* amp = t.table.menus.mnuLayer->Entry(2);
    EXPECT_EQ(amp->text().toStdString(), "Layer_A&&B") << "shown as an ampersand";
    EXPECT_FALSE(amp->icon().isNull());
    view::mnuLayer_Click(t.program, 2);
    EXPECT_EQ(test::only(t.control.calls, {"HideLayer"}).back(), "HideLayer(\"A&B\")");
    EXPECT_EQ(icon("Layer_A&B"), 22);
    EXPECT_EQ(icon("Layer_AB"), 5) << "the look-alike layer keeps its icon";
}

TEST_F(LayersMenuTest, ClickingTwiceRestoresCheckVisibilityAndIcon) {
    load("/d/plan.dwg");
    t.control.calls.clear();
    view::mnuLayer_Click(t.program, 1); // WALLS: hidden -> shown
    EXPECT_TRUE(t.table.menus.mnuLayer->Checked(1));
    EXPECT_EQ(icon("Layer_WALLS"), 1);
    view::mnuLayer_Click(t.program, 1);
    EXPECT_FALSE(t.table.menus.mnuLayer->Checked(1));
    EXPECT_EQ(icon("Layer_WALLS"), 15);
    EXPECT_EQ(test::only(t.control.calls, {"ShowLayer", "HideLayer"}),
              (std::vector<std::string>{"ShowLayer(\"WALLS\")", "HideLayer(\"WALLS\")"}));
    EXPECT_EQ(test::only(t.control.calls, {"SetForeColor"}).back(), "SetForeColor(\"#\", 256)")
        << "the drawing colour is applied again after the change";
}

TEST_F(LayersMenuTest, ReloadGivesBackExactlyTheVisibilityTheMenuShows) {
    load("/d/plan.dwg");
    view::mnuLayer_Click(t.program, 0); // hide layer "0"
    view::mnuLayer_Click(t.program, 1); // show WALLS, off in the file
    t.control.calls.clear();
    load("/d/plan.dwg"); // a background colour change reloads the same path
    EXPECT_TRUE(test::only(t.control.calls, {"OpenLayerTable"}).empty()) << "table not re-read";
    EXPECT_EQ(entries()[0], "Layer_0|e");
    EXPECT_EQ(entries()[1], "Layer_WALLS|ce");
    // The reload starts again from the file's states: every entry is applied, both ways.
    const auto visibility = test::only(t.control.calls, {"ShowLayer", "HideLayer"});
    const auto has = [&visibility](const std::string& c) {
        return std::find(visibility.begin(), visibility.end(), c) != visibility.end();
    };
    EXPECT_TRUE(has("HideLayer(\"0\")")) << "one-character layer names too";
    EXPECT_TRUE(has("ShowLayer(\"WALLS\")")) << "switched on by the user, off in the file";
    EXPECT_FALSE(has("HideLayer(\"WALLS\")"));
    EXPECT_TRUE(has("HideLayer(\"XREF|X\")"));
    EXPECT_TRUE(has("ShowLayer(\"AB\")"));
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

TEST_F(LayersMenuTest, DxfAndDgnListTheLayersOfTheDrawingRead) {
    t.control.items.clear();
    t.control.addLayerRecord("0", "7");
    t.control.addLayerRecord("Walls", "1");
    t.control.addLayerRecord("Doors", "-5"); // off
    for (const std::string path : {"/d/site.dxf", "/d/map.dgn"}) {
        load(path);
        EXPECT_TRUE(test::only(t.control.calls, {"OpenLayerTable"}).empty())
            << "the file is read once, by the load";
        EXPECT_EQ(entries(),
                  (std::vector<std::string>{"Layer_0|ce", "Layer_Walls|ce", "Layer_Doors|e"}))
            << path;
        EXPECT_TRUE(t.table.menus.mnuLayers->isEnabled());
        EXPECT_EQ(icon("Layer_Walls"), 1);
        EXPECT_EQ(icon("Layer_Doors"), 5 + 14);
        EXPECT_EQ(test::only(t.control.calls, {"HideLayer"}),
                  std::vector<std::string>{"HideLayer(\"Doors\")"});
        t.control.calls.clear();
    }
    // Switching survives a reload of the same drawing, as for DWG.
    view::mnuLayer_Click(t.program, 2);
    load("/d/map.dgn");
    EXPECT_EQ(entries()[2], "Layer_Doors|ce");
    EXPECT_EQ(test::only(t.control.calls, {"HideLayer"}), std::vector<std::string>{});
}

TEST_F(LayersMenuTest, TheSameDwgAfterAnotherDrawingReadsItsTableAgain) {
    load("/d/plan.dwg");
    load("/d/map.dgn");
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

TEST(LayerIcons, EveryIndexColourGetsItsNearestIconAndAHiddenTwin) {
    const auto rgb = [](int code) { return control::paletteColor(code).rgb() & 0xFFFFFFu; };
    const auto distance = [](std::uint32_t a, std::uint32_t b) {
        long sum = 0;
        for (int shift : {0, 8, 16}) {
            const long d = static_cast<long>((a >> shift) & 0xFF) - ((b >> shift) & 0xFF);
            sum += d * d;
        }
        return sum;
    };
    for (int c = 1; c <= 255; ++c) {
        const int shown = view::layerIconIndex(c, std::nullopt, true);
        ASSERT_GE(shown, 1) << c;
        ASSERT_LE(shown, 14) << c;
        EXPECT_EQ(view::layerIconIndex(c, std::nullopt, false), shown + 14) << c;
        if (c == 7)
            continue;
        const std::uint32_t real = cad::colorIndexRgb(c);
        for (int other = 1; other <= 14; ++other)
            EXPECT_LE(distance(real, rgb(shown)), distance(real, rgb(other)))
                << "colour " << c << " icon " << shown << " but " << other << " is nearer";
    }
    // The six primaries and the foreground colour keep their own icons.
    for (int c = 1; c <= 7; ++c)
        EXPECT_EQ(view::layerIconIndex(c, std::nullopt, true), c);
    // Whole hue families: saturated entries at full and at half brightness.
    const int bright[] = {10, 50, 90, 130, 170, 210};
    const int dark[] = {14, 54, 94, 134, 174, 214};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(view::layerIconIndex(bright[k], std::nullopt, true), k + 1) << bright[k];
        EXPECT_EQ(view::layerIconIndex(dark[k], std::nullopt, true), k + 8) << dark[k];
    }
    EXPECT_EQ(view::layerIconIndex(255, std::nullopt, true), 14) << "white";
    EXPECT_EQ(view::layerIconIndex(250, std::nullopt, true), 7) << "near black";
}

TEST(LayerIcons, TrueColoursAndUnknownColours) {
    EXPECT_EQ(view::layerIconIndex(7, 0xFFFFFFu, true), 14);
    EXPECT_EQ(view::layerIconIndex(7, 0x000000u, false), 21);
    EXPECT_EQ(view::layerIconIndex(1, 0x00A0A0u, true), 11) << "the true colour wins";
    EXPECT_EQ(view::layerIconIndex(0, std::nullopt, true), 0) << "no icon";
    EXPECT_EQ(view::layerIconIndex(0, std::nullopt, false), 28);
    EXPECT_EQ(view::layerIconIndex(256, std::nullopt, true), 0);
    EXPECT_EQ(view::layerIconIndex(-3, std::nullopt, false), 28);
}

TEST(MenuIconsComponent, UnknownEntryReportsTheWhiteShownIcon) {
    view::MenuIcons icons;
    EXPECT_EQ(icons.GetItemIcon("Layer_never"), 14);
    icons.SetItemIcon("Layer_never", 3);
    EXPECT_EQ(icons.GetItemIcon("Layer_never"), 3);
}
