#include "app/FindPanel.h"
#include "app/MeasurePanel.h"
#include "app/PropertiesPanel.h"
#include "app/frmVEXOR.h"
#include "data/ProjectSchema.h"
#include "fakes/CallLog.h"
#include "fakes/FakeDrawingControl.h"
#include "fakes/FakeWindowSystem.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vexor;

namespace {

class ToolsWindowTest : public ::testing::Test {
protected:
    ToolsWindowTest() : window(control, &controlWidget, windows, folder()) {
        window.Form_Load("");
        control.calls.clear();
    }
    std::string folder() {
        data::createProjectDatabase(dir.path().toStdString() + "/Dadizer.KVF", {});
        return dir.path().toStdString();
    }
    void press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QKeyEvent event(QEvent::KeyPress, key, mods);
        QApplication::sendEvent(&window, &event);
    }
    QShortcut* shortcut(const char* name) { return window.findChild<QShortcut*>(name); }

    QTemporaryDir dir;
    test::FakeDrawingControl control;
    test::FakeWindowSystem windows;
    QWidget controlWidget;
    app::frmVEXOR window;
};

control::FoundText found(std::int32_t layout, const std::string& text) {
    control::FoundText f;
    f.layout = layout;
    f.kind = "MTEXT";
    f.layer = "NOTES";
    f.text = text;
    f.x = 10;
    f.y = 20;
    f.height = 2;
    return f;
}

} // namespace

TEST_F(ToolsWindowTest, PlusMinusZoomAndEscapeCancels) {
    press(Qt::Key_Plus);
    press(Qt::Key_Equal);
    press(Qt::Key_Minus, Qt::KeypadModifier);
    press(Qt::Key_Escape);
    press(Qt::Key_Minus, Qt::ControlModifier); // not ours
    EXPECT_EQ(test::only(control.calls, {"Zoom", "CancelInput"}),
              (std::vector<std::string>{"Zoom(1)", "Zoom(1)", "Zoom(-1)", "CancelInput()"}));
}

TEST_F(ToolsWindowTest, ControlKeysRunTheirFileEntries) {
    ASSERT_TRUE(shortcut("keyOpen") && shortcut("keyPrint") && shortcut("keyExit"));
    EXPECT_EQ(shortcut("keyOpen")->key(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_EQ(shortcut("keyPrint")->key(), QKeySequence(Qt::CTRL | Qt::Key_P));
    EXPECT_EQ(shortcut("keyExit")->key(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    const view::Menus& m = window.program().menus;
    int opens = 0, prints = 0, exits = 0;
    QObject::connect(m.mnuOpen, &QAction::triggered, [&] { ++opens; });
    QObject::connect(m.mnuPrint, &QAction::triggered, [&] { ++prints; });
    QObject::connect(m.mnuExit, &QAction::triggered, [&] { ++exits; });
    emit shortcut("keyOpen")->activated(); // the fake's dialog is cancelled
    emit shortcut("keyPrint")->activated();
    EXPECT_EQ(opens, 1);
    EXPECT_EQ(windows.openRequests.size(), 1u) << "File > Open asked for a file";
    EXPECT_EQ(prints, 0) << "Print is disabled while no drawing is loaded";
    EXPECT_EQ(exits, 0);
}

TEST_F(ToolsWindowTest, StatusBarShowsThePointerPosition) {
    ASSERT_NE(control.sink, nullptr);
    control.linearUnits = 4;
    control.linearPrecision = 3;
    control.sink->PointerMove(15.5, 0.25);
    EXPECT_EQ(window.cursorPosition()->text().toStdString(), "1'-3 1/2\", 0'-0 1/4\"");
    EXPECT_EQ(window.statusBar()->findChild<QLabel*>("lblCursorPosition"), window.cursorPosition());
}

TEST_F(ToolsWindowTest, FindListsHitsAndShowsTheChosenOne) {
    app::FindPanel* panel = window.findPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isHidden());
    window.program().menus.mnuFind->trigger();
    EXPECT_FALSE(panel->isHidden());

    control.foundTexts = {found(0, "Kitchen floor"), found(0, "Floor plan")};
    panel->field()->setText("  floor ");
    panel->wholeWords()->setChecked(true);
    emit panel->field()->returnPressed();
    EXPECT_EQ(test::only(control.calls, {"FindText"}),
              std::vector<std::string>{"FindText(\"floor\", true)"});
    ASSERT_EQ(panel->hits()->count(), 2);
    EXPECT_EQ(panel->hits()->item(0)->text().toStdString(), "Kitchen floor  (NOTES, Model)");
    EXPECT_EQ(panel->summary()->text().toStdString(), "2 texts found");
    EXPECT_EQ(panel->hits()->currentRow(), 0) << "the first hit is shown at once";
    EXPECT_EQ(test::only(control.calls, {"MarkWindow"}).size(), 1u);

    panel->findChild<QPushButton*>("cmdNext")->click();
    EXPECT_EQ(panel->hits()->currentRow(), 1);
    EXPECT_EQ(window.finder().Current(), 1);
    panel->findChild<QPushButton*>("cmdNext")->click();
    EXPECT_EQ(panel->hits()->currentRow(), 0);
    panel->findChild<QPushButton*>("cmdPrevious")->click();
    EXPECT_EQ(panel->hits()->currentRow(), 1);
    EXPECT_EQ(test::only(control.calls, {"MarkWindow"}).size(), 4u);

    control.calls.clear();
    press(Qt::Key_Escape);
    EXPECT_EQ(test::only(control.calls, {"MarkWindow"}),
              std::vector<std::string>{"MarkWindow(1, 0, 0, 0)"})
        << "Escape removes the frame";

    control.foundTexts.clear();
    emit panel->field()->returnPressed();
    EXPECT_EQ(panel->hits()->count(), 0);
    EXPECT_EQ(panel->summary()->text().toStdString(), "0 texts found");
}

TEST_F(ToolsWindowTest, MeasureWithTheLeftButtonAndCopyTheValue) {
    app::MeasurePanel* panel = window.measurePanel();
    ASSERT_NE(panel, nullptr);
    window.program().menus.mnuMeasure->trigger();
    EXPECT_FALSE(panel->isHidden());
    EXPECT_TRUE(window.measurer().Active());
    EXPECT_EQ(window.measurement()->text().toStdString(), "Measure: pick the first point");
    control.sink->PointerDown(1, 0, 0);
    control.sink->PointerUp(1, 0, 0);
    control.sink->PointerDown(1, 3, 4);
    control.sink->PointerUp(1, 3, 4);
    ASSERT_GE(panel->values()->rowCount(), 4);
    EXPECT_EQ(panel->values()->item(0, 0)->text().toStdString(), "Distance");
    EXPECT_EQ(panel->values()->item(0, 1)->text().toStdString(), "5.0000");
    EXPECT_EQ(window.measurement()->text().toStdString(), "Distance 5.0000");
    panel->values()->setCurrentCell(1, 1);
    panel->copyValue();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "3.0000") << "delta X";

    press(Qt::Key_Escape);
    EXPECT_FALSE(window.measurer().Active());
    EXPECT_TRUE(panel->prompt()->text().endsWith("(ended)"));
    EXPECT_EQ(panel->values()->item(0, 1)->text().toStdString(), "5.0000");
}

TEST_F(ToolsWindowTest, PropertiesOfTheClickedObjectsOneAfterTheOther) {
    app::PropertiesPanel* panel = window.propertiesPanel();
    ASSERT_NE(panel, nullptr);
    window.program().menus.mnuMeasure->trigger();
    window.program().menus.mnuProperties->trigger();
    EXPECT_FALSE(panel->isHidden());
    EXPECT_TRUE(window.inspector().Active());
    EXPECT_FALSE(window.measurer().Active()) << "one picking tool at a time";
    control.objects = {{{"Kind", "Line"}, {"Layer", "WALLS"}, {"Length", "10.0000"}},
                       {{"Kind", "Text"}, {"Text", "Room 101"}}};
    control.sink->PointerDown(1, 5, 0);
    control.sink->PointerUp(1, 5, 0);
    ASSERT_EQ(panel->values()->rowCount(), 3);
    EXPECT_EQ(panel->values()->item(1, 1)->text().toStdString(), "WALLS");
    EXPECT_EQ(panel->summary()->text().toStdString(), "Object 1 of 2");
    panel->findChild<QPushButton*>("cmdNextObject")->click();
    ASSERT_EQ(panel->values()->rowCount(), 2);
    EXPECT_EQ(panel->values()->item(1, 1)->text().toStdString(), "Room 101");
    press(Qt::Key_Escape);
    EXPECT_FALSE(window.inspector().Active());
    EXPECT_EQ(panel->summary()->text().toStdString(), "Object 2 of 2 (ended)");
}
