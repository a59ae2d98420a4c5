#include "cad/text/StrokeFont.h"

#include "cad/geometry/DisplayList.h"
#include "cad/text/TextFont.h"
#include "support/ModelRecords.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace vexor::cad;

namespace {

const char* kFont = "# Format: LibreCAD Font 1\n"
                    "# LetterSpacing: 3\n"
                    "# WordSpacing: 6\n"
                    "# LineSpacingFactor: 1.5\n"
                    "\n"
                    "[0041] A\n"
                    "0,0;4.5,9;9,0\n"
                    "2,4;7,4\n"
                    "\n"
                    "[00c4] \xC3\x84\n"
                    "C0041\n"
                    "3,10;3,10.5\n"
                    "\n"
                    "[0055] U\n"
                    "0,9;0,4.5;9,4.5,A1;9,9\n"
                    "\n"
                    "[0056] V\n" // the bulge without its comma, as some installed glyphs have it
                    "0,9;0,4.5;9,4.5A1;9,9\n";

bool hasPoint(const StrokeGlyph& g, Vec2 p) {
    for (Vec2 q : g.points)
        if (std::abs(q.x - p.x) < 1e-9 && std::abs(q.y - p.y) < 1e-9)
            return true;
    return false;
}

bool installed() {
    return std::filesystem::exists("/usr/share/librecad/fonts/standard.lff");
}

} // namespace

TEST(LffFont, StrokesLandWhereTheFilePutsThem) {
    const StrokeFontResult r = readLffFont(kFont, "test");
    ASSERT_TRUE(r.font);
    EXPECT_TRUE(r.problems.empty());
    const StrokeGlyph* a = r.font->glyph(U'A');
    ASSERT_NE(a, nullptr);
    // Two polylines, coordinates in cap heights (the file's cap height is 9).
    ASSERT_EQ(a->strokeSizes.size(), 2u);
    EXPECT_EQ(a->strokeSizes[0], 3u);
    EXPECT_EQ(a->points[1].x, 0.5);
    EXPECT_EQ(a->points[1].y, 1.0);
    EXPECT_DOUBLE_EQ(a->points[4].y, 4.0 / 9);
    // The advance is the glyph's width plus the letter spacing; a space is the word spacing.
    EXPECT_DOUBLE_EQ(a->advance, 12.0 / 9);
    EXPECT_DOUBLE_EQ(r.font->advance(U' '), 6.0 / 9);
    EXPECT_DOUBLE_EQ(r.font->lineSpacingFactor(), 1.5);
    // A referenced glyph's strokes come first, then the glyph's own.
    const StrokeGlyph* umlaut = r.font->glyph(0xC4);
    ASSERT_NE(umlaut, nullptr);
    ASSERT_EQ(umlaut->strokeSizes.size(), 3u);
    EXPECT_TRUE(hasPoint(*umlaut, {0.5, 1.0}));
    EXPECT_TRUE(hasPoint(*umlaut, {3.0 / 9, 10.5 / 9}));
    // A bulge of 1 is a half circle, counterclockwise: from (0, 4.5) to (9, 4.5) it dips to
    // the baseline.
    const StrokeGlyph* u = r.font->glyph(U'U');
    ASSERT_NE(u, nullptr);
    double lowest = 1;
    for (Vec2 p : u->points)
        lowest = std::min(lowest, p.y);
    EXPECT_NEAR(lowest, 0.0, 1e-3);
    EXPECT_TRUE(hasPoint(*u, {1.0, 1.0})); // the last point, after the arc
    const StrokeGlyph* v = r.font->glyph(U'V');
    ASSERT_NE(v, nullptr);
    ASSERT_EQ(v->points.size(), u->points.size());
    for (Vec2 p : u->points)
        EXPECT_TRUE(hasPoint(*v, p));
}

TEST(LffFont, HostileFilesEndWithAMessage) {
    // A glyph naming itself and a cycle of two: read, reported, their own strokes kept.
    const StrokeFontResult cyc = readLffFont("[0041] A\nC0041\n0,0;1,1\n"
                                             "[0042] B\nC0043\n0,0;2,2\n[0043] C\nC0042\n0,0;3,3\n",
                                             "cycle");
    ASSERT_TRUE(cyc.font);
    EXPECT_FALSE(cyc.problems.empty());
    EXPECT_TRUE(hasPoint(*cyc.font->glyph(U'A'), {1.0 / 9, 1.0 / 9}));
    EXPECT_TRUE(hasPoint(*cyc.font->glyph(U'B'), {2.0 / 9, 2.0 / 9}));

    // More glyphs than the limit: the rest are left out, and said so.
    std::string many;
    char header[32];
    for (std::size_t k = 0; k < kMaxGlyphs + 10; ++k) {
        std::snprintf(header, sizeof header, "[%05zx] x\n0,0;1,1\n", k + 0x100);
        many += header;
    }
    const StrokeFontResult big = readLffFont(many, "many");
    ASSERT_TRUE(big.font);
    EXPECT_EQ(big.font->glyphCount(), kMaxGlyphs);
    EXPECT_FALSE(big.problems.empty());

    // A polyline of more points than a glyph may hold is cut.
    std::string longLine = "[0041] A\n";
    for (std::size_t k = 0; k < kMaxPointsPerGlyph + 100; ++k)
        longLine += "1,1;";
    const StrokeFontResult longer = readLffFont(longLine, "long");
    ASSERT_TRUE(longer.font);
    EXPECT_LE(longer.font->glyph(U'A')->points.size(), kMaxPointsPerGlyph);
    EXPECT_FALSE(longer.problems.empty());

    // Not a font at all, or numbers that are not coordinates.
    static constexpr char kJunk[] = "\x00\xff\x01[zz]\n1e999,nan;";
    EXPECT_FALSE(readLffFont(std::string(kJunk, sizeof kJunk - 1), "junk").font);
    const StrokeFontResult bad = readLffFont("[0041] A\n1e999,2;nan,1;3,4,Ax\n", "bad");
    EXPECT_FALSE(bad.problems.empty());
}

TEST(FontChoice, CompiledFontNamesMapToStrokeFonts) {
    if (!installed())
        GTEST_SKIP() << "librecad-data is not installed";
    auto file = [](std::string_view name) {
        const FontChoice c = resolveFont(name);
        return std::filesystem::path(c.font->path).filename().string();
    };
    EXPECT_EQ(file("txt"), "standard.lff");
    EXPECT_EQ(file(""), "standard.lff");
    EXPECT_EQ(file("ROMANS.SHX"), "romans.lff");
    EXPECT_EQ(file("C:\\fonts\\simplex.shx"), "simplex.lff");
    EXPECT_EQ(file("isocp.shx"), "iso.lff");
    EXPECT_EQ(file("isoct3.shx"), "iso.lff");
    EXPECT_EQ(file("gothice.shx"), "gothgbt.lff");
    EXPECT_EQ(file("greeks.shx"), "greeks.lff");
    EXPECT_EQ(file("cyrillic.shx"), "cyrillic_ii.lff");
    EXPECT_EQ(file("scriptc.shx"), "scriptc.lff");
    EXPECT_TRUE(resolveFont("isocp.shx").found);
    // Any other name: the default, and the choice says it stands in.
    const FontChoice unknown = resolveFont("acme_special.shx");
    EXPECT_FALSE(unknown.found);
    EXPECT_EQ(std::filesystem::path(unknown.font->path).filename(), "standard.lff");
    EXPECT_FALSE(unknown.standIn.empty());
    // A big font supplies what the main font lacks.
    const FontChoice withBig = resolveFont("txt", "bigfont.shx");
    ASSERT_TRUE(withBig.font->fallback);
    EXPECT_NE(withBig.font->strokeGlyph(0x4E2D), nullptr); // a CJK ideograph
}

TEST(FontChoice, TrueTypeNamesFindTheirMetricCompatibleFaces) {
    if (!std::filesystem::exists("/usr/share/fonts/truetype/liberation2"))
        GTEST_SKIP() << "fonts-liberation2 is not installed";
    auto file = [](const FontChoice& c) {
        EXPECT_EQ(c.font->kind, TextFont::Kind::TrueType);
        return std::filesystem::path(c.font->path).filename().string();
    };
    EXPECT_EQ(file(resolveFont("arial.ttf")), "LiberationSans-Regular.ttf");
    EXPECT_EQ(file(resolveFont("ARIALBD.TTF")), "LiberationSans-Bold.ttf");
    EXPECT_EQ(file(resolveFont("times.ttf")), "LiberationSerif-Regular.ttf");
    EXPECT_EQ(file(resolveFont("Times New Roman")), "LiberationSerif-Regular.ttf");
    EXPECT_EQ(file(resolveFont("couri.ttf")), "LiberationMono-Italic.ttf");
    EXPECT_EQ(file(resolveFamily("Arial", true, true)), "LiberationSans-BoldItalic.ttf");
    EXPECT_LT(resolveFont("arialn.ttf").font->widthScale, 1.0);
    const FontChoice missing = resolveFont("nosuchface.ttf");
    EXPECT_FALSE(missing.found);
    EXPECT_EQ(file(missing), "LiberationSans-Regular.ttf");
}

TEST(FontChoice, ADamagedUserFontIsUsedAndReported) {
    // A user font whose glyphs name each other in a cycle and one that is not a font at all.
    const std::filesystem::path home =
        std::filesystem::temp_directory_path() / ("vexor-fonts-" + std::to_string(::getpid()));
    std::filesystem::create_directories(home / "vexor/fonts");
    {
        std::ofstream(home / "vexor/fonts/looping.lff")
            << "# LetterSpacing: 3\n[0041] A\nC0042\n0,0;9,9\n[0042] B\nC0041\n0,9;9,0\n";
        std::ofstream(home / "vexor/fonts/garbage.lff") << std::string(4096, '\x7f');
    }
    const char* old = std::getenv("XDG_DATA_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_DATA_HOME", home.c_str(), 1);

    Drawing d;
    d.layerIndex("0");
    d.textStyles.push_back(vexor::test::textStyle("LOOP", "looping.shx"));
    d.textStyles.push_back(vexor::test::textStyle("JUNK", "garbage.shx"));
    d.textStyles.push_back(
        vexor::test::textStyle("SELF", "txt.shx", "txt.shx")); // its own big font
    for (std::uint32_t s = 0; s < 3; ++s) {
        Entity e;
        Text t;
        t.text = "AB";
        t.style = s;
        e.data = t;
        d.modelSpace.push_back(e);
    }
    const auto list = compileDisplayList(d);
    if (old)
        setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    std::filesystem::remove_all(home);

    ASSERT_EQ(list->styleFonts().size(), 3u);
    EXPECT_NE(list->styleFonts()[0].resolved.find("looping.lff"), std::string::npos);
    std::string all;
    for (const std::string& m : list->diagnostics())
        all += m + "\n";
    EXPECT_NE(all.find("looping.lff: glyph references form a cycle"), std::string::npos) << all;
    EXPECT_NE(all.find("garbage.lff"), std::string::npos) << all;
    EXPECT_NE(all.find("\"garbage.shx\" not found; drawn with"), std::string::npos) << all;
    EXPECT_EQ(list->modelSpace().texts.size(), 3u); // every text is still drawn
    if (installed()) {
        EXPECT_FALSE(resolveFont("txt.shx", "txt.shx").font->fallback);
    }
}
