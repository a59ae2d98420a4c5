#include "control/DrawingWidget.h"
#include "support/TestDrawings.h"

#include <gtest/gtest.h>

namespace vexor::control {
namespace {

using test::countPixels;

class RenderingTest : public ::testing::Test {
protected:
    void SetUp() override {
        widget.resize(400, 200);
        widget.SetBackgroundColor(255, 255, 255);
        widget.showDrawing(test::twoSquares());
    }
    const QImage& image() { return widget.viewImage(); }

    DrawingWidget widget;
};

TEST_F(RenderingTest, TheDrawingIsDrawnInItsOwnColours) {
    EXPECT_GT(countPixels(image(), test::isReddish), 1000);
    EXPECT_GT(countPixels(image(), test::isBluish), 1000);
}

TEST_F(RenderingTest, HidingALayerRemovesItsPixelsAndShowingBringsThemBack) {
    const int red = countPixels(image(), test::isReddish);
    const int blue = countPixels(image(), test::isBluish);
    ASSERT_GT(red, 1000);
    widget.HideLayer("Red");
    EXPECT_EQ(countPixels(image(), test::isReddish), 0);
    EXPECT_EQ(countPixels(image(), test::isBluish), blue);
    widget.HideLayer("red"); // names are exact: nothing changes
    widget.HideLayer("No such layer");
    EXPECT_EQ(countPixels(image(), test::isBluish), blue);
    widget.ShowLayer("Red");
    EXPECT_EQ(countPixels(image(), test::isReddish), red);
}

TEST_F(RenderingTest, LayersOffInTheFileStartHiddenAndCanBeShown) {
    cad::Drawing d = test::twoSquares();
    d.layers[d.layerIndex("Blue")].off = true;
    widget.showDrawing(d);
    EXPECT_EQ(countPixels(image(), test::isBluish), 0);
    widget.ShowLayer("Blue");
    EXPECT_GT(countPixels(image(), test::isBluish), 1000);
}

TEST_F(RenderingTest, AForeColourCodeDrawsEverythingInOneColourAnd256RestoresOwnColours) {
    const int red = countPixels(image(), test::isReddish);
    widget.SetColorMode(2);
    widget.SetForeColor("#", 3); // green
    EXPECT_EQ(countPixels(image(), test::isReddish), 0);
    EXPECT_EQ(countPixels(image(), test::isBluish), 0);
    EXPECT_GT(countPixels(image(), test::isGreenish), 2000);
    widget.SetForeColor("#", 5); // blue: both squares
    EXPECT_EQ(countPixels(image(), test::isReddish), 0);
    EXPECT_GT(countPixels(image(), test::isBluish), 2 * red - 200);
    widget.SetForeColor("#", 256);
    EXPECT_EQ(countPixels(image(), test::isReddish), red);
    EXPECT_EQ(countPixels(image(), test::isGreenish), 0);
    widget.SetForeColor("#", 0); // not a palette colour: own colours too
    EXPECT_EQ(countPixels(image(), test::isReddish), red);
}

TEST_F(RenderingTest, BackgroundColourFillsTheView) {
    widget.SetBackgroundColor(255, 255, 0);
    const QImage& img = image();
    EXPECT_EQ(img.pixelColor(1, 1), QColor(255, 255, 0));
    widget.SetBackgroundColor(300, -4, 0); // out of range components are clamped
    EXPECT_EQ(image().pixelColor(1, 1), QColor(255, 0, 0));
}

TEST_F(RenderingTest, TheImageIsRenderedOnlyWhenSomethingChanged) {
    const qint64 first = image().cacheKey();
    EXPECT_EQ(image().cacheKey(), first);
    widget.PanTo(50, 25); // already the centre: nothing to do
    EXPECT_EQ(image().cacheKey(), first);
    widget.PanTo(60, 25);
    const qint64 second = image().cacheKey();
    EXPECT_NE(second, first);
    widget.Redraw();
    EXPECT_NE(image().cacheKey(), second);
}

TEST_F(RenderingTest, APanByWholePixelsShiftsTheImageAndMatchesAFullRender) {
    widget.ZoomWindow(0, 0, 100, 50); // 4 pixels per unit
    image();
    for (const cad::Vec2 step :
         {cad::Vec2{37 / 4.0, 0}, cad::Vec2{-11 / 4.0, 23 / 4.0}, cad::Vec2{0, -60 / 4.0}}) {
        const cad::Vec2 c = widget.viewport().centre();
        widget.PanTo(c.x + step.x, c.y + step.y);
        const QImage shifted = image();
        EXPECT_TRUE(widget.lastImageWasShifted());
        const QImage full =
            renderSceneImage(widget.scene(), widget.size(), 1.0, widget.viewport().window());
        ASSERT_EQ(shifted.size(), full.size());
        int differing = 0;
        for (int y = 0; y < full.height(); ++y)
            for (int x = 0; x < full.width(); ++x) {
                const QColor a = shifted.pixelColor(x, y), b = full.pixelColor(x, y);
                differing += std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                                 std::abs(a.blue() - b.blue()) >
                             96;
            }
        EXPECT_LT(differing, full.width() * full.height() / 200);
    }
    widget.PanTo(widget.viewport().centre().x + 0.1, 0); // not whole pixels: rendered anew
    image();
    EXPECT_FALSE(widget.lastImageWasShifted());
}

TEST_F(RenderingTest, TheMessageOfABadFileReplacesTheDrawing) {
    widget.LoadDwg("/nonexistent/folder/plan.dwg");
    EXPECT_EQ(countPixels(image(), test::isReddish), 0);
    QImage shown(widget.size(), QImage::Format_ARGB32);
    widget.render(&shown);
    EXPECT_GT(countPixels(shown, [](QColor c) { return c.lightness() < 100; }), 20)
        << "the message is drawn in dark ink on the white background";
}

} // namespace
} // namespace vexor::control
