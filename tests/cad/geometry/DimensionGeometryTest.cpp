// Dimensions without blocks, drawn from their definition points: small drawings read from
// DXF text, one group of cases per kind of dimension, checking where the lines, arrowheads
// and text end up.
#include "cad/geometry/DimensionGeometry.h"

#include "cad/dxf/DxfFixture.h"
#include "cad/geometry/DisplayListCompiler.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace vexor;
using cad::DimensionPicture;
using cad::Vec2;
using test::DxfText;

namespace {

// A drawing whose DIMSTYLE table holds "ISO" (arrows and text 2.5, extension lines 0.625 off
// the object and 1.25 beyond the dimension line, two decimals without trailing zeros, text
// above the line and aligned with it) with `styleExtra` added to it, then `tables`, and
// whose ENTITIES section holds `body`.
cad::Drawing drawingWith(const DxfText& body, const DxfText& styleExtra = {},
                         const DxfText& tables = {}) {
    DxfText f;
    f.begin("TABLES").g(0, "TABLE").g(2, "DIMSTYLE").g(70, 1);
    f.g(0, "DIMSTYLE").g(105, "30").g(2, "ISO").g(41, 2.5).g(42, 0.625).g(44, 1.25);
    f.g(140, 2.5).g(147, 0.625).g(271, 2).g(78, 8).g(77, 1).g(73, 0).g(74, 0);
    const std::string text = f.str() + styleExtra.str() + "0\nENDTAB\n" + tables.str() +
                             "0\nENDSEC\n0\nSECTION\n2\nENTITIES\n" + body.str() +
                             "0\nENDSEC\n0\nEOF\n";
    return test::readText(text);
}

DxfText dimension(int type, const char* entity = "DIMENSION") {
    DxfText t;
    t.g(0, entity).g(8, "0").g(70, type).g(3, "ISO");
    return t;
}

struct Drawn {
    cad::Drawing drawing;
    cad::DimStyle style;
    DimensionPicture pic;
    std::string problem;
};

Drawn draw(cad::Drawing drawing) {
    Drawn d;
    d.drawing = std::move(drawing);
    const auto& dim = cad::dataOf<cad::Dimension>(d.drawing.modelSpace.at(0).data);
    d.style = cad::effectiveDimStyle(d.drawing, dim, d.problem);
    d.pic = cad::dimensionPicture(dim, d.style);
    return d;
}

bool near(Vec2 a, Vec2 b, double tolerance = 1e-6) {
    return std::hypot(a.x - b.x, a.y - b.y) < tolerance;
}

// Whether some two-point stroke runs from a to b (either way).
bool hasStroke(const DimensionPicture& pic, Vec2 a, Vec2 b) {
    for (const auto& s : pic.strokes)
        if (s.points.size() == 2 && ((near(s.points[0], a) && near(s.points[1], b)) ||
                                     (near(s.points[0], b) && near(s.points[1], a))))
            return true;
    return false;
}

// The filled arrowhead with its tip at `tip`: where the middle of its back lies.
std::optional<Vec2> arrowBack(const DimensionPicture& pic, Vec2 tip) {
    for (const auto& f : pic.fills)
        if (f.ring.size() == 3 && near(f.ring[0], tip))
            return (f.ring[1] + f.ring[2]) * 0.5;
    return std::nullopt;
}

std::string dump(const DimensionPicture& pic) {
    std::string s;
    for (const auto& st : pic.strokes) {
        s += "stroke";
        for (Vec2 p : st.points)
            s += " (" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
        s += "\n";
    }
    for (const auto& f : pic.fills)
        s += "arrow (" + std::to_string(f.ring[0].x) + "," + std::to_string(f.ring[0].y) + ")\n";
    return s;
}

void expectArrow(const DimensionPicture& pic, Vec2 tip, Vec2 back) {
    const auto b = arrowBack(pic, tip);
    ASSERT_TRUE(b.has_value()) << "no arrow at " << tip.x << "," << tip.y << "\n" << dump(pic);
    EXPECT_TRUE(near(*b, back, 1e-6)) << b->x << "," << b->y;
}

} // namespace

TEST(LinearDimensions, HorizontalVerticalAndAlignedMeasureBetweenTheirOrigins) {
    // Horizontal: origins (0,0) and (42.5,0), dimension line at y = 20.
    const Drawn h = draw(drawingWith(dimension(32)
                                         .point(10, 42.5, 20)
                                         .point(11, 21.25, 21.5)
                                         .point(13, 0, 0)
                                         .point(14, 42.5, 0)
                                         .g(50, 0.0)));
    EXPECT_TRUE(h.problem.empty()) << h.problem;
    EXPECT_DOUBLE_EQ(h.pic.measurement, 42.5);
    ASSERT_TRUE(h.pic.hasText);
    EXPECT_EQ(h.pic.text.text, "42.5");
    EXPECT_DOUBLE_EQ(h.pic.text.insert.x, 21.25);
    EXPECT_DOUBLE_EQ(h.pic.text.insert.y, 21.5);
    EXPECT_DOUBLE_EQ(h.pic.text.height, 2.5);
    EXPECT_NEAR(h.pic.text.xDirection.x, 1, 1e-12);
    EXPECT_TRUE(hasStroke(h.pic, {0, 0.625}, {0, 21.25})) << dump(h.pic);
    EXPECT_TRUE(hasStroke(h.pic, {42.5, 0.625}, {42.5, 21.25})) << dump(h.pic);
    EXPECT_TRUE(hasStroke(h.pic, {0, 20}, {21.25, 20}) && hasStroke(h.pic, {21.25, 20}, {42.5, 20}))
        << dump(h.pic);
    expectArrow(h.pic, {0, 20}, {2.5, 20});
    expectArrow(h.pic, {42.5, 20}, {40, 20});

    // Vertical (rotated 90 degrees), text reading up the line.
    const Drawn v = draw(drawingWith(dimension(0)
                                         .point(10, 15, 30)
                                         .point(11, 13.5, 15)
                                         .point(13, 0, 0)
                                         .point(14, 0, 30)
                                         .g(50, 90.0)));
    EXPECT_DOUBLE_EQ(v.pic.measurement, 30);
    EXPECT_EQ(v.pic.text.text, "30");
    EXPECT_NEAR(v.pic.text.xDirection.y, 1, 1e-12);
    EXPECT_TRUE(hasStroke(v.pic, {0.625, 0}, {16.25, 0})) << dump(v.pic);
    expectArrow(v.pic, {15, 0}, {15, 2.5});

    // Aligned along (0,0)-(30,40), the line 10 units off it.
    const Drawn a = draw(drawingWith(
        dimension(1).point(10, 22, 46).point(11, 7, 26).point(13, 0, 0).point(14, 30, 40)));
    EXPECT_NEAR(a.pic.measurement, 50, 1e-9);
    EXPECT_EQ(a.pic.text.text, "50");
    expectArrow(a.pic, {-8, 6}, {-8 + 1.5, 6 + 2});
    expectArrow(a.pic, {22, 46}, {22 - 1.5, 46 - 2});
    EXPECT_TRUE(hasStroke(a.pic, {-0.5, 0.375}, {-9, 6.75})) << dump(a.pic);
}

TEST(LinearDimensions, NarrowDimensionsPutTheirArrowsOutside) {
    const Drawn d = draw(drawingWith(
        dimension(0).point(10, 3, 10).point(11, 1.5, 11.5).point(13, 0, 0).point(14, 3, 0)));
    expectArrow(d.pic, {0, 10}, {-2.5, 10});
    expectArrow(d.pic, {3, 10}, {5.5, 10});
}

TEST(LinearDimensions, TextOverridesAndStylePostfix) {
    auto textOf = [](const char* override, const DxfText& extra = {}) {
        DxfText body =
            dimension(0).point(10, 10, 5).point(11, 5, 6).point(13, 0, 0).point(14, 10, 0);
        if (override)
            body.g(1, override);
        const Drawn d = draw(drawingWith(body, extra));
        return d.pic.hasText ? d.pic.text.text : std::string("(none)");
    };
    EXPECT_EQ(textOf(nullptr), "10");
    EXPECT_EQ(textOf("<>"), "10");
    EXPECT_EQ(textOf("<> mm"), "10 mm");
    EXPECT_EQ(textOf("L=<> (<>)"), "L=10 (10)");
    EXPECT_EQ(textOf("REF"), "REF");
    EXPECT_EQ(textOf(" "), "(none)");
    EXPECT_EQ(textOf(nullptr, DxfText().g(3, "<>mm")), "10mm");
    EXPECT_EQ(textOf(nullptr, DxfText().g(3, " cm")), "10 cm");
    EXPECT_EQ(textOf(nullptr, DxfText().g(144, 0.1).g(278, 44)), "1");
    EXPECT_EQ(textOf(nullptr, DxfText().g(144, 0.125).g(278, 44)), "1,25");
}

TEST(DimensionFormats, UnitsPrecisionAndZeroSuppression) {
    cad::DimStyle s;
    s.decimals = 3;
    EXPECT_EQ(cad::formatLinearMeasurement(0.5, s), "0.500");
    s.zeroSuppression = 4 | 8;
    EXPECT_EQ(cad::formatLinearMeasurement(0.5, s), ".5");
    EXPECT_EQ(cad::formatLinearMeasurement(12, s), "12");
    s.zeroSuppression = 0;
    s.rounding = 0.25;
    EXPECT_EQ(cad::formatLinearMeasurement(3.3, s), "3.250");
    s.rounding = 0;
    s.linearUnits = 4; // architectural, sixteenths
    s.decimals = 4;
    EXPECT_EQ(cad::formatLinearMeasurement(30.5, s), "2'-6 1/2\"");
    s.linearUnits = 3; // engineering
    s.decimals = 2;
    EXPECT_EQ(cad::formatLinearMeasurement(30.5, s), "2'-6.50\"");
    s.linearUnits = 5; // fractional
    EXPECT_EQ(cad::formatLinearMeasurement(2.75, s), "2 3/4");
    s.linearUnits = 1; // scientific
    EXPECT_EQ(cad::formatLinearMeasurement(1234.5, s), "1.23E+03");

    cad::DimStyle a;
    EXPECT_EQ(cad::formatAngularMeasurement(M_PI / 4, a), "45%%d");
    a.angularDecimals = 2;
    a.angularZeroSuppression = 2;
    EXPECT_EQ(cad::formatAngularMeasurement(M_PI / 3, a), "60%%d");
    a.angularUnits = 1;
    a.angularDecimals = 4;
    EXPECT_EQ(cad::formatAngularMeasurement((30.5 + 1.0 / 120) * M_PI / 180, a), "30%%d30'30\"");
    a.angularUnits = 3;
    a.angularDecimals = 3;
    a.angularZeroSuppression = 0;
    EXPECT_EQ(cad::formatAngularMeasurement(1.5, a), "1.500r");
}

TEST(AngularDimensions, TwoLinesMeasureTheSectorHoldingTheArcPoint) {
    // Lines along 0 and 45 degrees through the origin; the arc at radius 15.
    auto twoLines = [](double arcAngleDegrees) {
        const double t = arcAngleDegrees * M_PI / 180;
        return draw(drawingWith(dimension(2)
                                    .point(13, 0, 0)
                                    .point(14, 10, 0)
                                    .point(15, 0, 0)
                                    .point(10, 10, 10)
                                    .point(16, 15 * std::cos(t), 15 * std::sin(t))
                                    .point(11, 17 * std::cos(t), 17 * std::sin(t))));
    };
    const Drawn inner = twoLines(22.5);
    EXPECT_NEAR(inner.pic.measurement, M_PI / 4, 1e-12);
    EXPECT_EQ(inner.pic.text.text, "45%%d");
    // Extension lines run from past the ends of the lines to beyond the arc.
    EXPECT_TRUE(hasStroke(inner.pic, {10.625, 0}, {16.25, 0})) << dump(inner.pic);
    const double d = std::sqrt(0.5);
    EXPECT_TRUE(hasStroke(inner.pic, {(std::sqrt(200) + 0.625) * d, (std::sqrt(200) + 0.625) * d},
                          {16.25 * d, 16.25 * d}))
        << dump(inner.pic);
    // Arrows at the arc's ends point along it, away from each other.
    const auto back0 = arrowBack(inner.pic, {15, 0});
    ASSERT_TRUE(back0.has_value()) << dump(inner.pic);
    EXPECT_GT(back0->y, 2) << "the arrow at the start points clockwise";
    ASSERT_TRUE(arrowBack(inner.pic, {15 * d, 15 * d}).has_value()) << dump(inner.pic);

    EXPECT_NEAR(twoLines(100).pic.measurement, 3 * M_PI / 4, 1e-12);
    EXPECT_NEAR(twoLines(200).pic.measurement, M_PI / 4, 1e-12);
    EXPECT_EQ(twoLines(100).pic.text.text, "135%%d");

    const Drawn parallel = draw(drawingWith(
        dimension(2).point(13, 0, 0).point(14, 10, 0).point(15, 0, 5).point(10, 10, 5).point(16, 5,
                                                                                             9)));
    EXPECT_FALSE(parallel.pic.problem.empty());
    EXPECT_TRUE(parallel.pic.strokes.empty());
}

TEST(AngularDimensions, ThreePointsMeasureAboutTheVertex) {
    auto threePoints = [](Vec2 arcPoint) {
        return draw(drawingWith(dimension(5)
                                    .point(15, 0, 0)
                                    .point(13, 10, 0)
                                    .point(14, 0, 10)
                                    .point(10, arcPoint.x, arcPoint.y)
                                    .point(11, arcPoint.x, arcPoint.y)));
    };
    const Drawn right = threePoints({5, 5});
    EXPECT_NEAR(right.pic.measurement, M_PI / 2, 1e-12);
    EXPECT_EQ(right.pic.text.text, "90%%d");
    const double r = std::sqrt(50);
    // The arc lies inside the measured points: extension lines run inwards to it.
    EXPECT_TRUE(hasStroke(right.pic, {9.375, 0}, {r - 1.25, 0})) << dump(right.pic);
    EXPECT_NEAR(threePoints({-5, -5}).pic.measurement, 3 * M_PI / 2, 1e-12);
}

TEST(RadialDimensions, RadiusAndDiameterPointAtTheCurve) {
    const Drawn r =
        draw(drawingWith(dimension(4).point(10, 0, 0).point(15, 10, 0).point(11, 5, 1.5)));
    EXPECT_DOUBLE_EQ(r.pic.measurement, 10);
    EXPECT_EQ(r.pic.text.text, "R10");
    // An override that writes the prefix itself is not given a second one.
    const Drawn own = draw(drawingWith(
        dimension(4).point(10, 0, 0).point(15, 10, 0).point(11, 5, 1.5).g(1, "R<> max")));
    EXPECT_EQ(own.pic.text.text, "R10 max");
    EXPECT_TRUE(hasStroke(r.pic, {0, 0}, {10, 0})) << dump(r.pic);
    expectArrow(r.pic, {10, 0}, {7.5, 0});

    // Text outside the circle: the line reaches out to it and the arrow points inwards.
    const Drawn out =
        draw(drawingWith(dimension(4).point(10, 0, 0).point(15, 10, 0).point(11, 20, 0)));
    expectArrow(out.pic, {10, 0}, {12.5, 0});
    ASSERT_FALSE(out.pic.strokes.empty());
    EXPECT_GT(out.pic.strokes[0].points[1].x, 12.5);

    const Drawn d =
        draw(drawingWith(dimension(3).point(15, -10, 0).point(10, 10, 0).point(11, 0, 1.5)));
    EXPECT_DOUBLE_EQ(d.pic.measurement, 20);
    EXPECT_EQ(d.pic.text.text, "%%c20");
    EXPECT_TRUE(hasStroke(d.pic, {-10, 0}, {10, 0})) << dump(d.pic);
    expectArrow(d.pic, {-10, 0}, {-7.5, 0});
    expectArrow(d.pic, {10, 0}, {7.5, 0});
}

TEST(OrdinateAndArcDimensions, MeasureFromTheOriginAndAlongTheArc) {
    const Drawn x = draw(drawingWith(
        dimension(6 | 64).point(10, 0, 0).point(13, 25, 10).point(14, 25, 30).point(11, 25, 32)));
    EXPECT_DOUBLE_EQ(x.pic.measurement, 25);
    EXPECT_EQ(x.pic.text.text, "25");
    EXPECT_TRUE(hasStroke(x.pic, {25, 10.625}, {25, 30})) << dump(x.pic);
    const Drawn y = draw(drawingWith(
        dimension(6).point(10, 0, 0).point(13, 25, 10).point(14, 45, 10).point(11, 47, 10)));
    EXPECT_EQ(y.pic.text.text, "10");

    const double d = std::sqrt(0.5);
    const Drawn arc = draw(drawingWith(dimension(5, "ARC_DIMENSION")
                                           .point(15, 0, 0)
                                           .point(13, 10, 0)
                                           .point(14, 0, 10)
                                           .point(10, 12 * d, 12 * d)
                                           .point(11, 13 * d, 13 * d)));
    EXPECT_NEAR(arc.pic.measurement, 5 * M_PI, 1e-12);
    EXPECT_EQ(arc.pic.text.text, "\xE2\x8C\x92"
                                 "15.71");
    EXPECT_TRUE(hasStroke(arc.pic, {10.625, 0}, {13.25, 0})) << dump(arc.pic);
}

TEST(DimensionStyles, ArrowheadsFromTheStyleTheOverridesAndTheBlockRecords) {
    // DIMBLK by handle of a block record that the file lists after the style; a per-entity
    // override of the arrow size in the ACAD extended data.
    const DxfText records = DxfText()
                                .g(0, "TABLE")
                                .g(2, "BLOCK_RECORD")
                                .g(0, "BLOCK_RECORD")
                                .g(5, "1F")
                                .g(2, "_Oblique")
                                .g(0, "ENDTAB");
    const Drawn ticks = draw(drawingWith(
        dimension(0).point(10, 20, 10).point(11, 10, 11).point(13, 0, 0).point(14, 20, 0),
        DxfText().g(342, "1F"), records));
    EXPECT_EQ(ticks.style.arrow, "_Oblique");
    EXPECT_TRUE(ticks.pic.fills.empty());
    EXPECT_TRUE(hasStroke(ticks.pic, {-1.25, 8.75}, {1.25, 11.25})) << dump(ticks.pic);

    const Drawn big = draw(drawingWith(dimension(0)
                                           .point(10, 20, 10)
                                           .point(11, 10, 11)
                                           .point(13, 0, 0)
                                           .point(14, 20, 0)
                                           .g(1001, "ACAD")
                                           .g(1000, "DSTYLE")
                                           .g(1002, "{")
                                           .g(1070, 41)
                                           .g(1040, 5.0)
                                           .g(1070, 176)
                                           .g(1070, 1)
                                           .g(1002, "}")));
    EXPECT_DOUBLE_EQ(big.style.arrowSize, 5);
    EXPECT_EQ(big.style.lineColor, cad::Color::indexed(1));
    expectArrow(big.pic, {0, 10}, {5, 10});
    // The table entry itself is unchanged.
    EXPECT_DOUBLE_EQ(big.drawing.dimStyles.at(0).arrowSize, 2.5);
}

TEST(DimensionStyles, AbsurdValuesAreReplacedAndSaid) {
    const DxfText body =
        dimension(0).point(10, 20, 10).point(11, 10, 11).point(13, 0, 0).point(14, 20, 0);
    const Drawn huge = draw(drawingWith(body, DxfText().g(40, 1e30).g(41, -5.0)));
    EXPECT_FALSE(huge.problem.empty());
    EXPECT_DOUBLE_EQ(huge.style.scale, 1);
    EXPECT_GE(huge.style.arrowSize, 0);
    expectArrow(huge.pic, {0, 10}, {0.18, 10});

    // A measured length of zero still reads "0"; points out of range draw nothing.
    const Drawn zero = draw(drawingWith(
        dimension(0).point(10, 5, 10).point(11, 5, 11).point(13, 5, 0).point(14, 5, 0)));
    EXPECT_EQ(zero.pic.text.text, "0");
    const Drawn far = draw(drawingWith(
        dimension(0).point(10, 1e300, 10).point(11, 5, 11).point(13, 5, 0).point(14, 5, 0)));
    EXPECT_FALSE(far.pic.problem.empty());
    EXPECT_TRUE(far.pic.strokes.empty() && far.pic.fills.empty() && !far.pic.hasText);

    // A text override of a megabyte is cut short.
    const Drawn wordy = draw(drawingWith(DxfText(body).g(1, std::string(1 << 20, 'x'))));
    EXPECT_LE(wordy.pic.text.text.size(), 4096u);
    EXPECT_FALSE(wordy.pic.problem.empty());
}

TEST(DimensionItems, DrawnInTheLayerColourOrFromTheirBlock) {
    // No block: the parts are ordinary items in the colour of the dimension's layer.
    DxfText layers = DxfText()
                         .g(0, "TABLE")
                         .g(2, "LAYER")
                         .g(0, "LAYER")
                         .g(2, "dimensions")
                         .g(62, 3)
                         .g(70, 0)
                         .g(0, "ENDTAB");
    DxfText body = DxfText()
                       .g(0, "DIMENSION")
                       .g(8, "dimensions")
                       .g(70, 32)
                       .g(3, "ISO")
                       .point(10, 20, 10)
                       .point(11, 10, 11)
                       .point(13, 0, 0)
                       .point(14, 20, 0)
                       .g(0, "3DSOLID")
                       .g(8, "0");
    const cad::Drawing drawing = drawingWith(body, {}, layers);
    const auto list = cad::compileDisplayList(drawing);
    const auto& items = list->modelSpace().items;
    int lines = 0, arrows = 0, texts = 0;
    for (const cad::DisplayItem& item : items) {
        EXPECT_EQ(item.color.kind, cad::ItemColorKind::Rgb);
        EXPECT_EQ(item.color.rgb, 0x00FF00u);
        lines += item.kind == cad::ItemKind::Polyline;
        arrows += item.kind == cad::ItemKind::Polygon;
        texts += item.kind == cad::ItemKind::Text;
    }
    EXPECT_EQ(lines, 4); // two extension lines, the dimension line in two halves
    EXPECT_EQ(arrows, 2);
    ASSERT_EQ(texts, 1);
    EXPECT_EQ(list->modelSpace().texts.at(0).text, "20");
    // What is not drawn is said, by kind.
    bool saidSolid = false;
    for (const std::string& d : list->diagnostics())
        saidSolid = saidSolid || d.find("1 3DSOLID entity not drawn") != std::string::npos;
    EXPECT_TRUE(saidSolid);

    // With a block that has something in it, the block is drawn instead.
    cad::Drawing withBlock = drawing;
    auto& dim = cad::dataOf<cad::Dimension>(withBlock.modelSpace[0].data);
    dim.block = withBlock.blockIndex("*D1");
    withBlock.blocks[dim.block].entities.push_back(withBlock.modelSpace[1]);
    withBlock.blocks[dim.block].entities.back().data = cad::Line{{0, 0, 0}, {1, 1, 0}};
    const auto fromBlock = cad::compileDisplayList(withBlock);
    ASSERT_EQ(fromBlock->modelSpace().items.size(), 1u);
    EXPECT_EQ(fromBlock->modelSpace().items[0].kind, cad::ItemKind::Insert);
}
