#include "cad/text/TextLayout.h"

#include "cad/geometry/DisplayList.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

using namespace vexor::cad;

namespace {

std::string joined(const std::vector<MTextLine>& lines) {
    std::string s;
    for (const MTextLine& l : lines)
        s += l.text + "|";
    return s;
}

} // namespace

TEST(TextCodes, PercentCodesBecomeSymbols) {
    EXPECT_EQ(expandTextCodes("90%%d"), "90\u00B0");
    EXPECT_EQ(expandTextCodes("%%c50 %%p0.1"), "\u230050 \u00B10.1");
    EXPECT_EQ(expandTextCodes("%%uUnder%%u and %%oover"), "Under and over");
    EXPECT_EQ(expandTextCodes("100%%%"), "100%");
    EXPECT_EQ(expandTextCodes("%%065"), "A");
    // The early releases' fonts: degree, plus/minus and diameter past ASCII.
    EXPECT_EQ(expandTextCodes("45%%127 %%12810 %%12920"), "45\u00B0 \u00B110 \u230020");
    EXPECT_EQ(expandTextCodes("%%176"), "\u00B0");
    EXPECT_EQ(expandTextCodes("50% off"), "50% off");
    EXPECT_EQ(expandTextCodes("\\U+00C4rger"), "\u00C4rger");
}

TEST(MTextCodes, FormattingIsInterpretedOrStripped) {
    const auto lines = parseMText(
        "{\\fArial|b1|i0|c0|p34;Bold}\\PLine\\~two\\P\\C1;red \\H2x;big\\S1^2; \\Lu\\lx\\Oo\\o"
        " a\\\\b \\{c\\} \\pxqc;centred\\Tb1.1;\\Q12;\\W0.8;\\A1;z",
        2.5, 0);
    const std::string all = joined(lines);
    EXPECT_EQ(all, "Bold|Line\u00A0two|red big1/2 uxo a\\b {c} centredz|");
    EXPECT_EQ(lines.size(), 3u);
    EXPECT_DOUBLE_EQ(lines[0].height, 2.5);
    EXPECT_DOUBLE_EQ(lines[2].height, 5.0); // \H2x doubles the height
}

TEST(MTextCodes, NoBackslashCodeSurvives) {
    for (const char* raw : {"\\A1;\\P\\pi-3,l3;x", "{\\H0.7x;\\S+0.1^-0.2;}", "\\Fromans|c0;T",
                            "\\K strike\\k", "\\X after", "trailing \\"}) {
        const std::string all = joined(parseMText(raw, 1, 0));
        EXPECT_EQ(all.find('\\'), std::string::npos) << raw << " -> " << all;
        EXPECT_EQ(all.find(';'), std::string::npos) << raw << " -> " << all;
    }
}

TEST(MTextCodes, WrapsAtReferenceWidth) {
    const auto lines = parseMText("one two three four five six", 1.0, 6.0);
    ASSERT_GT(lines.size(), 1u);
    for (const MTextLine& l : lines)
        EXPECT_LE(defaultTextFont()->width(l.text), 6.0 + 1e-9) << l.text;
}

TEST(TextPlacement, LeftBaselineUsesInsertPoint) {
    Text t;
    t.text = "ABC";
    t.insert = {10, 20, 0};
    t.height = 2;
    TextRun run;
    ASSERT_TRUE(layoutText(t, nullptr, Affine2{}, run));
    const Vec2 origin = run.toWorld.map({0, 0});
    EXPECT_NEAR(origin.x, 10, 1e-12);
    EXPECT_NEAR(origin.y, 20, 1e-12);
    const Vec2 capTop = run.toWorld.map({0, 1});
    EXPECT_NEAR(capTop.y, 22, 1e-12); // one frame unit is the text height
    EXPECT_EQ(run.align, 0);
}

TEST(TextPlacement, AlignmentsAnchorAtTheAlignPoint) {
    Text t;
    t.text = "ABC";
    t.insert = {0, 0, 0};
    t.alignPoint = {50, 50, 0};
    t.height = 2;
    t.hAlign = 2; // right
    t.vAlign = 3; // top
    TextRun run;
    ASSERT_TRUE(layoutText(t, nullptr, Affine2{}, run));
    EXPECT_EQ(run.align, 2);
    const Vec2 top = run.toWorld.map({0, 1});
    EXPECT_NEAR(top.x, 50, 1e-12);
    EXPECT_NEAR(top.y, 50, 1e-12); // the cap line passes through the align point

    t.hAlign = 4; // middle: centred both ways
    t.vAlign = 0;
    ASSERT_TRUE(layoutText(t, nullptr, Affine2{}, run));
    EXPECT_EQ(run.align, 1);
    EXPECT_NEAR(run.toWorld.map({0, 0.5}).y, 50, 1e-12);

    t.hAlign = 5; // fit between the two points
    t.alignPoint = {0, 30, 0};
    ASSERT_TRUE(layoutText(t, nullptr, Affine2{}, run));
    EXPECT_NEAR(run.fitWidth, 15, 1e-12); // 30 units / height 2
    const Vec2 along = run.toWorld.mapVector({1, 0});
    EXPECT_NEAR(along.x, 0, 1e-12); // rotated to run up the y axis
    EXPECT_NEAR(along.y, 2, 1e-12);
}

TEST(TextPlacement, RotationWidthObliqueAndMirror) {
    Text t;
    t.text = "A";
    t.height = 1;
    t.rotation = std::numbers::pi / 2;
    t.widthFactor = 2;
    TextRun run;
    ASSERT_TRUE(layoutText(t, nullptr, Affine2{}, run));
    const Vec2 x = run.toWorld.mapVector({1, 0});
    EXPECT_NEAR(x.x, 0, 1e-12);
    EXPECT_NEAR(x.y, 2, 1e-12); // width factor along the rotated baseline

    t.rotation = 0;
    t.widthFactor = 1;
    t.oblique = std::numbers::pi / 4;
    ASSERT_TRUE(layoutText(t, nullptr, Affine2{}, run));
    EXPECT_NEAR(run.toWorld.mapVector({0, 1}).x, 1, 1e-12); // leans right

    t.oblique = 0;
    t.mirrorX = true;
    ASSERT_TRUE(layoutText(t, nullptr, Affine2{}, run));
    EXPECT_NEAR(run.toWorld.mapVector({1, 0}).x, -1, 1e-12); // backwards
}

TEST(TextPlacement, MTextAttachmentPlacesTheBlock) {
    MText m;
    m.text = "first\\Psecond";
    m.insert = {100, 100, 0};
    m.height = 2;
    m.attachment = 1; // top left: first cap line at the insert
    auto runs = layoutMText(m, {0, 0, 1});
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_NEAR(runs[0].toWorld.map({0, 1}).y, 100, 1e-9);
    EXPECT_LT(runs[1].toWorld.map({0, 0}).y, runs[0].toWorld.map({0, 0}).y);
    m.attachment = 9; // bottom right: last baseline at the insert, right aligned
    runs = layoutMText(m, {0, 0, 1});
    EXPECT_NEAR(runs[1].toWorld.map({0, 0}).y, 100, 1e-9);
    EXPECT_NEAR(glyphFrame(runs[1]).map({runWidth(runs[1]), 0}).x, 100, 1e-9); // ends there
}

TEST(TextPlacement, EmptyOrZeroHeightTextIsSkipped) {
    Text t;
    t.text = "";
    TextRun run;
    EXPECT_FALSE(layoutText(t, nullptr, Affine2{}, run));
    t.text = "x";
    t.height = 0;
    EXPECT_FALSE(layoutText(t, nullptr, Affine2{}, run));
    TextStyle fixed;
    fixed.fixedHeight = 3;
    EXPECT_TRUE(layoutText(t, &fixed, Affine2{}, run));
}

namespace {

bool strokeFontsInstalled() {
    return defaultTextFont()->kind == TextFont::Kind::Stroke;
}

// The right-most point of the last glyph's strokes, in the run's glyph frame.
double lastInkX(const TextRun& run) {
    double x = 0, right = 0;
    for (std::size_t i = 0; i < run.text.size();) {
        const char32_t c = nextCodepoint(run.text, i);
        if (const StrokeGlyph* g = run.font->strokeGlyph(c))
            for (Vec2 p : g->points)
                right = std::max(right, x + p.x);
        x += run.font->strokeAdvance(c);
    }
    return right;
}

MTextLayout laid(const std::string& text, double width = 0) {
    MText m;
    m.text = text;
    m.height = 2;
    m.referenceWidth = width;
    return layoutMTextFull(m, {0, 0, 1}, nullptr);
}

} // namespace

TEST(TextPlacement, FittedTextEndsExactlyAtItsSecondPoint) {
    if (!strokeFontsInstalled())
        GTEST_SKIP() << "stroke fonts are installed by the set-up";
    Text t;
    t.text = "FIT-T";
    t.height = 2;
    t.insert = {1, 1, 0};
    t.alignPoint = {31, 41, 0};
    for (int align : {5, 3}) { // fit, aligned
        t.hAlign = static_cast<std::int16_t>(align);
        TextRun run;
        ASSERT_TRUE(layoutText(t, nullptr, Affine2{}, run));
        const Affine2 frame = glyphFrame(run);
        const Vec2 start = frame.map({0, 0});
        const Vec2 end = frame.map({lastInkX(run), 0});
        EXPECT_NEAR(start.x, 1, 1e-9);
        EXPECT_NEAR(start.y, 1, 1e-9);
        EXPECT_NEAR(end.x, 31, 1e-9) << align;
        EXPECT_NEAR(end.y, 41, 1e-9) << align;
    }
}

TEST(TextPlacement, CentredAndRightTextUseTheRealWidth) {
    if (!strokeFontsInstalled())
        GTEST_SKIP() << "stroke fonts are installed by the set-up";
    for (const char* s : {"iiii", "MMMMWW"}) {
        Text t;
        t.text = s;
        t.height = 3;
        t.widthFactor = 0.7;
        t.alignPoint = {10, 0, 0};
        t.hAlign = 1;
        TextRun run;
        ASSERT_TRUE(layoutText(t, nullptr, Affine2{}, run));
        const Affine2 frame = glyphFrame(run);
        EXPECT_NEAR((frame.map({0, 0}).x + frame.map({lastInkX(run), 0}).x) / 2, 10, 1e-9) << s;
        t.hAlign = 2;
        ASSERT_TRUE(layoutText(t, nullptr, Affine2{}, run));
        EXPECT_NEAR(glyphFrame(run).map({lastInkX(run), 0}).x, 10, 1e-9) << s;
    }
}

TEST(TextPlacement, UnderlineAndOverlineFollowTheirToggles) {
    Text t;
    t.text = "%%uab%%u cd %%oef";
    t.height = 1;
    TextRun run;
    std::vector<TextRule> rules;
    ASSERT_TRUE(layoutText(t, nullptr, Affine2{}, run, &rules));
    EXPECT_EQ(run.text, "ab cd ef");
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_NEAR(rules[0].from.x, 0, 1e-9);
    EXPECT_NEAR(rules[0].to.x, run.font->width("ab"), 1e-9); // under "ab" only
    EXPECT_LT(rules[0].from.y, 0);                           // below the baseline
    EXPECT_GT(rules[1].from.y, 1);                           // above the caps
    EXPECT_NEAR(rules[1].to.x, runWidth(run), 1e-9);         // open to the end
}

TEST(MTextLayoutCodes, EachCodeChangesOnlyWhatItShould) {
    const MTextLayout base = laid("abc");
    ASSERT_EQ(base.runs.size(), 1u);
    const TextRun& b = base.runs[0];
    auto sameFrame = [&](const TextRun& r) {
        const Affine2& x = r.toWorld;
        const Affine2& y = b.toWorld;
        return std::abs(x.a - y.a) + std::abs(x.b - y.b) + std::abs(x.c - y.c) +
                   std::abs(x.d - y.d) + std::abs(x.e - y.e) + std::abs(x.f - y.f) <
               1e-9;
    };
    EXPECT_FALSE(base.colors[0]);
    EXPECT_TRUE(base.rules.empty());

    // Colour: the same run in another colour.
    const MTextLayout red = laid("\\C1;abc");
    ASSERT_EQ(red.runs.size(), 1u);
    EXPECT_TRUE(sameFrame(red.runs[0]));
    EXPECT_EQ(*red.colors[0], Color::indexed(1));
    const MTextLayout blue = laid("\\c16711680;abc"); // 0xBBGGRR
    EXPECT_EQ(*blue.colors[0], Color::trueColor(0x0000FF));
    EXPECT_TRUE(sameFrame(blue.runs[0]));

    // Rules: the run unchanged, one rule below, above or through it.
    for (const auto& [code, lo, hi] :
         {std::tuple{"\\L", -1.0, 0.0}, std::tuple{"\\O", 2.0, 3.0}, std::tuple{"\\K", 0.0, 2.0}}) {
        const MTextLayout ruled = laid(std::string(code) + "abc");
        ASSERT_EQ(ruled.runs.size(), 1u) << code;
        EXPECT_TRUE(sameFrame(ruled.runs[0])) << code;
        ASSERT_EQ(ruled.rules.size(), 1u) << code;
        const double baseline = b.toWorld.f;
        EXPECT_GT(ruled.rules[0].from.y - baseline, lo) << code;
        EXPECT_LT(ruled.rules[0].from.y - baseline, hi) << code;
        EXPECT_NEAR(ruled.rules[0].to.x - ruled.rules[0].from.x, 2 * runWidth(b), 1e-9) << code;
    }
    EXPECT_TRUE(laid("\\Labc\\l").rules.size() == 1 && laid("\\L\\labc").rules.empty());

    // Height: twice as tall, same text and start.
    const MTextLayout tall = laid("\\H2x;abc");
    ASSERT_EQ(tall.runs.size(), 1u);
    EXPECT_NEAR(tall.runs[0].toWorld.d, 2 * b.toWorld.d, 1e-9);
    EXPECT_NEAR(tall.runs[0].toWorld.a, 2 * b.toWorld.a, 1e-9);
    EXPECT_NEAR(laid("\\H6;abc").runs[0].toWorld.d, 6, 1e-9); // absolute
    EXPECT_EQ(tall.runs[0].text, "abc");
    // Width: wider only.
    const TextRun wide = laid("\\W2;abc").runs[0];
    EXPECT_NEAR(wide.toWorld.a, 2 * b.toWorld.a, 1e-9);
    EXPECT_NEAR(wide.toWorld.d, b.toWorld.d, 1e-9);
    // Oblique: leans, nothing else.
    const TextRun slanted = laid("\\Q15;abc").runs[0];
    EXPECT_NEAR(slanted.toWorld.c, std::tan(15 * std::numbers::pi / 180) * b.toWorld.d, 1e-9);
    EXPECT_NEAR(slanted.toWorld.a, b.toWorld.a, 1e-9);
    // Tracking: characters spread apart.
    const MTextLayout spaced = laid("\\T2;abc");
    ASSERT_EQ(spaced.runs.size(), 3u);
    EXPECT_GT(spaced.runs[2].toWorld.e,
              laid("\\T1;abc").runs[0].toWorld.e + 2 * runWidth(b) * 2 / 3);

    // Stacked fractions: numerator above the denominator, a bar only for '/'.
    const MTextLayout fraction = laid("1\\S3/4;");
    ASSERT_EQ(fraction.runs.size(), 3u);
    EXPECT_EQ(fraction.runs[1].text, "3");
    EXPECT_EQ(fraction.runs[2].text, "4");
    EXPECT_GT(fraction.runs[1].toWorld.f, fraction.runs[2].toWorld.f);
    EXPECT_LT(fraction.runs[1].toWorld.d, fraction.runs[0].toWorld.d);
    EXPECT_EQ(fraction.rules.size(), 1u);
    EXPECT_TRUE(laid("\\S+0.1^-0.2;").rules.size() == 0);
    EXPECT_EQ(laid("\\S1#2;").rules.size(), 1u);

    // Characters by code.
    EXPECT_EQ(laid("\\U+0041%%c%%d%%p%%%").runs[0].text, "A\u2300\u00B0\u00B1%");
    // Fonts: a TrueType family and a compiled font.
    const MTextLayout fonts = laid("{\\fArial|b1|i0;x}{\\Fromans|c0;y}z");
    ASSERT_EQ(fonts.runs.size(), 3u);
    EXPECT_EQ(fonts.runs[0].font->kind, TextFont::Kind::TrueType);
    EXPECT_TRUE(fonts.runs[0].font->bold);
    EXPECT_EQ(fonts.runs[2].font, base.runs[0].font); // the group ended
    if (strokeFontsInstalled()) {
        EXPECT_EQ(fonts.runs[1].font->stroke->name(), "romans");
    }
}

TEST(MTextLayoutCodes, ParagraphsAlignAndWrapByRealWidths) {
    // Centred paragraph inside a 40-unit column.
    const MTextLayout centred = laid("\\pxqc;ab", 40);
    ASSERT_EQ(centred.runs.size(), 1u);
    const TextRun& r = centred.runs[0];
    const double left = glyphFrame(r).map({0, 0}).x;
    const double right = glyphFrame(r).map({runWidth(r), 0}).x;
    EXPECT_NEAR(left + right, 40, 1e-9);
    // Narrow letters fit more to a line than wide ones.
    const MTextLayout narrow = laid("iii iii iii iii iii iii", 12);
    const MTextLayout wideText = laid("MMM MMM MMM MMM MMM MMM", 12);
    EXPECT_LT(narrow.runs.size(), wideText.runs.size());
    for (const TextRun& run : wideText.runs)
        EXPECT_LE(glyphFrame(run).map({runWidth(run), 0}).x, 12 + 1e-9) << run.text;
    // A non-breaking space keeps its words on one line.
    const MTextLayout kept = laid("MMM\\~MMM MMM", 14);
    ASSERT_GE(kept.runs.size(), 1u);
    EXPECT_EQ(kept.runs[0].text, "MMM\u00A0MMM");
}
