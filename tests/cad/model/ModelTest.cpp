#include "cad/load/DrawingReader.h"
#include "cad/model/Color.h"
#include "cad/model/Drawing.h"
#include "cad/model/ReadError.h"

#include <gtest/gtest.h>
#include <string>

using namespace vexor::cad;

namespace {

std::span<const std::uint8_t> bytesOf(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

} // namespace

TEST(DrawingModel, LayerAndBlockLookupAddsOnceAndKeepsOrder) {
    Drawing d;
    EXPECT_EQ(d.layerIndex("0"), 0u);
    EXPECT_EQ(d.layerIndex("Walls"), 1u);
    EXPECT_EQ(d.layerIndex("0"), 0u);
    EXPECT_EQ(d.layerIndex("walls"), 2u) << "layer names are matched exactly";
    ASSERT_EQ(d.layers.size(), 3u);
    EXPECT_EQ(d.layers[1].name, "Walls");

    // Layers pushed directly by a reader are found too.
    d.layers.emplace_back();
    d.layers.back().name = "Direct";
    EXPECT_EQ(d.layerIndex("Direct"), 3u);

    EXPECT_EQ(d.blockIndex("*Model_Space"), 0u);
    EXPECT_EQ(d.blockIndex("DOOR"), 1u);
    EXPECT_EQ(d.blockIndex("*Model_Space"), 0u);
}

TEST(DrawingModel, EntityNamesFollowDxf) {
    Entity e;
    e.data = Polyline{};
    EXPECT_STREQ(dxfTypeName(e), "LWPOLYLINE");
    Polyline heavy;
    heavy.kind = Polyline::Kind::Poly3d;
    e.data = heavy;
    EXPECT_STREQ(dxfTypeName(e), "POLYLINE");
    Text attdef;
    attdef.kind = TextKind::AttributeDefinition;
    e.data = attdef;
    EXPECT_STREQ(dxfTypeName(e), "ATTDEF");
    Ray xline;
    xline.kind = Ray::Kind::ConstructionLine;
    e.data = xline;
    EXPECT_STREQ(dxfTypeName(e), "XLINE");
    e.data = Unsupported{"MLINE"};
    EXPECT_STREQ(dxfTypeName(e), "MLINE");
}

TEST(DrawingModel, AttributeTagsCopyWithTheirEntityAndStayApart) {
    Text definition;
    definition.kind = TextKind::AttributeDefinition;
    definition.tag = std::string("PART_NO");
    Entity original{{}, definition};
    Entity copy = original;
    dataOf<Text>(copy.data).tag = std::string("OTHER");
    EXPECT_EQ(dataOf<Text>(original.data).tag.str(), "PART_NO");
    EXPECT_EQ(dataOf<Text>(copy.data).tag.str(), "OTHER");
    copy = original;
    EXPECT_EQ(dataOf<Text>(copy.data).tag, dataOf<Text>(original.data).tag);
    const Entity moved = std::move(copy);
    EXPECT_EQ(dataOf<Text>(moved.data).tag.str(), "PART_NO");
    EXPECT_TRUE(Text{}.tag.str().empty());
    // Every entity pays for the largest kind: keep it from growing unnoticed.
    EXPECT_LE(sizeof(Entity), 96u);
}

TEST(DrawingModel, WideKindsAndElevationsAreHeldApartAndCopiedWithTheirEntity) {
    Polyline square;
    square.closed = true;
    square.vertices.resize(4);
    Entity original{{}, square};
    original.common.setThickness(2.5);
    EXPECT_TRUE(holds<Polyline>(original.data));
    EXPECT_EQ(dataIf<Line>(&original.data), nullptr);

    Entity copy = original;
    dataOf<Polyline>(copy.data).vertices.pop_back();
    copy.common.setExtrusion({0, 0, -1});
    EXPECT_EQ(dataOf<Polyline>(original.data).vertices.size(), 4u);
    EXPECT_EQ(dataOf<Polyline>(copy.data).vertices.size(), 3u);
    EXPECT_EQ(original.common.extrusion().z, 1.0);
    EXPECT_EQ(copy.common.extrusion().z, -1.0);
    EXPECT_EQ(copy.common.thickness(), 2.5);

    // Back to the defaults: nothing left out of line, reading gives 0 and +z again.
    copy.common.setThickness(0);
    copy.common.setExtrusion({0, 0, 1});
    EXPECT_EQ(copy.common.thickness(), 0.0);
    EXPECT_EQ(copy.common.extrusion().z, 1.0);

    // The visitor sees the kind itself, never its box.
    const char* seen = visitData(
        [](const auto& kind) {
            return std::is_same_v<std::decay_t<decltype(kind)>, Polyline> ? "polyline" : "other";
        },
        copy.data);
    EXPECT_STREQ(seen, "polyline");
}

TEST(ColorIndex, StandardEntries) {
    EXPECT_EQ(colorIndexRgb(1), 0xFF0000u);
    EXPECT_EQ(colorIndexRgb(2), 0xFFFF00u);
    EXPECT_EQ(colorIndexRgb(5), 0x0000FFu);
    EXPECT_EQ(colorIndexRgb(7), 0xFFFFFFu);
    EXPECT_EQ(colorIndexRgb(10), 0xFF0000u);
    EXPECT_EQ(colorIndexRgb(11), 0xFF7F7Fu);
    EXPECT_EQ(colorIndexRgb(12), 0xA50000u);
    EXPECT_EQ(colorIndexRgb(20), 0xFF3F00u);
    EXPECT_EQ(colorIndexRgb(21), 0xFF9F7Fu);
    EXPECT_EQ(colorIndexRgb(50), 0xFFFF00u);
    EXPECT_EQ(colorIndexRgb(130), 0x00FFFFu);
    EXPECT_EQ(colorIndexRgb(170), 0x0000FFu);
    EXPECT_EQ(colorIndexRgb(255), 0xFFFFFFu);
}

TEST(ContentDetection, RecognisesFormatsByTheirFirstBytes) {
    EXPECT_EQ(detectContent(bytesOf("AC1015\0\0\0\0\0")), ContentKind::Dwg);
    EXPECT_EQ(detectContent(bytesOf("AutoCAD Binary DXF\r\n\x1a")), ContentKind::DxfBinary);
    EXPECT_EQ(detectContent(bytesOf("  0\nSECTION\n  2\nHEADER\n")), ContentKind::DxfText);
    const std::string dgn7("\x08\x09\xFE\x02", 4);
    EXPECT_EQ(detectContent(bytesOf(dgn7)), ContentKind::Dgn7);
    const std::string ole("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    EXPECT_EQ(detectContent(bytesOf(ole)), ContentKind::Dgn8);
    EXPECT_EQ(detectContent(bytesOf("hello world")), ContentKind::Unknown);
}

TEST(ContentDetection, TextDxfAsWritersReallyWriteIt) {
    // Comments (one, several, empty, or mentioning SECTION), blank lines, a byte-order mark,
    // padded codes, and LF, CR LF or CR line ends before the first section.
    for (const char* head :
         {"999\ndxfrw 0.6.3\n  0\nSECTION\n", "999\r\nfirst\r\n999\r\n\r\n  0\r\nSECTION\r\n",
          "\n\n  \n999\nno SECTION here\n\n0\nSECTION\n",
          "\xEF\xBB\xBF"
          "999\nbom\n  0  \n  SECTION  \n",
          "999\rold mac\r0\rSECTION\r"}) {
        SCOPED_TRACE(head);
        EXPECT_EQ(detectContent(bytesOf(head)), ContentKind::DxfText);
    }
    // Not drawings: other groups first, text that is no group code, a comment and nothing,
    // a first section that is something else.
    for (const char* head : {"2\nHEADER\n0\nSECTION\n", "EXTENTS,1\r\n0.0,8.0\r\n",
                             "***NEWFILE***:my.shp\n\rSECTION\r", "999\ncomment\n", "0\nEOF\n",
                             "999\nSECTION\n", ""}) {
        SCOPED_TRACE(head);
        EXPECT_EQ(detectContent(bytesOf(head)), ContentKind::Unknown);
    }
}

TEST(ReadErrorText, NamesFileReasonAndOffset) {
    const ReadError e("plan.dwg", "damaged object map", 123456, 3);
    EXPECT_STREQ(e.what(), "plan.dwg: damaged object map (at byte 123456, bit 3)");
    const ReadError plain("a.dxf", "the file is empty");
    EXPECT_STREQ(plain.what(), "a.dxf: the file is empty");
}
