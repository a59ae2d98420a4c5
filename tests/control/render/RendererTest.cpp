#include "control/render/Renderer.h"

#include "cad/geometry/DisplayList.h"
#include "control/render/Device.h"
#include "support/ModelRecords.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace vexor;
using namespace vexor::control;

namespace {

cad::Drawing twoLayerDrawing() {
    cad::Drawing d;
    d.layerIndex("0");
    const std::uint32_t a = d.layerIndex("A");
    const std::uint32_t b = d.layerIndex("B");
    d.layers[b].color = cad::Color::indexed(1);
    cad::Entity left;
    left.common.layer = a;
    left.data = cad::Line{{0, 0, 0}, {0, 100, 0}};
    cad::Entity right;
    right.common.layer = b;
    right.data = cad::Line{{100, 0, 0}, {100, 100, 0}};
    d.modelSpace = {left, right};
    return d;
}

QImage render(const cad::DisplayList& list, const RenderStyle& style, const cad::Box2& window,
              RenderStats* stats = nullptr, QSize size = {200, 200}) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::gray);
    QPainter painter(&image);
    renderView(list, painter, QRectF(QPointF(0, 0), QSizeF(size)), window, style, stats);
    painter.end();
    return image;
}

// Pixels of exactly this colour in the image.
int count(const QImage& image, QRgb color) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += (image.pixel(x, y) & 0xFFFFFF) == (color & 0xFFFFFF) ? 1 : 0;
    return n;
}

// Bounding box of pixels that differ from the background.
QRect inkBox(const QImage& image, QRgb background) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != (background & 0xFFFFFF))
                box |= QRect(x, y, 1, 1);
    return box;
}

// Records what reaches the device.
class RecordingDevice : public Device {
public:
    void strokePolyline(std::span<const QPointF> p, bool, const StrokeStyle& s) override {
        strokes.push_back(s);
        points += static_cast<int>(p.size());
    }
    void strokeSegments(std::span<const QPointF> p, const StrokeStyle& s) override {
        strokes.push_back(s);
        points += static_cast<int>(p.size());
        segmentPoints.insert(segmentPoints.end(), p.begin(), p.end());
    }
    void fillPolygon(std::span<const QPointF>, std::span<const std::uint32_t>, const QColor& c,
                     bool) override {
        fills.push_back(c);
    }
    void drawText(const QString& text, const TextStyle& style) override {
        texts.push_back(text);
        fontPaths.push_back(style.fontPath);
    }
    void drawDots(std::span<const QPointF> p, const QColor&) override {
        dots += static_cast<int>(p.size());
    }
    std::vector<StrokeStyle> strokes;
    std::vector<QColor> fills;
    std::vector<QString> texts;
    std::vector<QString> fontPaths;
    std::vector<QPointF> segmentPoints;
    int points = 0;
    int dots = 0;
};

} // namespace

TEST(Renderer, ViewTransformIsUniformCentredAndYUp) {
    const QTransform t = viewTransform(QRectF(0, 0, 200, 100), cad::Box2{0, 0, 10, 10});
    EXPECT_DOUBLE_EQ(t.map(QPointF(5, 5)).x(), 100); // centred
    EXPECT_DOUBLE_EQ(t.map(QPointF(5, 5)).y(), 50);
    EXPECT_DOUBLE_EQ(t.map(QPointF(0, 10)).y(), 0); // top of the window at the top
    EXPECT_DOUBLE_EQ(t.m11(), -t.m22());            // uniform scale, y flipped
}

TEST(Renderer, PaletteColours) {
    EXPECT_EQ(paletteColor(1), QColor(255, 0, 0));
    EXPECT_EQ(paletteColor(7), QColor(0, 0, 0));
    EXPECT_EQ(paletteColor(8), QColor(128, 0, 0));
    EXPECT_EQ(paletteColor(14), QColor(255, 255, 255));
    EXPECT_FALSE(paletteColor(0).isValid());
    EXPECT_FALSE(paletteColor(256).isValid());
}

TEST(Renderer, ColourSevenFollowsTheBackground) {
    const auto list = cad::compileDisplayList(twoLayerDrawing());
    const cad::Box2 window{-10, -10, 110, 110};
    RenderStyle light;
    light.background = Qt::white;
    const QImage onWhite = render(*list, light, window);
    EXPECT_GT(count(onWhite, qRgb(0, 0, 0)), 50);   // layer A (colour 7) in black
    EXPECT_GT(count(onWhite, qRgb(255, 0, 0)), 50); // layer B in red
    RenderStyle dark;
    dark.background = Qt::black;
    const QImage onBlack = render(*list, dark, window);
    EXPECT_GT(count(onBlack, qRgb(255, 255, 255)), 50);
    EXPECT_GT(count(onBlack, qRgb(255, 0, 0)), 50);
}

TEST(Renderer, ForeColourCodesReplaceEveryColour) {
    const auto list = cad::compileDisplayList(twoLayerDrawing());
    for (int code : {1, 3, 5, 12}) {
        RenderStyle style;
        style.foreColor = code;
        const QImage image = render(*list, style, {-10, -10, 110, 110});
        const QRgb fore = paletteColor(code).rgb();
        EXPECT_GT(count(image, fore), 150) << code;
        if (code != 1) {
            EXPECT_EQ(count(image, qRgb(255, 0, 0)), 0) << code;
        }
    }
}

TEST(Renderer, HiddenLayersAreNotDrawn) {
    const auto list = cad::compileDisplayList(twoLayerDrawing());
    RenderStyle style;
    style.hiddenLayers = {0, 0, 1}; // hide B
    const QImage image = render(*list, style, {-10, -10, 110, 110});
    EXPECT_EQ(count(image, qRgb(255, 0, 0)), 0);
    EXPECT_GT(count(image, qRgb(0, 0, 0)), 50);
}

// Layers not plotted (their flag, and Defpoints whatever it says) show on screen and stay off
// paper, blocks inserted on them with them.
TEST(Renderer, LayersThatAreNotPlottedStayOffPaper) {
    cad::Drawing d = twoLayerDrawing(); // A black at x = 0, B red at x = 100
    const std::uint32_t b = d.layerIndex("B");
    d.layers[b].plottable = false;
    const std::uint32_t defpoints = d.layerIndex("defpoints");
    d.layers[defpoints].color = cad::Color::indexed(5);
    cad::Entity mark;
    mark.common.layer = defpoints;
    mark.data = cad::Line{{50, 0, 0}, {50, 100, 0}};
    d.modelSpace.push_back(mark);
    const auto list = cad::compileDisplayList(d);
    const cad::Box2 window{-10, -10, 110, 110};
    const QImage screen = render(*list, RenderStyle{}, window);
    EXPECT_GT(count(screen, qRgb(255, 0, 0)), 50);
    EXPECT_GT(count(screen, qRgb(0, 0, 255)), 50);
    RenderStyle paper;
    paper.printing = true;
    const QImage printed = render(*list, paper, window);
    EXPECT_EQ(count(printed, qRgb(255, 0, 0)), 0);
    EXPECT_EQ(count(printed, qRgb(0, 0, 255)), 0);
    EXPECT_GT(count(printed, qRgb(0, 0, 0)), 50);
}

// A clip frame the drawing keeps off paper (XCLIPFRAME 2) shows on screen only; at 1 it is
// plotted too.
TEST(Renderer, ClipFramesArePlottedOnlyWhenTheDrawingSaysSo) {
    cad::Drawing d;
    d.layerIndex("0");
    const std::uint32_t block = d.blockIndex("B");
    cad::Entity line;
    line.common.color = cad::Color::indexed(5);
    line.data = cad::Line{{0, 50, 0}, {100, 50, 0}};
    d.blocks[block].entities = {line};
    cad::Insert insert;
    insert.block = block;
    insert.clip = {{10, 10}, {90, 10}, {90, 90}, {10, 90}};
    cad::Entity clipped;
    clipped.common.color = cad::Color::indexed(1);
    clipped.data = insert;
    d.modelSpace = {clipped};
    const cad::Box2 window{0, 0, 100, 100};
    RenderStyle paper;
    paper.printing = true;
    for (const int frame : {1, 2}) {
        d.header.clipFrame = frame;
        const auto list = cad::compileDisplayList(d);
        EXPECT_GT(count(render(*list, RenderStyle{}, window), qRgb(255, 0, 0)), 100) << frame;
        const QImage printed = render(*list, paper, window);
        EXPECT_GT(count(printed, qRgb(0, 0, 255)), 50) << frame; // the block itself
        EXPECT_EQ(count(printed, qRgb(255, 0, 0)) > 100, frame == 1) << frame;
    }
}

TEST(Renderer, InkLandsWhereTheExtentsSay) {
    cad::Drawing d;
    d.layerIndex("0");
    cad::Entity circle;
    circle.data = cad::Circle{{50, 50, 0}, 10};
    d.modelSpace.push_back(circle);
    cad::Entity line;
    line.data = cad::Line{{0, 0, 0}, {20, 0, 0}};
    d.modelSpace.push_back(line);
    const auto list = cad::compileDisplayList(d);
    const cad::Box2 ext = list->extents();
    const cad::Box2 window{ext.minX - 6, ext.minY - 6, ext.maxX + 6, ext.maxY + 6};
    RenderStyle style;
    const QImage image = render(*list, style, window);
    const QRect ink = inkBox(image, qRgb(255, 255, 255));
    const QTransform t = viewTransform(QRectF(0, 0, 200, 200), window);
    const QRectF expected = t.mapRect(QRectF(ext.minX, ext.minY, ext.width(), ext.height()));
    EXPECT_NEAR(ink.left(), expected.left(), 2);
    EXPECT_NEAR(ink.right(), expected.right(), 2);
    EXPECT_NEAR(ink.top(), expected.top(), 2);
    EXPECT_NEAR(ink.bottom(), expected.bottom(), 2);
}

TEST(Renderer, SubPixelItemsBecomeDotsAndTheViewIsCulled) {
    cad::Drawing d;
    d.layerIndex("0");
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x) {
            cad::Entity e;
            e.data = cad::Line{{x * 10.0, y * 10.0, 0}, {x * 10.0 + 1, y * 10.0, 0}};
            d.modelSpace.push_back(e);
        }
    const auto list = cad::compileDisplayList(d);
    RecordingDevice whole;
    RenderStats stats;
    renderView(*list, whole, QRectF(0, 0, 200, 200), list->extents(), RenderStyle{}, &stats);
    EXPECT_EQ(stats.itemsVisited, 40000u);
    EXPECT_EQ(stats.itemsAsDots, 40000u); // each line is a tenth of a pixel
    EXPECT_TRUE(whole.strokes.empty());
    EXPECT_EQ(whole.dots, 40000);

    RecordingDevice zoomed;
    RenderStats zoomStats;
    renderView(*list, zoomed, QRectF(0, 0, 200, 200), cad::Box2{995, 995, 1035, 1035},
               RenderStyle{}, &zoomStats);
    EXPECT_LT(zoomStats.itemsVisited, 50u); // the index skips the rest
    EXPECT_EQ(zoomStats.itemsDrawn, zoomed.strokes.size());
    EXPECT_GT(zoomStats.itemsDrawn, 0u);
}

TEST(Renderer, SmallTextIsALineLargeTextIsGlyphs) {
    cad::Drawing d;
    d.layerIndex("0");
    cad::Entity e;
    cad::Text t;
    t.text = "Hello";
    t.height = 1;
    e.data = t;
    d.modelSpace.push_back(e);
    cad::Entity far;
    far.data = cad::Line{{1000, 1000, 0}, {1001, 1000, 0}};
    d.modelSpace.push_back(far);
    const auto list = cad::compileDisplayList(d);
    RecordingDevice small;
    RenderStats stats;
    renderView(*list, small, QRectF(0, 0, 200, 200), list->extents(), RenderStyle{}, &stats);
    EXPECT_TRUE(small.texts.empty());
    // Without a style the text is in the default stroke font: its glyphs are line segments.
    RecordingDevice large;
    renderView(*list, large, QRectF(0, 0, 200, 200), cad::Box2{0, 0, 5, 2}, RenderStyle{});
    EXPECT_TRUE(large.texts.empty());
    EXPECT_GT(large.segmentPoints.size(), 20u);
}

TEST(Renderer, TrueTypeStylesReachTheDeviceWithTheirFile) {
    cad::Drawing d;
    d.layerIndex("0");
    d.textStyles.push_back(vexor::test::textStyle("ARIAL", "arial.ttf"));
    cad::Entity e;
    cad::Text t;
    t.text = "Hello";
    t.height = 1;
    t.style = 0;
    e.data = t;
    d.modelSpace.push_back(e);
    const auto list = cad::compileDisplayList(d);
    RecordingDevice device;
    renderView(*list, device, QRectF(0, 0, 200, 200), cad::Box2{0, 0, 5, 2}, RenderStyle{});
    ASSERT_EQ(device.texts.size(), 1u);
    EXPECT_EQ(device.texts[0], "Hello");
    if (!list->styleFonts()[0].resolved.empty()) {
        EXPECT_TRUE(device.fontPaths[0].endsWith(".ttf")) << device.fontPaths[0].toStdString();
    }
}

TEST(Renderer, StrokeGlyphsLandWhereTheFontPutsThem) {
    cad::Drawing d;
    d.layerIndex("0");
    cad::Entity e;
    cad::Text t;
    t.text = "L";
    t.height = 1;
    e.data = t;
    d.modelSpace.push_back(e);
    const auto list = cad::compileDisplayList(d);
    const auto& run = list->modelSpace().texts.at(0);
    ASSERT_TRUE(run.font && run.font->stroke) << "stroke fonts are installed by the set-up";
    const cad::StrokeGlyph* glyph = run.font->strokeGlyph(U'L');
    ASSERT_NE(glyph, nullptr);
    RecordingDevice device;
    const QRectF page(0, 0, 200, 200);
    const cad::Box2 window{-0.5, -0.5, 1.5, 1.5};
    renderView(*list, device, page, window, RenderStyle{});
    const QTransform toDevice = viewTransform(page, window);
    // Every point of the glyph reaches the device where the view puts the font's point.
    for (const cad::Vec2& p : glyph->points) {
        const QPointF expected = toDevice.map(QPointF(p.x, p.y));
        bool found = false;
        for (const QPointF& q : device.segmentPoints)
            found = found || QLineF(q, expected).length() < 1e-6;
        EXPECT_TRUE(found) << p.x << "," << p.y;
    }
}

TEST(Renderer, FineDashesDrawSolidCoarseDashesDashed) {
    cad::Drawing d;
    d.layerIndex("0");
    d.linetypes.push_back({"DASHED", "", {0.5, -0.25}, 0.75});
    cad::Entity e;
    e.common.linetype = 0;
    e.data = cad::Line{{0, 0, 0}, {100, 0, 0}};
    d.modelSpace.push_back(e);
    const auto list = cad::compileDisplayList(d);
    RecordingDevice far;
    renderView(*list, far, QRectF(0, 0, 200, 200), cad::Box2{0, -50, 100, 50}, RenderStyle{});
    ASSERT_EQ(far.strokes.size(), 1u);
    EXPECT_TRUE(far.strokes[0].dashes.empty()); // 1.5 px per period: solid
    RecordingDevice near;
    renderView(*list, near, QRectF(0, 0, 200, 200), cad::Box2{0, -5, 10, 5}, RenderStyle{});
    ASSERT_EQ(near.strokes.size(), 1u);
    ASSERT_EQ(near.strokes[0].dashes.size(), 2u);
    EXPECT_NEAR(near.strokes[0].dashes[0], 10, 1e-9); // 0.5 units at 20 px per unit
    EXPECT_NEAR(near.strokes[0].dashes[1], 5, 1e-9);
}

TEST(Renderer, BlockColoursAndLayersComeFromTheInsert) {
    cad::Drawing d;
    d.layerIndex("0");
    const std::uint32_t green = d.layerIndex("GREEN");
    d.layers[green].color = cad::Color::indexed(3);
    const std::uint32_t blk = d.blockIndex("B");
    cad::Entity byBlock;
    byBlock.common.color = cad::Color::byBlock();
    byBlock.data = cad::Line{{0, 0, 0}, {0, 10, 0}};
    cad::Entity byLayerZero;
    byLayerZero.data = cad::Line{{5, 0, 0}, {5, 10, 0}};
    d.blocks[blk].entities = {byBlock, byLayerZero};
    cad::Entity ins;
    ins.common.layer = green;
    ins.common.color = cad::Color::indexed(5);
    cad::Insert insert;
    insert.block = blk;
    ins.data = insert;
    d.modelSpace.push_back(ins);
    const auto list = cad::compileDisplayList(d);
    const QImage image = render(*list, RenderStyle{}, cad::Box2{-1, -1, 11, 11});
    EXPECT_GT(count(image, qRgb(0, 0, 255)), 50); // by block: the insert's blue
    EXPECT_GT(count(image, qRgb(0, 255, 0)), 50); // layer 0 by layer: the insert's layer
    RenderStyle hideGreen;
    hideGreen.hiddenLayers = {0, 1};
    const QImage hidden = render(*list, hideGreen, cad::Box2{-1, -1, 11, 11});
    EXPECT_EQ(count(hidden, qRgb(0, 0, 255)) + count(hidden, qRgb(0, 255, 0)), 0);
}

TEST(Renderer, PrintingNeverDrawsWhiteOnWhite) {
    cad::Drawing d;
    d.layerIndex("0");
    cad::Entity white;
    white.common.color = cad::Color::trueColor(0xFFFFFF);
    white.data = cad::Line{{0, 0, 0}, {10, 10, 0}};
    d.modelSpace.push_back(white);
    const auto list = cad::compileDisplayList(d);
    RenderStyle print;
    print.printing = true;
    const QImage image = render(*list, print, cad::Box2{0, 0, 10, 10});
    EXPECT_GT(count(image, qRgb(0, 0, 0)), 100);
}

namespace {

// Records every dot with its colour.
class DotRecorder : public RecordingDevice {
public:
    void drawDots(std::span<const QPointF> p, const QColor& c) override {
        for (const QPointF& at : p)
            dots.push_back({at, c.rgb() & 0xFFFFFFu});
    }
    struct Dot {
        QPointF at;
        QRgb color;
    };
    std::vector<Dot> dots;
};

// A grid of short lines far from the origin, cycling through four layers ("0", red, green,
// and one the test hides) and through by-layer, indexed blue and true-colour white.
cad::Drawing farGrid(double originX, double originY) {
    cad::Drawing d;
    d.layerIndex("0");
    d.layers[d.layerIndex("Red")].color = cad::Color::indexed(1);
    d.layers[d.layerIndex("Green")].color = cad::Color::indexed(3);
    d.layerIndex("Hidden");
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 40; ++x) {
            const int n = y * 40 + x;
            cad::Entity e;
            e.common.layer = static_cast<std::uint32_t>(n % 4);
            if (n % 3 == 1)
                e.common.color = cad::Color::indexed(5);
            else if (n % 3 == 2)
                e.common.color = cad::Color::trueColor(0xFFFFFF);
            const double px = originX + x * 10.0, py = originY + y * 10.0;
            e.data = cad::Line{{px, py, 0}, {px + 0.5, py, 0}};
            d.modelSpace.push_back(e);
        }
    return d;
}

QRgb expectedColor(int n) {
    if (n % 3 == 1)
        return 0x0000FF;
    if (n % 3 == 2)
        return 0x000000; // white on a white background is drawn black
    return n % 4 == 1 ? 0xFF0000 : n % 4 == 2 ? 0x00FF00 : 0x000000;
}

// Checks that exactly the visible grid lines are dots at the floor of their exact centres.
void expectGridDots(const cad::DisplayList& list, const cad::Box2& window, double originX,
                    double originY) {
    RenderStyle style;
    style.hiddenLayers = {0, 0, 0, 1};
    const QTransform t = viewTransform(QRectF(0, 0, 200, 200), window);
    QImage image = render(list, style, window, nullptr);
    DotRecorder recorder;
    renderView(list, recorder, QRectF(0, 0, 200, 200), window, style);
    std::size_t expectedDots = 0;
    for (std::size_t n = 0; n < 1000; ++n) { // the grid, not a stray line after it
        if (n % 4 == 3)
            continue;
        const double x = originX + static_cast<double>(n % 40) * 10.0 + 0.25;
        const double y = originY + static_cast<double>(n / 40) * 10.0;
        const QPointF at = t.map(QPointF(x, y));
        if (at.x() < 0 || at.y() < 0 || at.x() >= 200 || at.y() >= 200)
            continue;
        ++expectedDots;
        const QRgb want = expectedColor(static_cast<int>(n));
        EXPECT_EQ(image.pixel(static_cast<int>(at.x()), static_cast<int>(at.y())) & 0xFFFFFFu, want)
            << "item " << n;
    }
    std::size_t recordedInView = 0;
    for (const DotRecorder::Dot& dot : recorder.dots) {
        if (dot.at.x() < 0 || dot.at.y() < 0 || dot.at.x() >= 200 || dot.at.y() >= 200)
            continue;
        ++recordedInView;
        EXPECT_EQ(image.pixel(static_cast<int>(dot.at.x()), static_cast<int>(dot.at.y())) &
                      0xFFFFFFu,
                  dot.color);
    }
    EXPECT_EQ(recordedInView, expectedDots);
}

} // namespace

TEST(Renderer, FarItemsAreDotsOfTheRightColourAtTheRightPixel) {
    // Survey coordinates far from the origin, drawn whole, half in view and zoomed in.
    const double ox = 5'000'000.25, oy = 3'000'000.5;
    const cad::Drawing d = farGrid(ox, oy);
    const auto list = cad::compileDisplayList(d);
    const cad::Box2 ext = list->extents();
    expectGridDots(*list, ext, ox, oy);
    expectGridDots(*list, {ext.minX, ext.minY, ext.minX + ext.width() * 0.7, ext.maxY}, ox, oy);
    expectGridDots(*list, {ext.minX + 100, ext.minY + 50, ext.minX + 300, ext.minY + 250}, ox, oy);
}

TEST(Renderer, DotsStayExactWhenAStrayItemStretchesTheExtents) {
    // A stray line ten million units away: the grid is far from the extents' corner, yet its
    // dots must land where its exact coordinates say when zoomed in on it.
    const double ox = 0.25, oy = 0.5;
    cad::Drawing d = farGrid(ox, oy);
    cad::Entity stray;
    stray.common.layer = 3; // hidden, so it never draws itself
    stray.data = cad::Line{{-1e7, -1e7, 0}, {-1e7 + 1, -1e7, 0}};
    d.modelSpace.push_back(stray);
    const auto list = cad::compileDisplayList(d);
    expectGridDots(*list, {ox - 1, oy - 1, ox + 390, oy + 240}, ox, oy);
}

TEST(Renderer, FarItemsOnAHighDensityImageLandOnItsPixels) {
    const cad::Drawing d = farGrid(0.25, 0.5);
    const auto list = cad::compileDisplayList(d);
    QImage image(400, 400, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(Qt::white);
    QPainter painter(&image);
    renderView(*list, painter, QRectF(0, 0, 200, 200), list->extents(), RenderStyle{});
    painter.end();
    const QTransform t = viewTransform(QRectF(0, 0, 200, 200), list->extents());
    for (int n : {0, 1, 2, 41, 500, 998}) {
        const QPointF at = t.map(QPointF(0.25 + (n % 40) * 10.0 + 0.25, 0.5 + (n / 40) * 10.0));
        EXPECT_EQ(image.pixel(static_cast<int>(at.x() * 2), static_cast<int>(at.y() * 2)) &
                      0xFFFFFFu,
                  expectedColor(n))
            << "item " << n;
    }
}

TEST(Renderer, TranslucentTextBackgroundBlendsWithWhatLiesBelow) {
    cad::Drawing d;
    d.layerIndex("0");
    cad::MText m;
    m.height = 10;
    m.referenceWidth = 100;
    m.text = "x";
    m.backgroundFlags = cad::kMTextFill;
    m.backgroundColor = cad::Color::trueColor(0xFF0000);
    m.backgroundScale = 3; // two text heights of margin round the text
    cad::Entity e;
    e.data = m;
    d.modelSpace.push_back(e);
    const cad::Box2 window{-30, -40, 130, 30};
    const auto opaque = cad::compileDisplayList(d);
    RecordingDevice solid;
    renderView(*opaque, solid, QRectF(0, 0, 200, 200), window, RenderStyle{});
    ASSERT_EQ(solid.fills.size(), 1u);
    EXPECT_EQ(solid.fills[0].alpha(), 255);

    cad::dataIf<cad::MText>(&d.modelSpace[0].data)->backgroundAlpha = 64;
    const auto list = cad::compileDisplayList(d);
    RecordingDevice device;
    renderView(*list, device, QRectF(0, 0, 200, 200), window, RenderStyle{});
    ASSERT_EQ(device.fills.size(), 1u);
    EXPECT_EQ(device.fills[0].alpha(), 64);
    EXPECT_EQ(device.fills[0].rgb() & 0xFFFFFF, 0xFF0000u);
    // On the white background the margin is three quarters white and a quarter red.
    const QImage image = render(*list, RenderStyle{}, window);
    const QRgb margin = image.pixel(QPoint(150, 100)); // inside the fill, right of the "x"
    EXPECT_EQ(qRed(margin), 255);
    EXPECT_NEAR(qGreen(margin), 255 * 0.75, 4);
    EXPECT_NEAR(qBlue(margin), 255 * 0.75, 4);
}
