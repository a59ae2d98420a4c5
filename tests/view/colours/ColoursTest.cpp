#include "view/Colours.h"

#include "fakes/CallLog.h"
#include "fakes/TestProgram.h"

#include <QAction>
#include <array>
#include <functional>
#include <gtest/gtest.h>

namespace vexor::test {
namespace {

class Colours : public ::testing::Test {
protected:
    view::Program& program() { return t.program; }
    view::Menus& m() { return t.program.menus; }

    std::array<QAction*, 4> backEntries() {
        return {m().mnuBackWhite, m().mnuBackBlack, m().mnuBackYellow, m().mnuBackBlue};
    }
    std::array<QAction*, 5> foreEntries() {
        return {m().mnuForeOriginal, m().mnuForeWhite, m().mnuForeBlack, m().mnuForeYellow,
                m().mnuForeBlue};
    }

    // Which entries are checked, as a string of 0/1 in menu order.
    template <std::size_t N> std::string checks(const std::array<QAction*, N>& entries) {
        std::string marks;
        for (QAction* entry : entries)
            marks += entry->isChecked() ? '1' : '0';
        return marks;
    }

    TestProgram t;
};

TEST_F(Colours, AllEntriesStartUnchecked) {
    EXPECT_EQ(checks(backEntries()), "0000");
    EXPECT_EQ(checks(foreEntries()), "00000");
}

TEST_F(Colours, BackgroundEntriesSetTheColourMoveTheMarkAndReload) {
    struct Case {
        std::function<void(view::Program&)> click;
        int red, green, blue;
        std::string marks;
    };
    const std::vector<Case> cases = {
        {view::mnuBackWhite_Click, 255, 255, 255, "1000"},
        {view::mnuBackBlack_Click, 0, 0, 0, "0100"},
        {view::mnuBackYellow_Click, 255, 255, 0, "0010"},
        {view::mnuBackBlue_Click, 0, 0, 255, "0001"},
    };
    program().CurrentDrawingPath = "/drawings/plan.dwg";
    program().ViewSettings.ForeColor = 5;
    for (const Case& c : cases) {
        t.control.calls.clear();
        c.click(program());
        EXPECT_EQ(program().ViewSettings.BackRed, c.red);
        EXPECT_EQ(program().ViewSettings.BackGreen, c.green);
        EXPECT_EQ(program().ViewSettings.BackBlue, c.blue);
        EXPECT_EQ(checks(backEntries()), c.marks);
        // The reload hands the new background to the control and applies the drawing colour.
        EXPECT_EQ(only(t.control.calls, {"SetBackgroundColor", "LoadDwg"}),
                  (std::vector<std::string>{call("SetBackgroundColor", c.red, c.green, c.blue),
                                            call("LoadDwg", "/drawings/plan.dwg")}));
        EXPECT_EQ(only(t.control.calls, {"SetForeColor"}).back(), call("SetForeColor", "#", 5));
    }
}

TEST_F(Colours, BackgroundWithNoDrawingStillSetsValuesAndMarks) {
    view::mnuBackYellow_Click(program());
    EXPECT_EQ(program().ViewSettings.BackBlue, 0);
    EXPECT_EQ(program().ViewSettings.BackRed, 255);
    EXPECT_EQ(checks(backEntries()), "0010");
    EXPECT_TRUE(only(t.control.calls, {"SetBackgroundColor"}).empty());
}

TEST_F(Colours, DrawingColourEntriesSendTheColourWithoutReload) {
    struct Case {
        std::function<void(view::Program&)> click;
        int code;
        std::string marks;
    };
    const std::vector<Case> cases = {
        {view::mnuForeOriginal_Click, 256, "10000"}, {view::mnuForeWhite_Click, 14, "01000"},
        {view::mnuForeBlack_Click, 7, "00100"},      {view::mnuForeYellow_Click, 2, "00010"},
        {view::mnuForeBlue_Click, 5, "00001"},
    };
    for (const Case& c : cases) {
        t.control.calls.clear();
        c.click(program());
        EXPECT_EQ(program().ViewSettings.ForeColor, c.code);
        EXPECT_EQ(checks(foreEntries()), c.marks);
        EXPECT_EQ(only(t.control.calls, {"SetForeColor", "LoadDwg", "DgnImport"}),
                  std::vector<std::string>{call("SetForeColor", "#", c.code)})
            << "sent at once, without reading the drawing again";
    }
}

TEST_F(Colours, ChoosingTheCheckedBackgroundAgainReloadsAgain) {
    program().CurrentDrawingPath = "/d.dwg";
    view::mnuBackBlue_Click(program());
    t.control.calls.clear();
    view::mnuBackBlue_Click(program());
    EXPECT_EQ(only(t.control.calls, {"LoadDwg"}),
              std::vector<std::string>{call("LoadDwg", "/d.dwg")});
    EXPECT_EQ(checks(backEntries()), "0001");
}

TEST_F(Colours, BackgroundMatchingNoEntryLeavesTheMarks) {
    view::mnuBackWhite_Click(program());
    program().ViewSettings.BackRed = 128;
    program().ViewSettings.BackGreen = 128;
    program().ViewSettings.BackBlue = 128;
    view::UpdateBackColorChecks(program());
    EXPECT_EQ(checks(backEntries()), "1000");
}

TEST_F(Colours, ForeCodeWithoutEntryLeavesTheMarks) {
    view::mnuForeBlack_Click(program());
    for (std::int16_t code : {0, 1, 3, 255, 257, -1})
        view::UpdateForeColorChecks(program(), code);
    EXPECT_EQ(checks(foreEntries()), "00100");
    view::UpdateForeColorChecks(program(), 256);
    EXPECT_EQ(checks(foreEntries()), "10000");
}

TEST_F(Colours, ApplyForeColorSendsTheCurrentCode) {
    program().ViewSettings.ForeColor = 3;
    view::ApplyForeColor(program());
    EXPECT_EQ(only(t.control.calls, {"SetForeColor"}),
              std::vector<std::string>{call("SetForeColor", "#", 3)});
}

} // namespace
} // namespace vexor::test
