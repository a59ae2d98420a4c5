// Throughput of turning R2004-family and R2007 files into section buffers, and the peak heap
// it takes compared with the size of the sections it returns.
#include "Corpus.h"
#include "HeapCounter.h"
#include "cad/dwg/r2004/Sections.h"
#include "cad/dwg/r2007/Sections.h"
#include "cad/io/MappedFile.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

namespace {

struct CorpusFile {
    std::unique_ptr<vexor::cad::MappedFile> file;
    std::size_t sectionBytes = 0;
};

// R2007 files have a container of their own that fills the same buffers.
vexor::cad::dwg::r2004::Sections readSections(std::span<const std::uint8_t> bytes) {
    if (bytes.size() >= 6 &&
        std::string_view(reinterpret_cast<const char*>(bytes.data()), 6) == "AC1021")
        return vexor::cad::dwg::r2007::readSections(bytes, "bench.dwg");
    return vexor::cad::dwg::r2004::readSections(bytes, "bench.dwg");
}

std::vector<CorpusFile> loadCorpus(const std::vector<const char*>& versions) {
    namespace fs = std::filesystem;
    const fs::path root = vexor::bench::corpusRoot();
    std::vector<CorpusFile> files;
    for (const char* version : versions) {
        const fs::path dir = root / "dwg" / version;
        if (!fs::is_directory(dir))
            continue;
        std::vector<fs::path> paths;
        for (const auto& entry : fs::directory_iterator(dir))
            paths.push_back(entry.path());
        std::sort(paths.begin(), paths.end());
        for (const auto& path : paths) {
            CorpusFile entry{std::make_unique<vexor::cad::MappedFile>(path.string())};
            const auto sections = readSections(entry.file->bytes());
            entry.sectionBytes = sections.header.size() + sections.classes.size() +
                                 sections.handles.size() + sections.objects.size() +
                                 sections.auxHeader.size();
            files.push_back(std::move(entry));
        }
    }
    return files;
}

void BM_ReadSectionsCorpus(benchmark::State& state, std::vector<const char*> versions) {
    const auto files = loadCorpus(versions);
    if (files.empty()) {
        state.SkipWithError("no such files in the corpus");
        return;
    }
    std::size_t fileBytes = 0;
    std::size_t sectionBytes = 0;
    for (const auto& f : files) {
        fileBytes += f.file->bytes().size();
        sectionBytes += f.sectionBytes;
    }
    double worstPeakRatio = 0;
    for (auto _ : state) {
        for (const auto& f : files) {
            const double peak = static_cast<double>(vexor::bench::peakHeapGrowth([&] {
                auto sections = readSections(f.file->bytes());
                benchmark::DoNotOptimize(sections.objects.data());
            }));
            worstPeakRatio = std::max(worstPeakRatio, peak / static_cast<double>(f.sectionBytes));
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileBytes));
    state.counters["files"] = static_cast<double>(files.size());
    state.counters["file_MB"] = static_cast<double>(fileBytes) / 1e6;
    state.counters["sections_MB"] = static_cast<double>(sectionBytes) / 1e6;
    state.counters["sections_MBps"] = benchmark::Counter(
        static_cast<double>(state.iterations() * sectionBytes), benchmark::Counter::kIsRate);
    state.counters["worst_peak_heap_per_section_byte"] = worstPeakRatio;
}
BENCHMARK_CAPTURE(BM_ReadSectionsCorpus, R2004Family,
                  std::vector<const char*>{"AC1018", "AC1024", "AC1027", "AC1032"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadSectionsCorpus, R2007, std::vector<const char*>{"AC1021"})
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
