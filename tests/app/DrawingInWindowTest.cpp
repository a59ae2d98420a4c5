// The main window with the real drawing control and real files: what the Layers menu lists for
// each drawing kind, what the drawing then shows, and what a reload keeps.
#include "app/frmVEXOR.h"
#include "control/DrawingWidget.h"
#include "data/ProjectSchema.h"
#include "fakes/FakeWindowSystem.h"
#include "support/Corpus.h"
#include "support/TestDrawings.h"
#include "view/MenuArray.h"

#include <QAction>
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>

using namespace vexor;

namespace {

class DrawingInWindowTest : public ::testing::Test {
protected:
    DrawingInWindowTest() : window(widget, &widget, windows, folder()) {
        widget.resize(600, 400);
        window.Form_Load("");
    }
    std::string folder() {
        data::createProjectDatabase(dir.path().toStdString() + "/Dadizer.KVF", {});
        return dir.path().toStdString();
    }
    void open(const std::string& path) {
        windows.existingFiles.insert(path);
        windows.openFileAnswers.push_back(path);
        menus().mnuOpen->trigger();
    }
    view::Menus& menus() { return window.program().menus; }
    // Each entry as "caption|checked|enabled".
    std::vector<std::string> entries() {
        std::vector<std::string> out;
        const view::MenuArray& m = *menus().mnuLayer;
        for (int i = 0; i <= m.UBound(); ++i)
            out.push_back(m.Caption(i) + (m.Checked(i) ? "|c" : "|") + (m.Enabled(i) ? "e" : ""));
        return out;
    }
    int entryOf(const std::string& caption) {
        const view::MenuArray& m = *menus().mnuLayer;
        for (int i = 0; i <= m.UBound(); ++i)
            if (m.Caption(i) == caption)
                return i;
        return -1;
    }
    void click(const std::string& caption) {
        const int i = entryOf(caption);
        ASSERT_GE(i, 0) << caption;
        menus().mnuLayer->Entry(i)->trigger();
    }
    // Whether the drawing shown hides the layer.
    bool hidden(const std::string& layer) {
        const auto& document = widget.scene().document;
        EXPECT_TRUE(document);
        if (!document)
            return false;
        const int index = document->layerIndex(layer);
        const auto& flags = widget.scene().style.hiddenLayers;
        EXPECT_GE(index, 0) << layer;
        return index >= 0 && static_cast<std::size_t>(index) < flags.size() && flags[index] != 0;
    }

    QTemporaryDir dir;
    test::FakeWindowSystem windows;
    control::DrawingWidget widget;
    app::frmVEXOR window;
};

} // namespace

TEST_F(DrawingInWindowTest, ADxfListsItsLayersAndTheDrawingShowsWhatTheMenuSays) {
    const std::string path = control::test::writeLayerDxf(dir.path().toStdString()).string();
    open(path);
    EXPECT_TRUE(menus().mnuLayers->isEnabled());
    EXPECT_EQ(entries(), (std::vector<std::string>{"Layer_0|ce", "Layer_Walls|ce", "Layer_Doors|e",
                                                   "Layer_Frozen|e"}));
    EXPECT_FALSE(menus().mnuLayer->Entry(entryOf("Layer_Walls"))->icon().isNull());
    EXPECT_FALSE(hidden("Walls"));
    EXPECT_TRUE(hidden("Doors"));
    EXPECT_TRUE(hidden("Frozen"));

    click("Layer_Doors"); // off in the file, shown by the user
    click("Layer_Walls"); // shown in the file, hidden by the user
    EXPECT_FALSE(hidden("Doors"));
    EXPECT_TRUE(hidden("Walls"));

    // A background colour change reads the drawing again: the menu and the drawing agree.
    menus().mnuBackWhite->trigger();
    EXPECT_EQ(entries(), (std::vector<std::string>{"Layer_0|ce", "Layer_Walls|e", "Layer_Doors|ce",
                                                   "Layer_Frozen|e"}));
    EXPECT_FALSE(hidden("Doors")) << "switched on by the user, off in the file";
    EXPECT_TRUE(hidden("Walls"));
    EXPECT_TRUE(hidden("Frozen"));
    EXPECT_TRUE(windows.messages.empty());
}

TEST_F(DrawingInWindowTest, ADgnListsItsLevels) {
    VEXOR_REQUIRE_CORPUS();
    const std::string path = (*test::corpusDir() / "dgn/v7/gdal__smalltest.dgn").string();
    open(path);
    ASSERT_TRUE(widget.scene().document) << widget.errorMessage().toStdString();
    EXPECT_TRUE(menus().mnuLayers->isEnabled());
    const std::vector<std::string> listed = entries();
    ASSERT_FALSE(listed.empty());
    for (const std::string& entry : listed)
        EXPECT_EQ(entry.rfind("Layer_", 0), 0u) << entry;
    EXPECT_GE(entryOf("Layer_" + widget.scene().document->drawing().layers.back().name), 0);
    click(listed.back().substr(0, listed.back().find('|')));
    EXPECT_FALSE(menus().mnuLayer->Checked(static_cast<int>(listed.size()) - 1));
}

TEST_F(DrawingInWindowTest, AFileThatIsNoDrawingLeavesTheWindowWithoutOne) {
    const std::string path = dir.path().toStdString() + "/notes.dwg";
    std::ofstream(path) << "Shopping list\n";
    open(path);
    EXPECT_EQ(window.windowTitle().toStdString(), "VEXOR 1.0.0");
    EXPECT_FALSE(menus().mnuPrint->isEnabled());
    EXPECT_FALSE(menus().mnuLayers->isEnabled());
    EXPECT_EQ(menus().mnuHistory->Caption(0), "No recent drawings");
    ASSERT_EQ(windows.messages.size(), 1u);
    EXPECT_EQ(windows.messages[0].text.substr(0, windows.messages[0].text.find('\n')),
              "The drawing " + path + " could not be opened: the file is not a drawing.");
}
