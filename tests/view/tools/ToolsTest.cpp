#include "fakes/CallLog.h"
#include "fakes/TestProgram.h"
#include "view/CursorReadout.h"
#include "view/MenuArray.h"
#include "view/PointerRouter.h"
#include "view/PropertiesInspector.h"
#include "view/TextFinder.h"

#include <gtest/gtest.h>

using namespace vexor;
using test::TestProgram;

namespace {

class ToolsTest : public ::testing::Test {
protected:
    TestProgram t;
    view::Navigator nav{t.program};
    view::PointerRouter router{t.program, nav};
};

control::FoundText hit(std::int32_t layout, const std::string& text, double x, double y,
                       double height) {
    control::FoundText f;
    f.layout = layout;
    f.kind = "TEXT";
    f.layer = "NOTES";
    f.text = text;
    f.x = x;
    f.y = y;
    f.height = height;
    return f;
}

} // namespace

TEST_F(ToolsTest, StatusBarFollowsThePointerInTheDrawingsUnits) {
    t.control.linearUnits = 4;
    t.control.linearPrecision = 4;
    router.PointerMove(15.5, 24);
    EXPECT_EQ(t.host.cursorPosition, "1'-3 1/2\", 2'-0\"");
    EXPECT_EQ(nav.LastPointerX, 15.5) << "the navigator still hears every move";
    t.control.linearUnits = 2;
    t.control.linearPrecision = 2;
    router.PointerMove(-0.001, 3.14159);
    EXPECT_EQ(t.host.cursorPosition, "0.00, 3.14");
}

TEST_F(ToolsTest, OnALayoutTheStatusBarShowsPaperAndModelPoints) {
    t.control.shownLayout = 1;
    t.control.linearPrecision = 1;
    router.PointerMove(10, 20);
    EXPECT_EQ(t.host.cursorPosition, "Paper 10.0, 20.0") << "outside every viewport";
    t.control.modelPoint = std::array<double, 3>{500, 1000, 0.02};
    router.PointerMove(10, 20);
    EXPECT_EQ(t.host.cursorPosition, "Paper 10.0, 20.0 | Model 500.0, 1000.0 (1:50)");
    EXPECT_EQ(test::only(t.control.calls, {"ModelPointAt"}).back(), "ModelPointAt(10, 20)");
}

TEST_F(ToolsTest, ScaleRatios) {
    EXPECT_EQ(view::ScaleRatio(0.02), "1:50");
    EXPECT_EQ(view::ScaleRatio(1), "1:1");
    EXPECT_EQ(view::ScaleRatio(2), "2:1");
    EXPECT_EQ(view::ScaleRatio(0.03), "1:33.33");
    EXPECT_EQ(view::ScaleRatio(0), "?");
}

TEST_F(ToolsTest, MiddleDoubleClickShowsTheWholeDrawing) {
    t.program.DrawingExtents = {-10, -20, 110, 80};
    router.PointerDoubleClick(1, 5, 5);
    EXPECT_TRUE(test::only(t.control.calls, {"ZoomWindow"}).empty()) << "left button: nothing";
    router.PointerDoubleClick(view::PointerRouter::kMiddleButton, 5, 5);
    EXPECT_EQ(test::only(t.control.calls, {"ZoomWindow"}),
              std::vector<std::string>{"ZoomWindow(-10, -20, 110, 80)"});
    t.program.DrawingExtents = {};
    router.PointerDoubleClick(view::PointerRouter::kMiddleButton, 5, 5);
    EXPECT_EQ(test::only(t.control.calls, {"ZoomWindow"}).size(), 1u) << "no drawing: nothing";
}

TEST_F(ToolsTest, MiddleDragPansLikeAnyButton) {
    t.control.view[2] = 100;
    t.control.view[3] = 100;
    router.PointerDown(view::PointerRouter::kMiddleButton, 40, 40);
    router.PointerMove(50, 45);
    router.PointerUp(view::PointerRouter::kMiddleButton, 50, 45);
    EXPECT_EQ(test::only(t.control.calls, {"PanTo"}), std::vector<std::string>{"PanTo(40, 45)"});
    EXPECT_EQ(t.host.cursorChanges, (std::vector<bool>{true, false}));
}

TEST_F(ToolsTest, FindShowsEachHitOnItsLayoutFramed) {
    t.control.layouts = {"Sheet A"};
    t.program.menus.mnuLayout->Load();
    t.control.foundTexts = {hit(0, "R-101", 100, 200, 2.5), hit(1, "Room 102", 10, 20, 0)};
    view::TextFinder finder(t.program);
    EXPECT_EQ(finder.Search("room", true), 2u);
    EXPECT_EQ(test::only(t.control.calls, {"FindText"}),
              std::vector<std::string>{"FindText(\"room\", true)"});
    EXPECT_EQ(finder.Current(), -1);
    EXPECT_EQ(finder.Caption(finder.Hits()[0]), "R-101  (NOTES, Model)");
    EXPECT_EQ(finder.Caption(finder.Hits()[1]), "Room 102  (NOTES, Sheet A)");

    t.control.calls.clear();
    finder.Next();
    EXPECT_EQ(finder.Current(), 0);
    // 5 characters of 0.8 heights: the frame runs from half a height before the text to half
    // a height after it, a height and a half above and below the insertion point; the view
    // leaves the frame's larger side free all round.
    EXPECT_EQ(test::only(t.control.calls, {"ZoomWindow", "MarkWindow", "ShowLayout"}),
              (std::vector<std::string>{"ZoomWindow(86.25, 183.75, 123.75, 216.25)",
                                        "MarkWindow(98.75, 196.25, 111.25, 203.75)"}));
    t.control.calls.clear();
    finder.Next();
    EXPECT_EQ(finder.Current(), 1);
    EXPECT_EQ(test::only(t.control.calls, {"ShowLayout"}),
              std::vector<std::string>{"ShowLayout(1)"})
        << "a hit on another layout shows that layout first";
    finder.Next();
    EXPECT_EQ(finder.Current(), 0) << "round to the first";
    finder.Previous();
    EXPECT_EQ(finder.Current(), 1) << "back round to the last";
    t.control.calls.clear();
    finder.Cancel();
    EXPECT_EQ(t.control.calls, std::vector<std::string>{"MarkWindow(1, 0, 0, 0)"});
    finder.Choose(7);
    EXPECT_EQ(finder.Current(), 1) << "an index out of range changes nothing";
}

TEST_F(ToolsTest, FindWithoutHits) {
    view::TextFinder finder(t.program);
    EXPECT_EQ(finder.Search("nothing", false), 0u);
    finder.Next();
    finder.Previous();
    EXPECT_EQ(finder.Current(), -1);
    EXPECT_TRUE(test::only(t.control.calls, {"ZoomWindow", "MarkWindow"}).empty());
}

namespace {

std::string valueOf(const view::Measurer& m, const std::string& name) {
    for (const auto& v : m.Values())
        if (v.name == name)
            return v.text;
    return "(none)";
}

} // namespace

TEST_F(ToolsTest, MeasureDistancesWithARunningTotal) {
    view::Measurer m(t.program);
    view::PointerRouter r(t.program, nav, &m);
    int changes = 0;
    m.changed = [&] { ++changes; };
    t.control.linearPrecision = 2;
    m.Start(view::Measurer::Mode::Distance);
    EXPECT_EQ(m.Summary(), "Measure: pick the first point");
    r.PointerDown(view::PointerRouter::kLeftButton, 1, 2);
    r.PointerUp(view::PointerRouter::kLeftButton, 1, 2);
    r.PointerDown(view::PointerRouter::kLeftButton, 4, 6);
    EXPECT_EQ(valueOf(m, "Distance"), "5.00");
    EXPECT_EQ(valueOf(m, "Delta X"), "3.00");
    EXPECT_EQ(valueOf(m, "Delta Y"), "4.00");
    EXPECT_EQ(valueOf(m, "Angle"), "53.13\xC2\xB0");
    EXPECT_EQ(valueOf(m, "Total"), "(none)") << "one segment has no running total";
    EXPECT_TRUE(test::only(t.control.calls, {"PanTo"}).empty());
    EXPECT_EQ(nav.PanAnchorX, 0) << "the left button picks instead of panning";
    r.PointerDown(view::PointerRouter::kLeftButton, 4, 6); // a double click's press
    r.PointerDown(view::PointerRouter::kLeftButton, 4, 16);
    EXPECT_EQ(valueOf(m, "Distance"), "10.00");
    EXPECT_EQ(valueOf(m, "Angle"), "90.00\xC2\xB0");
    EXPECT_EQ(valueOf(m, "Total"), "15.00");
    EXPECT_EQ(valueOf(m, "Points"), "3");
    EXPECT_EQ(m.Summary(), "Distance 10.00, total 15.00");
    EXPECT_EQ(valueOf(m, "Measured"), "(none)") << "on model space nothing more is said";
    EXPECT_EQ(changes, 4);

    r.PointerDown(view::PointerRouter::kMiddleButton, 50, 50);
    EXPECT_EQ(nav.PanAnchorX, 50) << "the middle button still pans";
    m.Cancel();
    EXPECT_FALSE(m.Active());
    EXPECT_EQ(valueOf(m, "Total"), "15.00") << "the values stay after the tool ends";
    r.PointerDown(view::PointerRouter::kLeftButton, 60, 60);
    EXPECT_EQ(nav.PanAnchorX, 60) << "after Escape the left button pans again";
}

TEST_F(ToolsTest, MeasureAnglesAndAreasInTheDrawingsUnits) {
    view::Measurer m(t.program);
    t.control.linearUnits = 4;
    t.control.linearPrecision = 4;
    m.Start(view::Measurer::Mode::Angle);
    m.Pick(10, 0);
    m.Pick(0, 0);
    EXPECT_EQ(m.Summary(), "Angle: pick a point on the second side");
    m.Pick(-5, 5);
    EXPECT_EQ(valueOf(m, "Angle"), "135.00\xC2\xB0");
    m.Pick(1, 1);
    EXPECT_EQ(valueOf(m, "Angle"), "(none)") << "a fourth point starts a new angle";

    m.Start(view::Measurer::Mode::Area);
    m.Pick(0, 0);
    m.Pick(24, 0);
    m.Pick(24, 18);
    EXPECT_EQ(valueOf(m, "Area"), "216.0000");
    EXPECT_EQ(valueOf(m, "Perimeter"), "6'-0\"") << "24 + 18 + 30 inches";
    m.Pick(0, 18);
    EXPECT_EQ(valueOf(m, "Area"), "432.0000");
    EXPECT_EQ(valueOf(m, "Perimeter"), "7'-0\"");
    EXPECT_EQ(m.Summary(), "Area 432.0000, perimeter 7'-0\"");
}

TEST_F(ToolsTest, MeasuringThroughAViewportGivesModelDistances) {
    view::Measurer m(t.program);
    t.control.shownLayout = 1;
    t.control.linearPrecision = 1;
    m.Start(view::Measurer::Mode::Distance);
    t.control.modelPoint = std::array<double, 3>{500, 1000, 0.02};
    m.Pick(10, 20);
    t.control.modelPoint = std::array<double, 3>{800, 1400, 0.02};
    m.Pick(16, 28);
    EXPECT_EQ(valueOf(m, "Distance"), "500.0");
    EXPECT_EQ(valueOf(m, "Measured"), "in the model, through a viewport at 1:50");
    t.control.modelPoint.reset();
    m.Pick(16, 31);
    EXPECT_EQ(valueOf(m, "Distance"), "3.0") << "a point on paper: everything on paper";
    EXPECT_EQ(valueOf(m, "Total"), "13.0");
    EXPECT_EQ(valueOf(m, "Measured"), "on paper");
}

TEST_F(ToolsTest, PropertiesOfTheObjectsUnderAClickInTurn) {
    view::PropertiesInspector inspector(t.program);
    view::PointerRouter r(t.program, nav, nullptr, &inspector);
    t.control.objects = {{{"Kind", "Line"}, {"Layer", "WALLS"}}, {{"Kind", "Text"}}};
    inspector.Start();
    EXPECT_EQ(inspector.Summary(), "Click an object");
    r.PointerDown(view::PointerRouter::kLeftButton, 3, 4);
    EXPECT_EQ(test::only(t.control.calls, {"ObjectsAt"}),
              std::vector<std::string>{"ObjectsAt(3, 4, 4)"});
    EXPECT_EQ(nav.PanAnchorX, 0) << "the click picks instead of panning";
    EXPECT_EQ(inspector.Current(), 0);
    EXPECT_EQ(inspector.Summary(), "Object 1 of 2");
    inspector.Next();
    EXPECT_EQ(inspector.Current(), 1);
    EXPECT_EQ(inspector.Summary(), "Object 2 of 2");
    inspector.Next();
    EXPECT_EQ(inspector.Current(), 0) << "round to the first";

    t.control.objects.clear();
    r.PointerDown(view::PointerRouter::kLeftButton, 30, 40);
    EXPECT_EQ(inspector.Summary(), "Nothing here");
    EXPECT_EQ(inspector.Current(), -1);
    inspector.Next();
    EXPECT_EQ(inspector.Current(), -1);
    inspector.Cancel();
    r.PointerDown(view::PointerRouter::kLeftButton, 5, 5);
    EXPECT_EQ(nav.PanAnchorX, 5) << "after Escape the left button pans again";
}

TEST_F(ToolsTest, MeasurePicksLandOnSnapPoints) {
    view::Measurer m(t.program);
    view::PointerRouter r(t.program, nav, &m);
    m.Start(view::Measurer::Mode::Distance);
    t.control.snapKind = 1;
    t.control.snapX = 10;
    t.control.snapY = 0;
    r.PointerMove(9.9, 0.2);
    EXPECT_EQ(t.host.cursorPosition, "9.9000, 0.2000 | Snap: Endpoint");
    r.PointerDown(view::PointerRouter::kLeftButton, 9.9, 0.2);
    t.control.snapKind = 0;
    r.PointerDown(view::PointerRouter::kLeftButton, 13, 4);
    EXPECT_EQ(valueOf(m, "Distance"), "5.0000") << "from the snapped endpoint (10, 0)";
    EXPECT_EQ(test::only(t.control.calls, {"SnapPoint"}).back(), "SnapPoint(13, 4, 8, 1023)");
    EXPECT_EQ(test::only(t.control.calls, {"SetSnapBase"}),
              (std::vector<std::string>{"SetSnapBase(false, 0, 0)", "SetSnapBase(true, 10, 0)",
                                        "SetSnapBase(true, 13, 4)"}))
        << "perpendicular and tangent snaps start from the point picked last";
    m.SnapKinds = 1 | 2;
    r.PointerMove(1, 1);
    EXPECT_EQ(test::only(t.control.calls, {"SnapPoint"}).back(), "SnapPoint(1, 1, 8, 3)");
    EXPECT_EQ(t.host.cursorPosition, "1.0000, 1.0000");
    m.Cancel();
    EXPECT_EQ(test::only(t.control.calls, {"SnapPoint"}).back(), "SnapPoint(0, 0, 8, 0)")
        << "ending the tool removes the mark";
    EXPECT_EQ(test::only(t.control.calls, {"SetSnapBase"}).back(), "SetSnapBase(false, 0, 0)");
    t.control.calls.clear();
    r.PointerMove(2, 2);
    EXPECT_TRUE(test::only(t.control.calls, {"SnapPoint"}).empty()) << "no tool: no snapping";
}

TEST_F(ToolsTest, MeasuringAnObjectShowsItsFigures) {
    view::Measurer m(t.program);
    view::PointerRouter r(t.program, nav, &m);
    m.Start(view::Measurer::Mode::Object);
    EXPECT_EQ(m.Summary(), "Object: pick an arc, a circle or a closed object");
    // A text under the pointer has no figures and a line only its length: the circle below
    // them is measured.
    t.control.objects = {{{"Kind", "Text"}, {"Text", "A"}},
                         {{"Kind", "Line"}, {"Type", "LINE"}, {"Length", "3.0000"}},
                         {{"Kind", "Polyline"},
                          {"Type", "CIRCLE"},
                          {"Layer", "0"},
                          {"Centre", "1.0000, 2.0000"},
                          {"Radius", "5.0000"},
                          {"Diameter", "10.0000"},
                          {"Perimeter", "31.4159"},
                          {"Area", "78.5398"}}};
    r.PointerDown(view::PointerRouter::kLeftButton, 6, 2);
    EXPECT_EQ(valueOf(m, "Radius"), "5.0000");
    EXPECT_EQ(valueOf(m, "Diameter"), "10.0000");
    EXPECT_EQ(valueOf(m, "Area"), "78.5398");
    EXPECT_EQ(valueOf(m, "Layer"), "(none)") << "only the figures";
    EXPECT_EQ(m.Summary(), "Radius 5.0000, Area 78.5398");
    t.control.objects.clear();
    r.PointerDown(view::PointerRouter::kLeftButton, 60, 2);
    EXPECT_TRUE(m.Values().empty());
    EXPECT_EQ(m.Summary(), "Object: nothing with figures there; pick another");
}
