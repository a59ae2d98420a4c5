// The progress a long load shows over the drawing area: nothing for the first moment, then the
// file's name, what the load is doing and a figure that only rises; painted even while the area's
// painting is held back; gone when the load ends. And a program whose window closes during a
// load ends without waiting for the worker.
#include "cad/io/LoadBudget.h"
#include "control/DocumentLoader.h"
#include "control/DrawingWidget.h"
#include "control/LoadProgressOverlay.h"
#include "support/Corpus.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using namespace vexor;
using namespace vexor::control;

namespace {

// Stands in for a slow read and compile: `steps` steps of `stepMs` each in each phase, reporting
// progress the way the readers and the compiler do, and stopping when cancelled.
LoadOutcome slowLoad(cad::LoadBudget& budget, int steps, int stepMs) {
    for (int i = 0; i < steps; ++i) {
        budget.checkpoint();
        cad::reportLoadProgress(static_cast<std::uint64_t>(i), static_cast<std::uint64_t>(steps));
        std::this_thread::sleep_for(std::chrono::milliseconds(stepMs));
    }
    cad::setLoadPhase(cad::LoadPhase::Preparing);
    cad::expectLoadWork(static_cast<std::uint64_t>(steps));
    for (int i = 0; i < steps; ++i) {
        budget.checkpoint();
        cad::addLoadWork();
        std::this_thread::sleep_for(std::chrono::milliseconds(stepMs));
    }
    return {};
}

struct Sample {
    qint64 elapsed;
    bool shown;
    double fraction;
    QString activity;
};

// Samples `overlay()` (which may be null between loads) every 20 ms while `load` runs.
std::vector<Sample> sampleDuring(const QElapsedTimer& clock,
                                 const std::function<const LoadProgressOverlay*()>& overlay,
                                 const std::function<void()>& load) {
    std::vector<Sample> samples;
    QTimer sampler;
    sampler.setInterval(20);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (const LoadProgressOverlay* o = overlay())
            samples.push_back({clock.elapsed(), o->shown(), o->shownFraction(), o->activity()});
    });
    sampler.start();
    load();
    return samples;
}

// The overlay stays hidden for its delay, then rises steadily; `phases` are the activities it
// must have named while shown.
void expectRisingProgress(const std::vector<Sample>& samples, const std::vector<QString>& phases) {
    const Sample* first = nullptr;
    const Sample* last = nullptr;
    std::vector<QString> named;
    for (const Sample& s : samples) {
        if (s.elapsed < LoadProgressOverlay::kDelayMilliseconds) {
            EXPECT_FALSE(s.shown) << "shown after " << s.elapsed << " ms";
        }
        if (!s.shown)
            continue;
        EXPECT_GE(s.fraction, 0.0);
        EXPECT_LE(s.fraction, 1.0);
        if (last) {
            EXPECT_GE(s.fraction, last->fraction) << "the progress fell at " << s.elapsed << " ms";
        }
        first = first ? first : &s;
        last = &s;
        if (std::find(named.begin(), named.end(), s.activity) == named.end())
            named.push_back(s.activity);
    }
    ASSERT_NE(first, nullptr) << "the progress was never shown";
    EXPECT_GT(last->fraction, first->fraction);
    for (const QString& phase : phases)
        EXPECT_NE(std::find(named.begin(), named.end(), phase), named.end())
            << phase.toStdString() << " was never shown";
}

// A drawing area that paints the overlay and counts its paints.
class Area : public QWidget {
public:
    const LoadProgressOverlay* overlay = nullptr;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override {
        ++paints;
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        if (overlay)
            overlay->paint(painter, rect(), Qt::black);
    }
};

} // namespace

TEST(LoadProgress, AppearsAfterTheDelayWithTheFileNameAndRises) {
    Area area;
    area.resize(800, 600);
    area.show();
    QElapsedTimer clock;
    clock.start();
    LoadProgressOverlay overlay(area, "/drawings/site/plan of site.dwg");
    area.overlay = &overlay;
    EXPECT_EQ(overlay.fileName(), "plan of site.dwg");
    // Each phase lasts 0.8 s, so a loaded machine that delays the sampler still sees the
    // reading phase after the overlay appears and the preparing phase after it.
    const auto samples = sampleDuring(
        clock, [&] { return &overlay; },
        [&] {
            runLoad(
                "plan of site.dwg",
                [](cad::LoadBudget& budget) { return slowLoad(budget, 40, 20); },
                [&](std::shared_ptr<const cad::LoadBudget> b) { overlay.watch(std::move(b)); });
        });
    expectRisingProgress(samples, {"Reading", "Preparing the view"});
    EXPECT_GT(area.paints, 1);
}

TEST(LoadProgress, IsPaintedWhileTheAreaIsHeldBackAndLeavesItHeld) {
    Area area;
    area.resize(640, 480);
    area.show();
    QCoreApplication::processEvents();
    area.setUpdatesEnabled(false);
    const int paintsBefore = area.paints;
    LoadProgressOverlay overlay(area, "held.dwg");
    area.overlay = &overlay;
    runLoad(
        "held.dwg", [](cad::LoadBudget& budget) { return slowLoad(budget, 15, 30); },
        [&](std::shared_ptr<const cad::LoadBudget> b) { overlay.watch(std::move(b)); });
    EXPECT_TRUE(overlay.shown());
    EXPECT_GT(area.paints, paintsBefore + 1);
    EXPECT_FALSE(area.updatesEnabled());
}

TEST(LoadProgress, AQuickLoadShowsNothing) {
    Area area;
    area.resize(640, 480);
    area.show();
    LoadProgressOverlay overlay(area, "quick.dwg");
    runLoad(
        "quick.dwg", [](cad::LoadBudget& budget) { return slowLoad(budget, 2, 1); },
        [&](std::shared_ptr<const cad::LoadBudget> b) { overlay.watch(std::move(b)); });
    // The load took far less than the delay unless the machine stalled for it.
    if (overlay.shown())
        GTEST_SKIP() << "the machine was too busy to finish the load within the delay";
    EXPECT_EQ(overlay.percent(), 0);
}

TEST(LoadProgress, TheMillionLineDrawingShowsItsProgressThenItself) {
    VEXOR_REQUIRE_CORPUS();
    const auto path = (*test::corpusDir() / "stress/lines-1000000.dwg").string();
    DrawingWidget widget;
    widget.resize(1024, 768);
    widget.show();
    QCoreApplication::processEvents();
    widget.CreateDrawing(path, 0, "");
    QElapsedTimer clock;
    clock.start();
    QImage during;
    QTimer grabber;
    grabber.setInterval(50);
    QObject::connect(&grabber, &QTimer::timeout, [&] {
        if (during.isNull() && widget.loadProgress() && widget.loadProgress()->shown())
            during = widget.grab().toImage();
    });
    grabber.start();
    QString name;
    const auto samples = sampleDuring(
        clock,
        [&]() -> const LoadProgressOverlay* {
            if (widget.loadProgress())
                name = widget.loadProgress()->fileName();
            return widget.loadProgress();
        },
        [&] { widget.LoadDwg(path); });
    // The file is read within the overlay's delay on a quiet machine; the view's preparation
    // outlasts it.
    expectRisingProgress(samples, {"Preparing the view"});
    EXPECT_EQ(name, "lines-1000000.dwg");
    EXPECT_EQ(widget.loadProgress(), nullptr);
    ASSERT_NE(widget.scene().document, nullptr) << widget.errorMessage().toStdString();
    EXPECT_GT(widget.scene().document->displayList().modelSpace().items.size(), 900'000u);

    // The panel in the middle of the area holds more than the background.
    ASSERT_FALSE(during.isNull());
    const QRgb background = during.pixel(5, 5);
    int other = 0;
    for (int x = during.width() / 2 - 150; x < during.width() / 2 + 150; ++x)
        for (int y = during.height() / 2 - 30; y < during.height() / 2 + 30; ++y)
            other += during.pixel(x, y) != background ? 1 : 0;
    EXPECT_GT(other, 1000);
}

// Closing the last window while a worker is stuck between two checkpoints: the load returns
// within its grace period and the program ends at once with its status, not when the worker
// is done. Run in a child process, which is left with the stuck worker.
TEST(LoadProgressDeathTest, TheProgramEndsWithoutWaitingForAStuckWorker) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    QElapsedTimer clock;
    clock.start();
    EXPECT_EXIT(
        {
            QWidget window;
            window.show();
            QTimer::singleShot(100, [&] { window.close(); });
            QElapsedTimer load;
            load.start();
            const LoadOutcome outcome = runLoad("stuck.dwg", [](cad::LoadBudget&) {
                std::this_thread::sleep_for(std::chrono::seconds(30));
                return LoadOutcome{};
            });
            if (!outcome.cancelled || load.elapsed() > 5000 || !cancelledLoadsUnwinding())
                std::_Exit(9);
            endProgramWithoutWaitingForLoads(3);
            std::_Exit(8);
        },
        ::testing::ExitedWithCode(3), "");
    // The child starts a whole test program; the worker would have kept it 30 s.
    EXPECT_LT(clock.elapsed(), 20000);
}
