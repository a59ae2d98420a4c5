#include "view/Navigation.h"

#include "fakes/CallLog.h"
#include "fakes/TestProgram.h"

#include <gtest/gtest.h>

using namespace vexor;
using test::TestProgram;

namespace {

class NavigationTest : public ::testing::Test {
protected:
    TestProgram t;
    view::Navigator nav{t.program};
};

} // namespace

TEST_F(NavigationTest, ZoomCommandsSendTheirCodesEvenWithoutADrawing) {
    view::ZoomIn(t.program);
    view::ZoomOut(t.program);
    view::ZoomSelected(t.program);
    view::UndoZoom(t.program);
    view::ActualSize(t.program);
    view::RefreshView(t.program);
    view::ZoomToWidth(t.program);
    view::ZoomToHeight(t.program);
    EXPECT_EQ(t.control.calls, (std::vector<std::string>{"Zoom(1)", "Zoom(-1)", "Zoom(2)",
                                                         "Zoom(-2)", "Zoom(100)", "Redraw()"}));
}

TEST_F(NavigationTest, ZoomToWidthKeepsTheControlsAspect) {
    t.program.DrawingExtents = {0, 0, 100, 50};
    t.control.width = 400;
    t.control.height = 200;
    view::ZoomToWidth(t.program);
    t.control.width = 300;
    t.control.height = 300;
    view::ZoomToWidth(t.program);
    EXPECT_EQ(
        test::only(t.control.calls, {"ZoomWindow"}),
        (std::vector<std::string>{"ZoomWindow(0, 0, 100, 50)", "ZoomWindow(0, 0, 100, 100)"}));
}

TEST_F(NavigationTest, ZoomToHeightKeepsTheControlsAspect) {
    t.program.DrawingExtents = {10, 20, 30, 60};
    t.control.width = 400;
    t.control.height = 200;
    view::ZoomToHeight(t.program);
    EXPECT_EQ(test::only(t.control.calls, {"ZoomWindow"}),
              std::vector<std::string>{"ZoomWindow(10, 20, 90, 60)"});
}

TEST_F(NavigationTest, ExtentsWithSomeZeroCoordinatesStillZoom) {
    t.program.DrawingExtents = {5, 0, 0, 0};
    t.control.width = 100;
    t.control.height = 100;
    view::ZoomToWidth(t.program);
    EXPECT_EQ(test::only(t.control.calls, {"ZoomWindow"}),
              std::vector<std::string>{"ZoomWindow(5, 0, 0, -5)"});
}

TEST_F(NavigationTest, WheelZoomsTowardThePointer) {
    t.control.view[0] = 0;
    t.control.view[1] = 0;
    t.control.view[2] = 90;
    t.control.view[3] = 60;
    nav.PointerMove(60, 30);
    nav.MouseWheel(120);
    nav.MouseWheel(-3);
    EXPECT_EQ(t.control.calls,
              (std::vector<std::string>{"GetView()", "Zoom(1)", "PanTo(50, 30)", "GetView()",
                                        "Zoom(-1)", "PanTo(40, 30)"}));
}

TEST_F(NavigationTest, WheelValueZeroOnlyReadsTheView) {
    nav.MouseWheel(0);
    EXPECT_EQ(t.control.calls, std::vector<std::string>{"GetView()"});
}

TEST_F(NavigationTest, WheelBeforeAnyPointerMoveZoomsTowardTheOrigin) {
    t.control.view[2] = 30;
    t.control.view[3] = 30;
    nav.MouseWheel(1);
    EXPECT_EQ(test::only(t.control.calls, {"PanTo"}), std::vector<std::string>{"PanTo(10, 10)"});
}

TEST_F(NavigationTest, DraggingPansSoTheGrabbedPointStaysUnderThePointer) {
    t.control.view[2] = 100;
    t.control.view[3] = 100;
    nav.PointerDown(1, 40, 40);
    nav.PointerMove(50, 45);
    EXPECT_EQ(test::only(t.control.calls, {"PanTo"}), std::vector<std::string>{"PanTo(40, 45)"});
    EXPECT_EQ(nav.LastPointerX, 0) << "the last pointer is not updated while panning";
    EXPECT_EQ(t.host.cursorChanges, std::vector<bool>{true});
    nav.PointerUp(1, 50, 45);
    EXPECT_EQ(nav.PanAnchorX, 0);
    EXPECT_EQ(t.host.cursorChanges, (std::vector<bool>{true, false}));
    nav.PointerMove(20, 25);
    EXPECT_EQ(nav.LastPointerX, 20);
    EXPECT_EQ(nav.LastPointerY, 25);
}

TEST_F(NavigationTest, ButtonPressedAtAZeroCoordinateStartsNoPan) {
    t.control.view[2] = 100;
    t.control.view[3] = 100;
    nav.PointerDown(1, 0, 40);
    EXPECT_EQ(t.host.cursorChanges, std::vector<bool>{true}) << "the cursor still changes";
    nav.PointerMove(50, 45);
    EXPECT_TRUE(test::only(t.control.calls, {"PanTo", "GetView"}).empty());
    EXPECT_EQ(nav.LastPointerX, 50);
}

TEST_F(NavigationTest, DraggingOntoTheEdgeEndsThePan) {
    t.control.view[2] = 100;
    t.control.view[3] = 100;
    nav.PointerDown(1, 40, 40);
    nav.PointerMove(100, 50); // exactly on the right edge
    EXPECT_TRUE(test::only(t.control.calls, {"PanTo"}).empty());
    EXPECT_EQ(nav.PanAnchorX, 0);
    EXPECT_EQ(t.host.cursorChanges, (std::vector<bool>{true, false}));
    nav.PointerDown(1, 30, 30);
    nav.PointerMove(35, 30);
    EXPECT_EQ(test::only(t.control.calls, {"PanTo"}), std::vector<std::string>{"PanTo(45, 50)"});
}

TEST_F(NavigationTest, WatchdogEndsAPanWhenThePointerLeavesTheControl) {
    t.windows.rects[t.control.windowHandle] = {10, 20, 110, 220};
    nav.PointerDown(1, 5, 5);
    t.windows.cursor = {110, 220}; // on the corner: inside
    nav.Timer1_Timer();
    EXPECT_EQ(nav.PanAnchorX, 5);
    t.windows.cursor = {111, 100};
    nav.Timer1_Timer();
    EXPECT_EQ(nav.PanAnchorX, 0);
    nav.Timer1_Timer();
    EXPECT_EQ(t.host.cursorChanges, (std::vector<bool>{true, false, false}))
        << "the cursor is reset on every tick outside";
    EXPECT_EQ(test::only(t.windows.calls, {"GetWindowRect", "GetCursorPos"}).size(), 6u);
}
