// Header, tables, blocks, inserts with attributes, and text encodings.
#include "DxfFixture.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace vexor;
using test::DxfText;
using test::readText;

TEST(DxfStructure, HeaderVariablesAreRead) {
    DxfText f;
    f.begin("HEADER")
        .g(9, "$ACADVER")
        .g(1, "AC1015")
        .g(9, "$DWGCODEPAGE")
        .g(3, "ansi_1251")
        .g(9, "$EXTMIN")
        .point(10, -1, -2, -3)
        .g(9, "$EXTMAX")
        .point(10, 10, 20, 30)
        .g(9, "$LIMMIN")
        .g(10, 0.0)
        .g(20, 0.0)
        .g(9, "$LIMMAX")
        .g(10, 420.0)
        .g(20, 297.0)
        .g(9, "$INSUNITS")
        .g(70, 4)
        .g(9, "$MEASUREMENT")
        .g(70, 1)
        .g(9, "$LTSCALE")
        .g(40, 2.5)
        .g(9, "$PDMODE")
        .g(70, 34)
        .g(9, "$PDSIZE")
        .g(40, -5.0)
        .end()
        .eof();
    const auto d = readText(f.str());
    EXPECT_EQ(d.format, cad::FileFormat::Dxf);
    EXPECT_EQ(d.header.version, "AC1015");
    EXPECT_EQ(d.header.codepage, "ANSI_1251");
    ASSERT_TRUE(d.header.extMin && d.header.extMax && d.header.limMax);
    EXPECT_DOUBLE_EQ(d.header.extMin->z, -3);
    EXPECT_DOUBLE_EQ(d.header.extMax->y, 20);
    EXPECT_DOUBLE_EQ(d.header.limMax->x, 420);
    EXPECT_EQ(d.header.insUnits, 4);
    EXPECT_EQ(d.header.measurement, 1);
    EXPECT_DOUBLE_EQ(d.header.linetypeScale, 2.5);
    EXPECT_EQ(d.header.pointMode, 34);
    EXPECT_DOUBLE_EQ(d.header.pointSize, -5);
    EXPECT_TRUE(d.diagnostics.empty());
}

TEST(DxfStructure, CommentsInsideRecordsAreSkipped) {
    // A 999 group between a value and the next group: in the header after a variable's value,
    // in a table entry, in an entity and in its embedded object. None may stand for the value
    // before it.
    DxfText f;
    f.begin("HEADER")
        .g(9, "$INSUNITS")
        .g(70, 4)
        .g(999, "6")
        .g(9, "$LTSCALE")
        .g(40, 2.5)
        .g(999, "10")
        .end()
        .begin("TABLES")
        .g(0, "TABLE")
        .g(2, "LAYER")
        .g(0, "LAYER")
        .g(2, "Walls")
        .g(62, 3)
        .g(999, "5")
        .g(0, "ENDTAB")
        .end()
        .begin("ENTITIES")
        .g(0, "LINE")
        .g(8, "Walls")
        .g(10, 1.0)
        .g(999, "99")
        .g(20, 2.0)
        .g(11, 3.0)
        .g(21, 4.0)
        .g(999, "comment at the end of a record")
        .g(0, "MTEXT")
        .g(10, 0.0)
        .g(20, 0.0)
        .g(40, 2.5)
        .g(1, "text")
        .g(101, "Embedded Object")
        .g(70, 1)
        .g(71, 1)
        .g(999, "2")
        .g(72, 1)
        .g(44, 10.0)
        .end()
        .eof();
    const auto d = readText(f.str());
    EXPECT_EQ(d.header.insUnits, 4);
    EXPECT_DOUBLE_EQ(d.header.linetypeScale, 2.5);
    const auto walls = std::find_if(d.layers.begin(), d.layers.end(),
                                    [](const cad::Layer& l) { return l.name == "Walls"; });
    ASSERT_NE(walls, d.layers.end());
    EXPECT_EQ(walls->color.index, 3);
    ASSERT_EQ(d.modelSpace.size(), 2u);
    const auto& line = cad::dataOf<cad::Line>(d.modelSpace[0].data);
    EXPECT_DOUBLE_EQ(line.a.x, 1);
    EXPECT_DOUBLE_EQ(line.a.y, 2);
    EXPECT_DOUBLE_EQ(line.b.y, 4);
    const auto& text = cad::dataOf<cad::MText>(d.modelSpace[1].data);
    ASSERT_NE(text.columns, nullptr);
    EXPECT_EQ(text.columns->count, 1);
    EXPECT_TRUE(d.diagnostics.empty()) << d.diagnostics.front();
}

TEST(DxfStructure, TablesGiveLayersLinetypesAndStyles) {
    DxfText f;
    f.begin("TABLES")
        .g(0, "TABLE")
        .g(2, "LTYPE")
        .g(70, 1)
        .g(0, "LTYPE")
        .g(2, "DASHED")
        .g(3, "__ __")
        .g(72, 65)
        .g(73, 2)
        .g(40, 0.75)
        .g(49, 0.5)
        .g(74, 0)
        .g(49, -0.25)
        .g(74, 0)
        .g(0, "ENDTAB")
        .g(0, "TABLE")
        .g(2, "LAYER")
        .g(0, "LAYER")
        .g(2, "Hidden")
        .g(70, 1 | 4)
        .g(62, -3)
        .g(6, "DASHED")
        .g(370, 25)
        .g(0, "LAYER")
        .g(2, "Rgb")
        .g(70, 0)
        .g(62, 5)
        .g(420, 0xFF8000)
        .g(290, 0)
        .g(0, "ENDTAB")
        .g(0, "TABLE")
        .g(2, "STYLE")
        .g(0, "STYLE")
        .g(2, "Narrow")
        .g(70, 0)
        .g(40, 0.0)
        .g(41, 0.7)
        .g(50, 10.0)
        .g(3, "romans.shx")
        .g(0, "ENDTAB")
        .end()
        .begin("ENTITIES")
        .g(0, "TEXT")
        .g(7, "NARROW")
        .g(6, "dashed")
        .g(1, "x")
        .end()
        .eof();
    const auto d = readText(f.str());
    ASSERT_EQ(d.linetypes.size(), 1u);
    EXPECT_EQ(d.linetypes[0].pattern, (std::vector<double>{0.5, -0.25}));
    EXPECT_DOUBLE_EQ(d.linetypes[0].patternLength, 0.75);
    ASSERT_EQ(d.layers.size(), 3u); // "0" is always there
    const cad::Layer& hidden = d.layers[1];
    EXPECT_EQ(hidden.name, "Hidden");
    EXPECT_TRUE(hidden.off);
    EXPECT_TRUE(hidden.frozen);
    EXPECT_TRUE(hidden.locked);
    EXPECT_EQ(hidden.color, cad::Color::indexed(3));
    EXPECT_EQ(hidden.linetype, 0);
    EXPECT_EQ(hidden.lineweight, 25);
    const cad::Layer& rgb = d.layers[2];
    EXPECT_EQ(rgb.color, cad::Color::trueColor(0xFF8000));
    EXPECT_EQ(rgb.color.index, 5);
    EXPECT_FALSE(rgb.plottable);
    ASSERT_EQ(d.textStyles.size(), 1u);
    EXPECT_DOUBLE_EQ(d.textStyles[0].widthFactor, 0.7);
    EXPECT_EQ(d.textStyles[0].fontFile, "romans.shx");
    const auto& text = cad::dataOf<cad::Text>(d.modelSpace.at(0).data);
    EXPECT_EQ(text.style, 0u);                     // style names are case-insensitive
    EXPECT_EQ(d.modelSpace[0].common.linetype, 0); // so are linetype names
}

TEST(DxfStructure, BlocksInsertsAndAttributes) {
    DxfText f;
    f.begin("BLOCKS")
        .g(0, "BLOCK")
        .g(2, "Door")
        .g(70, 2)
        .point(10, 1, 2)
        .g(0, "LINE")
        .point(10, 0, 0)
        .point(11, 1, 0)
        .g(0, "INSERT")
        .g(2, "Knob") // a block used before its definition
        .g(0, "ENDBLK")
        .g(0, "BLOCK")
        .g(2, "*U3")
        .g(70, 1)
        .g(0, "CIRCLE")
        .g(40, 1.0)
        .g(0, "ENDBLK")
        .g(0, "BLOCK")
        .g(2, "Site")
        .g(70, 4)
        .g(1, "site.dwg")
        .g(0, "ENDBLK")
        .g(0, "BLOCK")
        .g(2, "Knob")
        .g(0, "POINT")
        .g(0, "ENDBLK")
        .end()
        .begin("ENTITIES")
        .g(0, "INSERT")
        .g(66, 1)
        .g(2, "Door")
        .point(10, 5, 5)
        .g(41, 2.0)
        .g(42, 3.0)
        .g(50, 90.0)
        .g(70, 3)
        .g(71, 2)
        .g(44, 10.0)
        .g(45, 20.0)
        .g(0, "ATTRIB")
        .point(10, 5, 6)
        .g(1, "D-101")
        .g(2, "NUMBER")
        .g(70, 0)
        .g(74, 1)
        .g(0, "ATTRIB")
        .g(1, "secret")
        .g(2, "CODE")
        .g(70, 1)
        .g(0, "SEQEND")
        .g(0, "LINE")
        .g(67, 1) // paper space
        .g(0, "LINE")
        .end()
        .eof();
    const auto d = readText(f.str());
    ASSERT_EQ(d.modelSpace.size(), 2u);
    const auto& insert = cad::dataOf<cad::Insert>(d.modelSpace[0].data);
    ASSERT_NE(insert.block, cad::kNoIndex);
    const cad::Block& door = d.blocks[insert.block];
    EXPECT_EQ(door.name, "Door");
    EXPECT_DOUBLE_EQ(door.base.y, 2);
    ASSERT_EQ(door.entities.size(), 2u);
    const auto& knobRef = cad::dataOf<cad::Insert>(door.entities[1].data);
    EXPECT_EQ(d.blocks[knobRef.block].name, "Knob");
    EXPECT_EQ(d.blocks[knobRef.block].entities.size(), 1u);
    EXPECT_DOUBLE_EQ(insert.scale.y, 3);
    EXPECT_NEAR(insert.rotation, 3.14159265358979 / 2, 1e-12);
    EXPECT_EQ(insert.columns, 3);
    EXPECT_EQ(insert.rows, 2);
    EXPECT_DOUBLE_EQ(insert.rowSpacing, 20);
    ASSERT_EQ(insert.attributes.size(), 2u);
    EXPECT_EQ(insert.attributes[0].text.tag.str(), "NUMBER");
    EXPECT_EQ(insert.attributes[0].text.text, "D-101");
    EXPECT_EQ(insert.attributes[0].text.kind, cad::TextKind::Attribute);
    EXPECT_EQ(insert.attributes[0].text.vAlign, 1);
    EXPECT_TRUE(insert.attributes[1].common.invisible);
    const cad::Block& anonymous = d.blocks[static_cast<std::size_t>(
        std::find_if(d.blocks.begin(), d.blocks.end(), [](auto& b) { return b.name == "*U3"; }) -
        d.blocks.begin())];
    EXPECT_TRUE(anonymous.anonymous);
    for (const cad::Block& b : d.blocks) {
        EXPECT_EQ(b.externalReference, b.name == "Site") << b.name;
        if (b.name == "*Paper_Space") {
            EXPECT_EQ(b.entities.size(), 1u);
        }
    }
}

TEST(DxfStructure, TextBeforeR2007IsInTheFileCodePage) {
    DxfText f;
    f.begin("HEADER").g(9, "$ACADVER").g(1, "AC1015").g(9, "$DWGCODEPAGE").g(3, "ANSI_1251").end();
    f.begin("TABLES")
        .g(0, "TABLE")
        .g(2, "LAYER")
        .g(0, "LAYER")
        .g(2, "\xD1\xF2\xE5\xED\xFB")
        .g(62, 1)
        .g(0, "ENDTAB")
        .end();
    f.begin("ENTITIES")
        .g(0, "TEXT")
        .g(8, "\xD1\xF2\xE5\xED\xFB")
        .g(1, "\xCF\xF0\xE8 \\U+00B0")
        .end()
        .eof();
    const auto d = readText(f.str());
    EXPECT_EQ(d.layers.at(1).name, "Стены");
    EXPECT_EQ(d.modelSpace.at(0).common.layer, 1u);
    EXPECT_EQ(cad::dataOf<cad::Text>(d.modelSpace[0].data).text, "При °");
}

TEST(DxfStructure, TextFromR2007OnIsUtf8) {
    DxfText f;
    f.begin("HEADER").g(9, "$ACADVER").g(1, "AC1021").g(9, "$DWGCODEPAGE").g(3, "ANSI_1252").end();
    f.begin("ENTITIES").g(0, "MTEXT").g(1, "Maße \\U+2300").end().eof();
    const auto d = readText(f.str());
    EXPECT_EQ(cad::dataOf<cad::MText>(d.modelSpace.at(0).data).text, "Maße ⌀");
}
