#include "view/BirdsEye.h"

#include "fakes/CallLog.h"
#include "fakes/TestProgram.h"

#include <gtest/gtest.h>

using namespace vexor;

TEST(BirdsEye, TopEdgeArithmetic) {
    EXPECT_EQ(view::birdsEyeTop(15 * 768.0f, 1.0 / 15, 100, 300), 568);
    // 567.5 rounds to 568 and 566.5 to 566: halves go to the even neighbour.
    EXPECT_EQ(view::birdsEyeTop(767.5f, 1.0, 0, 200), 568);
    EXPECT_EQ(view::birdsEyeTop(766.5f, 1.0, 0, 200), 566);
}

TEST(BirdsEye, PlacesTheWindowAtTheBottomOfTheMainWindow) {
    test::TestProgram t;
    t.program.ScreenPixelsPerTwip = 1.0 / 15;
    t.host.outerHeightTwips = 15 * 768;
    t.windows.windowsByTitle["Birds eye"] = 55;
    t.windows.rects[55] = {40, 100, 240, 300};
    view::PlaceBirdsEye(t.program);
    EXPECT_EQ(t.program.BirdsEyeHandle, 55u);
    EXPECT_EQ(test::only(t.windows.calls, {"SetWindowPos"}),
              std::vector<std::string>{"SetWindowPos(55, -2, 40, 568, 1, 1, 33)"});
}

TEST(BirdsEye, NoWindowNoPlacement) {
    test::TestProgram t;
    view::PlaceBirdsEye(t.program);
    EXPECT_EQ(t.program.BirdsEyeHandle, 0u);
    EXPECT_EQ(t.windows.calls, std::vector<std::string>{"FindWindowA(\"Birds eye\")"});
}

TEST(BirdsEye, MenuCommandShowsAnExistingWindowEvenAForeignOne) {
    test::TestProgram t;
    t.windows.windowsByTitle["Birds eye"] = 99; // any window with that title counts
    view::mnuBirdsEye_Click(t.program);
    EXPECT_EQ(t.windows.calls,
              (std::vector<std::string>{"FindWindowA(\"Birds eye\")", "ShowWindow(99, 5)"}));
    EXPECT_TRUE(t.control.calls.empty());
}

TEST(BirdsEye, MenuCommandAfterTheWindowWasClosedAsksForANewOverview) {
    test::TestProgram t;
    view::mnuBirdsEye_Click(t.program);
    t.windows.windowsByTitle["Overview"] = 12; // the control's new window keeps its title
    view::mnuBirdsEye_Click(t.program);
    EXPECT_EQ(t.control.calls, (std::vector<std::string>{"ShowOverview()", "ShowOverview()"}));
    EXPECT_EQ(t.windows.windowsByTitle.count("Overview"), 1u) << "not retitled";
}
