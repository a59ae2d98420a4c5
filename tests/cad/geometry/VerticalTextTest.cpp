// Text that runs top to bottom (MTEXT drawing direction 3, or 5 with a vertical style; TEXT in
// a vertical style), the opacity of MTEXT background fills, and bold or slanted TrueType text
// drawn from a face that has no such file. Read from small DXF files and compiled as the
// viewer does.
#include "TextRuns.h"
#include "cad/dxf/DxfFixture.h"
#include "cad/geometry/DisplayList.h"
#include "cad/text/TextLayout.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

using namespace vexor;
using test::baseline;
using test::DxfText;
using test::runOf;

namespace {

constexpr double kPitch = 5.0 / 3.0; // column to column, in text heights
constexpr double kStep = 1.5;        // character to character down a column, in text heights

// A drawing with the text styles "V" (txt, vertical) and "H" (txt) and `entities`.
cad::Drawing drawingWith(const DxfText& entities) {
    DxfText f;
    f.begin("TABLES").g(0, "TABLE").g(2, "STYLE").g(70, 2);
    f.g(0, "STYLE").g(2, "V").g(70, 4).g(40, 0.0).g(41, 1.0).g(50, 0.0).g(3, "txt");
    f.g(0, "STYLE").g(2, "H").g(70, 0).g(40, 0.0).g(41, 1.0).g(50, 0.0).g(3, "txt");
    f.g(0, "ENDTAB").end().begin("ENTITIES");
    return test::readText(f.str() + entities.str() + "0\nENDSEC\n0\nEOF\n");
}

cad::MTextLayout layoutOf(const cad::Drawing& drawing) {
    const cad::MText& m = cad::dataOf<cad::MText>(drawing.modelSpace.at(0).data);
    const cad::TextStyle* style =
        m.style < drawing.textStyles.size() ? &drawing.textStyles[m.style] : nullptr;
    return cad::layoutMTextFull(m, {0, 0, 1}, style);
}

// Where the middle of a run's ink lies across its column.
double middle(const cad::TextRun& run) {
    return cad::glyphFrame(run).map({cad::runWidth(run) / 2, 0}).x;
}

} // namespace

TEST(VerticalMText, CharactersRunDownAndParagraphsRightToLeft) {
    const cad::Drawing drawing = drawingWith(DxfText()
                                                 .g(0, "MTEXT")
                                                 .g(8, "0")
                                                 .point(10, 0, 0)
                                                 .g(40, 2.0)
                                                 .g(7, "H")
                                                 .g(71, 1)
                                                 .g(1, "ab\\Pc")
                                                 .g(72, 3));
    const cad::MTextLayout laid = layoutOf(drawing);
    ASSERT_EQ(laid.runs.size(), 3u);
    const cad::TextRun &a = runOf(laid.runs, "a"), &b = runOf(laid.runs, "b"),
                       &c = runOf(laid.runs, "c");
    // Each character below the one before, centred on one line.
    EXPECT_NEAR(baseline(a), -2, 1e-9);
    EXPECT_NEAR(baseline(b), -2 - kStep * 2, 1e-9);
    EXPECT_NEAR(middle(a), middle(b), 1e-9);
    // The next paragraph is the next column to the left, starting at the top again.
    EXPECT_NEAR(middle(c), middle(a) - kPitch * 2, 1e-9);
    EXPECT_NEAR(baseline(c), -2, 1e-9);
    // Attached top left: the block's left edge (half a column left of c's middle) on the
    // insertion point, its top on it too.
    EXPECT_NEAR(middle(c) - 1, 0, 1e-9);
    EXPECT_NEAR(laid.extent.minX, 0, 1e-9);
    EXPECT_NEAR(laid.extent.maxX, 2 + kPitch * 2, 1e-9);
    EXPECT_NEAR(laid.extent.maxY, 0, 1e-9);
    EXPECT_NEAR(laid.extent.minY, -(kStep * 2 + 2), 1e-9);
    // The characters stand upright: their baselines run along x.
    EXPECT_NEAR(a.toWorld.mapVector({1, 0}).y, 0, 1e-12);

    // Attached top right, the first column's right edge is on the insertion point; attached
    // bottom left, the longest column's foot is on it.
    auto attached = [](int attachment) {
        return layoutOf(drawingWith(DxfText()
                                        .g(0, "MTEXT")
                                        .g(8, "0")
                                        .point(10, 0, 0)
                                        .g(40, 2.0)
                                        .g(7, "H")
                                        .g(71, attachment)
                                        .g(1, "ab\\Pc")
                                        .g(72, 3)));
    };
    const cad::MTextLayout right = attached(3);
    EXPECT_NEAR(middle(runOf(right.runs, "a")), -1, 1e-9);
    const cad::MTextLayout bottom = attached(7);
    EXPECT_NEAR(baseline(runOf(bottom.runs, "b")), 0, 1e-9);
}

TEST(VerticalMText, WrapsAtTheDefinedHeightAndFollowsAVerticalStyle) {
    // Room for two characters (foot of the second at 2 + 3 = 5 <= 7, the third's at 8).
    const cad::MTextLayout wrapped = layoutOf(drawingWith(DxfText()
                                                              .g(0, "MTEXT")
                                                              .g(8, "0")
                                                              .point(10, 0, 0)
                                                              .g(40, 2.0)
                                                              .g(46, 7.0)
                                                              .g(7, "H")
                                                              .g(71, 1)
                                                              .g(1, "abcd")
                                                              .g(72, 3)));
    ASSERT_EQ(wrapped.runs.size(), 4u);
    const cad::TextRun &a = runOf(wrapped.runs, "a"), &c = runOf(wrapped.runs, "c"),
                       &d = runOf(wrapped.runs, "d");
    EXPECT_NEAR(baseline(c), baseline(a), 1e-9);
    EXPECT_NEAR(middle(c), middle(a) - kPitch * 2, 1e-9);
    EXPECT_NEAR(baseline(d), baseline(a) - kStep * 2, 1e-9);

    // Direction 5 takes the style's: vertical in "V", across in "H". Direction 1 is across
    // whatever the style says.
    for (const auto& [style, direction, vertical] :
         {std::tuple{"V", 5, true}, std::tuple{"H", 5, false}, std::tuple{"V", 1, false}}) {
        const cad::MTextLayout laid = layoutOf(drawingWith(DxfText()
                                                               .g(0, "MTEXT")
                                                               .g(8, "0")
                                                               .point(10, 0, 0)
                                                               .g(40, 2.0)
                                                               .g(7, style)
                                                               .g(1, "ab")
                                                               .g(72, direction)));
        EXPECT_EQ(laid.runs.size(), vertical ? 2u : 1u) << style << " " << direction;
    }
}

TEST(VerticalText, TextInAVerticalStyleStandsInAColumn) {
    // "abc" of height 2 in the vertical style: left at its insertion point, centred on the
    // middle of the column at its alignment point.
    auto text = [](int hAlign) {
        return DxfText()
            .g(0, "TEXT")
            .g(8, "0")
            .point(10, 10, 10)
            .g(40, 2.0)
            .g(1, "abc")
            .g(7, "V")
            .g(72, hAlign)
            .point(11, 0, 0);
    };
    const auto left = cad::compileDisplayList(drawingWith(text(0)));
    const std::vector<cad::TextRun>& runs = left->modelSpace().texts;
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_NEAR(baseline(runOf(runs, "a")), 8, 1e-9);
    EXPECT_NEAR(baseline(runOf(runs, "b")), 8 - kStep * 2, 1e-9);
    EXPECT_NEAR(baseline(runOf(runs, "c")), 8 - 2 * kStep * 2, 1e-9);
    for (const cad::TextRun& run : runs)
        EXPECT_NEAR(middle(run), 10, 1e-9) << run.text;

    const auto centred = cad::compileDisplayList(drawingWith(text(1)));
    const std::vector<cad::TextRun>& mid = centred->modelSpace().texts;
    ASSERT_EQ(mid.size(), 3u);
    // The column is 2 * 3 + 2 = 8 long: its top 4 above the alignment point.
    EXPECT_NEAR(baseline(runOf(mid, "a")), 4 - 2, 1e-9);
    EXPECT_NEAR(middle(runOf(mid, "b")), 0, 1e-9);

    // The same text in a style that is not vertical is one run across.
    const auto plain = cad::compileDisplayList(drawingWith(
        DxfText().g(0, "TEXT").g(8, "0").point(10, 10, 10).g(40, 2.0).g(1, "abc").g(7, "H")));
    EXPECT_EQ(plain->modelSpace().texts.size(), 1u);
}

TEST(VerticalMText, RulesItCannotDrawAreCounted) {
    auto diagnostics = [](int direction) {
        DxfText t;
        t.g(0, "MTEXT").g(8, "0").point(10, 0, 0).g(40, 2.0).g(72, direction);
        t.g(1, "\\Lunder\\l line");
        return cad::compileDisplayList(drawingWith(t))->diagnostics();
    };
    const std::string said = "1 MTEXT entity drawn in part: underlines, overlines and "
                             "strike-throughs of vertical text are left out";
    const std::vector<std::string> vertical = diagnostics(3);
    EXPECT_NE(std::find(vertical.begin(), vertical.end(), said), vertical.end())
        << testing::PrintToString(vertical);
    EXPECT_TRUE(diagnostics(1).empty()); // across, the underline is drawn
}

TEST(MTextBackground, FillIsAsOpaqueAsItsTransparencySays) {
    auto compiled = [](const std::string& transparency) {
        DxfText t;
        t.g(0, "MTEXT").g(8, "0").point(10, 0, 0).g(40, 2.0).g(1, "one").g(90, 1).g(63, 1);
        t.g(421, 0x336699);
        if (!transparency.empty())
            t.g(441, transparency);
        return cad::compileDisplayList(drawingWith(t));
    };
    // Alpha 0x7F of 255: the fill carries 255 - 0x7F as its transparency.
    const auto half = compiled(std::to_string(0x0200007F));
    const cad::DisplayItem& fill = half->modelSpace().items.front();
    ASSERT_EQ(fill.kind, cad::ItemKind::Polygon);
    EXPECT_EQ(fill.color.rgb & 0xFFFFFFu, 0x336699u);
    EXPECT_EQ(fill.color.rgb >> 24, 255u - 0x7F);
    // No transparency, or one by layer (type 1): opaque.
    for (const std::string& opaque : {std::string(), std::to_string(0x01000000)}) {
        const auto list = compiled(opaque);
        EXPECT_EQ(list->modelSpace().items.front().color.rgb, 0x336699u) << opaque;
    }
    // The text itself stays opaque.
    for (const cad::DisplayItem& item : half->modelSpace().items) {
        if (item.kind == cad::ItemKind::Text) {
            EXPECT_EQ(item.color.rgb >> 24, 0u);
        }
    }
}

TEST(TrueTypeFaces, MissingBoldAndItalicFilesAreSynthesisedWithoutChangingAdvances) {
    // A family installed in one weight only.
    const cad::FontChoice single = cad::resolveFamily("DejaVuMathTeXGyre", true, true);
    if (!single.found || single.font->path.empty())
        GTEST_SKIP() << "no single-weight TrueType family installed";
    EXPECT_TRUE(single.font->syntheticBold);
    EXPECT_TRUE(single.font->syntheticItalic);

    cad::MText m;
    m.height = 2;
    m.text = "{\\fDejaVuMathTeXGyre|b1|i1;ab}cd";
    const cad::MTextLayout laid = cad::layoutMTextFull(m, {0, 0, 1}, nullptr);
    std::vector<const cad::TextRun*> ab;
    for (const cad::TextRun& run : laid.runs)
        if (run.text == "ab")
            ab.push_back(&run);
    // Bold: drawn twice, the second pass 0.06 text heights to the right; italic: slanted 15
    // degrees.
    ASSERT_EQ(ab.size(), 2u);
    EXPECT_NEAR(ab[0]->toWorld.map({0, 0}).x - ab[1]->toWorld.map({0, 0}).x, 0.06 * 2, 1e-9);
    EXPECT_NEAR(ab[1]->toWorld.mapVector({0, 1}).x, 2 * std::tan(15 * std::numbers::pi / 180),
                1e-9);
    // What follows starts where the plain face's advance puts it.
    m.text = "{\\fDejaVuMathTeXGyre;ab}cd";
    const cad::MTextLayout plain = cad::layoutMTextFull(m, {0, 0, 1}, nullptr);
    EXPECT_NEAR(runOf(laid.runs, "cd").toWorld.map({0, 0}).x,
                runOf(plain.runs, "cd").toWorld.map({0, 0}).x, 1e-9);
    EXPECT_NEAR(runOf(laid.runs, "cd").toWorld.mapVector({0, 1}).x, 0, 1e-12);

    // A family with a bold file is drawn from it, once and upright.
    const cad::FontChoice bold = cad::resolveFamily("DejaVu Sans", true, false);
    if (bold.found && !bold.font->path.empty()) {
        EXPECT_NE(bold.font->path.find("Bold"), std::string::npos) << bold.font->path;
        EXPECT_FALSE(bold.font->syntheticBold);
        m.text = "{\\fDejaVu Sans|b1;ab}";
        EXPECT_EQ(cad::layoutMTextFull(m, {0, 0, 1}, nullptr).runs.size(), 1u);
    }
}
