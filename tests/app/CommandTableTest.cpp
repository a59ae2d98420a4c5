#include "app/CommandTable.h"

#include "app/ToolbarPictures.h"
#include "view/MenuArray.h"

#include <QAction>
#include <QImage>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QToolBar>
#include <gtest/gtest.h>

using namespace vexor;

namespace {

// One line per menu item: "name|caption|flags", flags e (enabled), c (checked), s (shortcut).
std::vector<std::string> describe(QMenu* menu) {
    std::vector<std::string> lines;
    for (QAction* a : menu->actions()) {
        std::string flags;
        if (a->isEnabled())
            flags += 'e';
        if (a->isChecked())
            flags += 'c';
        if (!a->shortcut().isEmpty())
            flags += 's';
        lines.push_back(a->objectName().toStdString() + "|" +
                        (a->isSeparator() ? std::string("-") : a->text().toStdString()) + "|" +
                        flags);
    }
    return lines;
}

class CommandTableTest : public ::testing::Test {
protected:
    CommandTableTest() { app::buildCommandTable(table, &bar, &parent, app::makeToolbarPictures()); }
    QMenuBar bar;
    QWidget parent;
    app::CommandTable table;
};

} // namespace

TEST_F(CommandTableTest, MenuBarHasFiveMenusInOrder) {
    std::vector<std::string> top;
    for (QAction* a : bar.actions())
        top.push_back(a->objectName().toStdString() + "|" + a->text().toStdString());
    EXPECT_EQ(top, (std::vector<std::string>{"mnuFile|&File", "mnuView|&View", "mnuLayers|&Layers",
                                             "mnuTools|&Tools", "mnuHelp|&Help"}));
}

TEST_F(CommandTableTest, ToolsMenuFindsWithControlF) {
    EXPECT_EQ(describe(table.mnuTools),
              (std::vector<std::string>{"mnuFind|&Find...|es", "mnuMeasure|&Measure|e",
                                        "mnuProperties|&Properties|e", "mnuSnap|&Snap|e"}));
    std::vector<std::string> snaps;
    for (QAction* a : table.menus.mnuSnap->menu()->actions())
        snaps.push_back(a->objectName().toStdString() + (a->isChecked() ? "|checked" : ""));
    EXPECT_EQ(snaps,
              (std::vector<std::string>{"mnuSnapEndpoint|checked", "mnuSnapMidpoint|checked",
                                        "mnuSnapIntersection|checked", "mnuSnapNearest|checked",
                                        "mnuSnapNode|checked", "mnuSnapInsertion|checked",
                                        "mnuSnapCentre|checked", "mnuSnapQuadrant|checked",
                                        "mnuSnapPerpendicular|checked", "mnuSnapTangent|checked"}));
    EXPECT_EQ(table.menus.mnuFind->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
}

TEST_F(CommandTableTest, FileMenuEndsWithTheDisabledHistoryEntry) {
    EXPECT_EQ(describe(table.mnuFile),
              (std::vector<std::string>{"mnuOpen|&Open|e", "mnuCompare|Compare with...|e",
                                        "Separate0|-|e", "mnuPrint|&Print|e", "Separate1|-|e",
                                        "mnuExit|E&xit|e", "Separate2|-|e",
                                        "mnuHistory|No recent drawings|"}));
    EXPECT_EQ(table.menus.mnuHistory->Caption(0), "No recent drawings");
}

TEST_F(CommandTableTest, ViewMenuWithColourSubmenus) {
    EXPECT_EQ(describe(table.mnuView),
              (std::vector<std::string>{
                  "mnuZoomIn|Zoom in|e", "mnuZoomOut|Zoom out|e", "mnuZoomSelected|Zoom selected|e",
                  "mnuUndoZoom|Undo zoom|e", "mnu100Percent|Actual size|e",
                  "mnuRefresh|Refresh view|e", "mnuZoomWidth|Zoom width|e",
                  "mnuZoomHeight|Zoom height|e", "mnuSep1|-|e", "mnuBirdsEye|Birds &Eye|e",
                  "mnuSep2|-|e", "mnuBackColor|&Back color|e", "mnuForeColor|Fore color|e",
                  "mnuSep3|-|e", "mnuLayouts|Layout|e", "mnuLineweights|Lineweights|e"}));
    EXPECT_EQ(describe(table.mnuBackColor),
              (std::vector<std::string>{"mnuBackWhite|White|e", "mnuBackBlack|Black|e",
                                        "mnuBackYellow|Yellow|e", "mnuBackBlue|Blue|e"}));
    EXPECT_EQ(describe(table.mnuForeColor),
              (std::vector<std::string>{"mnuForeOriginal|Original|e", "mnuForeWhite|White|e",
                                        "mnuForeBlack|Black|e", "mnuForeYellow|Yellow|e",
                                        "mnuForeBlue|Blue|e"}));
}

TEST_F(CommandTableTest, LayersAndHelpMenus) {
    EXPECT_EQ(describe(table.mnuLayers), (std::vector<std::string>{"mnuLayer|Layer|e"}));
    EXPECT_EQ(
        describe(table.mnuHelp),
        (std::vector<std::string>{"mnuAbout|&About|e", "mnuOnlineHelp|Online help|e",
                                  "mnuWebPage|VEXOR Webpage|e", "mnuPricingInfo|Pricing Info|e",
                                  "mnuSupport|Email Support|e", "mnuComments|Email comments|e"}));
}

TEST_F(CommandTableTest, ClickingAColourEntryDoesNotToggleItsCheckMarkByItself) {
    table.menus.mnuBackBlue->trigger();
    EXPECT_FALSE(table.menus.mnuBackBlue->isChecked());
    table.menus.mnuBackBlue->setChecked(true);
    table.menus.mnuBackBlue->trigger();
    EXPECT_TRUE(table.menus.mnuBackBlue->isChecked());
}

TEST_F(CommandTableTest, ToolbarHasElevenButtonsAndThreeSeparators) {
    std::vector<std::string> items;
    for (QAction* a : table.Toolbar2->actions())
        items.push_back(a->isSeparator()
                            ? std::string("-")
                            : a->objectName().toStdString() + "|" + a->toolTip().toStdString());
    EXPECT_EQ(items,
              (std::vector<std::string>{
                  "btnOpen|Open a drawing", "-", "btnZoomIn|Zoom in", "btnZoomOut|Zoom out",
                  "btnPartLarge|Zoom a selected area of the drawing", "btnUndo|Undo the last zoom",
                  "btnHundred|Actual size", "btnRefresh|Re-drawn", "btnZoomWidth|Zoom width",
                  "btnZoomHeight|Zoom height", "-", "btnBirdsEye|Open birds eye window", "-",
                  "btnPrint|Print the drawing"}));
}

TEST(ToolbarPictures, TwelveDistinctPicturesCrispAtHighDensity) {
    const auto pictures = app::makeToolbarPictures();
    ASSERT_EQ(pictures.size(), 12u);
    std::vector<QImage> images;
    for (int k = 1; k <= 12; ++k) {
        const QImage image = app::toolbarPicture(k, 24, 2.0).toImage();
        EXPECT_EQ(image.width(), 48) << "drawn at the screen's density, not scaled up";
        int ink = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ink += qAlpha(image.pixel(x, y)) > 0;
        EXPECT_GT(ink, 48 * 48 / 20) << "picture " << k << " is nearly empty";
        for (const QImage& earlier : images)
            EXPECT_NE(image, earlier) << "picture " << k << " repeats an earlier one";
        images.push_back(image);
    }
}
