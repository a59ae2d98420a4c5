#include "control/DrawingWidget.h"
#include "control/OverviewWindow.h"
#include "support/TestDrawings.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

namespace vexor::control {
namespace {

void click(QWidget& w, QPointF pos) {
    QMouseEvent press(QEvent::MouseButtonPress, pos, w.mapToGlobal(pos), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, pos, w.mapToGlobal(pos), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &release);
}

class OverviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.resize(800, 600);
        widget = new DrawingWidget(&host);
        widget->resize(400, 200);
        widget->showDrawing(test::twoSquares());
    }

    QWidget host;
    DrawingWidget* widget = nullptr;
};

TEST_F(OverviewTest, ShowOverviewOpensOneToolWindowTitledOverview) {
    widget->ShowOverview();
    OverviewWindow* overview = widget->overview();
    ASSERT_NE(overview, nullptr);
    EXPECT_EQ(overview->windowTitle(), "Overview");
    EXPECT_TRUE(overview->isWindow());
    EXPECT_EQ(overview->windowType(), Qt::Tool);
    EXPECT_EQ(overview->parentWidget(), &host);
    EXPECT_TRUE(overview->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_TRUE(overview->isVisible());

    overview->setWindowTitle("Birds eye"); // what the program does with it
    widget->ShowOverview();
    EXPECT_EQ(widget->overview(), overview);
    EXPECT_EQ(overview->windowTitle(), "Birds eye");
}

TEST_F(OverviewTest, AClosedOverviewIsReplacedByANewOne) {
    widget->ShowOverview();
    QPointer<OverviewWindow> first = widget->overview();
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(widget->overview(), nullptr);
    widget->ShowOverview();
    ASSERT_NE(widget->overview(), nullptr);
    EXPECT_EQ(widget->overview()->windowTitle(), "Overview");
}

TEST_F(OverviewTest, ClickingMovesTheMainViewThereAtTheSameScale) {
    widget->ZoomWindow(0, 0, 20, 10);
    widget->ShowOverview();
    OverviewWindow* overview = widget->overview();
    const double scale = widget->viewport().scale();
    const QPointF target = overview->rect().center() + QPointF(30, -10);
    const cad::Vec2 expected = overview->drawingPointAt(target);
    click(*overview, target);
    EXPECT_NEAR(widget->viewport().centre().x, expected.x, 1e-9);
    EXPECT_NEAR(widget->viewport().centre().y, expected.y, 1e-9);
    EXPECT_DOUBLE_EQ(widget->viewport().scale(), scale);
    // The frame follows the main view.
    EXPECT_NEAR(overview->frameRect().center().x(), target.x(), 1.0);
    EXPECT_NEAR(overview->frameRect().center().y(), target.y(), 1.0);
}

TEST_F(OverviewTest, TheOverviewShowsTheWholeDrawingAndTheFrameOfTheView) {
    widget->ShowOverview();
    OverviewWindow* overview = widget->overview();
    overview->resize(300, 150);
    QImage shown(overview->size(), QImage::Format_ARGB32);
    overview->render(&shown);
    EXPECT_GT(test::countPixels(shown, test::isReddish), 100);
    EXPECT_GT(test::countPixels(shown, test::isBluish), 100);
    // The frame lies over the part of the drawing the main view shows.
    widget->ZoomWindow(70, 20, 80, 25); // inside the blue square
    const QRectF frame = overview->frameRect();
    const QRect blue = test::pixelBounds(shown, test::isBluish);
    EXPECT_TRUE(QRectF(blue).contains(frame.center()));
    const double unitsAcross = widget->viewport().window().width();
    const cad::Vec2 left = overview->drawingPointAt(frame.topLeft());
    const cad::Vec2 right = overview->drawingPointAt(frame.topRight());
    EXPECT_NEAR(right.x - left.x, unitsAcross, 1e-6);
    EXPECT_NEAR((left.x + right.x) / 2, 75, 1e-6);
}

TEST_F(OverviewTest, DestroyingTheControlTakesTheOverviewAlong) {
    widget->ShowOverview();
    QPointer<OverviewWindow> overview = widget->overview();
    delete widget;
    widget = nullptr;
    EXPECT_TRUE(overview.isNull());
}

} // namespace
} // namespace vexor::control
