#include "cad/geometry/DisplayList.h"
#include "control/render/Renderer.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <limits>

using namespace vexor;
using namespace vexor::control;

namespace {

constexpr QRgb kRed = 0xFF0000, kBlue = 0x0000FF;

// A filled model-space square of side 100 centred on (x, y).
cad::Entity square(std::uint32_t layer, double x, double y) {
    cad::Solid s;
    s.corners[0] = {x - 50, y - 50, 0};
    s.corners[1] = {x + 50, y - 50, 0};
    s.corners[2] = {x - 50, y + 50, 0};
    s.corners[3] = {x + 50, y + 50, 0};
    cad::Entity e;
    e.common.layer = layer;
    e.data = s;
    return e;
}

// A viewport of 80 x 60 paper units at `centre` showing model space at 1:50 round (2000, 1000).
cad::Viewport viewAt(cad::Vec2 centre) {
    cad::Viewport v;
    v.centre = {centre.x, centre.y, 0};
    v.width = 80;
    v.height = 60;
    v.viewHeight = 60 * 50;
    v.viewCentre = {2000, 1000};
    return v;
}

// An A4 sheet over an empty model with layers "R" (red) and "B" (blue), for tests that fill
// model space themselves and draw it through views of their own (renderViews).
cad::Drawing redBlueSheet(std::uint32_t& r, std::uint32_t& b) {
    cad::Drawing d;
    d.format = cad::FileFormat::Dxf;
    d.layerIndex("0");
    r = d.layerIndex("R");
    b = d.layerIndex("B");
    d.layers[r].color = cad::Color::indexed(1);
    d.layers[b].color = cad::Color::indexed(5);
    cad::Layout layout;
    layout.name = "Sheet";
    layout.block = d.blockIndex("*Paper_Space");
    layout.paperSize = {297, 210};
    d.layouts.push_back(layout);
    return d;
}

// The first viewport of an A4 sheet: the paper itself.
cad::Viewport paperViewport() {
    cad::Viewport whole;
    whole.centre = {148.5, 105, 0};
    whole.width = 297;
    whole.height = 210;
    whole.id = 1;
    return whole;
}

// Model space: a red square on layer "R" at (2000, 1000) and a blue one on "B" at
// (3000, 1000). One A4 sheet (297 x 210 mm, paper units millimetres, no margins) with the
// paper viewport and two views side by side.
cad::Drawing sheetDrawing() {
    std::uint32_t r = 0, b = 0;
    cad::Drawing d = redBlueSheet(r, b);
    d.modelSpace = {square(r, 2000, 1000), square(b, 3000, 1000)};
    d.blocks[d.layouts[0].block].viewports = {paperViewport(), viewAt({60, 105}),
                                              viewAt({200, 105})};
    return d;
}

// The sheet rendered at 2 pixels per millimetre: pixel (2x, 2 (210 - y)) is paper point (x, y).
QImage renderSheet(const cad::DisplayList& list) {
    QImage image(594, 420, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::gray);
    QPainter painter(&image);
    RenderStyle style;
    style.background = Qt::gray;
    style.sheet = 0;
    renderView(list, painter, QRectF(0, 0, 594, 420), list.sheets()[0].paper, style);
    painter.end();
    return image;
}

// The sheet of `d` with the paper viewport and `views`.
QImage renderViews(cad::Drawing& d, std::vector<cad::Viewport> views) {
    views.insert(views.begin(), paperViewport());
    d.blocks[d.layouts[0].block].viewports = std::move(views);
    return renderSheet(*cad::compileDisplayList(d));
}

QRgb at(const QImage& image, double x, double y) {
    return image.pixel(static_cast<int>(x * 2), static_cast<int>((210 - y) * 2)) & 0xFFFFFF;
}

bool mentions(const cad::DisplayList& list, const std::string& text) {
    for (const std::string& m : list.diagnostics())
        if (m.find(text) != std::string::npos)
            return true;
    return false;
}

} // namespace

TEST(SheetRender, AViewportAtOneToFiftyPlacesModelPointsOnPaper) {
    const cad::Drawing d = sheetDrawing();
    const auto list = cad::compileDisplayList(d);
    ASSERT_EQ(list->sheets().size(), 1u);
    const cad::Sheet& sheet = list->sheets()[0];
    EXPECT_EQ(sheet.paper.minX, 0);
    EXPECT_EQ(sheet.paper.maxY, 210);
    ASSERT_EQ(sheet.views.size(), 2u); // the paper viewport is not a view
    // (2100, 1000) is 100 model units right of the view centre: 2 mm right of (60, 105).
    const cad::Vec2 p = sheet.views[0].modelToPaper.map({2100, 1000});
    EXPECT_NEAR(p.x, 62, 1e-9);
    EXPECT_NEAR(p.y, 105, 1e-9);

    const QImage image = renderSheet(*list);
    EXPECT_EQ(at(image, 60, 105), kRed);       // the red square, 2 mm wide, in the first view
    EXPECT_EQ(at(image, 200, 105), kRed);      // and in the second
    EXPECT_EQ(at(image, 60 + 20, 105), kBlue); // the blue one 1000 units = 20 mm to the right
    EXPECT_EQ(at(image, 130, 105), 0xFFFFFFu); // the sheet between the views is white
}

TEST(SheetRender, TwistTurnsTheModelCounterClockwiseAboutTheTarget) {
    cad::Drawing d = sheetDrawing();
    cad::Viewport& v = d.blocks[0].viewports[1];
    v.twist = 3.14159265358979 / 2;
    v.viewTarget = {2000, 1000, 0};
    v.viewCentre = {0, 0}; // relative to the target, in the turned frame
    const auto list = cad::compileDisplayList(d);
    const cad::Vec2 p = list->sheets()[0].views[0].modelToPaper.map({3000, 1000});
    EXPECT_NEAR(p.x, 60, 1e-9);
    EXPECT_NEAR(p.y, 125, 1e-9);
}

TEST(SheetRender, LayersFrozenInAViewportVanishOnlyThere) {
    cad::Drawing d = sheetDrawing();
    d.blocks[0].viewports[2].frozenLayers = {1}; // "R" frozen in the second view
    const auto list = cad::compileDisplayList(d);
    const QImage image = renderSheet(*list);
    EXPECT_EQ(at(image, 60, 105), kRed);
    EXPECT_EQ(at(image, 200, 105), 0xFFFFFFu);
    EXPECT_EQ(at(image, 220, 105), kBlue);
}

TEST(SheetRender, ABoundaryClipsTheView) {
    cad::Drawing d = sheetDrawing();
    // A triangle over the left half of the first view: the red square at its centre stays,
    // the blue one 20 mm to the right is cut away.
    cad::Polyline triangle;
    triangle.closed = true;
    for (cad::Vec2 p : {cad::Vec2{20, 75}, cad::Vec2{70, 105}, cad::Vec2{20, 135}})
        triangle.vertices.push_back({{p.x, p.y, 0}});
    cad::Entity boundary;
    boundary.common.handle = 0x77;
    boundary.data = triangle;
    d.blocks[0].entities.push_back(boundary);
    d.blocks[0].viewports[1].clipByBoundary = true;
    d.blocks[0].viewports[1].clipBoundary = 0x77;
    // The second view names a boundary that is not there: its rectangle clips it.
    d.blocks[0].viewports[2].clipByBoundary = true;
    d.blocks[0].viewports[2].clipBoundary = 0x99;
    const auto list = cad::compileDisplayList(d);
    EXPECT_FALSE(list->sheets()[0].views[0].rectangular);
    EXPECT_TRUE(list->sheets()[0].views[1].rectangular);
    EXPECT_TRUE(mentions(*list, "clipped by a boundary that is missing or degenerate"));
    const QImage image = renderSheet(*list);
    EXPECT_EQ(at(image, 60, 105), kRed);
    EXPECT_NE(at(image, 80, 105), kBlue);  // outside the triangle
    EXPECT_EQ(at(image, 220, 105), kBlue); // inside the second view's rectangle
}

TEST(SheetRender, ViewsWithoutAUsableViewAreReportedAndLeftEmpty) {
    cad::Drawing d = sheetDrawing();
    d.blocks[0].viewports[1].viewHeight = 0;
    d.blocks[0].viewports[2].viewHeight = std::numeric_limits<double>::quiet_NaN();
    const auto list = cad::compileDisplayList(d);
    ASSERT_EQ(list->sheets()[0].views.size(), 2u);
    EXPECT_FALSE(list->sheets()[0].views[0].showsModel);
    EXPECT_FALSE(list->sheets()[0].views[1].showsModel);
    EXPECT_TRUE(mentions(*list, "has no usable view"));
    const QImage image = renderSheet(*list);
    EXPECT_EQ(at(image, 60, 105), 0xFFFFFFu);
    EXPECT_EQ(at(image, 200, 105), 0xFFFFFFu);
}

TEST(SheetRender, ModelSpaceIsDrawnWhenNoSheetIsChosen) {
    const auto list = cad::compileDisplayList(sheetDrawing());
    QImage image(200, 100, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    RenderStyle style;
    renderView(*list, painter, QRectF(0, 0, 200, 100), cad::Box2{1900, 900, 3100, 1100}, style);
    painter.end();
    EXPECT_EQ(image.pixel(16, 50) & 0xFFFFFF, kRed);
}

// Views of a long model list are drawn from one pass over its summaries: each view still shows
// exactly what it shows drawn alone, far (dots, a layer frozen) or near (strokes).
TEST(SheetRender, ViewsDrawnTogetherMatchEachViewDrawnAlone) {
    std::uint32_t r = 0, b = 0;
    cad::Drawing d = redBlueSheet(r, b);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            cad::Entity e;
            e.common.layer = (x + y) % 2 ? r : b;
            const double px = 1000 + x * 4, py = 1000 + y * 4;
            e.data = cad::Line{{px, py, 0}, {px + 2, py + 1, 0}};
            d.modelSpace.push_back(e);
        }
    cad::Viewport far = viewAt({60, 105});
    far.viewCentre = {1040, 1040};
    far.frozenLayers = {b};
    cad::Viewport near = viewAt({200, 105});
    near.viewCentre = {1040, 1040};
    near.viewHeight = 60;
    const QImage both = renderViews(d, {far, near});
    const QImage farAlone = renderViews(d, {far});
    const QImage nearAlone = renderViews(d, {near});
    // Inside each view's rectangle (paper x 20..100 and 160..240, y 75..135).
    auto sameInside = [&](const QImage& alone, int x0) {
        int inked = 0;
        for (int y = 151; y < 270; ++y)
            for (int x = x0 + 1; x < x0 + 160; ++x) {
                EXPECT_EQ(both.pixel(x, y), alone.pixel(x, y)) << x << "," << y;
                inked += (alone.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
                if (both.pixel(x, y) != alone.pixel(x, y))
                    return;
            }
        EXPECT_GT(inked, 0);
    };
    sameInside(farAlone, 40);
    sameInside(nearAlone, 320);
}

// Views at the same scale share their far items' dots: a view a whole number of pixels from
// another shows exactly what it shows alone, one a fraction of a pixel off puts each dot at most
// a pixel from where it would alone, and a view with other frozen layers keeps its own.
TEST(SheetRender, ViewsAtOneScaleShareTheirDots) {
    std::uint32_t r = 0, b = 0;
    cad::Drawing d = redBlueSheet(r, b);
    // 30 x 30 short lines 50 units apart: at 1:50 two pixels apart and each under a pixel.
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            cad::Entity e;
            e.common.layer = (x * 7 + y * 3) % 5 < 2 ? r : b;
            const double px = 1275 + x * 50 + 0.37 * y, py = 1275 + y * 50 + 0.21 * x;
            e.data = cad::Line{{px, py, 0}, {px + 10, py + 3, 0}};
            d.modelSpace.push_back(e);
        }
    auto view = [](cad::Vec2 centre) {
        cad::Viewport v = viewAt(centre);
        v.viewCentre = {2000, 2000};
        return v;
    };
    const cad::Viewport left = view({60, 105}), right = view({200, 105});
    const cad::Viewport off = view({130.2, 40}); // 140.4 pixels right of `left`
    cad::Viewport frozen = off;
    frozen.frozenLayers = {b};
    auto inked = [](const QImage& image, int x, int y) {
        return (image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
    };
    // Pixel rectangles inside the views' frames.
    const QRect leftRect(42, 152, 156, 116), rightRect(322, 152, 156, 116);
    const QRect offRect(183, 282, 156, 116);
    auto sameInside = [&](const QImage& together, const QImage& alone, const QRect& rect) {
        int ink = 0, differing = 0;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x) {
                ink += inked(alone, x, y);
                differing += together.pixel(x, y) != alone.pixel(x, y);
            }
        EXPECT_GT(ink, 300) << rect.x();
        EXPECT_EQ(differing, 0) << rect.x();
    };

    const QImage three = renderViews(d, {left, right, frozen});
    sameInside(three, renderViews(d, {left}), leftRect);
    sameInside(three, renderViews(d, {right}), rightRect);
    const QImage frozenAlone = renderViews(d, {frozen});
    sameInside(three, frozenAlone, offRect);

    // Unfrozen, the view a fraction of a pixel off joins the others: each of its dots has one of
    // the same colour within a pixel in the view drawn alone, and the other way round.
    const QImage joined = renderViews(d, {left, right, off});
    const QImage offAlone = renderViews(d, {off});
    sameInside(joined, renderViews(d, {left}), leftRect);
    auto withinAPixel = [&](const QImage& from, const QImage& to) {
        int dots = 0;
        for (int y = offRect.top() + 1; y < offRect.bottom(); ++y)
            for (int x = offRect.left() + 1; x < offRect.right(); ++x) {
                if (!inked(from, x, y))
                    continue;
                ++dots;
                bool near = false;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        near = near || to.pixel(x + dx, y + dy) == from.pixel(x, y);
                EXPECT_TRUE(near) << x << "," << y;
                if (!near)
                    return;
            }
        EXPECT_GT(dots, 300);
    };
    withinAPixel(joined, offAlone);
    withinAPixel(offAlone, joined);
    // Frozen layers hide the blue dots only in the view that freezes them.
    int blueFrozen = 0, blueJoined = 0;
    for (int y = offRect.top(); y <= offRect.bottom(); ++y)
        for (int x = offRect.left(); x <= offRect.right(); ++x) {
            blueFrozen += (frozenAlone.pixel(x, y) & 0xFFFFFF) == kBlue;
            blueJoined += (joined.pixel(x, y) & 0xFFFFFF) == kBlue;
        }
    EXPECT_EQ(blueFrozen, 0);
    EXPECT_GT(blueJoined, 100);
}

// Margins and plot origin are given on the paper as it lies; a plot rotation turns the sheet
// and both with it.
TEST(SheetRender, PlotRotationTurnsTheSheetWithItsMarginsAndPlotOrigin) {
    const auto placed = [](std::int16_t rotation) {
        cad::Drawing d = sheetDrawing();
        cad::Layout& layout = d.layouts[0];
        layout.paperSize = {210, 297}; // portrait paper
        layout.rotation = rotation;
        const double margins[4] = {5, 10, 15, 20}; // left, bottom, right, top
        std::copy(std::begin(margins), std::end(margins), layout.margins);
        layout.plotOrigin = {2, 3};
        return cad::compileDisplayList(d)->sheets()[0].paper;
    };
    // Unturned: paper space's origin at the printable corner (5, 10) plus the origin (2, 3).
    const cad::Box2 upright = placed(0);
    EXPECT_DOUBLE_EQ(upright.minX, -7);
    EXPECT_DOUBLE_EQ(upright.minY, -13);
    EXPECT_DOUBLE_EQ(upright.maxX, 203);
    EXPECT_DOUBLE_EQ(upright.maxY, 284);
    // A quarter turn: the paper's bottom margin is the sheet's left, its right margin the
    // sheet's bottom, and the origin's offset (2, 3) turns to (3, -2).
    const cad::Box2 quarter = placed(1);
    EXPECT_DOUBLE_EQ(quarter.minX, -13);
    EXPECT_DOUBLE_EQ(quarter.minY, -13);
    EXPECT_DOUBLE_EQ(quarter.maxX, 284);
    EXPECT_DOUBLE_EQ(quarter.maxY, 197);
    // Half a turn: right and top margins, the offset reversed.
    const cad::Box2 half = placed(2);
    EXPECT_DOUBLE_EQ(half.minX, -13);
    EXPECT_DOUBLE_EQ(half.minY, -17);
    // Three quarters: top and left margins, the offset turned to (-3, 2).
    const cad::Box2 three = placed(3);
    EXPECT_DOUBLE_EQ(three.minX, -17);
    EXPECT_DOUBLE_EQ(three.minY, -7);
    EXPECT_DOUBLE_EQ(three.maxX - three.minX, 297);
}
