// Renderer speed: compile time, redraw at extents and zoomed 20x into the centre of a
// million-entity drawing (made here, the corpus's million-entity DWG, and the stress drawing
// that tools/make-stress-drawings.py writes into $VEXOR_STRESS_DIR or /tmp/vexor-stress when it
// is there), a whole-pixel pan of the main view, a layout with four views of the million
// entities against the model alone, and time to first frame of the largest corpus DXF and of
// the stress drawing.
#include "Corpus.h"
#include "cad/geometry/DisplayList.h"
#include "cad/load/DrawingReader.h"
#include "control/DrawingDocument.h"
#include "control/SceneImage.h"
#include "control/ViewImage.h"
#include "control/Viewport.h"
#include "control/render/Renderer.h"
#include "control/render/TrueTypeFaces.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <memory>

using namespace vexor;

namespace {

// Shaped like the stress drawings: short lines of length 8, every 50th an arc (radius 1..8)
// and every 50th a text of height 2.5, spread over a square of side sqrt(n) * 10 on 40 layers.
cad::Drawing stressDrawing(int n) {
    cad::Drawing d;
    d.format = cad::FileFormat::Dxf;
    d.layerIndex("0");
    for (int l = 0; l < 40; ++l) {
        const std::uint32_t i = d.layerIndex("L" + std::to_string(l));
        d.layers[i].color = cad::Color::indexed(1 + l % 254);
    }
    const double side = std::sqrt(static_cast<double>(n)) * 10;
    std::uint32_t seed = 12345;
    auto random = [&] {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) / 16777216.0;
    };
    d.modelSpace.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        cad::Entity e;
        e.common.layer = 1 + static_cast<std::uint32_t>(i % 40);
        const double x = random() * side, y = random() * side;
        if (i % 50 == 25) {
            e.data = cad::Arc{{x, y, 0}, 1 + random() * 7, random() * 6.28, random() * 6.28};
        } else if (i % 50 == 49) {
            cad::Text t;
            t.insert = {x, y, 0};
            t.height = 2.5;
            t.text = "T" + std::to_string(i);
            e.data = t;
        } else {
            const double a = random() * 6.28;
            e.data = cad::Line{{x, y, 0}, {x + 8 * std::cos(a), y + 8 * std::sin(a), 0}};
        }
        d.modelSpace.push_back(std::move(e));
    }
    return d;
}

const cad::DisplayList& millionList() {
    static const std::shared_ptr<const cad::DisplayList> list =
        cad::compileDisplayList(stressDrawing(1'000'000));
    return *list;
}

cad::Box2 zoomedCentre(const cad::Box2& ext, double factor) {
    const double cx = (ext.minX + ext.maxX) / 2, cy = (ext.minY + ext.maxY) / 2;
    const double hw = ext.width() / factor / 2, hh = ext.height() / factor / 2;
    return {cx - hw, cy - hh, cx + hw, cy + hh};
}

void paint(const cad::DisplayList& list, QImage& image, const cad::Box2& window) {
    QPainter painter(&image);
    control::RenderStyle style;
    control::renderView(list, painter, QRectF(0, 0, image.width(), image.height()), window, style);
}

void BM_CompileMillion(benchmark::State& state) {
    const cad::Drawing d = stressDrawing(1'000'000);
    for (auto _ : state) {
        auto list = cad::compileDisplayList(d);
        benchmark::DoNotOptimize(list.get());
        state.counters["MB"] = static_cast<double>(list->memoryBytes()) / 1e6;
    }
}

void BM_RedrawExtents(benchmark::State& state) {
    const cad::DisplayList& list = millionList();
    QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state)
        paint(list, image, list.extents());
}

void BM_RedrawZoom20(benchmark::State& state) {
    const cad::DisplayList& list = millionList();
    QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    const cad::Box2 window = zoomedCentre(list.extents(), 20);
    for (auto _ : state)
        paint(list, image, window);
}

// The million-entity model on an A3 sheet with four viewports in its quarters, each showing
// the whole model: compiled once, the four views draw from the one model list.
const cad::DisplayList& millionOnASheet() {
    static const std::shared_ptr<const cad::DisplayList> list = [] {
        cad::Drawing d = stressDrawing(1'000'000);
        d.format = cad::FileFormat::Dxf;
        const std::uint32_t paper = d.blockIndex("*Paper_Space");
        cad::Viewport whole;
        whole.id = 1;
        d.blocks[paper].viewports.push_back(whole);
        const cad::Box2 model = millionList().extents();
        for (int i = 0; i < 4; ++i) {
            cad::Viewport v;
            v.id = 2 + i;
            v.centre = {105.0 + 210.0 * (i % 2), 74.25 + 148.5 * (i / 2), 0};
            v.width = 200;
            v.height = 140;
            v.viewCentre = {(model.minX + model.maxX) / 2, (model.minY + model.maxY) / 2};
            v.viewHeight = std::max(model.height(), model.width() * 140 / 200);
            d.blocks[paper].viewports.push_back(v);
        }
        cad::Layout layout;
        layout.name = "Four views";
        layout.block = paper;
        layout.paperSize = {420, 297};
        d.layouts.push_back(layout);
        return cad::compileDisplayList(d);
    }();
    return *list;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

template <class Draw> double millisecondsOf(Draw&& draw) {
    const auto start = std::chrono::steady_clock::now();
    draw();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Processor time of the calling thread: on a machine shared with other work the wall time
// swells with the load, this far less.
double threadMilliseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Each iteration draws the sheet and, for comparison in the same run, the model alone at
// extents; "ratio" is the sheet's median over the model's, "cpu_ratio" the same in processor
// time of the drawing thread.
void BM_RedrawLayoutFourViews(benchmark::State& state) {
    const cad::DisplayList& list = millionOnASheet();
    QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    control::RenderStyle style;
    style.sheet = 0;
    std::vector<double> sheet, model, sheetCpu, modelCpu;
    for (auto _ : state) {
        double cpu = threadMilliseconds();
        sheet.push_back(millisecondsOf([&] {
            QPainter painter(&image);
            control::renderView(list, painter, QRectF(0, 0, image.width(), image.height()),
                                list.sheets()[0].paper, style);
        }));
        sheetCpu.push_back(threadMilliseconds() - cpu);
        state.PauseTiming();
        cpu = threadMilliseconds();
        model.push_back(millisecondsOf([&] { paint(list, image, list.extents()); }));
        modelCpu.push_back(threadMilliseconds() - cpu);
        state.ResumeTiming();
    }
    state.counters["sheet_ms"] = median(sheet);
    state.counters["model_ms"] = median(model);
    state.counters["ratio"] = median(sheet) / std::max(median(model), 1e-9);
    state.counters["cpu_ratio"] = median(sheetCpu) / std::max(median(modelCpu), 1e-9);
}

// The main view panned by whole pixels (one to eight, both ways) at extents: the kept image is
// reused and only what came into view is drawn.
void BM_PanMillion(benchmark::State& state) {
    static const auto document =
        std::make_shared<const control::DrawingDocument>(stressDrawing(1'000'000));
    control::Scene scene;
    scene.document = document;
    control::Viewport view;
    view.setPixelSize(1920, 1080);
    view.reset(document->extents());
    control::ViewImage cache;
    cache.image(scene, view, 1.0);
    int step = 0;
    std::size_t shifted = 0;
    for (auto _ : state) {
        const int pixels = (1 + step % 8) * (step % 2 ? -1 : 1);
        ++step;
        const cad::Vec2 c = view.centre();
        view.panTo({c.x + pixels / view.scale(), c.y + (pixels / 2) / view.scale()});
        benchmark::DoNotOptimize(cache.image(scene, view, 1.0).constBits());
        shifted += cache.lastWasShifted() ? 1 : 0;
    }
    state.counters["shifted"] = static_cast<double>(shifted) / std::max<double>(step, 1);
}

// The corpus's million-entity DWG: read once, compiled and redrawn.
std::filesystem::path stressDwg() {
    return vexor::bench::corpusRoot() / "stress" / "lines-1000000.dwg";
}

const cad::Drawing& stressDwgDrawing() {
    static const cad::Drawing drawing = cad::readDrawingFile(stressDwg().string());
    return drawing;
}

void registerStressDwgBenchmarks() {
    if (!std::filesystem::exists(stressDwg()))
        return;
    benchmark::RegisterBenchmark("BM_CompileStressDwg",
                                 [](benchmark::State& state) {
                                     const cad::Drawing& d = stressDwgDrawing();
                                     for (auto _ : state)
                                         benchmark::DoNotOptimize(control::compileDrawing(d));
                                 })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    static std::shared_ptr<const cad::DisplayList> list;
    auto redraw = [](benchmark::State& state, double zoom) {
        if (!list)
            list = control::compileDrawing(stressDwgDrawing());
        QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
        const cad::Box2 window = zoom > 1 ? zoomedCentre(list->extents(), zoom) : list->extents();
        for (auto _ : state)
            paint(*list, image, window);
    };
    benchmark::RegisterBenchmark("BM_RedrawExtents/stress_dwg",
                                 [redraw](benchmark::State& s) { redraw(s, 1); })
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark("BM_RedrawZoom20/stress_dwg",
                                 [redraw](benchmark::State& s) { redraw(s, 20); })
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
}

std::filesystem::path largestCorpusDxf() {
    const std::filesystem::path root = vexor::bench::corpusRoot();
    std::filesystem::path best;
    std::uintmax_t bestSize = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root, ec)) {
        if (!entry.is_regular_file() || entry.path().extension() != ".dxf" ||
            entry.path().string().find("negative") != std::string::npos)
            continue;
        if (entry.file_size() > bestSize) {
            bestSize = entry.file_size();
            best = entry.path();
        }
    }
    return best;
}

void BM_FirstFrameLargestDxf(benchmark::State& state) {
    const std::filesystem::path file = largestCorpusDxf();
    if (file.empty()) {
        state.SkipWithError("no corpus DXF");
        return;
    }
    state.SetLabel(file.filename().string());
    for (auto _ : state) {
        QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
        const cad::Drawing d = cad::readDrawingFile(file.string());
        const auto list = cad::compileDisplayList(d);
        paint(*list, image, list->extents());
    }
}

std::filesystem::path stressDxf() {
    const char* env = std::getenv("VEXOR_STRESS_DIR");
    const std::filesystem::path dir = (env && *env) ? env : "/tmp/vexor-stress";
    return dir / "lines-1000000.dxf";
}

void BM_FirstFrameStressDxf(benchmark::State& state) {
    for (auto _ : state) {
        QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
        const auto list = cad::compileDisplayList(cad::readDrawingFile(stressDxf().string()));
        paint(*list, image, list->extents());
    }
}

void registerStressBenchmarks() {
    if (!std::filesystem::exists(stressDxf()))
        return;
    static std::shared_ptr<const cad::DisplayList> list;
    auto load = [] {
        if (!list)
            list = cad::compileDisplayList(cad::readDrawingFile(stressDxf().string()));
        return list;
    };
    auto redraw = [load](benchmark::State& state, double zoom) {
        const auto l = load();
        QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
        const cad::Box2 window = zoom > 1 ? zoomedCentre(l->extents(), zoom) : l->extents();
        for (auto _ : state)
            paint(*l, image, window);
    };
    benchmark::RegisterBenchmark("BM_RedrawExtents/stress_dxf",
                                 [redraw](benchmark::State& s) { redraw(s, 1); })
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark("BM_RedrawZoom20/stress_dxf",
                                 [redraw](benchmark::State& s) { redraw(s, 20); })
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark("BM_FirstFrameStressDxf", BM_FirstFrameStressDxf)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
}

// Text-heavy corpus drawings: compiling them lays out every text; redrawing them zoomed in
// draws the glyphs.
// The corpus drawings with the most TEXT and MTEXT, and the inline-code sampler.
const char* const kTextDrawings[] = {
    "dxf/ascii/AC1027/ezdxf__mtext_complex_inline_codes.dxf",
    "dxf/ascii/AC1027/ezdxf__text_fonts.dxf",
    "dxf/ascii/AC1027/dxfparser__api-cw750-details.dxf",
    "dxf/ascii/AC1015/acadsharp__sample_AC1015_ascii.dxf",
    "dxf/ascii/AC1015/qcad__DIN7200.dxf",
    "dxf/ascii/AC1015/qcad__Symbole.dxf",
    "dxf/ascii/AC1015/qcad__TGL31006.dxf",
    "dwg/AC1032/librecad__dynblock_r2018.dwg",
    "dwg/AC1021/qcad__oda_conversion.dwg",
};

void registerTextBenchmarks() {
    const std::filesystem::path root = vexor::bench::corpusRoot();
    for (const char* name : kTextDrawings) {
        const std::filesystem::path file = root / name;
        if (!std::filesystem::exists(file))
            continue;
        const std::string label = file.stem().string();
        benchmark::RegisterBenchmark(("BM_CompileText/" + label).c_str(),
                                     [file](benchmark::State& state) {
                                         const cad::Drawing d = cad::readDrawingFile(file.string());
                                         for (auto _ : state)
                                             benchmark::DoNotOptimize(control::compileDrawing(d));
                                     })
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(3)
            ->ReportAggregatesOnly(true);
        benchmark::RegisterBenchmark(
            ("BM_RedrawText/" + label).c_str(),
            [file](benchmark::State& state) {
                const auto list = control::compileDrawing(cad::readDrawingFile(file.string()));
                QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
                for (auto _ : state) {
                    paint(*list, image, list->extents());
                    paint(*list, image, zoomedCentre(list->extents(), 4));
                }
            })
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(3)
            ->ReportAggregatesOnly(true);
    }
}

} // namespace

BENCHMARK(BM_CompileMillion)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RedrawExtents)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RedrawZoom20)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RedrawLayoutFourViews)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PanMillion)->Unit(benchmark::kMicrosecond)->Iterations(200);
BENCHMARK(BM_FirstFrameLargestDxf)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    registerStressDwgBenchmarks();
    registerStressBenchmarks();
    registerTextBenchmarks();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
