#include "cad/geometry/DisplayList.h"
#include "cad/load/DrawingReader.h"
#include "cad/text/StrokeFont.h"
#include "cad/text/TextFont.h"
#include "support/ModelRecords.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace vexor::cad;

namespace {

constexpr double kPi = 3.14159265358979323846;

using Bytes = std::string;

void put16(Bytes& b, unsigned v) {
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>((v >> 8) & 0xFF);
}
void put32(Bytes& b, unsigned v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

struct ShapeDef {
    unsigned number;
    std::string name;
    std::vector<int> program; // signed values are stored as their byte
};

Bytes definition(const ShapeDef& s) {
    Bytes d = s.name + '\0';
    for (int v : s.program)
        d += static_cast<char>(static_cast<unsigned char>(v & 0xFF));
    return d;
}

// A "shapes 1.0" file: index of numbers and sizes, then the definitions.
Bytes shapesFile(const std::vector<ShapeDef>& shapes) {
    Bytes b = "AutoCAD-86 shapes 1.0\r\n\x1a";
    put16(b, 0);
    put16(b, 255);
    put16(b, static_cast<unsigned>(shapes.size()));
    for (const ShapeDef& s : shapes) {
        put16(b, s.number);
        put16(b, static_cast<unsigned>(definition(s).size()));
    }
    for (const ShapeDef& s : shapes)
        b += definition(s);
    return b;
}

// A big font: escape ranges, then an index of numbers, sizes and file offsets.
Bytes bigFontFile(const std::vector<ShapeDef>& shapes) {
    Bytes b = "AutoCAD-86 bigfont 1.0\r\n\x1a";
    put16(b, 8);
    put16(b, static_cast<unsigned>(shapes.size()));
    put16(b, 1);
    put16(b, 0x81);
    put16(b, 0x9F);
    std::size_t offset = b.size() + shapes.size() * 8;
    for (const ShapeDef& s : shapes) {
        put16(b, s.number);
        put16(b, static_cast<unsigned>(definition(s).size()));
        put32(b, static_cast<unsigned>(offset));
        offset += definition(s).size();
    }
    for (const ShapeDef& s : shapes)
        b += definition(s);
    return b;
}

// A Unicode font: count, font information, then each shape with its number and size.
Bytes unifontFile(const std::vector<ShapeDef>& shapes) {
    Bytes b = "AutoCAD-86 unifont 1.0\r\n\x1a";
    put32(b, static_cast<unsigned>(shapes.size()));
    const Bytes info = definition(shapes.front());
    put16(b, static_cast<unsigned>(info.size()));
    b += info;
    for (std::size_t i = 1; i < shapes.size(); ++i) {
        put16(b, shapes[i].number);
        put16(b, static_cast<unsigned>(definition(shapes[i]).size()));
        b += definition(shapes[i]);
    }
    return b;
}

// Font information: 10 units above the baseline, 2 below.
const ShapeDef kInfo{0, "TEST", {10, 2, 0, 0}};

// 'A': a 4-unit vector east, a counterclockwise octant arc of radius 2 over two octants from
// octant 0, then pen up and an X-Y move to (5, 0).
const ShapeDef kA{65, "A", {0x40, 10, 2, 0x02, 2, 8, 3, -2, 0}};
// 'B': a semicircle by bulge from (0,0) to (4,0), counterclockwise (below the chord).
const ShapeDef kB{66, "B", {12, 4, 0, 127, 0}};
// 'C': 'A' as a sub-shape (which ends with the pen up), pen down, a 2-unit vector east.
const ShapeDef kC{67, "C", {7, 65, 1, 0x20, 0}};
// 'D': a fractional arc of radius 3 from 55 to 95 degrees (the offsets of 10 and 5 degrees
// past their octant boundaries, in 256ths of an octant).
const ShapeDef kD{68, "D", {11, 56, 28, 0, 3, 0x12, 0}};
// 'E': calls itself.
const ShapeDef kE{69, "E", {0x10, 7, 69, 0}};
// 'F': the vertical-text flag skips the X-Y move after it; then a vector north.
const ShapeDef kF{70, "F", {14, 8, 50, 50, 0x14, 0}};

bool near(Vec2 a, Vec2 b, double tolerance = 1e-9) {
    return std::abs(a.x - b.x) < tolerance && std::abs(a.y - b.y) < tolerance;
}

struct TempFolder {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("vexor-shx-" + std::to_string(::getpid()));
    TempFolder() { std::filesystem::create_directories(path); }
    ~TempFolder() { std::filesystem::remove_all(path); }
    void write(const std::string& name, const Bytes& bytes) const {
        std::ofstream(path / name, std::ios::binary) << bytes;
    }
};

} // namespace

TEST(ShxFont, StrokesLandWhereTheBytesSay) {
    const StrokeFontResult r = readShxFont(shapesFile({kInfo, kA, kB, kC, kD, kF}), "test");
    ASSERT_TRUE(r.font);
    EXPECT_TRUE(r.problems.empty()) << r.problems.front();

    // Coordinates come out in units of the height above the baseline (10).
    const StrokeGlyph* a = r.font->glyph(U'A');
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->strokeSizes.size(), 1u); // the move with the pen up draws nothing
    EXPECT_TRUE(near(a->points.front(), {0, 0}));
    EXPECT_TRUE(near(a->points[1], {0.4, 0}));
    // The arc starts where the pen is, centre 2 units west of it: it ends at (2, 2).
    EXPECT_TRUE(near(a->points.back(), {0.2, 0.2}, 1e-12));
    for (std::size_t i = 1; i < a->points.size(); ++i)
        EXPECT_NEAR(std::hypot(a->points[i].x - 0.2, a->points[i].y), 0.2, 1e-9);
    EXPECT_DOUBLE_EQ(a->advance, 0.5);

    // A semicircle bulging below its chord: its lowest point is the radius below the middle.
    const StrokeGlyph* b = r.font->glyph(U'B');
    ASSERT_NE(b, nullptr);
    double lowest = 0;
    for (Vec2 p : b->points)
        lowest = std::min(lowest, p.y);
    EXPECT_NEAR(lowest, -0.2, 1e-3);
    EXPECT_TRUE(near(b->points.back(), {0.4, 0}));

    // The sub-shape's strokes, then the vector after it from where the sub-shape ended.
    const StrokeGlyph* c = r.font->glyph(U'C');
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->strokeSizes.size(), 2u);
    EXPECT_EQ(c->strokeSizes[0], a->strokeSizes[0]);
    EXPECT_TRUE(near(c->points.back(), {0.7, 0}));
    EXPECT_DOUBLE_EQ(c->advance, 0.7);

    // The fractional arc ends at 95 degrees on its circle through the start point.
    const StrokeGlyph* d = r.font->glyph(U'D');
    ASSERT_NE(d, nullptr);
    const Vec2 center{-0.3 * std::cos(55 * kPi / 180), -0.3 * std::sin(55 * kPi / 180)};
    const Vec2 end = center + Vec2{0.3 * std::cos(95 * kPi / 180), 0.3 * std::sin(95 * kPi / 180)};
    EXPECT_TRUE(near(d->points.back(), end, 2e-3))
        << d->points.back().x << "," << d->points.back().y;

    // Horizontal text skips the command flagged as vertical-only.
    const StrokeGlyph* f = r.font->glyph(U'F');
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(near(f->points.front(), {0, 0}));
    EXPECT_TRUE(near(f->points.back(), {0, 0.1}));
}

TEST(ShxFont, ClockwiseArcsRunFromTheirStartBoundaryTheOtherWay) {
    // The octant arc of the shape documentation: a vector up and right, a clockwise arc of
    // radius 1 from octant 3 over two octants, a vector down and right: a hump over the top.
    const ShapeDef octant{71, "G", {0x12, 10, 1, 0xB2, 0x1E, 0}};
    // A clockwise fractional arc of radius 3 from 95 down to 55 degrees: 40 degrees before the
    // starting boundary (135), 35 past the last one crossed (90), in 256ths of an octant.
    const ShapeDef fraction{72, "H", {11, 228, 199, 0, 3, 0xB2, 0}};
    const StrokeFontResult r = readShxFont(shapesFile({kInfo, octant, fraction}), "test");
    ASSERT_TRUE(r.font);
    const StrokeGlyph* g = r.font->glyph(U'G');
    ASSERT_NE(g, nullptr);
    const double s = 0.1; // a unit, in heights
    const Vec2 top{s, s}; // after the first vector
    const Vec2 centre = top + Vec2{s * std::sqrt(0.5), -s * std::sqrt(0.5)};
    const Vec2 arcEnd = centre + Vec2{s * std::sqrt(0.5), s * std::sqrt(0.5)};
    double highest = -1;
    for (Vec2 p : g->points)
        highest = std::max(highest, p.y);
    EXPECT_NEAR(highest, centre.y + s, 1e-3); // over the top, not round the bottom
    EXPECT_TRUE(near(g->points.back(), arcEnd + Vec2{s, -s}, 1e-6))
        << g->points.back().x << "," << g->points.back().y;

    const StrokeGlyph* h = r.font->glyph(U'H');
    ASSERT_NE(h, nullptr);
    const double radius = 0.3, deg = kPi / 180;
    const Vec2 c{-radius * std::cos(95 * deg), -radius * std::sin(95 * deg)};
    const Vec2 end = c + Vec2{radius * std::cos(55 * deg), radius * std::sin(55 * deg)};
    EXPECT_TRUE(near(h->points.back(), end, 1e-3))
        << h->points.back().x << "," << h->points.back().y;
    // The short way over the top: nothing lower than the end (55 degrees); the long way round
    // would pass under the centre.
    for (Vec2 p : h->points)
        EXPECT_GE(p.y, end.y - 1e-6);
}

TEST(ShxFont, BigAndUnicodeFontsKeyShapesByTheirCode) {
    const ShapeDef kanji{0x8140, "", {0x40, 0x04 | 0x20, 0}};
    const StrokeFontResult big = readShxFont(bigFontFile({kInfo, kanji}), "big");
    ASSERT_TRUE(big.font);
    EXPECT_TRUE(big.problems.empty());
    ASSERT_NE(big.font->glyph(0x8140), nullptr);
    EXPECT_TRUE(near(big.font->glyph(0x8140)->points.back(), {0.4, 0.2}));

    // A Unicode font's sub-shape number takes two bytes.
    const ShapeDef one{0x4E00, "", {0x30, 0}};
    const ShapeDef two{0x4E8C, "", {7, 0x4E, 0x00, 0x30, 0}};
    const StrokeFontResult uni = readShxFont(unifontFile({kInfo, one, two}), "uni");
    ASSERT_TRUE(uni.font);
    EXPECT_TRUE(uni.problems.empty());
    ASSERT_NE(uni.font->glyph(0x4E8C), nullptr);
    EXPECT_DOUBLE_EQ(uni.font->glyph(0x4E8C)->advance, 0.6);
}

TEST(ShxFont, HostileFilesEndWithAMessage) {
    // A shape calling itself stops at the nesting limit.
    const StrokeFontResult self = readShxFont(shapesFile({kInfo, kA, kE}), "self");
    ASSERT_TRUE(self.font);
    ASSERT_FALSE(self.problems.empty());
    EXPECT_NE(self.problems.front().find("nest deeper"), std::string::npos);

    // An index claiming 65535 shapes in a short file.
    Bytes huge = "AutoCAD-86 shapes 1.0\r\n\x1a";
    put16(huge, 0);
    put16(huge, 0);
    put16(huge, 0xFFFF);
    huge += "\x41\x00\x05\x00";
    const StrokeFontResult h = readShxFont(huge, "huge");
    EXPECT_FALSE(h.font);
    EXPECT_FALSE(h.problems.empty());

    // Every truncation of a valid file, and of a big font, reads or fails with a message.
    for (const Bytes& whole : {shapesFile({kInfo, kA, kB, kC, kD, kE, kF}),
                               bigFontFile({kInfo, kA, kC}), unifontFile({kInfo, kA, kC})}) {
        for (std::size_t n = 0; n < whole.size(); ++n) {
            const StrokeFontResult r = readShxFont(whole.substr(0, n), "cut");
            EXPECT_TRUE(r.font || !r.problems.empty()) << n;
        }
    }

    // Shapes fanning out to each other (each calls the next twice) are bounded in work.
    std::vector<ShapeDef> fan = {kInfo};
    for (unsigned n = 1; n < 200; ++n)
        fan.push_back({n, "", {0x11, 7, static_cast<int>(n + 1), 7, static_cast<int>(n + 1), 0}});
    const StrokeFontResult f = readShxFont(shapesFile(fan), "fan");
    ASSERT_TRUE(f.font);
    for (unsigned n = 1; n < 200; ++n)
        EXPECT_LE(f.font->glyph(n)->points.size(), kMaxPointsPerGlyph);
}

TEST(ShxFont, DrawingsUseTheShxBesideThemAndReportIt) {
    const TempFolder folder;
    const Bytes font = shapesFile({kInfo, kA, kB, kC});
    folder.write("myfont.shx", font);
    folder.write("mybig.shx", bigFontFile({kInfo, {0x8140, "", {0x40, 0}}}));

    Drawing d;
    d.layerIndex("0");
    d.sourcePath = (folder.path / "plan.dxf").string();
    d.textStyles.push_back(vexor::test::textStyle("MINE", "MYFONT.SHX", "MyBig.shx"));
    d.textStyles.push_back(vexor::test::textStyle("SELF", "myfont.shx", "myfont.shx"));
    Entity e;
    Text t;
    t.text = "ABC";
    t.style = 0;
    t.height = 2;
    e.data = t;
    d.modelSpace.push_back(e);
    const auto list = compileDisplayList(d);

    ASSERT_EQ(list->styleFonts().size(), 2u);
    EXPECT_EQ(list->styleFonts()[0].resolved, (folder.path / "myfont.shx").string());
    ASSERT_EQ(list->modelSpace().texts.size(), 1u);
    const auto& run = list->modelSpace().texts.front();
    ASSERT_TRUE(run.font && run.font->stroke);
    EXPECT_EQ(run.font->stroke->path(), (folder.path / "myfont.shx").string());
    ASSERT_TRUE(run.font->fallback);
    EXPECT_EQ(run.font->fallback->path(), (folder.path / "mybig.shx").string());
    // The text's width is the shapes' advances: A 5, B 4, C 7 units of 10.
    EXPECT_NEAR(run.width, 1.6, 1e-9);
    std::string all;
    for (const std::string& m : list->diagnostics())
        all += m + "\n";
    EXPECT_NE(all.find("names itself as its big font"), std::string::npos) << all;

    // Without the drawing's folder the same name falls back to a stand-in.
    Drawing elsewhere = d;
    elsewhere.sourcePath.clear();
    const auto other = compileDisplayList(elsewhere);
    EXPECT_NE(other->styleFonts()[0].resolved, (folder.path / "myfont.shx").string());
}

TEST(ShxFont, ShapeEntitiesDrawFromTheirShapeFile) {
    const TempFolder folder;
    // A shape library (no font information: its own units): "TRI" two vectors, east then north.
    folder.write("shapes.shx", shapesFile({{1, "TRI", {0x20, 0x24, 0}}}));
    // Two shape-file entries (both nameless), the first naming a file nobody has.
    const std::string dxf = "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nSTYLE\n"
                            "0\nSTYLE\n2\n\n70\n1\n3\nmissing.shx\n"
                            "0\nSTYLE\n2\n\n70\n1\n3\nSHAPES.SHX\n0\nENDTAB\n0\nENDSEC\n"
                            "0\nSECTION\n2\nENTITIES\n"
                            "0\nSHAPE\n8\n0\n10\n10\n20\n20\n30\n0\n40\n0.5\n2\ntri\n50\n90\n"
                            "0\nSHAPE\n8\n0\n10\n0\n20\n0\n30\n0\n40\n1\n2\nNOPE\n"
                            "0\nENDSEC\n0\nEOF\n";
    folder.write("plan.dxf", dxf);
    const Drawing d = readDrawingFile((folder.path / "plan.dxf").string());
    ASSERT_EQ(d.textStyles.size(), 2u);
    EXPECT_TRUE(d.textStyles[1].shapeFile);
    ASSERT_EQ(d.modelSpace.size(), 2u);
    const auto& shape = vexor::cad::dataOf<vexor::cad::Shape>(d.modelSpace[0].data);
    EXPECT_EQ(shape.name, "tri");
    EXPECT_DOUBLE_EQ(shape.size, 0.5);

    const auto list = compileDisplayList(d);
    const ItemList& model = list->modelSpace();
    ASSERT_EQ(model.items.size(), 2u);
    // ShapeDef units times the size, turned by the rotation, from the insertion point.
    const DisplayItem& tri = model.items[0];
    ASSERT_EQ(tri.count, 3u);
    EXPECT_TRUE(near(model.points[tri.first], {10, 20}, 1e-12));
    EXPECT_TRUE(near(model.points[tri.first + 1], {10, 21}, 1e-12));
    EXPECT_TRUE(near(model.points[tri.first + 2], {9, 21}, 1e-12));
    // The shape the file lacks is a marker of its size, and said.
    EXPECT_NEAR(model.items[1].box.width(), 1, 1e-12);
    std::string all;
    for (const std::string& m : list->diagnostics())
        all += m + "\n";
    EXPECT_NE(all.find("1 SHAPE entity drawn as a square marker: the shape is not in its shape "
                       "file"),
              std::string::npos)
        << all;
    ASSERT_EQ(list->styleFonts().size(), 2u);
    EXPECT_EQ(list->styleFonts()[0].resolved, "");
    EXPECT_EQ(list->styleFonts()[1].resolved, (folder.path / "shapes.shx").string());
}
