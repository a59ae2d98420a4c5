// Read throughput and peak memory of the DWG reader on the corpus's R13-R2000 drawings and on
// the large drawings under stress/.
#include "cad/dwg/DwgReader.h"
#include "cad/io/MappedFile.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path corpusRoot() {
    const char* env = std::getenv("VEXOR_CORPUS");
    return (env && *env) ? fs::path(env) : fs::path(VEXOR_DEFAULT_CORPUS);
}

std::vector<fs::path> drawings() {
    std::vector<fs::path> files;
    for (const char* sub : {"dwg/AC1012", "dwg/AC1014", "dwg/AC1015", "stress"}) {
        const fs::path dir = corpusRoot() / sub;
        if (!fs::is_directory(dir))
            continue;
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.path().extension() == ".dwg")
                files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// A field of /proc/self/status in kB ("VmRSS", "VmHWM").
long statusKb(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0)
            return std::atol(line.c_str() + field.size() + 1);
    return 0;
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
    for (auto _ : state) {
        auto drawing = vexor::cad::dwg::readDwg(file.bytes(), path.string());
        benchmark::DoNotOptimize(drawing.modelSpace.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(size));
    state.counters["peak_MB"] = static_cast<double>(peakKb) / 1024.0;
    state.counters["peak_per_file_size"] = static_cast<double>(peakKb) * 1024.0 / size;
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
    return true;
}();

} // namespace

BENCHMARK_MAIN();
