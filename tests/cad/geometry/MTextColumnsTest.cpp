// Multi-line text beyond its inline codes: line spacing "exactly" against "at least", the
// background fill and frame with their margin, columns (static, dynamic, column breaks,
// reversed flow), read from small DXF files and compiled as the viewer does.
#include "TextRuns.h"
#include "cad/dxf/DxfFixture.h"
#include "cad/geometry/DisplayList.h"
#include "cad/load/DrawingReader.h"
#include "cad/text/TextLayout.h"
#include "support/Corpus.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

using namespace vexor;
using cad::Vec2;
using test::baseline;
using test::DxfText;

namespace {

constexpr double kPitch = 5.0 / 3.0; // baseline to baseline, in text heights

double left(const cad::TextRun& run) {
    return cad::glyphFrame(run).map({0, 0}).x;
}

// The run whose text is `s`.
const cad::TextRun& runOf(const cad::MTextLayout& laid, const std::string& s) {
    return vexor::test::runOf(laid.runs, s);
}

// MTEXT at (0, 0), height 2, attached top left, with `extra` groups after its text, read
// from a DXF file.
cad::Drawing drawingOf(const std::string& text, const std::string& extra = {}) {
    DxfText t;
    t.g(0, "MTEXT").g(8, "0").point(10, 0, 0).g(40, 2.0).g(71, 1).g(1, text);
    DxfText file;
    file.begin("ENTITIES");
    return test::readText(file.str() + t.str() + extra + "0\nENDSEC\n0\nEOF\n");
}

cad::MText mtextOf(const std::string& text, const std::string& extra = {}) {
    const cad::Drawing drawing = drawingOf(text, extra);
    EXPECT_EQ(drawing.modelSpace.size(), 1u);
    if (drawing.modelSpace.empty())
        return {};
    return cad::dataOf<cad::MText>(drawing.modelSpace.at(0).data);
}

cad::MTextLayout layout(const cad::MText& m) {
    return cad::layoutMTextFull(m, {0, 0, 1}, nullptr);
}

} // namespace

TEST(MTextSpacing, ExactlyKeepsOnePitchWhereAtLeastMakesRoomForTallLines) {
    // The middle line holds a part three times as tall.
    const std::string text = "a\\P{\\H3x;b}\\Pc";
    const cad::MTextLayout atLeast = layout(mtextOf(text, DxfText().g(73, 1).g(44, 1.0).str()));
    EXPECT_NEAR(baseline(runOf(atLeast, "a")), -2, 1e-9);
    EXPECT_NEAR(baseline(runOf(atLeast, "b")), -2 - kPitch * 6, 1e-9);
    EXPECT_NEAR(baseline(runOf(atLeast, "c")), -2 - kPitch * 6 - kPitch * 2, 1e-9);

    const cad::MTextLayout exactly = layout(mtextOf(text, DxfText().g(73, 2).g(44, 1.5).str()));
    EXPECT_NEAR(baseline(runOf(exactly, "a")), -2, 1e-9);
    EXPECT_NEAR(baseline(runOf(exactly, "b")), -2 - 1.5 * kPitch * 2, 1e-9);
    EXPECT_NEAR(baseline(runOf(exactly, "c")), -2 - 2 * 1.5 * kPitch * 2, 1e-9);
    // The tall part keeps its own height.
    EXPECT_NEAR(runOf(exactly, "b").toWorld.mapVector({0, 1}).y, 6, 1e-9);
}

TEST(MTextBackground, FillCoversTheTextBoxGrownByItsMarginUnderTheText) {
    // Reference width 10, two lines: the box is 10 wide, from the top of the first line down
    // to the last baseline; a factor of 1.5 adds half a text height all round.
    const DxfText fill = DxfText().g(41, 10.0).g(90, 1).g(63, 1).g(421, 0x336699).g(45, 1.5);
    const cad::Drawing drawing = drawingOf("one\\Ptwo", fill.str());
    const cad::MText& m = cad::dataOf<cad::MText>(drawing.modelSpace.at(0).data);
    EXPECT_EQ(m.backgroundFlags, cad::kMTextFill);
    EXPECT_EQ(m.backgroundColor, cad::Color::trueColor(0x336699));
    const auto list = cad::compileDisplayList(drawing);
    const cad::ItemList& items = list->modelSpace();
    ASSERT_FALSE(items.items.empty());
    const cad::DisplayItem& back = items.items.front(); // drawn first, under the text
    ASSERT_EQ(back.kind, cad::ItemKind::Polygon);
    EXPECT_EQ(back.color.kind, cad::ItemColorKind::Rgb);
    EXPECT_EQ(back.color.rgb, 0x336699u);
    const double bottom = -2 - kPitch * 2;
    EXPECT_NEAR(back.box.minX, -1, 1e-9);
    EXPECT_NEAR(back.box.maxX, 11, 1e-9);
    EXPECT_NEAR(back.box.maxY, 1, 1e-9);
    EXPECT_NEAR(back.box.minY, bottom - 1, 1e-9);
    EXPECT_EQ(items.items.back().kind, cad::ItemKind::Text);

    // The view's background colour hides what lies under it, as a wipeout; a factor of 1 fits
    // the box exactly; the frame bit adds its outline.
    const auto masked = cad::compileDisplayList(
        drawingOf("one\\Ptwo", DxfText().g(41, 10.0).g(90, 3 | 16).g(45, 1.0).str()));
    const cad::ItemList& m2 = masked->modelSpace();
    ASSERT_GE(m2.items.size(), 2u);
    EXPECT_EQ(m2.items[0].kind, cad::ItemKind::Wipeout);
    EXPECT_NEAR(m2.items[0].box.minY, bottom, 1e-9);
    EXPECT_NEAR(m2.items[0].box.maxX, 10, 1e-9);
    EXPECT_EQ(m2.items[1].kind, cad::ItemKind::Polyline);
    EXPECT_TRUE(m2.items[1].closed);
    EXPECT_NEAR(m2.items[1].box.minX, 0, 1e-9);

    // A word wider than the reference width, right-attached, sticks out to the left: the
    // mask covers it too rather than only the reference box.
    const cad::MTextLayout narrow =
        layout(mtextOf("MULTILEADER\\Px", DxfText().g(41, 1.0).g(71, 3).g(90, 1).str()));
    const cad::TextRun& word = runOf(narrow, "MULTILEADER");
    const double left = cad::glyphFrame(word).map({0, 0}).x;
    EXPECT_NEAR(cad::glyphFrame(word).map({cad::runWidth(word), 0}).x, 0, 1e-6);
    EXPECT_LT(left, -1.0);
    EXPECT_NEAR(narrow.extent.maxX, 0, 1e-9);
    EXPECT_NEAR(narrow.extent.minX, left, 1e-6);

    // Without a reference width the box is as wide as the widest line; turned text turns it.
    const cad::MTextLayout turned =
        layout(mtextOf("wide line\\Px", DxfText().g(50, 90.0).g(90, 1).str()));
    const std::vector<Vec2> corners = cad::frameBoxCorners(turned.frame, turned.extent, 0);
    ASSERT_EQ(corners.size(), 4u);
    const double width = cad::glyphFrame(runOf(turned, "wide line"))
                             .map({cad::runWidth(runOf(turned, "wide line")), 0})
                             .y;
    EXPECT_NEAR(corners[1].y, width, 1e-9); // along the turned baseline
    EXPECT_NEAR(corners[0].x, 2 + kPitch * 2, 1e-9);
    // No flags: nothing but the text.
    const auto plain = cad::compileDisplayList(drawingOf("one", DxfText().g(90, 0).str()));
    for (const cad::DisplayItem& item : plain->modelSpace().items)
        EXPECT_EQ(item.kind, cad::ItemKind::Text);
}

namespace {

// Column settings as R2018 files write them.
DxfText embedded(int type, int count, double width, double gutter, bool autoHeight,
                 std::vector<double> heights = {}, bool reversed = false) {
    DxfText t;
    t.g(101, "Embedded Object").g(70, 1).point(10, 1, 0).point(11, 0, 0).g(40, 50.0);
    t.g(41, 0.0).g(42, 50.0).g(43, 10.0).g(71, type).g(72, count).g(44, width).g(45, gutter);
    t.g(73, autoHeight ? 1 : 0).g(74, reversed ? 1 : 0);
    for (double h : heights)
        t.g(46, h);
    return t;
}

} // namespace

TEST(MTextColumns, StaticColumnsBreakWhereTheHeightIsFull) {
    // Height 2, pitch 10/3: two lines reach down 5.33, a third would reach 8.67; columns 10
    // wide with a gutter of 2.
    const std::string text = "L1\\PL2\\PL3\\PL4\\PL5";
    const std::string box = DxfText().g(41, 50.0).g(46, 6.0).str();
    const cad::MText m = mtextOf(text, box + embedded(1, 2, 10, 2, false).str());
    ASSERT_TRUE(m.columns);
    EXPECT_EQ(m.columns->type, cad::MTextColumns::Type::Static);
    EXPECT_EQ(m.columns->count, 2);
    const cad::MTextLayout laid = layout(m);
    EXPECT_NEAR(left(runOf(laid, "L1")), 0, 1e-9);
    EXPECT_NEAR(left(runOf(laid, "L2")), 0, 1e-9);
    EXPECT_NEAR(baseline(runOf(laid, "L2")), -2 - kPitch * 2, 1e-9);
    EXPECT_NEAR(left(runOf(laid, "L3")), 12, 1e-9); // the second column's top
    EXPECT_NEAR(baseline(runOf(laid, "L3")), -2, 1e-9);
    // Two static columns only: the rest stays in the last one.
    EXPECT_NEAR(left(runOf(laid, "L5")), 12, 1e-9);
    EXPECT_NEAR(baseline(runOf(laid, "L5")), -2 - kPitch * 2 * 2, 1e-9);
    EXPECT_NEAR(laid.extent.maxX, 22, 1e-9);

    // Reversed flow: the first column on the right.
    const cad::MTextLayout reversed =
        layout(mtextOf(text, box + embedded(1, 2, 10, 2, false, {}, true).str()));
    EXPECT_NEAR(left(runOf(reversed, "L1")), 12, 1e-9);
    EXPECT_NEAR(left(runOf(reversed, "L3")), 0, 1e-9);
}

TEST(MTextColumns, DynamicColumnsTakeTheirOwnHeightsAndColumnBreaks) {
    // Manual heights: the first column holds three lines (down to 8.67 < 9), the second one.
    const std::string text = "L1\\PL2\\PL3\\PL4\\NL5";
    const cad::MTextLayout manual =
        layout(mtextOf(text, embedded(2, 3, 10, 1, false, {9.0, 4.0, 0.0}).str()));
    EXPECT_NEAR(left(runOf(manual, "L3")), 0, 1e-9);
    EXPECT_NEAR(left(runOf(manual, "L4")), 11, 1e-9);
    EXPECT_NEAR(baseline(runOf(manual, "L4")), -2, 1e-9);
    // \N breaks the column even though there is room.
    EXPECT_NEAR(left(runOf(manual, "L5")), 22, 1e-9);
    EXPECT_NEAR(baseline(runOf(manual, "L5")), -2, 1e-9);

    // Auto height: every column as tall as the text's box (46), as many as the text needs.
    const cad::MTextLayout automatic = layout(mtextOf(
        "a\\Pb\\Pc\\Pd\\Pe", DxfText().g(46, 2.5).str() + embedded(2, 1, 5, 1, true).str()));
    EXPECT_NEAR(left(runOf(automatic, "e")), 24, 1e-9);
    EXPECT_NEAR(baseline(runOf(automatic, "e")), -2, 1e-9);

    // Without columns \N is a line break.
    const cad::MTextLayout plain = layout(mtextOf("L1\\NL2"));
    EXPECT_NEAR(left(runOf(plain, "L2")), 0, 1e-9);
    EXPECT_NEAR(baseline(runOf(plain, "L2")), -2 - kPitch * 2, 1e-9);
}

TEST(MTextColumns, OlderFilesKeepColumnsInExtendedData) {
    // Dynamic, manual heights (5.5 then the rest), 8 wide, gutter 2.
    DxfText x;
    x.g(1001, "ACAD").g(1000, "ACAD_MTEXT_COLUMN_INFO_BEGIN");
    x.g(1070, 75).g(1070, 2).g(1070, 79).g(1070, 0).g(1070, 76).g(1070, 2);
    x.g(1070, 78).g(1070, 0).g(1070, 48).g(1040, 8.0).g(1070, 49).g(1040, 2.0);
    x.g(1070, 50).g(1070, 2).g(1040, 5.5).g(1040, 0.0);
    x.g(1000, "ACAD_MTEXT_COLUMN_INFO_END");
    const cad::MText m = mtextOf("L1\\PL2\\PL3", DxfText().g(41, 18.0).str() + x.str());
    ASSERT_TRUE(m.columns);
    EXPECT_EQ(m.columns->type, cad::MTextColumns::Type::Dynamic);
    EXPECT_EQ(m.columns->heights, (std::vector<double>{5.5, 0.0}));
    const cad::MTextLayout laid = layout(m);
    EXPECT_NEAR(left(runOf(laid, "L2")), 0, 1e-9);
    EXPECT_NEAR(left(runOf(laid, "L3")), 10, 1e-9);

    // Hostile counts are bounded; a column count of a million lays out as the text needs.
    DxfText huge;
    huge.g(1001, "ACAD").g(1000, "ACAD_MTEXT_COLUMN_INFO_BEGIN");
    huge.g(1070, 75).g(1070, 1).g(1070, 76).g(1070, 30000).g(1070, 50).g(1070, 30000);
    huge.g(1000, "ACAD_MTEXT_COLUMN_INFO_END");
    const cad::MText big = mtextOf("a", huge.str());
    ASSERT_TRUE(big.columns);
    EXPECT_LE(big.columns->count, 1000);
    EXPECT_EQ(layout(big).runs.size(), 1u);
}

TEST(MTextColumns, CorpusDrawingsWithColumnsAndBackgrounds) {
    VEXOR_REQUIRE_CORPUS();
    // R2018 columns in an embedded object.
    const cad::Drawing columns = cad::readDrawingFile(
        (*test::corpusDir() / "dxf/ascii/AC1032/ezdxf__columns_R2018.dxf").string());
    int withColumns = 0;
    for (const cad::Entity& e : columns.modelSpace)
        if (const auto* m = cad::dataIf<cad::MText>(&e.data); m && m->columns)
            ++withColumns;
    for (const cad::Block& b : columns.blocks)
        for (const cad::Entity& e : b.entities)
            if (const auto* m = cad::dataIf<cad::MText>(&e.data); m && m->columns)
                ++withColumns;
    EXPECT_GE(withColumns, 20);

    // A background fill in DXF files and their DWG twins.
    // Columns before R2018 in extended data, from R2018 in the embedded object or the DWG object.
    for (const char* path : {"dxf/ascii/AC1018/acadsharp__sample_AC1018_ascii.dxf",
                             "dwg/AC1018/acadsharp__sample_AC1018.dwg",
                             "dxf/ascii/AC1032/acadsharp__sample_AC1032_ascii.dxf",
                             "dwg/AC1032/acadsharp__sample_AC1032.dwg"}) {
        SCOPED_TRACE(path);
        const cad::Drawing d = cad::readDrawingFile((*test::corpusDir() / path).string());
        int filled = 0, columned = 0;
        auto count = [&](const std::vector<cad::Entity>& entities) {
            for (const cad::Entity& e : entities) {
                const auto* m = cad::dataIf<cad::MText>(&e.data);
                if (m && m->columns) {
                    // Dynamic, one column 15.74 wide, gutter 110.22.
                    ++columned;
                    EXPECT_EQ(m->columns->type, cad::MTextColumns::Type::Dynamic);
                    EXPECT_NEAR(m->columns->width, 15.74141424498748, 1e-9);
                    EXPECT_NEAR(m->columns->gutter, 110.2231670381195, 1e-9);
                    EXPECT_FALSE(m->columns->autoHeight || m->columns->flowReversed);
                    // One height and no limit: DXF writes 0, the R2018 DWG object the text's
                    // height negated; either leaves the column unbounded.
                    ASSERT_EQ(m->columns->heights.size(), 1u);
                    EXPECT_LE(m->columns->heights[0], 0);
                }
                if (!m || !(m->backgroundFlags & cad::kMTextFill))
                    continue;
                ++filled;
                EXPECT_DOUBLE_EQ(m->backgroundScale, 1.25);
                EXPECT_EQ(m->backgroundColor, cad::Color::trueColor(3568962));
                EXPECT_EQ(m->backgroundAlpha, 255); // transparency 0: by layer, opaque
            }
        };
        count(d.modelSpace);
        for (const cad::Block& b : d.blocks)
            count(b.entities);
        EXPECT_EQ(filled, 2);
        EXPECT_EQ(columned, 4);
    }
}

TEST(MTextFaces, StrokeFontsGetSyntheticBoldAndItalic) {
    cad::MText m;
    m.height = 2;
    m.text = "{\\fTXT|b1|i1;ab}cd";
    const cad::MTextLayout laid = cad::layoutMTextFull(m, {0, 0, 1}, nullptr);
    // "ab" twice, a hair apart, slanted 15 degrees; "cd" once and upright.
    std::vector<const cad::TextRun*> ab;
    for (const cad::TextRun& run : laid.runs)
        if (run.text == "ab")
            ab.push_back(&run);
    ASSERT_EQ(ab.size(), 2u);
    EXPECT_NEAR(ab[1]->toWorld.map({0, 0}).x - ab[0]->toWorld.map({0, 0}).x, -0.04 * 2, 1e-9);
    const double slant = 15 * std::numbers::pi / 180;
    EXPECT_NEAR(ab[0]->toWorld.mapVector({0, 1}).x, 2 * std::tan(slant), 1e-9);
    const cad::TextRun& cd = runOf(laid, "cd");
    EXPECT_NEAR(cd.toWorld.mapVector({0, 1}).x, 0, 1e-12);
    // Where the layout measures from is unchanged: "cd" starts where "ab" ends unslanted.
    cad::MText plain = m;
    plain.text = "abcd";
    const cad::MTextLayout upright = cad::layoutMTextFull(plain, {0, 0, 1}, nullptr);
    EXPECT_NEAR(upright.runs.at(0).toWorld.map({0, 0}).x, ab[1]->toWorld.map({0, 0}).x, 1e-9);

    // \Q replaces the slant; a later font switch without italic takes it away again.
    m.text = "{\\fTXT|i1;\\Q5;a}{\\fTXT|i1;b\\fTXT|i0;c}";
    const cad::MTextLayout switched = cad::layoutMTextFull(m, {0, 0, 1}, nullptr);
    EXPECT_NEAR(runOf(switched, "a").toWorld.mapVector({0, 1}).x,
                2 * std::tan(5 * std::numbers::pi / 180), 1e-9);
    EXPECT_NEAR(runOf(switched, "b").toWorld.mapVector({0, 1}).x, 2 * std::tan(slant), 1e-9);
    EXPECT_NEAR(runOf(switched, "c").toWorld.mapVector({0, 1}).x, 0, 1e-12);
    // A TrueType face draws its own bold: one run.
    m.text = "{\\fArial|b1;ab}";
    EXPECT_EQ(cad::layoutMTextFull(m, {0, 0, 1}, nullptr).runs.size(), 1u);
}
