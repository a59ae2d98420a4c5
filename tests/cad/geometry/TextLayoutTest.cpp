#include "cad/geometry/TextLayout.h"

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
    EXPECT_EQ(expandTextCodes("50% off"), "50% off");
    EXPECT_EQ(expandTextCodes("\\U+00C4rger"), "\u00C4rger");
}

TEST(MTextCodes, FormattingIsInterpretedOrStripped) {
    const auto lines = parseMText(
        "{\\fArial|b1|i0|c0|p34;Bold}\\PLine\\~two\\P\\C1;red \\H2x;big\\S1^2; \\Lu\\lx\\Oo\\o"
        " a\\\\b \\{c\\} \\pxqc;centred\\Tb1.1;\\Q12;\\W0.8;\\A1;z",
        2.5, 0);
    const std::string all = joined(lines);
    EXPECT_EQ(all, "Bold|Line two|red big1/2 uxo a\\b {c} centredz|");
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
        EXPECT_LE(estimateTextWidth(l.text), 6.0 + 1e-9) << l.text;
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
    EXPECT_EQ(runs[1].align, 2);
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
