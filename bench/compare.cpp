// Comparing two revisions of the corpus's million-line drawing: the drawing read twice (the
// time of loading both), 1% of the second copy's entities moved, then compared. Reports the
// comparison's time and its ratio to the two loads, and its peak memory over what the two
// drawings hold.
#include "Corpus.h"
#include "ProcessStatus.h"
#include "cad/compare/DrawingComparison.h"
#include "cad/load/DrawingReader.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

using vexor::bench::corpusRoot;
using vexor::bench::statusKb;

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void compareMillionLines(benchmark::State& state) {
    const fs::path path = corpusRoot() / "stress/lines-1000000.dwg";
    if (!fs::exists(path)) {
        state.SkipWithError("stress/lines-1000000.dwg is absent");
        return;
    }
    for (auto _ : state) {
        const auto loadStart = std::chrono::steady_clock::now();
        const vexor::cad::Drawing oldDrawing = vexor::cad::readDrawingFile(path.string());
        vexor::cad::Drawing newDrawing = vexor::cad::readDrawingFile(path.string());
        const double load = seconds(loadStart);
        // One entity in a hundred moved one unit to the right, whatever its kind.
        std::size_t moved = 0;
        for (std::size_t i = 0; i < newDrawing.modelSpace.size(); i += 100) {
            vexor::cad::EntityData& data = newDrawing.modelSpace[i].data;
            if (auto* line = vexor::cad::dataIf<vexor::cad::Line>(&data)) {
                line->a.x += 1;
                line->b.x += 1;
            } else if (auto* arc = vexor::cad::dataIf<vexor::cad::Arc>(&data)) {
                arc->center.x += 1;
            } else if (auto* text = vexor::cad::dataIf<vexor::cad::Text>(&data)) {
                text->insert.x += 1;
                text->alignPoint.x += 1;
            } else {
                continue;
            }
            ++moved;
        }
        // The peak from here on is the comparison's, over what the two drawings hold.
        const long loadedKb = statusKb("VmRSS");
        std::ofstream("/proc/self/clear_refs") << "5";
        const auto compareStart = std::chrono::steady_clock::now();
        const vexor::cad::Comparison c = vexor::cad::compareDrawings(oldDrawing, newDrawing);
        const double compare = seconds(compareStart);
        benchmark::DoNotOptimize(c.differences.data());
        state.counters["entities"] = static_cast<double>(oldDrawing.modelSpace.size());
        state.counters["moved"] = static_cast<double>(moved);
        state.counters["changed"] = static_cast<double>(c.total[vexor::cad::Change::Changed]);
        state.counters["load_both_s"] = load;
        state.counters["compare_s"] = compare;
        state.counters["ratio"] = compare / load;
        state.counters["memory_over_loads"] =
            static_cast<double>(statusKb("VmHWM")) / static_cast<double>(loadedKb);
    }
}

} // namespace

BENCHMARK(compareMillionLines)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK_MAIN();
