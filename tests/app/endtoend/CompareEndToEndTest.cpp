// File > Compare with... in the main window with the real drawing control: the comparison is
// drawn in its colours, the docked panel lists the differences, choosing one zooms to it and
// "Close comparison" brings the first drawing back.
#include "app/DifferencesPanel.h"
#include "app/frmVEXOR.h"
#include "control/DrawingWidget.h"
#include "data/ProjectSchema.h"
#include "fakes/FakeWindowSystem.h"
#include "support/Corpus.h"
#include "view/DrawingLoader.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <fstream>
#include <gtest/gtest.h>
#include <iostream>

using namespace vexor;

namespace {

namespace fs = std::filesystem;

std::string writeDxf(const fs::path& file, const std::string& entities) {
    std::ofstream out(file);
    out << "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n70\n2\n"
           "0\nLAYER\n2\n0\n70\n0\n62\n7\n6\nCONTINUOUS\n"
           "0\nLAYER\n2\nWALLS\n70\n0\n62\n5\n6\nCONTINUOUS\n0\nENDTAB\n0\nENDSEC\n"
           "0\nSECTION\n2\nENTITIES\n"
        << entities << "0\nENDSEC\n0\nEOF\n";
    return file.string();
}

std::string line(double x1, double y1, double x2, double y2) {
    return "0\nLINE\n8\nWALLS\n10\n" + std::to_string(x1) + "\n20\n" + std::to_string(y1) +
           "\n11\n" + std::to_string(x2) + "\n21\n" + std::to_string(y2) + "\n";
}

// Pixels whose colour is within a blend of `colour` over white by at least a half.
int pixelsLike(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            const auto near = [](int a, int c) { return a <= (c + 255) / 2 + 12 && a >= c - 12; };
            n += near(qRed(p), qRed(colour)) && near(qGreen(p), qGreen(colour)) &&
                 near(qBlue(p), qBlue(colour)) && p != qRgb(255, 255, 255);
        }
    return n;
}

class CompareEndToEnd : public ::testing::Test {
protected:
    CompareEndToEnd() : window(control, &control, windows, folder()) {}

    std::string folder() {
        data::createProjectDatabase(dir.path().toStdString() + "/Dadizer.KVF", {});
        return dir.path().toStdString();
    }

    QTemporaryDir dir;
    test::FakeWindowSystem windows;
    control::DrawingWidget control;
    app::frmVEXOR window;
};

TEST_F(CompareEndToEnd, ComparisonIsDrawnListedZoomedToAndClosed) {
    const fs::path scratch = test::scratchDir("compare-window");
    // Revision B: a frame of four walls and a partition. Revision C moves the partition and
    // adds a second one.
    const std::string frame =
        line(0, 0, 100, 0) + line(100, 0, 100, 60) + line(100, 60, 0, 60) + line(0, 60, 0, 0);
    const std::string oldFile = writeDxf(scratch / "rev-b.dxf", frame + line(40, 0, 40, 60));
    const std::string newFile =
        writeDxf(scratch / "rev-c.dxf", frame + line(50, 0, 50, 60) + line(75, 0, 75, 30));

    window.resize(1000, 700);
    window.show();
    QApplication::processEvents();
    window.program().CurrentDrawingPath = oldFile;
    view::LoadDrawing(window.program());
    QApplication::processEvents();
    double before[6];
    control.GetView(before[0], before[1], before[2], before[3], before[4], before[5]);

    windows.openFileAnswers.push_back(newFile);
    window.program().menus.mnuCompare->trigger();
    QApplication::processEvents();

    EXPECT_NE(window.windowTitle().toStdString().find("rev-b.dxf compared with rev-c.dxf"),
              std::string::npos);
    app::DifferencesPanel* panel = window.differencesPanel();
    ASSERT_TRUE(panel->isVisible());
    QTreeWidget* list = panel->list();
    ASSERT_EQ(list->topLevelItemCount(), 1); // LINE on layer WALLS
    EXPECT_EQ(list->topLevelItem(0)->childCount(), 3);
    EXPECT_EQ(list->topLevelItem(0)->text(0).toStdString(), "LINE on layer WALLS (3)");

    const QImage shown = control.grab().toImage();
    shown.save(QString::fromStdString((scratch / "comparison.png").string()));
    window.grab().save(QString::fromStdString((scratch / "window.png").string()));
    std::cout << "comparison pictures in " << scratch << "\n";
    EXPECT_GT(pixelsLike(shown, qRgb(0x9A, 0x9A, 0x9A)), 200) << "the frame, unchanged";
    EXPECT_GT(pixelsLike(shown, qRgb(0xE0, 0x26, 0x1F)), 50) << "the old partition";
    EXPECT_GT(pixelsLike(shown, qRgb(0x1F, 0xA8, 0x3A)), 80) << "the new partitions";

    // Listed in the old drawing's order, then what was added: choosing the short new
    // partition zooms to it.
    QTreeWidgetItem* shortOne = list->topLevelItem(0)->child(2);
    EXPECT_EQ(list->topLevelItem(0)->child(0)->text(0).toStdString(), "removed");
    EXPECT_EQ(shortOne->text(0).toStdString(), "added");
    list->setCurrentItem(shortOne);
    QApplication::processEvents();
    double zoomed[6];
    control.GetView(zoomed[0], zoomed[1], zoomed[2], zoomed[3], zoomed[4], zoomed[5]);
    EXPECT_LT(zoomed[2] - zoomed[0], 80) << "closer than the whole drawing";
    EXPECT_GE(zoomed[2], 75);
    EXPECT_LE(zoomed[0], 75);

    // Next goes round the list; Close comparison brings the first drawing back as it was.
    panel->findChild<QPushButton*>("NextDifference")->click();
    QApplication::processEvents();
    EXPECT_EQ(list->currentItem(), list->topLevelItem(0)->child(0));
    panel->findChild<QPushButton*>("CloseComparison")->click();
    QApplication::processEvents();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(window.windowTitle().toStdString().find("compared"), std::string::npos);
    double after[6];
    control.GetView(after[0], after[1], after[2], after[3], after[4], after[5]);
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(after[i], before[i], 1e-6 * (before[2] - before[0]));
    const QImage back = control.grab().toImage();
    EXPECT_EQ(pixelsLike(back, qRgb(0xE0, 0x26, 0x1F)), 0) << "no comparison colours";
    EXPECT_EQ(pixelsLike(back, qRgb(0x1F, 0xA8, 0x3A)), 0);
}

} // namespace
