// Display-list compile of the corpus drawings with the most dimensions: dimensions drawn from
// their blocks or, where a writer left the block out, from their definition points and style.
// Per drawing: compile time, the items and points compiled and the peak heap of one compile.
// scripts/bench-dimensions.sh compares whole renders of these drawings with another build.
#include "Corpus.h"
#include "HeapCounter.h"
#include "cad/geometry/DisplayList.h"
#include "cad/load/DrawingReader.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

using namespace vexor;

namespace {

using vexor::bench::corpusRoot;

// By their count of DIMENSION entities (vexor-render --info), most first.
constexpr const char* kDrawings[] = {
    "dxf/ascii/AC1027/dxfparser__api-cw750-details.dxf",
    "dwg/AC1027/libredwg__2013_gh44-error.dwg",
    "dxf/ascii/AC1015/qcad__TGL31006.dxf",
    "dxf/ascii/AC1021/librecad__dim_sample.dxf",
    "dxf/ascii/AC1015/qcad__DIN7200.dxf",
    "dwg/AC1032/librecad__dynblock_r2018.dwg",
    "dwg/AC1027/ezdxf__dimstyle-vars.dwg",
    "dwg/AC1027/ezdxf__dim_linear_tutorial.dwg",
    "dxf/ascii/AC1027/libredwg__2013_gh109_1.dxf",
    "dxf/ascii/AC1032/ezdxf__uncommon.dxf",
};

struct Sizes {
    double items = 0, points = 0;
};

Sizes sizesOf(const cad::DisplayList& list) {
    Sizes s;
    auto add = [&](const cad::ItemList& l) {
        s.items += static_cast<double>(l.items.size());
        s.points += static_cast<double>(l.points.size());
    };
    add(list.modelSpace());
    for (std::size_t i = 0; i < list.blockCount(); ++i)
        add(list.block(static_cast<std::uint32_t>(i)));
    return s;
}

void BM_CompileDimensions(benchmark::State& state, std::string relative) {
    const std::filesystem::path file = corpusRoot() / relative;
    if (!std::filesystem::exists(file)) {
        state.SkipWithError("drawing not in the corpus");
        return;
    }
    const cad::Drawing drawing = cad::readDrawingFile(file.string());
    std::shared_ptr<const cad::DisplayList> list;
    const std::size_t peak =
        bench::peakHeapGrowth([&] { list = cad::compileDisplayList(drawing); });
    const Sizes sizes = sizesOf(*list);
    list.reset();
    for (auto _ : state) {
        auto compiled = cad::compileDisplayList(drawing);
        benchmark::DoNotOptimize(compiled.get());
    }
    state.counters["items"] = sizes.items;
    state.counters["points"] = sizes.points;
    state.counters["peak_heap_kB"] = static_cast<double>(peak) / 1024.0;
}

} // namespace

int main(int argc, char** argv) {
    for (const char* drawing : kDrawings) {
        const std::string name = std::filesystem::path(drawing).filename().string();
        benchmark::RegisterBenchmark(("compile/" + name).c_str(), BM_CompileDimensions,
                                     std::string(drawing))
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
