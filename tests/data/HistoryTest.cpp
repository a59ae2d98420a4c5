#include "view/History.h"

#include "ProjectFixture.h"
#include "fakes/CallLog.h"
#include "fakes/TestProgram.h"
#include "view/MenuArray.h"

#include <QAction>
#include <QFile>
#include <algorithm>
#include <gtest/gtest.h>
#include <regex>

namespace vexor::test {
namespace {

// A program whose folder holds a fresh project database.
class History : public ::testing::Test {
protected:
    History() { t.program.ProgramFolder = project.folder; }

    view::Program& program() { return t.program; }
    view::MenuArray& menu() { return *t.program.menus.mnuHistory; }

    // A drawing that exists, chosen through File > Open.
    std::string open(const std::string& name) {
        const std::string path = project.folder + "/" + name;
        t.windows.existingFiles.insert(path);
        t.windows.openFileAnswers.push_back(path);
        view::mnuOpen_Click(program());
        return path;
    }

    std::vector<std::string> captions() {
        std::vector<std::string> result;
        for (int i = 0; i <= menu().UBound(); ++i)
            result.push_back(menu().Caption(i));
        return result;
    }

    ProjectFolder project;
    TestProgram t;
};

TEST_F(History, EmptyTableKeepsTheDisabledPlaceholder) {
    EXPECT_FALSE(view::BuildHistoryMenu(program()));
    EXPECT_EQ(captions(), std::vector<std::string>{"No recent drawings"});
    EXPECT_FALSE(menu().Enabled(0));
}

TEST_F(History, TwelveDrawingsShowTheTenNewestNewestFirst) {
    for (int i = 0; i < 12; ++i)
        open("d" + std::to_string(i) + ".dwg");
    EXPECT_EQ(project.rowCount(), 12);
    ASSERT_EQ(menu().UBound(), 9);
    for (int i = 0; i < 10; ++i) {
        const std::string expected = project.folder + "/d" + std::to_string(11 - i) + ".dwg";
        EXPECT_EQ(program().HistoryPaths[i], expected) << i;
        EXPECT_EQ(menu().Caption(i), view::HistoryCaption(expected)) << i;
        EXPECT_TRUE(menu().Enabled(i)) << i;
        EXPECT_TRUE(menu().Entry(i)->isVisible()) << i;
    }
}

TEST_F(History, ReopeningMovesADrawingToTheTopWithoutANewRow) {
    const std::string first = open("first.dwg");
    open("second.dwg");
    open("third.dwg");
    view::mnuHistory_Click(program(), 2);
    EXPECT_EQ(project.rowCount(), 3);
    EXPECT_EQ(program().CurrentDrawingPath, first);
    EXPECT_EQ(program().HistoryPaths[0], first);
    EXPECT_EQ(program().HistoryPaths[1], project.folder + "/third.dwg");
    EXPECT_EQ(program().HistoryPaths[2], project.folder + "/second.dwg");
}

TEST_F(History, AccessDateIsLocalTimeToTheSecond) {
    open("a.dwg");
    auto connection = project.connect();
    data::Statement date(*connection, "SELECT AccessDate FROM tblRecentProject");
    ASSERT_TRUE(date.step());
    EXPECT_TRUE(std::regex_match(date.text(0), std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")));
}

TEST_F(History, LetterCaseIsIgnoredInEveryScriptAndTheFirstSpellingKept) {
    const std::vector<std::pair<std::string, std::string>> spellings = {
        {"/Plans/B.DWG", "/plans/b.dwg"},
        {"/Zeichnungen/Ärger.DWG", "/zeichnungen/ärger.dwg"},
        {"/Чертежи/План.dwg", "/чертежи/пЛАН.DWG"},
    };
    for (const auto& [first, again] : spellings) {
        view::RecordDrawing(program(), first);
        view::RecordDrawing(program(), again);
    }
    EXPECT_EQ(
        project.fileNames(),
        (std::vector<std::string>{"/Plans/B.DWG", "/Zeichnungen/Ärger.DWG", "/Чертежи/План.dwg"}));
    EXPECT_TRUE(view::BuildHistoryMenu(program()));
    EXPECT_EQ(menu().Caption(0), "/Чертежи/План.dwg");
}

TEST_F(History, PathsWithApostrophesAreRecordedAndMatched) {
    const std::string path = open("O'Brien's plan.dwg");
    view::RecordDrawing(program(), path);
    view::RecordDrawing(program(), "x' OR '1'='1");
    EXPECT_EQ(project.fileNames(), (std::vector<std::string>{path, "x' OR '1'='1"}));
    EXPECT_TRUE(t.windows.messages.empty());
}

TEST(HistoryCaption, FiftyCharactersShowWholeFiftyOneAreShortened) {
    const std::string fifty = "/" + std::string(40, 'a') + "/plan.dwg";
    ASSERT_EQ(fifty.size(), 50u);
    EXPECT_EQ(view::HistoryCaption(fifty), fifty);
    const std::string fiftyOne = "/" + std::string(41, 'a') + "/plan.dwg";
    EXPECT_EQ(view::HistoryCaption(fiftyOne), "/.../plan.dwg");
    const std::string relative = "projects/" + std::string(40, 'b') + "/x.dgn";
    EXPECT_EQ(view::HistoryCaption(relative), "projects/.../x.dgn");
    const std::string network = "//server/" + std::string(40, 'c') + "/y.dwg";
    EXPECT_EQ(view::HistoryCaption(network), "/.../y.dwg");
}

TEST(HistoryCaption, CountsCharactersNotBytes) {
    const std::string fifty = "/" + std::string(38, 'a') + "/ÄÖÜäöü.dwg"; // 50 characters
    EXPECT_EQ(view::HistoryCaption(fifty), fifty);
}

TEST(HistoryCaption, BackslashPathsFollowThePlatformsSeparators) {
    const std::string path = "C:\\" + std::string(39, 'd') + "\\level1-floorplan.dwg";
    ASSERT_GT(path.size(), 50u);
#ifdef _WIN32
    EXPECT_EQ(view::HistoryCaption(path), "C:\\...\\level1-floorplan.dwg");
#else
    // A backslash is an ordinary file-name character here: the path is one component.
    EXPECT_EQ(view::HistoryCaption(path), path + "/.../" + path);
#endif
}

TEST_F(History, OpenDialogIsAskedWithTheFilterFlagsAndLastPath) {
    const std::string first = open("a.dwg");
    open("b.dwg");
    ASSERT_EQ(t.windows.openRequests.size(), 2u);
    const platform::OpenFileRequest& request = t.windows.openRequests[1];
    EXPECT_EQ(request.filter,
              "Drawing Files (*.dwg;*.dxf;*.dgn)|*.dwg;*.dxf;*.dgn|AutoCAD Files (*.dwg)|*.dwg|"
              "DXF Files (*.dxf)|*.dxf|Microstation Files (*.dgn)|*.dgn|All Files (*.*)|*.*");
    EXPECT_EQ(request.filterIndex, 1);
    EXPECT_EQ(request.flags, 4);
    EXPECT_EQ(request.maxFileLength, 256);
    EXPECT_EQ(t.windows.openRequests[0].initialPath, "");
    EXPECT_EQ(request.initialPath, first);
}

TEST_F(History, CancellingTheDialogSavesTheCurrentDrawingAndChangesNothingElse) {
    const std::string shown = open("shown.dwg");
    t.control.view[0] = 5, t.control.view[1] = 6, t.control.view[2] = 7, t.control.view[3] = 8;
    t.control.calls.clear();
    view::mnuOpen_Click(program()); // no scripted answer: the user cancels
    EXPECT_EQ(program().CurrentDrawingPath, shown);
    EXPECT_EQ(only(t.control.calls, {"GetView", "CreateDrawing", "LoadDwg", "DgnImport"}),
              std::vector<std::string>{"GetView()"})
        << "the view is saved and nothing is read";
    auto connection = project.connect();
    data::Statement x2(*connection, "SELECT X2 FROM tblRecentProject");
    ASSERT_TRUE(x2.step());
    EXPECT_EQ(x2.real(0), 7);
}

TEST_F(History, ATypedNameThatNamesNoFileIsLoadedButNotRecorded) {
    open("real.dwg");
    const std::string typed = project.folder + "/typo.dwg";
    t.windows.openFileAnswers.push_back(typed);
    t.control.calls.clear();
    view::mnuOpen_Click(program());
    EXPECT_EQ(program().CurrentDrawingPath, typed);
    EXPECT_EQ(project.rowCount(), 1);
    EXPECT_EQ(menu().UBound(), 0);
    // The load still ran with the typed name.
    EXPECT_NE(std::find(t.control.calls.begin(), t.control.calls.end(), call("LoadDwg", typed)),
              t.control.calls.end());
}

TEST_F(History, MissingHistoryFileIsReportedAndTheShownDrawingKeepsItsRow) {
    const std::string gone = open("gone.dwg");
    const std::string shown = open("shown.dwg");
    t.windows.existingFiles.erase(gone);
    t.host.caption = "VEXOR 1.0.0 - shown.dwg";
    t.control.view[0] = 1, t.control.view[1] = 2, t.control.view[2] = 3, t.control.view[3] = 4;

    view::mnuHistory_Click(program(), 1);
    ASSERT_EQ(t.windows.messages.size(), 1u);
    EXPECT_EQ(t.windows.messages[0].text, gone + " does not exist.");
    EXPECT_EQ(t.windows.messages[0].title, "VEXOR 1.0.0 - shown.dwg");
    EXPECT_EQ(t.windows.messages[0].icon, platform::MessageIcon::Exclamation);
    EXPECT_EQ(program().CurrentDrawingPath, shown);

    // The next save writes the shown drawing's view into its own row only.
    t.control.view[2] = 30;
    view::mnuHistory_Click(program(), 1);
    auto connection = project.connect();
    data::Statement x2(*connection, "SELECT FileName, X2 FROM tblRecentProject ORDER BY X2");
    ASSERT_TRUE(x2.step());
    EXPECT_EQ(x2.text(0), gone);
    EXPECT_EQ(x2.real(1), 0);
    ASSERT_TRUE(x2.step());
    EXPECT_EQ(x2.text(0), shown);
    EXPECT_EQ(x2.real(1), 30);
}

TEST_F(History, UnreadableHistoryRowIsReportedAfterTheDrawingLoads) {
    const std::string path = open("a.dwg");
    project.execute("INSERT INTO tblRecentProject (FileName, AccessDate) "
                    "VALUES (NULL, '9999-12-31 23:59:59')");
    view::mnuHistory_Click(program(), 0);
    ASSERT_EQ(t.windows.messages.size(), 1u);
    EXPECT_EQ(t.windows.messages[0].text, "Error loading project.  Project database not changed.");
    EXPECT_EQ(t.windows.messages[0].title, "VEXOR");
    EXPECT_EQ(t.windows.messages[0].icon, platform::MessageIcon::None);
    EXPECT_EQ(program().CurrentDrawingPath, path);
}

TEST_F(History, RecordingIntoAVanishedDatabaseReportsAnUpdateError) {
    QFile::remove(QString::fromStdString(project.databasePath));
    view::RecordDrawing(program(), "/a.dwg");
    ASSERT_EQ(t.windows.messages.size(), 1u);
    EXPECT_EQ(t.windows.messages[0].text, "Update error.  Database was not modified.");
    EXPECT_EQ(t.windows.messages[0].title, "VEXOR");
    EXPECT_EQ(t.windows.messages[0].icon, platform::MessageIcon::None);
    EXPECT_THROW(view::BuildHistoryMenu(program()), data::DatabaseError);
    // File > Open ends silently instead.
    t.windows.openFileAnswers.push_back("/b.dwg");
    EXPECT_NO_THROW(view::mnuOpen_Click(program()));
}

} // namespace
} // namespace vexor::test
