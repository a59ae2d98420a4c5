#include "BitWriter.h"
#include "cad/dwg/MultiLeaderObjects.h"
#include "cad/model/MultiLeader.h"

#include <gtest/gtest.h>

using namespace vexor;
using namespace vexor::cad::dwg;
using vexor::test::BitWriter;

namespace {

// An R2000 multileader's data with the counts a test chooses: one leader root whose one line
// has `points` vertices, no content; the entity's own values after it.
struct MultiLeaderBytes {
    std::uint32_t roots = 1;
    std::uint32_t lines = 1;
    std::uint32_t points = 2;
    std::uint32_t labels = 0;

    void bd(BitWriter& w, double v) const {
        w.bits(0, 2);
        w.rawDouble(v);
    }
    void point(BitWriter& w, double x, double y) const {
        bd(w, x);
        bd(w, y);
        bd(w, 0);
    }

    std::vector<std::uint8_t> data() const {
        BitWriter w;
        w.bitLong(roots);
        w.bits(1, 1); // content valid
        w.bits(1, 1);
        point(w, 10, 5); // landing point
        point(w, 1, 0);  // dogleg direction
        w.bitLong(0);    // break pairs
        w.bitLong(0);    // leader index
        bd(w, 2.5);      // dogleg length
        w.bitLong(lines);
        w.bitLong(points);
        for (std::uint32_t i = 0; i < std::min<std::uint32_t>(points, 2); ++i)
            point(w, i * 4.0, i * 2.0);
        w.bitLong(0); // line breaks
        w.bitLong(0); // line index
        bd(w, 1);     // overall scale
        point(w, 0, 0);
        bd(w, 0.25); // text height
        bd(w, 0.5);  // arrow size
        bd(w, 0.1);  // landing gap
        for (int i = 0; i < 4; ++i)
            w.bitShort(0);
        w.bits(0, 1); // no text
        w.bits(0, 1); // no block
        for (int i = 0; i < 3; ++i)
            point(w, 0, 0);
        w.bits(0, 1);
        // The entity's own values.
        w.bitLong(0x200); // overrides: arrow size
        w.bitShort(1);    // straight lines
        w.bitShort(256);  // line colour by layer
        w.bitLong(static_cast<std::uint32_t>(-2));
        w.bits(1, 1);
        w.bits(1, 1);
        bd(w, 0.36);
        bd(w, 0.75); // arrow size
        w.bitShort(2);
        for (int i = 0; i < 4; ++i)
            w.bitShort(0);
        w.bitShort(0); // text colour by block
        w.bits(0, 1);
        w.bitShort(0); // block colour
        point(w, 1, 1);
        bd(w, 0);
        w.bitShort(0);
        w.bits(0, 1);
        w.bitLong(0); // arrowheads
        w.bitLong(labels);
        w.bits(0, 1);
        w.bitShort(0);
        w.bitShort(0);
        bd(w, 1); // scale
        return w.bytes();
    }
};

std::vector<std::uint8_t> handles() {
    BitWriter w;
    for (std::uint8_t h : {0x30, 0x14, 0, 0x11, 0}) // style, linetype, arrow, text style, block
        w.handle(5, h);
    return w.bytes();
}

cad::MultiLeader parse(const std::vector<std::uint8_t>& data) {
    const std::vector<std::uint8_t> refs = handles();
    ObjectFrame f;
    f.version = DwgVersion::R2000;
    f.data = BitReader(data);
    f.refs = BitReader(refs);
    const TableIndex tables;
    const cad::Drawing drawing;
    return parseMultiLeader(f, TextDecoder("ANSI_1252"), MultiLeaderReferences(tables, drawing));
}

} // namespace

TEST(DwgMultiLeaderParse, LeaderRootLineAndOwnValues) {
    const cad::MultiLeader m = parse(MultiLeaderBytes{}.data());
    const cad::MultiLeaderData& d = *m.data;
    ASSERT_EQ(d.branches.size(), 1u);
    const cad::MultiLeaderBranch& b = d.branches[0];
    EXPECT_EQ(b.landingPoint.x, 10);
    EXPECT_EQ(b.landingPoint.y, 5);
    EXPECT_EQ(b.doglegLength, 2.5);
    ASSERT_EQ(b.lines.size(), 1u);
    ASSERT_EQ(b.lines[0].vertices.size(), 2u);
    EXPECT_EQ(b.lines[0].vertices[1].x, 4);
    EXPECT_EQ(b.lines[0].vertices[1].y, 2);
    // Before R2010 a line keeps nothing of its own.
    EXPECT_FALSE(b.lines[0].color.has_value());
    EXPECT_EQ(d.text.height, 0.25);
    EXPECT_EQ(d.arrowSize, 0.5);
    EXPECT_EQ(d.styleHandle, 0x30u);
    EXPECT_EQ(d.overrides, 0x200u);
    EXPECT_EQ(d.own.arrowSize, 0.75);
    EXPECT_EQ(d.own.lineColor, cad::Color::byLayer());
    EXPECT_EQ(d.own.lineweight, cad::kLineweightByBlock);
    EXPECT_FALSE(d.hasText);
    EXPECT_FALSE(d.hasBlock);
}

// Counts a damaged object announces are refused before anything is allocated for them: the
// object is reported damaged instead of exhausting memory.
TEST(DwgMultiLeaderParse, HostileCountsAreRefused) {
    for (auto bad : {MultiLeaderBytes{0x7FFFFFFF}, MultiLeaderBytes{1, 0x40000000},
                     MultiLeaderBytes{1, 1, 0xFFFFFFF0u}, MultiLeaderBytes{1, 1, 2, 0x10000000}}) {
        EXPECT_THROW(parse(bad.data()), DwgFormatError);
    }
    std::vector<std::uint8_t> cut = MultiLeaderBytes{}.data();
    cut.resize(cut.size() / 2);
    EXPECT_THROW(parse(cut), DwgFormatError);
}
