// Read throughput of the version 7 design file reader, on the corpus files and on a large
// design file made in memory by repeating the elements of a real one.
#include "Corpus.h"
#include "cad/dgn/DgnReader.h"
#include "cad/dgn/Element.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

std::vector<std::uint8_t> fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The file's design header, then its graphic part repeated until the file reaches `target`.
std::vector<std::uint8_t> repeatedDesign(const std::vector<std::uint8_t>& file,
                                         std::size_t target) {
    std::vector<std::string> notes;
    const auto elements = vexor::cad::dgn::scanElements(file, notes);
    if (elements.size() < 4)
        return {};
    const std::size_t bodyStart = elements[3].offset;
    const std::size_t bodyEnd = elements.back().offset + elements.back().size();
    std::vector<std::uint8_t> out(file.begin(), file.begin() + static_cast<long>(bodyStart));
    while (out.size() < target)
        out.insert(out.end(), file.begin() + static_cast<long>(bodyStart),
                   file.begin() + static_cast<long>(bodyEnd));
    out.push_back(0xFF);
    out.push_back(0xFF);
    return out;
}

void readBytes(benchmark::State& state, const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty()) {
        state.SkipWithError("corpus file missing");
        return;
    }
    std::size_t entities = 0;
    for (auto _ : state) {
        auto drawing = vexor::cad::dgn::readDgn(bytes, "bench.dgn");
        entities = drawing.modelSpace.size();
        benchmark::DoNotOptimize(drawing);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    state.counters["entities"] = static_cast<double>(entities);
}

void BM_ReadCorpusFile(benchmark::State& state, const char* name) {
    readBytes(state, fileBytes(vexor::bench::corpusRoot() / "dgn/v7" / name));
}
BENCHMARK_CAPTURE(BM_ReadCorpusFile, underlay, "ezdxf__underlay.dgn")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadCorpusFile, tag, "dgnlib__tag.dgn")->Unit(benchmark::kMillisecond);

void BM_ReadRepeatedDesign(benchmark::State& state, const char* name) {
    const auto file = fileBytes(vexor::bench::corpusRoot() / "dgn/v7" / name);
    readBytes(state, file.empty() ? file : repeatedDesign(file, 64u << 20));
}
BENCHMARK_CAPTURE(BM_ReadRepeatedDesign, underlay64MB, "ezdxf__underlay.dgn")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadRepeatedDesign, tag64MB, "dgnlib__tag.dgn")->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
