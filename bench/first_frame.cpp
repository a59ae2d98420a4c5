// From file to first full frame, as the viewer does it: read the drawing, compile its display
// list (the document the drawing control holds) and render one 1920x1080 frame at extents into an
// image. On the million-line stress drawing of the corpus; prints the wall time of each step
// and the peak heap against the file's size.
#include "Corpus.h"
#include "HeapCounter.h"
#include "cad/load/DrawingReader.h"
#include "control/DrawingDocument.h"
#include "control/render/Renderer.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

using namespace vexor;

namespace {

std::filesystem::path stressDwg() {
    return vexor::bench::corpusRoot() / "stress" / "lines-1000000.dwg";
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_FirstFrameStressDwg(benchmark::State& state) {
    const std::filesystem::path file = stressDwg();
    if (!std::filesystem::exists(file)) {
        state.SkipWithError("no stress drawing in the corpus");
        return;
    }
    const double fileBytes = static_cast<double>(std::filesystem::file_size(file));
    for (auto _ : state) {
        double read = 0, compile = 0, render = 0;
        const std::size_t peak = bench::peakHeapGrowth([&] {
            const auto start = std::chrono::steady_clock::now();
            cad::Drawing drawing = cad::readDrawingFile(file.string());
            read = secondsSince(start);
            const auto compiled = std::chrono::steady_clock::now();
            const control::DrawingDocument document(std::move(drawing));
            compile = secondsSince(compiled);
            const auto rendered = std::chrono::steady_clock::now();
            QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
            {
                QPainter painter(&image);
                control::RenderStyle style;
                control::renderView(document.displayList(), painter, QRectF(image.rect()),
                                    document.extents(), style);
            }
            render = secondsSince(rendered);
            benchmark::DoNotOptimize(image.constBits());
        });
        state.counters["read_s"] = read;
        state.counters["compile_s"] = compile;
        state.counters["render_s"] = render;
        state.counters["peak_x_file"] = static_cast<double>(peak) / fileBytes;
        std::printf("first frame of %s: %.3f s (read %.3f, compile %.3f, render %.3f); "
                    "peak heap %.0f MB, %.2f times the file\n",
                    file.filename().c_str(), read + compile + render, read, compile, render,
                    static_cast<double>(peak) / 1e6, static_cast<double>(peak) / fileBytes);
    }
}

} // namespace

BENCHMARK(BM_FirstFrameStressDwg)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
