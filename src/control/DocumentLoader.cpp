#include "DocumentLoader.h"

#include "cad/io/DrawingReader.h"
#include "cad/io/LoadBudget.h"
#include "cad/model/ReadError.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPointer>
#include <QThread>
#include <QWidget>
#include <chrono>
#include <filesystem>
#include <future>
#include <new>
#include <optional>
#include <thread>
#include <vector>

namespace vexor::control {
namespace {

// The budgets of the loads running, innermost last (a load started from within another's
// event loop nests). Touched on the user-interface thread only.
std::vector<std::shared_ptr<cad::LoadBudget>>& runningLoads() {
    static std::vector<std::shared_ptr<cad::LoadBudget>> loads;
    return loads;
}

// How long a cancelled load may take to unwind before its caller stops waiting for it: freeing
// a large partial drawing, or a step between two checkpoints, can take longer than a user
// should wait.
constexpr auto kCancelGrace = std::chrono::milliseconds(100);

// Workers of cancelled loads that had not finished within the grace period; they release what
// they built in the background and are joined when the program ends.
class RetiredWorkers {
public:
    ~RetiredWorkers() {
        for (std::thread& worker : workers_)
            worker.join();
    }
    void add(std::thread worker) { workers_.push_back(std::move(worker)); }

private:
    std::vector<std::thread> workers_;
};

RetiredWorkers& retiredWorkers() {
    static RetiredWorkers workers;
    return workers;
}

std::shared_ptr<cad::LoadBudget> budgetFor(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return std::make_shared<cad::LoadBudget>(cad::LoadBudget::allowedBytes(error ? 0 : size));
}

LoadOutcome readAndCompile(const std::string& path, cad::LoadBudget& budget) {
    try {
        // The read and the compile answer to one budget; what a stopped load had built is
        // released on the way out.
        cad::LoadScope scope(budget);
        return {std::make_shared<const DrawingDocument>(cad::readDrawingFile(path)), {}};
    } catch (const cad::ReadError& e) {
        return {nullptr, e.what()};
    } catch (const cad::LoadStopped& e) {
        const std::string what = e.what();
        const std::string message = what.starts_with(path) ? what : path + ": " + what;
        return {nullptr, message, e.reason() == cad::LoadStopReason::Cancelled};
    } catch (const std::bad_alloc&) {
        return {nullptr, path + ": not enough memory to read the drawing"};
    } catch (const std::exception& e) {
        return {nullptr, path + ": " + e.what()};
    }
}

bool isUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

// While a load runs: drops user input, turns Escape into a cancel, and turns a window's close
// into a cancel followed by the close once the load has returned (the window cannot go while
// the load's caller is still on the stack).
class LoadInputGuard : public QObject {
public:
    explicit LoadInputGuard(cad::LoadBudget& budget) : budget_(budget) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~LoadInputGuard() override {
        QCoreApplication::instance()->removeEventFilter(this);
        for (const QPointer<QWidget>& window : closing_)
            if (window)
                QMetaObject::invokeMethod(window, &QWidget::close, Qt::QueuedConnection);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            if (auto* window = qobject_cast<QWidget*>(watched); window && window->isWindow()) {
                budget_.cancel();
                if (!closing_.contains(window))
                    closing_.push_back(window);
                event->ignore();
                return true;
            }
            return false;
        }
        if (!isUserInput(event->type()))
            return false;
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            budget_.cancel();
        return true;
    }

private:
    cad::LoadBudget& budget_;
    QList<QPointer<QWidget>> closing_;
};

} // namespace

void cancelLoading() {
    for (const auto& budget : runningLoads())
        budget->cancel();
}

LoadOutcome loadDocument(const std::string& path) {
    const std::shared_ptr<cad::LoadBudget> budget = budgetFor(path);
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread())
        return readAndCompile(path, *budget);

    // A newer load replaces the one running.
    cancelLoading();
    runningLoads().push_back(budget);
    std::packaged_task<LoadOutcome()> task(
        [path, budget] { return readAndCompile(path, *budget); });
    std::future<LoadOutcome> result = task.get_future();
    std::thread worker(std::move(task));
    bool finished = false;
    {
        LoadInputGuard guard(*budget);
        using namespace std::chrono_literals;
        std::optional<std::chrono::steady_clock::time_point> cancelledAt;
        while (!(finished = result.wait_for(10ms) == std::future_status::ready)) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            if (!budget->cancelled())
                continue;
            const auto now = std::chrono::steady_clock::now();
            if (!cancelledAt)
                cancelledAt = now;
            else if (now - *cancelledAt > kCancelGrace)
                break;
        }
    }
    std::erase(runningLoads(), budget);
    if (!finished) {
        retiredWorkers().add(std::move(worker));
        return {nullptr, path + ": loading was cancelled", true};
    }
    worker.join();
    return result.get();
}

} // namespace vexor::control
