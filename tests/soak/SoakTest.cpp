// A long working day in one viewer: hundreds of corpus drawings of every kind opened one after
// the other through File > Open. Memory must come back to where it was after the warm-up, no
// thread or open file may be left behind, and the history must hold what was opened.
// VEXOR_SOAK_OPENS sets the number of opens (300 unless said); VEXOR_SOAK_CURVE names a file
// that receives the resident memory after every open, one line each.
#include "app/frmVEXOR.h"
#include "control/DrawingWidget.h"
#include "data/HistoryStore.h"
#include "data/ProjectSchema.h"
#include "fakes/FakeWindowSystem.h"
#include "support/Corpus.h"

#include <QAction>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <unistd.h>

using namespace vexor;
namespace fs = std::filesystem;

namespace {

constexpr int kWarmUpOpens = 20;
constexpr double kMemoryGrowthAllowed = 0.10;

int opensWanted() {
    const char* text = std::getenv("VEXOR_SOAK_OPENS");
    const int wanted = text ? std::atoi(text) : 300;
    return std::max(wanted, kWarmUpOpens + 10);
}

long residentKilobytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

std::size_t entriesIn(const char* folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator{}));
}

// Every corpus drawing but the huge stress files, the kinds taken in turn. The first twenty are
// a spread over the whole list, so that the warm-up meets what a day's first drawings would
// (the fonts, the readers of each kind and version) before memory is first read.
std::vector<std::string> drawingsToOpen() {
    std::vector<std::string> dwg, dxf, dgn;
    for (const auto& f : test::corpusFiles("dwg", {".dwg"}))
        dwg.push_back(f.string());
    for (const auto& f : test::corpusFiles("dxf", {".dxf"}))
        dxf.push_back(f.string());
    for (const auto& f : test::corpusFiles("dgn", {".dgn"}))
        dgn.push_back(f.string());
    std::vector<std::string> mixed;
    for (std::size_t i = 0; i < std::max({dwg.size(), dxf.size(), dgn.size()}); ++i)
        for (const auto* kind : {&dwg, &dxf, &dgn})
            if (i < kind->size())
                mixed.push_back((*kind)[i]);
    std::vector<std::string> ordered;
    const std::size_t step = std::max<std::size_t>(1, mixed.size() / kWarmUpOpens);
    for (std::size_t i = 0; i < mixed.size(); i += step)
        ordered.push_back(mixed[i]);
    for (std::size_t i = 0; i < mixed.size(); ++i)
        if (i % step != 0)
            ordered.push_back(mixed[i]);
    return ordered;
}

// The drawing shown when memory is read: the same small drawing each time, so that what is
// compared is what the opens before it left behind. Its note is in a script the stroke fonts
// of a drawing lack: the wide fallback fonts it needs are read once per session (some
// megabytes), and the warm-up is the place for that.
void writeMarkerDrawing(const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    out << "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n0\n20\n0\n11\n100\n21\n100\n"
           "0\nTEXT\n8\n0\n10\n10\n20\n10\n40\n5\n1\nPlan \\U+4E2D\\U+6587 \\U+00B1\\U+00B0\n"
           "0\nENDSEC\n0\nEOF\n";
}

class Soak : public ::testing::Test {
protected:
    Soak() : window(widget, &widget, windows, folder()) {
        widget.resize(800, 600);
        window.Form_Load("");
    }
    std::string folder() {
        data::createProjectDatabase(dir.path().toStdString() + "/Dadizer.KVF", {});
        return dir.path().toStdString();
    }
    // Opens through File > Open; true when the drawing is then shown.
    bool open(const std::string& path) {
        windows.existingFiles.insert(path);
        windows.openFileAnswers.push_back(path);
        window.program().menus.mnuOpen->trigger();
        // What the program's event loop does between two commands: entries taken out of the
        // menus are deleted.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return window.program().CurrentDrawingPath == path && widget.scene().document != nullptr;
    }

    QTemporaryDir dir;
    test::FakeWindowSystem windows;
    control::DrawingWidget widget;
    app::frmVEXOR window;
};

} // namespace

TEST_F(Soak, HundredsOfOpensLeaveMemoryThreadsFilesAndHistoryAsTheyShouldBe) {
    VEXOR_REQUIRE_CORPUS();
    const std::vector<std::string> drawings = drawingsToOpen();
    ASSERT_GT(drawings.size(), 100u);
    const std::string marker = dir.path().toStdString() + "/marker.dxf";
    writeMarkerDrawing(marker);

    const int opens = opensWanted();
    std::ofstream curve;
    if (const char* curvePath = std::getenv("VEXOR_SOAK_CURVE"))
        curve.open(curvePath);
    std::set<std::string> shown;
    long baselineKb = 0;
    std::size_t baselineThreads = 0, baselineFiles = 0;
    for (int i = 0; i < opens; ++i) {
        const std::string& path = drawings[static_cast<std::size_t>(i) % drawings.size()];
        if (open(path))
            shown.insert(path);
        if (curve.is_open())
            curve << i + 1 << '\t' << residentKilobytes() << '\t' << path << '\n';
        if (i + 1 == kWarmUpOpens) {
            ASSERT_TRUE(open(marker));
            baselineKb = residentKilobytes();
            baselineThreads = entriesIn("/proc/self/task");
            baselineFiles = entriesIn("/proc/self/fd");
        }
    }
    ASSERT_TRUE(open(marker));
    shown.insert(marker);
    const long finalKb = residentKilobytes();
    RecordProperty("baseline_kb", std::to_string(baselineKb));
    RecordProperty("final_kb", std::to_string(finalKb));
    EXPECT_LE(finalKb, baselineKb * (1 + kMemoryGrowthAllowed))
        << "resident memory grew from " << baselineKb << " kB after " << kWarmUpOpens
        << " opens to " << finalKb << " kB after " << opens;
    EXPECT_LE(entriesIn("/proc/self/task"), baselineThreads) << "threads left behind";
    EXPECT_LE(entriesIn("/proc/self/fd"), baselineFiles) << "open files left behind";

    // The history holds every drawing that was shown, newest (the marker) first, and none of
    // those that failed to open.
    const data::NewestPaths stored =
        data::readNewestPaths(dir.path().toStdString(), static_cast<int>(drawings.size()) + 10);
    ASSERT_TRUE(stored.complete);
    std::set<std::string> history;
    for (const auto& row : stored.rows)
        if (row)
            history.insert(*row);
    EXPECT_EQ(history, shown);
    ASSERT_FALSE(stored.rows.empty());
    EXPECT_EQ(stored.rows.front().value_or(""), marker);
    EXPECT_GT(shown.size(),
              std::min<std::size_t>(static_cast<std::size_t>(opens), drawings.size()) / 2)
        << "most corpus drawings open";
}
