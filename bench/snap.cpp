// Snap lookup at the pointer on the corpus's million-entity drawing, as the measure tool asks
// for it on every pointer move: every kind enabled, from a last picked point, eight pixels of a
// 1920 pixel wide view at the whole drawing and zoomed 20x into its centre. Also the memory the
// compiled drawing holds once its entities are released, with the side tables by item (exact
// curves, the entities the items come from) counted apart.
#include "cad/query/Snap.h"

#include "Corpus.h"
#include "ProcessStatus.h"
#include "cad/geometry/DisplayList.h"
#include "cad/load/DrawingReader.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <memory>

using namespace vexor;

namespace {

std::filesystem::path stressFile() {
    return vexor::bench::corpusRoot() / "stress" / "lines-1000000.dwg";
}

const cad::DisplayList* millionList() {
    static const std::shared_ptr<const cad::DisplayList> list = [] {
        std::shared_ptr<const cad::DisplayList> compiled;
        if (!std::filesystem::exists(stressFile()))
            return compiled;
        cad::Drawing drawing = cad::readDrawingFile(stressFile().string());
        return cad::compileDisplayListReleasingEntities(drawing);
    }();
    return list.get();
}

void snapLookup(benchmark::State& state, double zoom) {
    const cad::DisplayList* list = millionList();
    if (!list) {
        state.SkipWithError("the million-entity drawing is not in the corpus");
        return;
    }
    const cad::Box2 ext = list->extents();
    const double width = ext.width() / zoom, height = ext.height() / zoom;
    const double left = (ext.minX + ext.maxX - width) / 2,
                 bottom = (ext.minY + ext.maxY - height) / 2;
    const double tolerance = 8 * width / 1920;
    std::uint32_t seed = 12345;
    auto random = [&] {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) / 16777216.0;
    };
    std::size_t found = 0;
    const std::vector<char> hidden;
    for (auto _ : state) {
        const cad::Vec2 p{left + random() * width, bottom + random() * height};
        const auto snap = cad::snapAt(*list, list->modelSpace(), p, tolerance, 1023, hidden,
                                      cad::Vec2{p.x + 10 * tolerance, p.y});
        found += snap ? 1 : 0;
        benchmark::DoNotOptimize(snap);
    }
    state.counters["found%"] = 100.0 * static_cast<double>(found) /
                               static_cast<double>(std::max<std::int64_t>(state.iterations(), 1));
    const cad::ItemList& model = list->modelSpace();
    state.counters["listMB"] = static_cast<double>(list->memoryBytes()) / 1e6;
    state.counters["bySourceMB"] =
        static_cast<double>(model.sourceOf.capacity() * sizeof(std::uint32_t) +
                            model.sources.capacity() * sizeof(cad::ItemSource)) /
        1e6;
    state.counters["curvesMB"] =
        static_cast<double>(model.curves.capacity() * sizeof(cad::ItemCurve)) / 1e6;
    state.counters["rssMB"] = static_cast<double>(bench::statusKb("VmRSS")) / 1e3;
}

BENCHMARK_CAPTURE(snapLookup, extents, 1.0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(snapLookup, zoomed20x, 20.0)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
