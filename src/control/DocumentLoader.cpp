#include "DocumentLoader.h"

#include "cad/io/LoadBudget.h"
#include "cad/load/DrawingReader.h"
#include "cad/model/ReadError.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPointer>
#include <QThread>
#include <QWidget>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
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

// What the worker of one load hands back. A caller that stops waiting abandons it, and the
// worker then frees what it built itself.
struct LoadRun {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool abandoned = false;
    LoadOutcome outcome;

    void finish(LoadOutcome result) {
        {
            std::lock_guard lock(mutex);
            finished = true;
            if (!abandoned)
                outcome = std::move(result);
        }
        done.notify_all();
        // An abandoned result is released here, on the worker.
    }
    bool waitFor(std::chrono::milliseconds time) {
        std::unique_lock lock(mutex);
        return done.wait_for(lock, time, [this] { return finished; });
    }
    // Gives up on the result; false when the worker finished after all.
    bool abandon() {
        std::lock_guard lock(mutex);
        abandoned = !finished;
        return abandoned;
    }
    bool stillRunning() {
        std::lock_guard lock(mutex);
        return !finished;
    }
};

// Workers of cancelled loads that had not finished within the grace period; they release what
// they built in the background. They are joined when the program ends normally; a program that
// ends while one is still busy does not wait for it (endProgramWithoutWaitingForLoads).
class RetiredWorkers {
public:
    ~RetiredWorkers() {
        for (Retired& r : retired_)
            r.worker.join();
    }
    void add(std::thread worker, std::shared_ptr<LoadRun> run) {
        retired_.push_back({std::move(worker), std::move(run)});
    }
    bool anyRunning() const {
        for (const Retired& r : retired_)
            if (r.run->stillRunning())
                return true;
        return false;
    }

private:
    struct Retired {
        std::thread worker;
        std::shared_ptr<LoadRun> run;
    };
    std::vector<Retired> retired_;
};

RetiredWorkers& retiredWorkers() {
    static RetiredWorkers workers;
    return workers;
}

std::shared_ptr<cad::LoadBudget> budgetFor(const std::string& path, std::uint64_t fileBytes) {
    std::error_code error;
    const std::uintmax_t size = fileBytes ? fileBytes : std::filesystem::file_size(path, error);
    return std::make_shared<cad::LoadBudget>(cad::LoadBudget::allowedBytes(error ? 0 : size));
}

LoadOutcome readAndCompile(const std::string& path) {
    return {std::make_shared<const DrawingDocument>(cad::readDrawingFile(path)), {}};
}

// What kind of fault a read error of `path` is, told from the file's first bytes: a file that
// cannot be opened, one that is no drawing, a drawing of a release not read yet, or damage.
LoadFailure readFailureKind(const std::string& path, const cad::ReadError& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return LoadFailure::Missing;
    constexpr std::size_t kHead = 64 * 1024;
    std::vector<std::uint8_t> head(kHead);
    file.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(kHead));
    head.resize(static_cast<std::size_t>(file.gcount()));
    switch (cad::detectContent(head)) {
    case cad::ContentKind::Unknown:
        return LoadFailure::NotADrawing;
    case cad::ContentKind::Dgn8:
        return LoadFailure::Unsupported;
    default:
        break;
    }
    const std::string& reason = error.reason();
    if (reason.ends_with("is not supported yet") || reason.starts_with("unknown DWG version"))
        return LoadFailure::Unsupported;
    return LoadFailure::Damaged;
}

LoadOutcome failed(std::string message, LoadFailure failure) {
    LoadOutcome outcome;
    outcome.error = std::move(message);
    outcome.failure = failure;
    outcome.cancelled = failure == LoadFailure::Cancelled;
    return outcome;
}

// Runs `work` under `budget`, turning every failure into an outcome with its message. Nothing
// may leave the loading thread: an escaping exception would end the program.
LoadOutcome runUnderBudget(const std::string& path, const LoadWork& work, cad::LoadBudget& budget) {
    try {
        // The read and the compile answer to one budget; what a stopped load had built is
        // released on the way out.
        cad::LoadScope scope(budget);
        return work(budget);
    } catch (const cad::ReadError& e) {
        return failed(e.what(), readFailureKind(path, e));
    } catch (const cad::LoadStopped& e) {
        const std::string what = e.what();
        const std::string message = what.starts_with(path) ? what : path + ": " + what;
        return failed(message, e.reason() == cad::LoadStopReason::Cancelled
                                   ? LoadFailure::Cancelled
                                   : LoadFailure::TooLarge);
    } catch (const std::bad_alloc&) {
        return failed(path + ": not enough memory to read the drawing", LoadFailure::TooLarge);
    } catch (const std::exception& e) {
        return failed(path + ": " + e.what(), LoadFailure::Unexpected);
    } catch (...) {
        return failed(path + ": an unknown error stopped the read", LoadFailure::Unexpected);
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

LoadOutcome loadDocument(const std::string& path, const LoadStarted& started) {
    return runLoad(
        path, [path](cad::LoadBudget&) { return readAndCompile(path); }, started);
}

LoadOutcome runLoad(const std::string& path, LoadWork work, const LoadStarted& started,
                    std::uint64_t fileBytes) {
    const std::shared_ptr<cad::LoadBudget> budget = budgetFor(path, fileBytes);
    if (started)
        started(budget);
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread())
        return runUnderBudget(path, work, *budget);

    // A newer load replaces the one running.
    cancelLoading();
    runningLoads().push_back(budget);
    auto run = std::make_shared<LoadRun>();
    std::thread worker([path, work = std::move(work), budget, run] {
        run->finish(runUnderBudget(path, work, *budget));
    });
    bool finished = false;
    {
        LoadInputGuard guard(*budget);
        using namespace std::chrono_literals;
        std::optional<std::chrono::steady_clock::time_point> cancelledAt;
        while (!(finished = run->waitFor(10ms))) {
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
    if (!finished && run->abandon()) {
        retiredWorkers().add(std::move(worker), std::move(run));
        return failed(path + ": loading was cancelled", LoadFailure::Cancelled);
    }
    worker.join();
    return std::move(run->outcome);
}

bool cancelledLoadsUnwinding() {
    return retiredWorkers().anyRunning();
}

void endProgramWithoutWaitingForLoads(int status) {
    if (!cancelledLoadsUnwinding())
        return;
    // Everything the user keeps is already saved when the last window has closed; the worker
    // only frees memory the process is about to give back whole.
    std::fflush(nullptr);
    std::_Exit(status);
}

} // namespace vexor::control
