#include "control/Viewport.h"

#include "control/DrawingUnits.h"

#include <gtest/gtest.h>

namespace vexor::control {
namespace {

constexpr double kEps = 1e-9;

void expectWindow(const cad::Box2& w, double x1, double y1, double x2, double y2) {
    EXPECT_NEAR(w.minX, x1, kEps);
    EXPECT_NEAR(w.minY, y1, kEps);
    EXPECT_NEAR(w.maxX, x2, kEps);
    EXPECT_NEAR(w.maxY, y2, kEps);
}

// A viewport of 300 x 200 pixels showing exactly (0, 0)-(90, 60).
Viewport viewOf90By60() {
    Viewport v;
    v.setPixelSize(300, 200);
    v.zoomWindow(cad::Box2{0, 0, 90, 60});
    return v;
}

class CountingObserver : public ViewportObserver {
public:
    void viewportChanged(const Viewport&) override { ++count; }
    int count = 0;
};

TEST(Viewport, ResetShowsWholeExtentsWithMarginAndForgetsHistory) {
    Viewport v;
    v.setPixelSize(400, 400);
    v.zoomBy(2);
    v.reset(cad::Box2{0, 0, 100, 100});
    EXPECT_EQ(v.historySize(), 0u);
    const cad::Box2 w = v.window();
    EXPECT_LT(w.minX, 0);
    EXPECT_GT(w.minX, -10);
    EXPECT_GT(w.maxX, 100);
    EXPECT_LT(w.maxX, 110);
    EXPECT_NEAR((w.minX + w.maxX) / 2, 50, kEps);
    EXPECT_NEAR((w.minY + w.maxY) / 2, 50, kEps);
}

TEST(Viewport, DegenerateExtentsStillGiveAnArea) {
    Viewport v;
    v.setPixelSize(100, 100);
    v.reset(cad::Box2{5, 5, 5, 5}); // a single point
    EXPECT_GT(v.window().width(), 0);
    EXPECT_NEAR(v.centre().x, 5, kEps);
    v.reset(cad::Box2{0, 3, 50, 3}); // a horizontal line
    EXPECT_GT(v.window().height(), 0);
    EXPECT_GE(v.window().width(), 50);
    v.reset(cad::Box2{}); // nothing
    EXPECT_FALSE(v.window().empty());
}

TEST(Viewport, ZoomStepsAreAboutTheCentre) {
    Viewport v = viewOf90By60();
    v.zoomBy(1.5);
    expectWindow(v.window(), 15, 10, 75, 50);
    v.zoomBy(1 / 1.5);
    expectWindow(v.window(), 0, 0, 90, 60);
}

TEST(Viewport, WheelZoomThenPanKeepsThePointUnderThePointer) {
    // The program zooms in one step and then re-centres on c + (p - c) / 3.
    Viewport v = viewOf90By60();
    const cad::Vec2 pointer{60, 30};
    const cad::Vec2 pixelBefore = v.toPixel(pointer);
    const cad::Vec2 c = v.centre();
    v.zoomBy(1.5);
    v.panTo({c.x + (pointer.x - c.x) / 3, c.y + (pointer.y - c.y) / 3});
    EXPECT_NEAR(v.centre().x, 50, kEps);
    EXPECT_NEAR(v.centre().y, 30, kEps);
    const cad::Vec2 pixelAfter = v.toPixel(pointer);
    EXPECT_NEAR(pixelAfter.x, pixelBefore.x, 1e-6);
    EXPECT_NEAR(pixelAfter.y, pixelBefore.y, 1e-6);
}

TEST(Viewport, PanKeepsScaleAndIsNotInTheHistory) {
    Viewport v = viewOf90By60();
    const double scale = v.scale();
    const std::size_t history = v.historySize();
    v.panTo({100, -20});
    EXPECT_DOUBLE_EQ(v.scale(), scale);
    expectWindow(v.window(), 55, -50, 145, 10);
    EXPECT_EQ(v.historySize(), history);
}

TEST(Viewport, UndoWalksBackThroughTheHistoryAndStopsWhenEmpty) {
    Viewport v;
    v.setPixelSize(300, 200);
    v.reset(cad::Box2{0, 0, 90, 60});
    const cad::Box2 home = v.window();
    EXPECT_FALSE(v.undo()); // nothing to undo after a reset
    expectWindow(v.window(), home.minX, home.minY, home.maxX, home.maxY);

    v.zoomWindow(cad::Box2{0, 0, 30, 20});
    v.zoomBy(2);
    v.panTo({1, 1}); // not undone on its own
    ASSERT_TRUE(v.undo());
    expectWindow(v.window(), 0, 0, 30, 20);
    ASSERT_TRUE(v.undo());
    expectWindow(v.window(), home.minX, home.minY, home.maxX, home.maxY);
    EXPECT_FALSE(v.undo());
    expectWindow(v.window(), home.minX, home.minY, home.maxX, home.maxY);
}

TEST(Viewport, HistoryIsBounded) {
    Viewport v;
    for (std::size_t i = 0; i < Viewport::kHistoryDepth + 20; ++i)
        v.zoomBy(1.01);
    EXPECT_EQ(v.historySize(), Viewport::kHistoryDepth);
}

TEST(Viewport, ZoomWindowShowsItWholeAndCentredAtTheControlsAspect) {
    Viewport v;
    v.setPixelSize(400, 200);                // twice as wide as high
    v.zoomWindow(cad::Box2{0, 0, 100, 100}); // square: height decides, width grows
    expectWindow(v.window(), -50, 0, 150, 100);
    v.zoomWindow(cad::Box2{10, 20, 90, 30}); // wide: width decides
    expectWindow(v.window(), 10, 5, 90, 45);
    v.zoomWindow(cad::Box2{90, 30, 10, 20}); // corners in any order
    expectWindow(v.window(), 10, 5, 90, 45);
}

TEST(Viewport, ResizeKeepsAnAskedWindowWholeAndOtherwiseCentreAndScale) {
    Viewport v;
    v.setPixelSize(200, 200);
    v.zoomWindow(cad::Box2{0, 0, 100, 100});
    v.setPixelSize(400, 200);
    expectWindow(v.window(), -50, 0, 150, 100);

    v.zoomBy(2); // now the user's view: centre and scale stay
    const double scale = v.scale();
    v.setPixelSize(800, 400);
    EXPECT_DOUBLE_EQ(v.scale(), scale);
    EXPECT_NEAR(v.centre().x, 50, kEps);
    EXPECT_NEAR(v.centre().y, 50, kEps);
}

TEST(Viewport, PixelAndDrawingCoordinatesRoundTripWithYUp) {
    Viewport v = viewOf90By60();
    const cad::Vec2 topLeft = v.toDrawing(0, 0);
    EXPECT_NEAR(topLeft.x, 0, kEps);
    EXPECT_NEAR(topLeft.y, 60, kEps);
    const cad::Vec2 p = v.toPixel({45, 15});
    EXPECT_NEAR(p.x, 150, kEps);
    EXPECT_NEAR(p.y, 150, kEps);
}

TEST(Viewport, ObserversAreToldExceptTheOneThatMadeTheChange) {
    Viewport v;
    CountingObserver a, b;
    v.addObserver(&a);
    v.addObserver(&b);
    v.panTo({1, 2}, &a);
    EXPECT_EQ(a.count, 0);
    EXPECT_EQ(b.count, 1);
    v.zoomBy(2);
    EXPECT_EQ(a.count, 1);
    EXPECT_EQ(b.count, 2);
    v.removeObserver(&b);
    v.undo();
    EXPECT_EQ(b.count, 2);
}

TEST(Viewport, RejectsNonsenseWithoutChangingTheView) {
    Viewport v = viewOf90By60();
    v.zoomBy(0);
    v.zoomBy(-3);
    v.panTo({std::nan(""), 0});
    v.zoomWindow(cad::Box2{5, 5, 5, 5});
    v.setScale(0);
    expectWindow(v.window(), 0, 0, 90, 60);
}

TEST(DrawingUnits, ActualSizeFromTheUnitCode) {
    EXPECT_DOUBLE_EQ(actualSizeScale(4, 96), 96 / 25.4);            // millimetres
    EXPECT_DOUBLE_EQ(actualSizeScale(1, 96), 96);                   // inches
    EXPECT_DOUBLE_EQ(actualSizeScale(6, 100), 100 / 25.4 * 1000);   // metres
    EXPECT_DOUBLE_EQ(actualSizeScale(5, 254), 100);                 // centimetres
    EXPECT_DOUBLE_EQ(actualSizeScale(std::nullopt, 96), 96 / 25.4); // unitless: mm
    EXPECT_DOUBLE_EQ(actualSizeScale(0, 96), 96 / 25.4);
    EXPECT_DOUBLE_EQ(actualSizeScale(999, 96), 96 / 25.4);
    EXPECT_NEAR(millimetresPerUnit(2), 304.8, 1e-12);
}

} // namespace
} // namespace vexor::control
