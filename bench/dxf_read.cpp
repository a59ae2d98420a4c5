// Read throughput and memory of the DXF reader on the largest corpus DXF files and on the
// million-entity stress drawing (made by tools/make-stress-drawings.py into $VEXOR_STRESS_DIR
// or /tmp/vexor-stress; skipped when absent).
//
// Memory: `model_MB` is the resident memory the finished drawing holds, `peak_MB` the most
// the read needed on top of the mapped file, both also as a multiple of the file size.
#include "Corpus.h"
#include "cad/dxf/DxfReader.h"
#include "cad/io/MappedFile.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <string>

namespace fs = std::filesystem;

namespace {

fs::path stressDir() {
    const char* env = std::getenv("VEXOR_STRESS_DIR");
    return (env && *env) ? fs::path(env) : fs::path("/tmp/vexor-stress");
}

// A value in kB from /proc/self/status (VmRSS, VmHWM).
double statusMegabytes(const std::string& key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key + ":", 0) == 0)
            return std::strtod(line.c_str() + key.size() + 1, nullptr) / 1024.0;
    return 0;
}

// Makes VmHWM start again from the current resident size.
void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

void readFile(benchmark::State& state, const fs::path& path) {
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        state.SkipWithError(("missing " + path.string()).c_str());
        return;
    }
    vexor::cad::MappedFile file(path.string());
    const auto bytes = file.bytes();
    // Touch the mapping once so that its pages are not counted as the model's.
    unsigned sum = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 4096)
        sum += bytes[i];
    benchmark::DoNotOptimize(sum);
    const double fileMB = static_cast<double>(bytes.size()) / (1024.0 * 1024.0);
    double modelMB = 0, peakMB = 0;
    std::size_t entities = 0;
    for (auto _ : state) {
        malloc_trim(0);
        const double before = statusMegabytes("VmRSS");
        resetPeak();
        auto drawing = vexor::cad::dxf::readDxf(bytes, path.string());
        state.PauseTiming();
        modelMB = std::max(modelMB, statusMegabytes("VmRSS") - before);
        peakMB = std::max(peakMB, statusMegabytes("VmHWM") - before);
        entities = drawing.modelSpace.size();
        benchmark::DoNotOptimize(drawing);
        { auto discard = std::move(drawing); }
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    state.counters["file_MB"] = fileMB;
    state.counters["model_MB"] = modelMB;
    state.counters["peak_MB"] = peakMB;
    state.counters["model_x_file"] = modelMB / fileMB;
    state.counters["peak_x_file"] = peakMB / fileMB;
    state.counters["entities"] = static_cast<double>(entities);
}

// The largest text and binary DXF files of the corpus, and the stress drawing.
void registerBenchmarks() {
    std::vector<std::pair<std::uintmax_t, fs::path>> files;
    std::error_code ec;
    for (const char* sub : {"dxf/ascii", "dxf/binary"}) {
        std::vector<std::pair<std::uintmax_t, fs::path>> found;
        if (fs::is_directory(vexor::bench::corpusRoot() / sub, ec))
            for (const auto& e : fs::recursive_directory_iterator(vexor::bench::corpusRoot() / sub))
                if (e.is_regular_file())
                    found.emplace_back(e.file_size(), e.path());
        std::sort(found.rbegin(), found.rend());
        found.resize(std::min<std::size_t>(found.size(), 3));
        files.insert(files.end(), found.begin(), found.end());
    }
    for (const auto& [size, path] : files)
        benchmark::RegisterBenchmark(("BM_ReadDxf/" + path.filename().string()).c_str(),
                                     [path](benchmark::State& s) { readFile(s, path); })
            ->Unit(benchmark::kMillisecond);
    const fs::path stress = stressDir() / "lines-1000000.dxf";
    benchmark::RegisterBenchmark("BM_ReadDxf/stress_lines-1000000",
                                 [stress](benchmark::State& s) { readFile(s, stress); })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(2);
}

} // namespace

int main(int argc, char** argv) {
    registerBenchmarks();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
