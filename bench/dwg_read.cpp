// Read throughput and peak memory of the DWG reader on the corpus's drawings (R13-R2000, the
// R2004 family and R2007) and on the large drawings under stress/; the small drawings of R12 and
// older are read as one set, beside the R2000 set, so that their throughput compares in one run.
// From R2004 the throughput includes decoding and decompressing the sections, and the peak heap is
// compared with the size of the decompressed sections.
#include "Corpus.h"
#include "HeapCounter.h"
#include "ProcessStatus.h"
#include "cad/dwg/DwgReader.h"
#include "cad/dwg/r2004/Sections.h"
#include "cad/dwg/r2007/Sections.h"
#include "cad/io/MappedFile.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using vexor::bench::corpusRoot;
using vexor::bench::statusKb;

constexpr const char* kR2004Family[] = {"dwg/AC1018", "dwg/AC1024", "dwg/AC1027", "dwg/AC1032"};

std::vector<fs::path> drawingsIn(std::initializer_list<const char*> subs) {
    std::vector<fs::path> files;
    for (const char* sub : subs) {
        const fs::path dir = corpusRoot() / sub;
        if (!fs::is_directory(dir))
            continue;
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.path().extension() == ".dwg" || entry.path().extension() == ".DWG")
                files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<fs::path> drawings() {
    return drawingsIn({"dwg/AC1012", "dwg/AC1014", "dwg/AC1015", kR2004Family[0], "dwg/AC1021",
                       kR2004Family[1], kR2004Family[2], kR2004Family[3], "stress"});
}

// The size of an R2004-family or R2007 file's sections once decompressed; 0 for older files.
std::size_t sectionBytes(std::span<const std::uint8_t> file) {
    const std::string version =
        file.size() < 6 ? std::string() : std::string(file.begin(), file.begin() + 6);
    if (version < "AC1018")
        return 0;
    const auto s = version == "AC1021" ? vexor::cad::dwg::r2007::readSections(file, "bench.dwg")
                                       : vexor::cad::dwg::r2004::readSections(file, "bench.dwg");
    return s.header.size() + s.classes.size() + s.handles.size() + s.objects.size() +
           s.auxHeader.size();
}

// Lets VmHWM restart from the current resident size, so that each drawing's peak is its own.
void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

void readDrawing(benchmark::State& state, const fs::path& path) {
    const auto size = static_cast<double>(fs::file_size(path));
    // Peak memory of one read from a cold mapping: the mapped pages count, as they do for
    // the viewer.
    long peakKb = 0;
    {
        resetPeak();
        const long before = statusKb("VmRSS");
        {
            vexor::cad::MappedFile file(path.string());
            auto drawing = vexor::cad::dwg::readDwg(file.bytes(), path.string());
            benchmark::DoNotOptimize(drawing);
            peakKb = statusKb("VmHWM") - before;
        }
    }
    vexor::cad::MappedFile file(path.string());
    const std::size_t heapPeak = vexor::bench::peakHeapGrowth([&] {
        auto drawing = vexor::cad::dwg::readDwg(file.bytes(), path.string());
        benchmark::DoNotOptimize(drawing.modelSpace.data());
    });
    for (auto _ : state) {
        auto drawing = vexor::cad::dwg::readDwg(file.bytes(), path.string());
        benchmark::DoNotOptimize(drawing.modelSpace.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(size));
    state.counters["peak_MB"] = static_cast<double>(peakKb) / 1024.0;
    state.counters["peak_per_file_size"] = static_cast<double>(peakKb) * 1024.0 / size;
    if (const std::size_t sections = sectionBytes(file.bytes()))
        state.counters["peak_heap_per_section_byte"] =
            static_cast<double>(heapPeak) / static_cast<double>(sections);
}

// All drawings of the given folders in one run: the throughput over their total size and the
// worst ratio of a read's peak heap to the file's decompressed sections.
void readPagedDrawings(benchmark::State& state, std::vector<const char*> folders) {
    std::vector<std::unique_ptr<vexor::cad::MappedFile>> files;
    std::vector<std::size_t> sections;
    std::size_t totalBytes = 0;
    std::vector<fs::path> paths;
    for (const char* folder : folders) {
        const auto some = drawingsIn({folder});
        paths.insert(paths.end(), some.begin(), some.end());
    }
    for (const fs::path& path : paths) {
        files.push_back(std::make_unique<vexor::cad::MappedFile>(path.string()));
        sections.push_back(sectionBytes(files.back()->bytes()));
        totalBytes += files.back()->bytes().size();
    }
    if (files.empty()) {
        state.SkipWithError("no such drawings in the corpus");
        return;
    }
    double worstRatio = 0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < files.size(); ++i) {
            const std::size_t peak = vexor::bench::peakHeapGrowth([&] {
                auto drawing = vexor::cad::dwg::readDwg(files[i]->bytes(), "bench.dwg");
                benchmark::DoNotOptimize(drawing.modelSpace.data());
            });
            worstRatio =
                std::max(worstRatio, static_cast<double>(peak) / static_cast<double>(sections[i]));
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * totalBytes));
    state.counters["files"] = static_cast<double>(files.size());
    state.counters["worst_peak_heap_per_section_byte"] = worstRatio;
}

// The drawings of some releases read one after the other: throughput over their total size.
void readSet(benchmark::State& state, std::vector<fs::path> paths) {
    std::vector<std::unique_ptr<vexor::cad::MappedFile>> files;
    std::size_t totalBytes = 0;
    for (const fs::path& path : paths) {
        files.push_back(std::make_unique<vexor::cad::MappedFile>(path.string()));
        totalBytes += files.back()->bytes().size();
    }
    if (files.empty()) {
        state.SkipWithError("no such drawings in the corpus");
        return;
    }
    // Entities per second as well: small old drawings hold far more entities per byte than
    // the newer ones, whose files also carry previews, objects and free space.
    std::size_t entities = 0;
    for (const auto& file : files) {
        const auto drawing = vexor::cad::dwg::readDwg(file->bytes(), "bench.dwg");
        entities += drawing.modelSpace.size();
        for (const auto& block : drawing.blocks)
            entities += block.entities.size();
    }
    for (auto _ : state)
        for (const auto& file : files) {
            auto drawing = vexor::cad::dwg::readDwg(file->bytes(), "bench.dwg");
            benchmark::DoNotOptimize(drawing.modelSpace.data());
        }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * totalBytes));
    state.counters["files"] = static_cast<double>(files.size());
    state.counters["entities_per_second"] = benchmark::Counter(
        static_cast<double>(entities), benchmark::Counter::kIsIterationInvariantRate);
}

const bool registered = [] {
    for (const fs::path& path : drawings()) {
        const std::string name =
            "dwg_read/" + path.parent_path().filename().string() + "/" + path.filename().string();
        auto* b = benchmark::RegisterBenchmark(name.c_str(), readDrawing, path);
        b->Unit(benchmark::kMillisecond);
        if (fs::file_size(path) > (8u << 20))
            b->Iterations(2);
    }
    benchmark::RegisterBenchmark(
        "dwg_read/R2004-family", readPagedDrawings,
        std::vector<const char*>(std::begin(kR2004Family), std::end(kR2004Family)))
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("dwg_read/R2007", readPagedDrawings,
                                 std::vector<const char*>{"dwg/AC1021"})
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("dwg_read/set/R12-and-older", readSet,
                                 drawingsIn({"dwg/AC1009", "dwg/preR11"}))
        ->MeasureProcessCPUTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("dwg_read/set/R2000", readSet, drawingsIn({"dwg/AC1015"}))
        ->MeasureProcessCPUTime()
        ->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace

BENCHMARK_MAIN();
