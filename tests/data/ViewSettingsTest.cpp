#include "view/ViewSettings.h"

#include "ProjectFixture.h"
#include "fakes/CallLog.h"
#include "fakes/TestProgram.h"
#include "view/Colours.h"
#include "view/History.h"

#include <QAction>
#include <algorithm>
#include <gtest/gtest.h>

namespace vexor::test {
namespace {

class ViewSettings : public ::testing::Test {
protected:
    ViewSettings() { t.program.ProgramFolder = project.folder; }

    view::Program& program() { return t.program; }
    view::ViewSettingsRecord& settings() { return t.program.ViewSettings; }
    view::Menus& menus() { return t.program.menus; }

    std::string open(const std::string& name) {
        const std::string path = project.folder + "/" + name;
        t.windows.existingFiles.insert(path);
        t.windows.openFileAnswers.push_back(path);
        view::mnuOpen_Click(program());
        return path;
    }

    void setView(double x1, double y1, double x2, double y2) {
        t.control.view[0] = x1, t.control.view[1] = y1, t.control.view[2] = x2,
        t.control.view[3] = y2;
    }

    bool sent(const std::string& entry) {
        return std::find(t.control.calls.begin(), t.control.calls.end(), entry) !=
               t.control.calls.end();
    }

    // Sets the row of `path` through SQL text made by the test itself.
    void setRow(const std::string& path, const std::string& assignments) {
        auto connection = project.connect();
        data::Statement update(
            *connection,
            ("UPDATE tblRecentProject SET " + assignments + " WHERE FileName = ?1").c_str());
        update.bind(1, path).step();
    }

    ProjectFolder project;
    TestProgram t;
};

TEST_F(ViewSettings, ColoursAndWindowComeBackWhenADrawingIsReopened) {
    const std::string first = open("first.dwg");
    view::mnuBackBlue_Click(program());
    view::mnuForeYellow_Click(program());
    setView(10, 20, 110, 220);
    open("second.dwg");

    // A new drawing's row holds zeros: black background, colour 0, no stored window.
    EXPECT_EQ(settings().BackRed, 0);
    EXPECT_EQ(settings().BackBlue, 0);
    EXPECT_EQ(settings().ForeColor, 0);
    EXPECT_TRUE(menus().mnuBackBlack->isChecked());
    EXPECT_FALSE(menus().mnuBackBlue->isChecked());
    EXPECT_TRUE(menus().mnuForeYellow->isChecked()); // colour 0 has no entry

    setView(0, 0, 5, 5);
    t.control.calls.clear();
    view::mnuHistory_Click(program(), 1);
    ASSERT_EQ(program().CurrentDrawingPath, first);
    EXPECT_EQ(settings().BackRed, 0);
    EXPECT_EQ(settings().BackGreen, 0);
    EXPECT_EQ(settings().BackBlue, 255);
    EXPECT_EQ(settings().ForeColor, 2);
    EXPECT_EQ(settings().X1, 10);
    EXPECT_EQ(settings().Y2, 220);
    EXPECT_TRUE(menus().mnuBackBlue->isChecked());
    EXPECT_FALSE(menus().mnuBackBlack->isChecked());
    EXPECT_TRUE(menus().mnuForeYellow->isChecked());
    EXPECT_TRUE(sent(call("SetBackgroundColor", 0, 0, 255)));
    EXPECT_TRUE(sent(call("ZoomWindow", 10.0, 20.0, 110.0, 220.0)));
    EXPECT_TRUE(sent(call("SetForeColor", "#", 2)));
}

TEST_F(ViewSettings, AllTypesAreStoredAsWritten) {
    const std::string path = open("a.dwg");
    settings().BackRed = 255, settings().BackGreen = 255, settings().BackBlue = 0;
    settings().ForeColor = 256;
    setView(-1.5, 2.25, 1e6, 3.125);
    view::SaveViewSettings(program());
    auto connection = project.connect();
    data::Statement row(*connection, "SELECT BackRed, BackGreen, BackBlue, ForeColor, X1, Y1, "
                                     "X2, Y2 FROM tblRecentProject");
    ASSERT_TRUE(row.step());
    EXPECT_EQ(row.columnType(0), data::ColumnType::Integer);
    EXPECT_EQ(row.integer(0), 255);
    EXPECT_EQ(row.integer(2), 0);
    EXPECT_EQ(row.integer(3), 256);
    EXPECT_EQ(row.columnType(4), data::ColumnType::Real);
    EXPECT_EQ(row.real(4), -1.5);
    EXPECT_EQ(row.real(6), 1e6);
    EXPECT_EQ(row.real(7), 3.125);
}

TEST_F(ViewSettings, ValuesMatchingNoMenuEntryLeaveTheCheckMarks) {
    const std::string path = open("a.dwg");
    view::mnuBackYellow_Click(program());
    view::mnuForeBlack_Click(program());
    setRow(path, "BackRed = 128, BackGreen = 128, BackBlue = 128, ForeColor = 3");
    view::RestoreViewSettings(program());
    EXPECT_EQ(settings().BackRed, 128);
    EXPECT_EQ(settings().ForeColor, 3);
    EXPECT_TRUE(menus().mnuBackYellow->isChecked());
    EXPECT_TRUE(menus().mnuForeBlack->isChecked());
}

TEST_F(ViewSettings, NullFieldStopsTheRestoreThere) {
    const std::string path = open("a.dwg");
    view::mnuBackWhite_Click(program());
    view::mnuForeWhite_Click(program());
    setView(1, 1, 2, 2);
    view::SaveViewSettings(program());
    setRow(path, "BackRed = 0, BackGreen = 0, BackBlue = NULL, ForeColor = 5, X1 = 9");
    view::RestoreViewSettings(program());
    EXPECT_EQ(settings().BackRed, 0);               // read before the null
    EXPECT_EQ(settings().BackGreen, 0);             // read before the null
    EXPECT_EQ(settings().BackBlue, 255);            // the null: old value
    EXPECT_EQ(settings().ForeColor, 14);            // after it: old value
    EXPECT_EQ(settings().X1, 1);                    // after it: old value
    EXPECT_TRUE(menus().mnuBackWhite->isChecked()); // not re-marked
    EXPECT_TRUE(menus().mnuForeWhite->isChecked());
}

TEST_F(ViewSettings, UnconvertibleFieldsStopTheRestoreLikeANull) {
    const std::string path = open("a.dwg");
    setRow(path, "BackRed = 40000, BackGreen = 7");
    settings().BackGreen = 99;
    view::RestoreViewSettings(program());
    EXPECT_EQ(settings().BackRed, 0);
    EXPECT_EQ(settings().BackGreen, 99);

    setRow(path, "BackRed = '12', BackGreen = 7.5, BackBlue = 'blue'");
    view::RestoreViewSettings(program());
    EXPECT_EQ(settings().BackRed, 12);  // a number stored as text converts
    EXPECT_EQ(settings().BackGreen, 8); // halves round to even
    EXPECT_EQ(settings().BackBlue, 0);
}

TEST_F(ViewSettings, NoMatchingRowChangesNothingEitherWay) {
    const std::string path = open("a.dwg");
    view::mnuBackBlue_Click(program());
    program().CurrentDrawingPath = project.folder + "/never-recorded.dwg";
    setView(4, 4, 8, 8);
    view::SaveViewSettings(program());
    settings() = {};
    view::RestoreViewSettings(program());
    EXPECT_EQ(settings().BackBlue, 0);
    EXPECT_EQ(settings().X1, 0);
    EXPECT_TRUE(menus().mnuBackBlue->isChecked());
    auto connection = project.connect();
    data::Statement row(*connection, "SELECT BackBlue, X1 FROM tblRecentProject");
    ASSERT_TRUE(row.step());
    EXPECT_EQ(row.integer(0), 0);
    EXPECT_EQ(row.real(1), 0);
}

TEST_F(ViewSettings, StartUpRestoreWithNoDrawingMatchesOnlyAnEmptyFileName) {
    open("a.dwg");
    program().CurrentDrawingPath.clear();
    settings().BackRed = 17;
    menus().mnuBackBlack->setChecked(false);
    view::RestoreViewSettings(program());
    EXPECT_EQ(settings().BackRed, 17);
    EXPECT_FALSE(menus().mnuBackBlack->isChecked());

    project.execute("INSERT INTO tblRecentProject (FileName, BackRed, BackGreen, BackBlue) "
                    "VALUES ('', 255, 255, 0)");
    view::RestoreViewSettings(program());
    EXPECT_EQ(settings().BackRed, 255);
    EXPECT_TRUE(menus().mnuBackYellow->isChecked());
}

TEST_F(ViewSettings, MatchIgnoresLetterCaseAndApostrophesWork) {
    const std::string path = open("Plan d'Étage.DWG");
    view::mnuBackYellow_Click(program());
    program().CurrentDrawingPath = project.folder + "/PLAN D'éTAGE.dwg";
    view::SaveViewSettings(program());
    settings() = {};
    view::RestoreViewSettings(program());
    EXPECT_EQ(settings().BackRed, 255);
    EXPECT_EQ(settings().BackBlue, 0);
    EXPECT_EQ(project.fileNames(), std::vector<std::string>{path});
}

} // namespace
} // namespace vexor::test
