#include "app/HelpLinks.h"
#include "app/frmVEXOR.h"
#include "data/ProjectSchema.h"
#include "data/ViewSettingsStore.h"
#include "fakes/CallLog.h"
#include "fakes/FakeDrawingControl.h"
#include "fakes/FakeWindowSystem.h"
#include "view/MenuArray.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <algorithm>
#include <gtest/gtest.h>

using namespace vexor;

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() : window(control, &controlWidget, windows, folder()) {
        control.setCorner("V100", "0", "0");
        control.setCorner("V101", "10", "10");
    }
    // A program folder holding a new, empty project database.
    std::string folder() {
        data::createProjectDatabase(dir.path().toStdString() + "/Dadizer.KVF", {});
        return dir.path().toStdString();
    }
    QTemporaryDir dir;
    test::FakeDrawingControl control;
    test::FakeWindowSystem windows;
    QWidget controlWidget;
    app::frmVEXOR window;
};

} // namespace

TEST_F(MainWindowTest, LoadWithoutDrawing) {
    window.Form_Load("");
    EXPECT_EQ(window.windowTitle().toStdString(), "VEXOR 1.0.0");
    EXPECT_FALSE(window.program().menus.mnuPrint->isEnabled());
    EXPECT_FALSE(window.program().menus.mnuLayers->isEnabled());
    EXPECT_TRUE(window.Timer1()->isActive());
    EXPECT_EQ(window.Timer1()->interval(), 100);
    EXPECT_DOUBLE_EQ(window.program().ScreenPixelsPerTwip, 1.0 / 15);
    EXPECT_TRUE(window.program().CurrentDrawingPath.empty());
    EXPECT_TRUE(test::only(control.calls, {"LoadDwg", "DgnImport", "CreateDrawing"}).empty());
    EXPECT_EQ(window.program().menus.mnuHistory->Caption(0), "No recent drawings");
    EXPECT_FALSE(window.program().menus.mnuHistory->Enabled(0));
    EXPECT_TRUE(windows.messages.empty());
}

TEST_F(MainWindowTest, CommandLineDrawingIsLoaded) {
    windows.existingFiles.insert("/plans/My Site.dwg");
    window.Form_Load("\"/plans/My Site.dwg\"");
    EXPECT_EQ(window.program().CurrentDrawingPath, "/plans/My Site.dwg");
    EXPECT_EQ(test::only(control.calls, {"LoadDwg"}),
              std::vector<std::string>{"LoadDwg(\"/plans/My Site.dwg\")"});
    EXPECT_EQ(window.windowTitle().toStdString(), "VEXOR 1.0.0 - My Site.dwg");
    EXPECT_TRUE(window.program().menus.mnuPrint->isEnabled());
    EXPECT_EQ(window.program().menus.mnuHistory->Caption(0), "/plans/My Site.dwg")
        << "recorded and listed";
}

TEST_F(MainWindowTest, TheWindowCanBeShownBeforeACommandLineDrawingIsRead) {
    windows.existingFiles.insert("/plans/big.dwg");
    std::vector<std::string> callsBefore;
    int runs = 0;
    window.Form_Load("/plans/big.dwg", [&] {
        ++runs;
        callsBefore = control.calls;
    });
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(test::only(callsBefore, {"LoadDwg", "CreateDrawing"}).empty())
        << "before the drawing is read";
    EXPECT_EQ(test::only(control.calls, {"LoadDwg"}).size(), 1u);

    window.Form_Load("", [&] { ++runs; });
    EXPECT_EQ(runs, 1) << "not without a drawing";
}

TEST_F(MainWindowTest, MissingCommandLineDrawingIsTriedLikeFileOpenButNotRecorded) {
    control.loadOutcome = {control::LoadFailure::Missing,
                           "/plans/gone.dwg: No such file or directory"};
    window.Form_Load("/plans/gone.dwg");
    EXPECT_EQ(test::only(control.calls, {"LoadDwg"}),
              std::vector<std::string>{"LoadDwg(\"/plans/gone.dwg\")"});
    EXPECT_TRUE(window.program().CurrentDrawingPath.empty()) << "no drawing open";
    EXPECT_EQ(window.program().menus.mnuHistory->Caption(0), "No recent drawings");
    ASSERT_EQ(windows.messages.size(), 1u);
    EXPECT_EQ(windows.messages[0].text,
              "The drawing /plans/gone.dwg could not be opened: the file does not exist or "
              "cannot be read.\n/plans/gone.dwg: No such file or directory");
}

TEST_F(MainWindowTest, DgnAndDxfOnTheCommandLineAreImportedAndRecorded) {
    windows.existingFiles.insert("/plans/map.dgn");
    window.Form_Load("/plans/map.dgn");
    EXPECT_EQ(window.program().CurrentDrawingPath, "/plans/map.dgn");
    EXPECT_EQ(test::only(control.calls, {"DgnImport"}),
              std::vector<std::string>{"DgnImport(\"/plans/map.dgn\", 7, \"\")"});
    EXPECT_EQ(window.program().menus.mnuHistory->Caption(0), "/plans/map.dgn");
    EXPECT_EQ(window.windowTitle().toStdString(), "VEXOR 1.0.0 - map.dgn");
}

TEST_F(MainWindowTest, DroppedFilesOpenTheFirstAsFileOpenDoes) {
    window.Form_Load("");
    windows.existingFiles.insert("/plans/site.dxf");
    windows.existingFiles.insert("/plans/other.dwg");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/plans/site.dxf"), QUrl::fromLocalFile("/plans/other.dwg")});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &drop);
    EXPECT_EQ(window.program().CurrentDrawingPath, "/plans/site.dxf");
    EXPECT_EQ(test::only(control.calls, {"DgnImport", "LoadDwg"}),
              std::vector<std::string>{"DgnImport(\"/plans/site.dxf\", 7, \"\")"})
        << "only the first is opened";
    EXPECT_EQ(window.windowTitle().toStdString(), "VEXOR 1.0.0 - site.dxf");
    EXPECT_EQ(window.program().menus.mnuHistory->Caption(0), "/plans/site.dxf");

    // The next drop saves the shown drawing's view first; a missing file is not recorded.
    control.calls.clear();
    QMimeData gone;
    gone.setUrls({QUrl::fromLocalFile("/plans/gone.dwg")});
    QDragEnterEvent enterAgain(QPoint(10, 10), Qt::CopyAction, &gone, Qt::LeftButton,
                               Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enterAgain);
    QDropEvent second(QPointF(10, 10), Qt::CopyAction, &gone, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &second);
    const auto saveThenRead = test::only(control.calls, {"GetView", "LoadDwg"});
    ASSERT_FALSE(saveThenRead.empty());
    EXPECT_EQ(saveThenRead.front(), "GetView()") << "the view is saved first";
    EXPECT_EQ(window.program().CurrentDrawingPath, "/plans/gone.dwg");
    EXPECT_EQ(window.program().menus.mnuHistory->Caption(0), "/plans/site.dxf");
    EXPECT_EQ(window.program().menus.mnuHistory->UBound(), 0);
    EXPECT_TRUE(windows.messages.empty());
}

TEST_F(MainWindowTest, DragsWithoutLocalFilesAreRefused) {
    QMimeData data;
    data.setText("not a file");
    data.setUrls({QUrl("https://example.org/plan.dwg")});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(false);
    QCoreApplication::sendEvent(&window, &enter);
    EXPECT_FALSE(enter.isAccepted());
}

TEST_F(MainWindowTest, FailingCommandLineLoadIsReportedAndTheWindowStillOpens) {
    windows.existingFiles.insert("/plans/bad.dwg");
    control.failOn.insert("LoadDwg");
    window.Form_Load("/plans/bad.dwg");
    ASSERT_EQ(windows.messages.size(), 1u);
    EXPECT_NE(windows.messages[0].text.find("/plans/bad.dwg"), std::string::npos);
    EXPECT_EQ(windows.messages[0].title, "VEXOR");
    EXPECT_EQ(windows.calls.back(), "MessageBox(" + windows.calls.back().substr(11));
    EXPECT_NE(std::find(windows.calls.begin(), windows.calls.end(), "LockWindowUpdate(0)"),
              windows.calls.end())
        << "painting is released";
    EXPECT_TRUE(window.Timer1()->isActive()) << "the load went on to its end";
}

TEST_F(MainWindowTest, ResizePutsTheControlExactlyBelowTheToolbar) {
    window.resize(800, 600);
    window.show();
    window.setWindowState(Qt::WindowNoState);
    window.resize(800, 600);
    QCoreApplication::processEvents();
    const int toolbar = window.commands().Toolbar2->height();
    const QWidget* client = window.centralWidget();
    EXPECT_EQ(control.top, toolbar);
    EXPECT_EQ(control.width, client->width());
    EXPECT_EQ(control.height, client->height() - toolbar);
    EXPECT_EQ(window.commands().Toolbar2->width(), client->width());
}

TEST_F(MainWindowTest, TinyWindowLeavesTheControlHeightAlone) {
    window.show();
    window.resize(800, 600);
    QCoreApplication::processEvents();
    const int height = control.height;
    window.centralWidget()->resize(300, 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(control.height, height);
    EXPECT_EQ(control.width, 300);
}

TEST_F(MainWindowTest, HelpLinksOpenTheirTargetsAndReportNothing) {
    window.program().menus.mnuSupport->trigger();
    window.program().menus.mnuComments->trigger();
    window.program().menus.mnuWebPage->trigger();
    window.program().menus.mnuOnlineHelp->trigger();
    window.program().menus.mnuPricingInfo->trigger();
    const std::string owner = std::to_string(window.Handle());
    EXPECT_EQ(
        test::only(windows.calls, {"ShellExecuteA"}),
        (std::vector<std::string>{
            "ShellExecuteA(" + owner + ", \"open\", \"mailto:support@vexor.example\", 5)",
            "ShellExecuteA(" + owner + ", \"open\", \"mailto:comments@vexor.example\", 5)",
            "ShellExecuteA(" + owner + ", \"open\", \"https://vexor.example\", 1)",
            "ShellExecuteA(" + owner + ", \"open\", \"https://vexor.example/onlinehelp.html\", 1)",
            "ShellExecuteA(" + owner + ", \"open\", \"https://vexor.example/pricinginfo.html\", 1)",
        }));
    EXPECT_TRUE(windows.messages.empty());
}

TEST_F(MainWindowTest, AboutAndPrintAreReachedFromTheMenus) {
    window.Form_Load("");
    window.program().menus.mnuPrint->setEnabled(true);
    window.program().menus.mnuPrint->trigger();
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_NE(w->windowTitle(), "Print Method") << "no drawing, nothing to print";
    window.program().menus.mnuAbout->trigger();
    bool about = false;
    for (QWidget* w : QApplication::topLevelWidgets())
        about = about || w->windowTitle() == "About VEXOR 1.0.0";
    EXPECT_TRUE(about);
    EXPECT_TRUE(windows.messages.empty());
}

namespace {

QAction* toolbarButton(app::frmVEXOR& window, const char* key) {
    for (QAction* button : window.commands().Toolbar2->actions())
        if (button->objectName() == key)
            return button;
    return nullptr;
}

} // namespace

TEST_F(MainWindowTest, PrintButtonFollowsThePrintEntryAlsoWithoutADrawing) {
    window.Form_Load("");
    QAction* print = toolbarButton(window, "btnPrint");
    ASSERT_NE(print, nullptr);
    EXPECT_FALSE(print->isEnabled()) << "nothing to print at start";
    EXPECT_TRUE(toolbarButton(window, "btnOpen")->isEnabled());
    windows.existingFiles.insert("/plans/site.dwg");
    windows.openFileAnswers.push_back("/plans/site.dwg");
    window.program().menus.mnuOpen->trigger();
    EXPECT_TRUE(print->isEnabled());
}

TEST_F(MainWindowTest, AFileThatGivesNoDrawingLeavesNoneOpenAndIsNotRecorded) {
    window.Form_Load("");
    windows.existingFiles = {"/plans/site.dwg", "/plans/bad.dwg", "/plans/notes.txt"};
    windows.openFileAnswers.push_back("/plans/site.dwg");
    window.program().menus.mnuOpen->trigger();
    ASSERT_EQ(window.windowTitle().toStdString(), "VEXOR 1.0.0 - site.dwg");

    const std::string reason = "/plans/bad.dwg: page map lists page 10 beyond the end of the file";
    control.loadOutcome = {control::LoadFailure::Damaged, reason};
    windows.openFileAnswers.push_back("/plans/bad.dwg");
    window.program().menus.mnuOpen->trigger();

    const view::Menus& m = window.program().menus;
    EXPECT_EQ(window.windowTitle().toStdString(), "VEXOR 1.0.0") << "no drawing open";
    EXPECT_TRUE(window.program().CurrentDrawingPath.empty());
    EXPECT_FALSE(m.mnuPrint->isEnabled());
    EXPECT_FALSE(toolbarButton(window, "btnPrint")->isEnabled());
    EXPECT_FALSE(m.mnuLayers->isEnabled());
    EXPECT_EQ(m.mnuLayer->UBound(), 0);
    EXPECT_FALSE(control.Visible());
    EXPECT_EQ(m.mnuHistory->Caption(0), "/plans/site.dwg");
    EXPECT_EQ(m.mnuHistory->UBound(), 0) << "the damaged file is not in the recent list";
    ASSERT_EQ(windows.messages.size(), 1u);
    EXPECT_EQ(windows.messages[0].text,
              "The drawing /plans/bad.dwg could not be opened: the file is damaged.\n" + reason);
    EXPECT_EQ(windows.messages[0].title, "VEXOR");

    // A file that is no drawing says so; a later good one opens as usual.
    control.loadOutcome = {control::LoadFailure::NotADrawing, "/plans/notes.txt: not a drawing"};
    windows.openFileAnswers.push_back("/plans/notes.txt");
    window.program().menus.mnuOpen->trigger();
    ASSERT_EQ(windows.messages.size(), 2u);
    EXPECT_EQ(windows.messages[1].text.substr(0, windows.messages[1].text.find('\n')),
              "The drawing /plans/notes.txt could not be opened: the file is not a drawing.");
    EXPECT_EQ(m.mnuHistory->UBound(), 0);

    control.loadOutcome = {};
    windows.openFileAnswers.push_back("/plans/site.dwg");
    window.program().menus.mnuOpen->trigger();
    EXPECT_EQ(window.windowTitle().toStdString(), "VEXOR 1.0.0 - site.dwg");
    EXPECT_TRUE(toolbarButton(window, "btnPrint")->isEnabled());
}

TEST_F(MainWindowTest, ACancelledLoadLeavesNoDrawingWithoutAMessage) {
    window.Form_Load("");
    windows.existingFiles = {"/plans/huge.dwg"};
    control.loadOutcome = {control::LoadFailure::Cancelled,
                           "/plans/huge.dwg: loading was cancelled"};
    windows.openFileAnswers.push_back("/plans/huge.dwg");
    window.program().menus.mnuOpen->trigger();
    EXPECT_EQ(window.windowTitle().toStdString(), "VEXOR 1.0.0");
    EXPECT_FALSE(window.program().menus.mnuPrint->isEnabled());
    EXPECT_EQ(window.program().menus.mnuHistory->Caption(0), "No recent drawings");
    EXPECT_TRUE(windows.messages.empty()) << "the user stopped it";

    // A background colour change with no drawing open reads nothing.
    control.calls.clear();
    window.program().menus.mnuBackWhite->trigger();
    EXPECT_TRUE(test::only(control.calls, {"LoadDwg", "DgnImport"}).empty());
}

TEST_F(MainWindowTest, AnUnexpectedFailureWhileReadingIsSaidAndTheProgramGoesOn) {
    windows.existingFiles = {"/plans/odd.dwg"};
    control.loadOutcome = {control::LoadFailure::Unexpected, "/plans/odd.dwg: index out of range"};
    window.Form_Load("/plans/odd.dwg");
    ASSERT_EQ(windows.messages.size(), 1u);
    EXPECT_EQ(windows.messages[0].text, "The drawing /plans/odd.dwg could not be opened: an "
                                        "unexpected error stopped the loading.\n"
                                        "/plans/odd.dwg: index out of range");
    EXPECT_TRUE(window.Timer1()->isActive());
    EXPECT_EQ(window.windowTitle().toStdString(), "VEXOR 1.0.0");
}

TEST_F(MainWindowTest, AHelpLinkNothingCanOpenNamesItsAddress) {
    windows.shellOpens = false;
    window.program().menus.mnuOnlineHelp->trigger();
    ASSERT_EQ(windows.messages.size(), 1u);
    EXPECT_NE(windows.messages[0].text.find("https://vexor.example/onlinehelp.html"),
              std::string::npos)
        << windows.messages[0].text;
    EXPECT_EQ(windows.messages[0].title, "VEXOR");
    window.program().menus.mnuSupport->trigger();
    ASSERT_EQ(windows.messages.size(), 2u);
    EXPECT_NE(windows.messages[1].text.find("mailto:support@vexor.example"), std::string::npos);
}

TEST_F(MainWindowTest, LeavingADrawingOnALayoutKeepsItsModelView) {
    window.Form_Load("");
    const std::string folder = dir.path().toStdString();
    const auto storedWindow = [&folder](const std::string& path) {
        data::ViewSettingsRecord row;
        data::ViewSettingsStore(folder).read(path, row);
        return std::vector<double>{row.X1, row.Y1, row.X2, row.Y2};
    };
    const auto setView = [this](double x1, double y1, double x2, double y2) {
        control.view[0] = x1;
        control.view[1] = y1;
        control.view[2] = x2;
        control.view[3] = y2;
    };
    windows.existingFiles = {"/plans/site.dwg", "/plans/other.dwg"};
    control.layouts = {"Sheet 1"};
    windows.openFileAnswers.push_back("/plans/site.dwg");
    window.program().menus.mnuOpen->trigger();
    setView(10, 20, 110, 70); // the user's model view
    window.program().menus.mnuLayout->Entry(1)->trigger();
    setView(0, 0, 420, 297); // the sheet, in paper units

    // Open another drawing while the sheet is shown.
    windows.openFileAnswers.push_back("/plans/other.dwg");
    window.program().menus.mnuOpen->trigger();
    EXPECT_EQ(storedWindow("/plans/site.dwg"), (std::vector<double>{10, 20, 110, 70}));

    // A drawing that opens on a sheet and is left there keeps the view it was restored with.
    windows.openFileAnswers.push_back("/plans/site.dwg");
    window.program().menus.mnuOpen->trigger();
    EXPECT_NE(std::find(control.calls.begin(), control.calls.end(), "ZoomWindow(10, 20, 110, 70)"),
              control.calls.end())
        << "the model view comes back";
    control.shownLayout = 1;
    setView(0, 0, 420, 297);
    window.program().menus.mnuExit->trigger();
    EXPECT_EQ(storedWindow("/plans/site.dwg"), (std::vector<double>{10, 20, 110, 70}));
}
