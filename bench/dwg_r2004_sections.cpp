// Throughput of turning R2004-family files into section buffers, and the peak heap it takes
// compared with the size of the sections it returns.
#include "cad/dwg/r2004/Sections.h"
#include "cad/io/MappedFile.h"

#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <vector>

namespace {

// Live and peak heap bytes, counted by the replaced global allocation functions below.
std::atomic<std::size_t> liveBytes{0};
std::atomic<std::size_t> peakBytes{0};
constexpr std::size_t kPrefix = alignof(std::max_align_t);

void* countedAlloc(std::size_t size) {
    auto* block = static_cast<unsigned char*>(std::malloc(size + kPrefix));
    if (!block)
        throw std::bad_alloc();
    *reinterpret_cast<std::size_t*>(block) = size;
    const std::size_t now = liveBytes += size;
    std::size_t peak = peakBytes.load();
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
    }
    return block + kPrefix;
}

void countedFree(void* pointer) {
    if (!pointer)
        return;
    auto* block = static_cast<unsigned char*>(pointer) - kPrefix;
    liveBytes -= *reinterpret_cast<std::size_t*>(block);
    std::free(block);
}

struct CorpusFile {
    std::unique_ptr<vexor::cad::MappedFile> file;
    std::size_t sectionBytes = 0;
};

std::vector<CorpusFile> loadCorpus() {
    namespace fs = std::filesystem;
    const char* env = std::getenv("VEXOR_CORPUS");
    const fs::path root = (env && *env) ? fs::path(env) : fs::path(VEXOR_DEFAULT_CORPUS);
    std::vector<CorpusFile> files;
    for (const char* version : {"AC1018", "AC1024", "AC1027", "AC1032"}) {
        const fs::path dir = root / "dwg" / version;
        if (!fs::is_directory(dir))
            continue;
        std::vector<fs::path> paths;
        for (const auto& entry : fs::directory_iterator(dir))
            paths.push_back(entry.path());
        std::sort(paths.begin(), paths.end());
        for (const auto& path : paths) {
            CorpusFile entry{std::make_unique<vexor::cad::MappedFile>(path.string())};
            const auto sections =
                vexor::cad::dwg::r2004::readSections(entry.file->bytes(), path.string());
            entry.sectionBytes = sections.header.size() + sections.classes.size() +
                                 sections.handles.size() + sections.objects.size() +
                                 sections.auxHeader.size();
            files.push_back(std::move(entry));
        }
    }
    return files;
}

void BM_ReadSectionsCorpus(benchmark::State& state) {
    const auto files = loadCorpus();
    if (files.empty()) {
        state.SkipWithError("no R2004-family files in the corpus");
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
            const std::size_t before = liveBytes.load();
            peakBytes = before;
            auto sections = vexor::cad::dwg::r2004::readSections(f.file->bytes(), "bench.dwg");
            benchmark::DoNotOptimize(sections.objects.data());
            const double peak = static_cast<double>(peakBytes.load() - before);
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
BENCHMARK(BM_ReadSectionsCorpus)->Unit(benchmark::kMillisecond);

} // namespace

void* operator new(std::size_t size) {
    return countedAlloc(size);
}
void* operator new[](std::size_t size) {
    return countedAlloc(size);
}
void operator delete(void* pointer) noexcept {
    countedFree(pointer);
}
void operator delete[](void* pointer) noexcept {
    countedFree(pointer);
}
void operator delete(void* pointer, std::size_t) noexcept {
    countedFree(pointer);
}
void operator delete[](void* pointer, std::size_t) noexcept {
    countedFree(pointer);
}

BENCHMARK_MAIN();
