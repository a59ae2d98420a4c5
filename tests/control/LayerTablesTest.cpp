#include "control/DrawingWidget.h"
#include "support/Corpus.h"
#include "support/TestDrawings.h"

#include <fstream>
#include <gtest/gtest.h>

namespace vexor::control {
namespace {

namespace fs = std::filesystem;

class LayerTablesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = vexor::test::scratchDir("control-layers");
        file = test::writeLayerDxf(dir).string();
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path dir;
    std::string file;
    DrawingWidget control;
};

TEST_F(LayerTablesTest, NamesComeInTableOrderOnePerCall) {
    const std::int32_t h = control.OpenLayerTable(file);
    ASSERT_GT(h, 0);
    ASSERT_EQ(control.LayerTableCount(h), 4);
    std::vector<std::string> names;
    for (int i = 0; i < 4; ++i)
        names.push_back(control.LayerTableName(h, 0));
    EXPECT_EQ(names, (std::vector<std::string>{"0", "Walls", "Doors", "Frozen"}));
    EXPECT_EQ(control.LayerTableName(h, 0), ""); // after the last
    control.CloseLayerTable(h);
}

TEST_F(LayerTablesTest, StatesAreShownOffOrFrozenAndUnavailable) {
    const std::int32_t h = control.OpenLayerTable(file);
    ASSERT_GT(h, 0);
    EXPECT_EQ(control.LayerTableState(h, "0"), 0);
    EXPECT_EQ(control.LayerTableState(h, "Walls"), 0);
    EXPECT_EQ(control.LayerTableState(h, "Doors"), 1);
    EXPECT_EQ(control.LayerTableState(h, "Frozen"), 1);
    EXPECT_EQ(control.LayerTableState(h, "walls"), 2);
    EXPECT_EQ(control.LayerTableState(h, "Nothing"), 2);
    EXPECT_EQ(control.LayerTableState(h + 100, "Walls"), 2);
    control.CloseLayerTable(h);
}

TEST_F(LayerTablesTest, SeveralTablesAreIndependentAndClosedOnesAreGone) {
    const std::int32_t a = control.OpenLayerTable(file);
    const std::int32_t b = control.OpenLayerTable(file);
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    EXPECT_NE(a, b);
    EXPECT_EQ(control.LayerTableName(a, 0), "0");
    EXPECT_EQ(control.LayerTableName(a, 0), "Walls");
    EXPECT_EQ(control.LayerTableName(b, 0), "0");
    control.CloseLayerTable(a);
    EXPECT_EQ(control.LayerTableCount(a), 0);
    EXPECT_EQ(control.LayerTableName(a, 0), "");
    EXPECT_EQ(control.LayerTableName(b, 0), "Walls");
    control.CloseLayerTable(b);
    control.CloseLayerTable(b); // twice is harmless
}

TEST_F(LayerTablesTest, UnreadableFilesGiveHandleZero) {
    EXPECT_EQ(control.OpenLayerTable((dir / "missing.dwg").string()), 0);
    const fs::path junk = dir / "junk.dwg";
    std::ofstream(junk, std::ios::binary) << "this is not a drawing";
    EXPECT_EQ(control.OpenLayerTable(junk.string()), 0);
    EXPECT_EQ(control.LayerTableCount(0), 0);
}

TEST_F(LayerTablesTest, TheLoadedDrawingStartsWithTheFilesLayerStates) {
    control.LoadDwg(file);
    ASSERT_TRUE(control.IsDrawingOpen()) << control.errorMessage().toStdString();
    const auto& hidden = control.scene().style.hiddenLayers;
    ASSERT_EQ(hidden.size(), 4u);
    EXPECT_EQ(hidden[0], 0);
    EXPECT_EQ(hidden[1], 0);
    EXPECT_EQ(hidden[2], 1); // off
    EXPECT_EQ(hidden[3], 2); // frozen
    control.SelectItemAt(2);
    EXPECT_EQ(control.ItemValue("DESCR"), "Doors");
    EXPECT_EQ(control.ItemValue("ECOLOR"), "-5");
}

} // namespace
} // namespace vexor::control
