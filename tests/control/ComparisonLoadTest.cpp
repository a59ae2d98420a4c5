// The drawing control's comparison of two files: it shows the comparison as a drawing with
// the layers of both, lists the differences until another drawing is loaded, and a file that
// cannot be read is said in the control's own area as for any load.
#include "control/DrawingWidget.h"
#include "support/Corpus.h"
#include "support/TestDrawings.h"

#include <QApplication>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace vexor::control {
namespace {

namespace fs = std::filesystem;

fs::path writeDxf(const fs::path& file, const std::string& entities) {
    std::ofstream(file) << "0\nSECTION\n2\nENTITIES\n" << entities << "0\nENDSEC\n0\nEOF\n";
    return file;
}

std::string line(const char* layer, double y) {
    return std::string("0\nLINE\n8\n") + layer + "\n10\n0\n20\n" + std::to_string(y) +
           "\n11\n100\n21\n" + std::to_string(y) + "\n";
}

TEST(ComparisonLoad, ShowsBothDrawingsAndListsTheDifferencesUntilTheNextLoad) {
    const fs::path dir = vexor::test::scratchDir("control-compare");
    // The new revision moves the line on "Walls" and adds one on "Doors", a layer of its own.
    const fs::path oldFile = writeDxf(dir / "old.dxf", line("Walls", 0) + line("Grid", 50));
    const fs::path newFile =
        writeDxf(dir / "new.dxf", line("Walls", 10) + line("Grid", 50) + line("Doors", 30));
    DrawingWidget widget;
    widget.resize(400, 200);
    widget.CreateDrawing(oldFile.string(), 0, "");
    widget.LoadComparison(oldFile.string(), newFile.string());
    ASSERT_TRUE(widget.IsDrawingOpen()) << widget.errorMessage().toStdString();

    ASSERT_EQ(widget.DifferenceCount(), 3);
    const DrawingDifference removed = widget.DifferenceAt(0);
    EXPECT_EQ(removed.change, "removed");
    EXPECT_EQ(removed.kind, "LINE");
    EXPECT_EQ(removed.layer, "Walls");
    EXPECT_EQ(removed.layout, "Model");
    EXPECT_DOUBLE_EQ(removed.x2, 100);
    EXPECT_DOUBLE_EQ(removed.y1, 0);
    EXPECT_EQ(widget.DifferenceAt(2).layer, "Doors");
    EXPECT_THROW(widget.DifferenceAt(3), DrawingControlError);

    // The layers of both drawings are the comparison's: "Doors" is there to hide.
    std::vector<std::string> layers;
    for (std::int32_t i = 0; i < widget.ItemCount(); ++i) {
        widget.SelectItemAt(i);
        if (widget.ItemValue("SECTION") == "L")
            layers.push_back(widget.ItemValue("DESCR"));
    }
    EXPECT_NE(std::find(layers.begin(), layers.end(), "Doors"), layers.end());
    EXPECT_NE(std::find(layers.begin(), layers.end(), "Grid"), layers.end());

    // The grey line drawn, then hidden with its layer.
    const auto grey = [](QColor c) {
        return std::abs(c.red() - c.green()) < 12 && std::abs(c.green() - c.blue()) < 12 &&
               c.red() > 60 && c.red() < 230;
    };
    EXPECT_GT(test::countPixels(widget.grab().toImage(), grey), 50);
    widget.HideLayer("Grid");
    QApplication::processEvents();
    EXPECT_EQ(test::countPixels(widget.grab().toImage(), grey), 0);

    // A plain load leaves the comparison and its list.
    widget.CreateDrawing(newFile.string(), 0, "");
    widget.LoadDwg(newFile.string());
    EXPECT_EQ(widget.DifferenceCount(), 0);

    // A file that cannot be read says so, naming it.
    widget.LoadComparison(oldFile.string(), (dir / "missing.dxf").string());
    EXPECT_FALSE(widget.IsDrawingOpen());
    EXPECT_TRUE(widget.errorMessage().contains("missing.dxf"))
        << widget.errorMessage().toStdString();
    EXPECT_EQ(widget.DifferenceCount(), 0);
}

} // namespace
} // namespace vexor::control
