// The main window with the real drawing control on a real corpus drawing: the wheel zooms
// toward the pointer, dragging pans, and the Layers menu hides and shows layers.
#include "app/frmVEXOR.h"
#include "control/DrawingWidget.h"
#include "data/ProjectSchema.h"
#include "fakes/FakeWindowSystem.h"
#include "support/Corpus.h"
#include "view/DrawingLoader.h"
#include "view/MenuArray.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>
#include <gtest/gtest.h>

using namespace vexor;

namespace {

struct ViewWindow {
    double x1, y1, x2, y2;
};

class EndToEnd : public ::testing::Test {
protected:
    EndToEnd() : window(control, &control, windows, folder()) {}

    std::string folder() {
        data::createProjectDatabase(dir.path().toStdString() + "/Dadizer.KVF", {});
        return dir.path().toStdString();
    }

    void open(const std::filesystem::path& file) {
        window.resize(900, 700);
        window.show();
        QApplication::processEvents();
        window.program().CurrentDrawingPath = file.string();
        view::LoadDrawing(window.program());
        QApplication::processEvents();
    }

    ViewWindow view() {
        ViewWindow v{};
        double e1, e2;
        control.GetView(v.x1, v.y1, v.x2, v.y2, e1, e2);
        return v;
    }

    // The drawing point shown at a pixel of the control.
    std::pair<double, double> pointAt(QPointF pixel) {
        const ViewWindow v = view();
        return {v.x1 + pixel.x() / control.width() * (v.x2 - v.x1),
                v.y2 - pixel.y() / control.height() * (v.y2 - v.y1)};
    }

    void mouse(QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, control.mapToGlobal(at), Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(&control, &event);
    }

    void wheel(QPointF at, int delta) {
        QWheelEvent event(at, control.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&control, &event);
    }

    QTemporaryDir dir;
    test::FakeWindowSystem windows;
    control::DrawingWidget control;
    app::frmVEXOR window;
};

std::filesystem::path corpusDrawing() {
    const auto root = test::corpusDir();
    return *root / "dwg" / "AC1015" / "libredwg__example_2000.dwg";
}

} // namespace

TEST_F(EndToEnd, WheelKeepsTheDrawingPointUnderThePointer) {
    VEXOR_REQUIRE_CORPUS();
    open(corpusDrawing());
    ASSERT_TRUE(control.IsDrawingOpen()) << control.errorMessage().toStdString();
    const QPointF pointer(control.width() * 0.3, control.height() * 0.7);
    mouse(QEvent::MouseMove, pointer, Qt::NoButton);
    const auto before = pointAt(pointer);
    const ViewWindow v0 = view();
    wheel(pointer, 120);
    const ViewWindow v1 = view();
    EXPECT_NEAR((v1.x2 - v1.x1) * 1.5, v0.x2 - v0.x1, (v0.x2 - v0.x1) * 1e-9) << "one step in";
    const auto after = pointAt(pointer);
    const double tolerance = (v1.x2 - v1.x1) / control.width(); // a pixel
    EXPECT_NEAR(after.first, before.first, tolerance);
    EXPECT_NEAR(after.second, before.second, tolerance);
    wheel(pointer, -120);
    const ViewWindow v2 = view();
    EXPECT_NEAR(v2.x2 - v2.x1, v0.x2 - v0.x1, (v0.x2 - v0.x1) * 1e-9) << "one step out";
}

TEST_F(EndToEnd, DraggingMovesTheDrawingWithThePointer) {
    VEXOR_REQUIRE_CORPUS();
    open(corpusDrawing());
    ASSERT_TRUE(control.IsDrawingOpen());
    const QPointF from(control.width() * 0.5, control.height() * 0.5);
    const QPointF to = from + QPointF(60, -40);
    const auto grabbed = pointAt(from);
    mouse(QEvent::MouseButtonPress, from, Qt::LeftButton);
    mouse(QEvent::MouseMove, from + QPointF(30, -20), Qt::LeftButton);
    mouse(QEvent::MouseMove, to, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, to, Qt::NoButton);
    const auto under = pointAt(to);
    const ViewWindow v = view();
    const double pixel = (v.x2 - v.x1) / control.width();
    EXPECT_NEAR(under.first, grabbed.first, 2 * pixel);
    EXPECT_NEAR(under.second, grabbed.second, 2 * pixel);
    EXPECT_EQ(window.navigator().PanAnchorX, 0) << "the pan ended with the button";
}

TEST_F(EndToEnd, LayersMenuHidesAndShowsALayer) {
    VEXOR_REQUIRE_CORPUS();
    open(corpusDrawing());
    view::MenuArray& layers = *window.program().menus.mnuLayer;
    ASSERT_GE(layers.UBound(), 1);
    EXPECT_TRUE(window.program().menus.mnuLayers->isEnabled());
    int index = -1;
    for (int i = 0; i <= layers.UBound(); ++i)
        if (layers.Caption(i) == "Layer_Tavolo 3")
            index = i;
    ASSERT_GE(index, 0) << "the drawing's layer is listed";
    ASSERT_TRUE(layers.Checked(index));
    const QImage shown = control.viewImage().copy();
    layers.Entry(index)->trigger();
    EXPECT_FALSE(layers.Checked(index));
    const QImage hidden = control.viewImage().copy();
    EXPECT_NE(shown, hidden) << "hiding the layer changes the picture";
    layers.Entry(index)->trigger();
    EXPECT_TRUE(layers.Checked(index));
    EXPECT_EQ(control.viewImage(), shown) << "showing it again restores the picture";
}

TEST_F(EndToEnd, ClosingTheWindowWhileTheMillionLineDrawingLoadsClosesItPromptly) {
    VEXOR_REQUIRE_CORPUS();
    window.resize(900, 700);
    window.show();
    QApplication::processEvents();
    QElapsedTimer sinceClose;
    QTimer::singleShot(500, [&] {
        sinceClose.start();
        window.close();
    });
    window.program().CurrentDrawingPath =
        (*test::corpusDir() / "stress/lines-1000000.dwg").string();
    view::LoadDrawing(window.program());
    ASSERT_TRUE(sinceClose.isValid()) << "the load ended before the window was closed";
    while (window.isVisible() && sinceClose.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_FALSE(window.isVisible());
    // On an idle machine 0.1 to 0.2 s; generous against a busy one.
    EXPECT_LT(sinceClose.elapsed(), 1500);
    std::printf("window closed %lld ms after the close\n",
                static_cast<long long>(sinceClose.elapsed()));
    EXPECT_FALSE(control.scene().document && control.scene().document->extents().width() > 0)
        << "the cancelled drawing is not shown";
}
