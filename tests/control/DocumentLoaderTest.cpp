// Loading on the worker: Escape, closing a window or another load cancel a running load
// promptly, and the user-interface thread stays responsive meanwhile. Driven by the million-line
// stress drawing, which takes seconds to read.
#include "control/DocumentLoader.h"

#include "cad/io/LoadBudget.h"
#include "support/Corpus.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <fstream>
#include <gtest/gtest.h>

using namespace vexor;
using namespace vexor::control;

namespace {

// Generous against a busy machine; on an idle one a cancel returns in a few milliseconds.
constexpr qint64 kPromptMilliseconds = 1000;

std::string stressDrawing() {
    const auto dir = test::corpusDir();
    return dir ? (*dir / "stress/lines-1000000.dwg").string() : std::string();
}

// Loads the stress drawing, doing `act` 300 ms into the load; returns the outcome and how long
// the load took to return after `act`.
std::pair<LoadOutcome, qint64> loadAndInterrupt(const std::function<void()>& act) {
    QElapsedTimer sinceAct;
    QTimer::singleShot(300, [&] {
        sinceAct.start();
        act();
    });
    LoadOutcome outcome = loadDocument(stressDrawing());
    return {std::move(outcome), sinceAct.isValid() ? sinceAct.elapsed() : -1};
}

} // namespace

TEST(DocumentLoader, CancelStopsTheMillionLineLoadPromptly) {
    VEXOR_REQUIRE_CORPUS();
    const auto [outcome, milliseconds] = loadAndInterrupt([] { cancelLoading(); });
    ASSERT_GE(milliseconds, 0) << "the load ended before it could be cancelled";
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(outcome.document, nullptr);
    EXPECT_NE(outcome.error.find("lines-1000000.dwg: loading was cancelled"), std::string::npos)
        << outcome.error;
    EXPECT_LT(milliseconds, kPromptMilliseconds);
    std::printf("cancel returned after %lld ms\n", static_cast<long long>(milliseconds));
}

TEST(DocumentLoader, EscapeCancelsAndOtherInputIsDropped) {
    VEXOR_REQUIRE_CORPUS();
    QWidget window;
    int keysSeen = 0;
    struct Counter : QObject {
        int& seen;
        explicit Counter(int& s) : seen(s) {}
        bool eventFilter(QObject*, QEvent* e) override {
            seen += e->type() == QEvent::KeyPress ? 1 : 0;
            return false;
        }
    } counter(keysSeen);
    window.installEventFilter(&counter);
    const auto [outcome, milliseconds] = loadAndInterrupt([&] {
        QKeyEvent letter(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
        QCoreApplication::sendEvent(&window, &letter);
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &escape);
    });
    EXPECT_TRUE(outcome.cancelled) << outcome.error;
    EXPECT_EQ(keysSeen, 0);
    EXPECT_LT(milliseconds, kPromptMilliseconds);
}

TEST(DocumentLoader, ClosingAWindowCancelsThenCloses) {
    VEXOR_REQUIRE_CORPUS();
    QWidget window;
    window.show();
    const auto [outcome, milliseconds] = loadAndInterrupt([&] { window.close(); });
    EXPECT_TRUE(outcome.cancelled) << outcome.error;
    EXPECT_LT(milliseconds, kPromptMilliseconds);
    EXPECT_TRUE(window.isVisible()); // not while the load's caller is still on the stack
    QCoreApplication::processEvents();
    EXPECT_FALSE(window.isVisible());
}

TEST(DocumentLoader, ALoadStartedDuringAnotherCancelsIt) {
    VEXOR_REQUIRE_CORPUS();
    LoadOutcome inner;
    const auto [outer, milliseconds] = loadAndInterrupt([&] {
        inner =
            loadDocument(vexor::test::sourceDir().string() + "/tests/cad/regressions/inputs/"
                                                             "dxf-hatch-billion-pattern-lines.dxf");
    });
    EXPECT_TRUE(outer.cancelled) << outer.error;
    EXPECT_NE(inner.document, nullptr) << inner.error;
}

TEST(DocumentLoader, AnythingThrownOnTheLoadingThreadComesBackAsAnUnexpectedFailure) {
    const std::string path = "/plans/site.dwg";
    const auto fail = [&path](auto thrown) {
        return runLoad(path, [thrown](cad::LoadBudget&) -> LoadOutcome { throw thrown; });
    };
    const LoadOutcome error = fail(std::runtime_error("index out of range"));
    EXPECT_EQ(error.document, nullptr);
    EXPECT_EQ(error.failure, LoadFailure::Unexpected);
    EXPECT_EQ(error.error, path + ": index out of range");
    const LoadOutcome memory = fail(std::bad_alloc());
    EXPECT_EQ(memory.failure, LoadFailure::TooLarge);
    EXPECT_EQ(memory.error, path + ": not enough memory to read the drawing");
    const LoadOutcome foreign = fail(42);
    EXPECT_EQ(foreign.failure, LoadFailure::Unexpected);
    EXPECT_EQ(foreign.error, path + ": an unknown error stopped the read");
    EXPECT_FALSE(error.cancelled || memory.cancelled || foreign.cancelled);
}

TEST(DocumentLoader, AFailedReadSaysWhatKindOfFaultItIs) {
    const auto dir = test::scratchDir("loader-failures");
    const auto write = [&dir](const std::string& name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return (dir / name).string();
    };
    const auto failureOf = [](const std::string& path) {
        const LoadOutcome outcome = loadDocument(path);
        EXPECT_EQ(outcome.document, nullptr) << path;
        EXPECT_EQ(outcome.error.rfind(path, 0), 0u) << "names the file: " << outcome.error;
        return outcome.failure;
    };
    EXPECT_EQ(failureOf((dir / "gone.dwg").string()), LoadFailure::Missing);
    EXPECT_EQ(failureOf(write("notes.dwg", "Shopping list\nbread\n")), LoadFailure::NotADrawing);
    EXPECT_EQ(failureOf(write("empty.dxf", "")), LoadFailure::NotADrawing);
    EXPECT_EQ(failureOf(write("v8.dgn", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) +
                                            std::string(600, '\0'))),
              LoadFailure::Unsupported);
    EXPECT_EQ(failureOf(write("old.dwg", "AC1.50" + std::string(200, '\0'))),
              LoadFailure::Unsupported);
    EXPECT_EQ(failureOf(write("broken.dwg", "AC1018" + std::string(300, '\x11'))),
              LoadFailure::Damaged);
    std::filesystem::remove_all(dir);
}
