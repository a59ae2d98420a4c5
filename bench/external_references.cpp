// Loading a drawing assembled from a referenced drawing: a host with 100 inserts of one
// reference of about 1 MB, against the host alone plus one read of the reference. The
// reference is read once per load whatever the number of inserts, so `ratio` (the host with
// its reference over the two loaded apart) should stay near 1, within 1.2.
//
// Each load is what the viewer does: the file read (with its references) and the compile.
#include "cad/geometry/DisplayList.h"
#include "cad/load/DrawingReader.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kInserts = 100;

// Text DXF groups, one code and value a line each.
void group(std::ofstream& out, int code, const std::string& value) {
    out << code << '\n' << value << '\n';
}

// A drawing of about 1 MB of lines in a fan.
void writeReference(const fs::path& path) {
    std::ofstream out(path);
    group(out, 0, "SECTION");
    group(out, 2, "ENTITIES");
    for (int i = 0; out.tellp() < 1'000'000; ++i) {
        group(out, 0, "LINE");
        group(out, 8, "PLAN");
        group(out, 10, std::to_string(i % 100));
        group(out, 20, std::to_string(i / 100));
        group(out, 11, std::to_string(i % 100 + 0.5));
        group(out, 21, std::to_string(i / 100 + 0.75));
    }
    group(out, 0, "ENDSEC");
    group(out, 0, "EOF");
}

// A host placing the reference `plan.dxf` 100 times in a row.
void writeHost(const fs::path& path) {
    std::ofstream out(path);
    group(out, 0, "SECTION");
    group(out, 2, "BLOCKS");
    group(out, 0, "BLOCK");
    group(out, 2, "PLAN");
    group(out, 70, "4");
    group(out, 10, "0");
    group(out, 20, "0");
    group(out, 1, "plan.dxf");
    group(out, 0, "ENDBLK");
    group(out, 0, "ENDSEC");
    group(out, 0, "SECTION");
    group(out, 2, "ENTITIES");
    for (int i = 0; i < kInserts; ++i) {
        group(out, 0, "INSERT");
        group(out, 8, "0");
        group(out, 2, "PLAN");
        group(out, 10, std::to_string(120 * i));
        group(out, 20, "0");
    }
    group(out, 0, "ENDSEC");
    group(out, 0, "EOF");
}

double secondsToLoad(const fs::path& path) {
    const auto start = std::chrono::steady_clock::now();
    const auto drawing = vexor::cad::readDrawingFile(path.string());
    const auto list = vexor::cad::compileDisplayList(drawing);
    benchmark::DoNotOptimize(list);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_HostWith100InsertsOfOneReference(benchmark::State& state) {
    const fs::path dir =
        fs::temp_directory_path() / ("vexor-bench-xref-" + std::to_string(getpid()));
    fs::create_directories(dir / "with");
    fs::create_directories(dir / "alone");
    writeReference(dir / "with" / "plan.dxf");
    writeHost(dir / "with" / "host.dxf");
    writeHost(dir / "alone" / "host.dxf"); // its reference is not found there
    double together = 0, apart = 0;
    for (auto _ : state) {
        together += secondsToLoad(dir / "with" / "host.dxf");
        apart +=
            secondsToLoad(dir / "alone" / "host.dxf") + secondsToLoad(dir / "with" / "plan.dxf");
    }
    const double loads = static_cast<double>(state.iterations());
    state.counters["host_with_reference_ms"] = together / loads * 1000;
    state.counters["host_alone_plus_reference_ms"] = apart / loads * 1000;
    state.counters["ratio"] = together / apart;
    state.counters["reference_MB"] =
        static_cast<double>(fs::file_size(dir / "with" / "plan.dxf")) / (1024.0 * 1024.0);
    fs::remove_all(dir);
}

} // namespace

BENCHMARK(BM_HostWith100InsertsOfOneReference)->Unit(benchmark::kMillisecond)->Iterations(10);

BENCHMARK_MAIN();
