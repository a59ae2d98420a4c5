// What the pre-R13 reader makes of particular records of the corpus drawings, checked against
// the values their bytes hold.
#include "cad/io/LoadBudget.h"
#include "cad/load/DrawingReader.h"
#include "support/Corpus.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <numbers>
#include <optional>

using namespace vexor;
using namespace vexor::test;

namespace {

cad::Drawing open(const char* relative) {
    return cad::readDrawingFile((*corpusDir() / relative).string());
}

template <class T> std::vector<const T*> all(const std::vector<cad::Entity>& entities) {
    std::vector<const T*> out;
    for (const cad::Entity& e : entities)
        if (const T* t = cad::dataIf<T>(&e.data))
            out.push_back(t);
    return out;
}

bool hasDiagnostic(const cad::Drawing& d, const std::string& text) {
    return std::ranges::find(d.diagnostics, text) != d.diagnostics.end();
}

} // namespace

TEST(PreR13Entities, R11TextsInsertsAttributesAndPolylines) {
    VEXOR_REQUIRE_CORPUS();
    const cad::Drawing d = open("dwg/AC1009/libredwg__r11_entities-2d.dwg");
    const auto texts = all<cad::Text>(d.modelSpace);
    const auto text = std::ranges::find_if(texts, [](auto* t) { return t->text == "FOO"; });
    ASSERT_NE(text, texts.end());
    EXPECT_EQ((*text)->hAlign, 3); // aligned, with its second point
    EXPECT_DOUBLE_EQ((*text)->alignPoint.x, 3.0);
    EXPECT_DOUBLE_EQ((*text)->height, 0.75);
    EXPECT_DOUBLE_EQ((*text)->insert.z, 2.0); // the record's elevation

    const auto inserts = all<cad::Insert>(d.modelSpace);
    ASSERT_EQ(inserts.size(), 2u);
    const auto withAttribute =
        std::ranges::find_if(inserts, [](auto* i) { return !i->attributes.empty(); });
    ASSERT_NE(withAttribute, inserts.end());
    ASSERT_EQ((*withAttribute)->attributes.size(), 1u);
    EXPECT_EQ((*withAttribute)->attributes[0].text.text, "4");
    EXPECT_EQ((*withAttribute)->attributes[0].text.tag.str(), "ATTR2");
    EXPECT_NEAR((*withAttribute)->rotation, std::numbers::pi / 6, 1e-9);
    EXPECT_DOUBLE_EQ((*withAttribute)->scale.x, 0.5);
    ASSERT_LT((*withAttribute)->block, d.blocks.size());
    EXPECT_EQ(d.blocks[(*withAttribute)->block].name, "BLOCK2");

    const auto polylines = all<cad::Polyline>(d.modelSpace);
    ASSERT_EQ(polylines.size(), 1u);
    EXPECT_EQ(polylines[0]->kind, cad::Polyline::Kind::Poly2d);
    ASSERT_EQ(polylines[0]->vertices.size(), 3u);
    EXPECT_DOUBLE_EQ(polylines[0]->vertices[2].p.z, 2.0); // the polyline's elevation

    const auto dims = all<cad::Dimension>(d.modelSpace);
    ASSERT_EQ(dims.size(), 1u);
    ASSERT_LT(dims[0]->block, d.blocks.size());
    EXPECT_FALSE(d.blocks[dims[0]->block].entities.empty());
    EXPECT_TRUE(hasDiagnostic(d, "skipped as erased: 1 LINE"));
    EXPECT_TRUE(hasDiagnostic(d, "skipped as erased: 1 ATTDEF"));

    // The DXF twin: SHAPE "DIODE" at (6, 6), size 1, turned 30 degrees, from the style that
    // loads its shape file.
    const auto shapes = all<cad::Shape>(d.modelSpace);
    ASSERT_EQ(shapes.size(), 1u);
    EXPECT_DOUBLE_EQ(shapes[0]->insert.x, 6.0);
    EXPECT_DOUBLE_EQ(shapes[0]->insert.y, 6.0);
    EXPECT_DOUBLE_EQ(shapes[0]->size, 1.0);
    EXPECT_NEAR(shapes[0]->rotation, std::numbers::pi / 6, 1e-9);
    EXPECT_NE(shapes[0]->number, 0u);
    if (shapes[0]->style != cad::kNoIndex) {
        ASSERT_LT(shapes[0]->style, d.textStyles.size());
        EXPECT_TRUE(d.textStyles[shapes[0]->style].shapeFile);
    }
}

TEST(PreR13Entities, ShapesOfEveryReleaseAreReadForTheirShapeFiles) {
    VEXOR_REQUIRE_CORPUS();
    for (const char* file :
         {"dwg/preR11/libredwg__r1.4_entities.dwg", "dwg/preR11/libredwg__r2.10_entities.dwg",
          "dwg/AC1009/mjs-ac1009__SHAPE1.DWG"}) {
        SCOPED_TRACE(file);
        const cad::Drawing d = open(file);
        const auto shapes = all<cad::Shape>(d.modelSpace);
        ASSERT_EQ(shapes.size(), 1u);
        EXPECT_TRUE(std::isfinite(shapes[0]->insert.x) && std::isfinite(shapes[0]->insert.y));
        EXPECT_GT(shapes[0]->size, 0.0);
        EXPECT_NE(shapes[0]->number, 0u);
        EXPECT_FALSE(hasDiagnostic(d, "read and not drawn: 1 SHAPE"));
    }
}

TEST(PreR13Entities, SplineFitPolylineKeepsTheCurveNotItsFrame) {
    VEXOR_REQUIRE_CORPUS();
    const cad::Drawing d = open("dwg/AC1009/mjs-ac1009__PL1.DWG");
    const auto polylines = all<cad::Polyline>(d.modelSpace);
    ASSERT_EQ(polylines.size(), 1u);
    // 12 vertex records: 3 of the control frame, 9 on the fitted curve.
    EXPECT_EQ(polylines[0]->vertices.size(), 9u);
}

TEST(PreR13Entities, R10PolylineReachedThroughJumpsIntoTheExtraSection) {
    VEXOR_REQUIRE_CORPUS();
    const cad::Drawing d = open("dwg/preR11/libredwg__r10_entities.dwg");
    const auto polylines = all<cad::Polyline>(d.modelSpace);
    ASSERT_EQ(polylines.size(), 2u);
    // The second one's header was appended in the extra section; its vertices stayed behind.
    EXPECT_TRUE(polylines[1]->closed);
    ASSERT_EQ(polylines[1]->vertices.size(), 3u);
    EXPECT_DOUBLE_EQ(polylines[1]->vertices[0].p.x, 5.5);
    EXPECT_DOUBLE_EQ(polylines[1]->vertices[0].p.y, 7.5);

    // The 3D line keeps its z values; the 2D line has none.
    const auto lines = all<cad::Line>(d.modelSpace);
    const auto spatial = std::ranges::find_if(lines, [](auto* l) { return l->b.z != 0; });
    ASSERT_NE(spatial, lines.end());
    EXPECT_DOUBLE_EQ((*spatial)->a.x, 5.0);
    EXPECT_DOUBLE_EQ((*spatial)->b.z, 1.0);
}

TEST(PreR13Entities, R14DrawingKeepsItsBlockAmongTheEntities) {
    VEXOR_REQUIRE_CORPUS();
    const cad::Drawing d = open("dwg/preR11/libredwg__r1.4_entities.dwg");
    const auto inserts = all<cad::Insert>(d.modelSpace);
    ASSERT_EQ(inserts.size(), 1u);
    ASSERT_LT(inserts[0]->block, d.blocks.size());
    const cad::Block& block = d.blocks[inserts[0]->block];
    EXPECT_EQ(block.name, "BLOCK1");
    EXPECT_EQ(block.entities.size(), 1u);
    EXPECT_DOUBLE_EQ(inserts[0]->scale.y, 0.5);
    const auto texts = all<cad::Text>(d.modelSpace);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->text, "FOO");
    ASSERT_EQ(d.layers.size(), 2u);
    EXPECT_EQ(d.layers[1].name, "1");
    EXPECT_TRUE(hasDiagnostic(d, "read and not drawn: 1 REPEAT"));
    EXPECT_TRUE(hasDiagnostic(d, "skipped as erased: 1 LINE"));
    ASSERT_TRUE(d.header.extMax.has_value());
    EXPECT_DOUBLE_EQ(d.header.extMax->x, 8.0);
}

TEST(PreR13Entities, LayerStateAndCodePage) {
    VEXOR_REQUIRE_CORPUS();
    const cad::Drawing aceb = open("dwg/AC1009/libredwg__r11_ACEB10.dwg");
    EXPECT_EQ(aceb.header.codepage, "ANSI_1252");
    const auto kit = std::ranges::find_if(
        aceb.layers, [](const cad::Layer& l) { return l.name == "MOUNTINGKIT-EB4"; });
    ASSERT_NE(kit, aceb.layers.end());
    EXPECT_TRUE(kit->off);
    EXPECT_EQ(kit->color.index, 7);
    EXPECT_EQ(open("dwg/AC1009/mjs-ac1009__TD1.DWG").header.codepage, "ANSI_1250");
}

TEST(PreR13Entities, EachDimensionDrawsItsOwnBlockWhereItWasMoved) {
    VEXOR_REQUIRE_CORPUS();
    const cad::Drawing d = open("dwg/AC1009/libredwg__r11_ACEB10.dwg");
    // The whole drawing lies on its sheet: its records name the paper-space viewport.
    EXPECT_TRUE(d.modelSpace.empty());
    ASSERT_EQ(d.layouts.size(), 1u);
    ASSERT_LT(d.layouts[0].block, d.blocks.size());
    const auto dims = all<cad::Dimension>(d.blocks[d.layouts[0].block].entities);
    ASSERT_EQ(dims.size(), 15u);
    std::vector<std::uint32_t> blocks;
    for (const cad::Dimension* dim : dims) {
        ASSERT_LT(dim->block, d.blocks.size());
        EXPECT_TRUE(d.blocks[dim->block].anonymous);
        blocks.push_back(dim->block);
    }
    // Every anonymous block is stored as "*D": each dimension still has a block of its own.
    std::ranges::sort(blocks);
    EXPECT_EQ(std::ranges::unique(blocks).begin(), blocks.end());

    // A dimension moved after it was made keeps its block where it was drawn and stores the
    // displacement: shifted by it, the block's text sits at the dimension's text point.
    const auto moved = std::ranges::find_if(dims, [](auto* dim) { return dim->text == "35mm"; });
    ASSERT_NE(moved, dims.end());
    const cad::Dimension& dim = **moved;
    EXPECT_NEAR(dim.insert.x, -6.9866, 1e-4);
    EXPECT_NEAR(dim.insert.y, 0.2112, 1e-4);
    const auto texts = all<cad::Text>(d.blocks[dim.block].entities);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0]->text, "35mm");
    EXPECT_NEAR(texts[0]->insert.x + dim.insert.x, dim.textMidpoint.x, 0.5);
    EXPECT_NEAR(texts[0]->insert.y + dim.insert.y, dim.textMidpoint.y, 0.5);
}

TEST(PreR13Entities, DimensionStylesAndWhatDimensionsMeasure) {
    VEXOR_REQUIRE_CORPUS();
    const cad::Drawing d = open("dwg/AC1009/libredwg__r11_ACEB10.dwg");
    ASSERT_EQ(d.dimStyles.size(), 1u);
    const cad::DimStyle& style = d.dimStyles[0];
    EXPECT_EQ(style.name, "STANDARD");
    EXPECT_DOUBLE_EQ(style.scale, 1.0);
    EXPECT_DOUBLE_EQ(style.arrowSize, 0.18);
    EXPECT_DOUBLE_EQ(style.extensionOffset, 0.0625);
    EXPECT_DOUBLE_EQ(style.extensionBeyond, 0.18);
    EXPECT_DOUBLE_EQ(style.textHeight, 0.18);
    EXPECT_DOUBLE_EQ(style.textGap, 0.09);
    EXPECT_DOUBLE_EQ(style.linearFactor, 1.0);
    EXPECT_TRUE(style.textInsideHorizontal);
    EXPECT_TRUE(style.textOutsideHorizontal);
    EXPECT_EQ(style.textAbove, 0);
    EXPECT_TRUE(hasDiagnostic(d, "table records read and not used: 1 VPORT"));
    // Application names are what extended data refers to.
    EXPECT_FALSE(hasDiagnostic(d, "table records read and not used: 1 APPID"));

    ASSERT_EQ(d.layouts.size(), 1u);
    const auto dims = all<cad::Dimension>(d.blocks[d.layouts[0].block].entities);
    const auto text = [&](const char* t) {
        const auto it = std::ranges::find_if(dims, [&](auto* dim) { return dim->text == t; });
        return it == dims.end() ? nullptr : *it;
    };
    const cad::Dimension* horizontal = text("35mm");
    ASSERT_NE(horizontal, nullptr);
    EXPECT_EQ(horizontal->style, 0u);
    EXPECT_EQ(horizontal->dimType, 0);
    ASSERT_TRUE(horizontal->definition);
    EXPECT_NEAR(horizontal->definition->point13.x, 15.69875, 1e-5);
    EXPECT_NEAR(horizontal->definition->point14.y, 23.97858, 1e-5);
    EXPECT_DOUBLE_EQ(horizontal->definition->rotation, 0.0);
    EXPECT_FALSE(horizontal->definition->textUserPlaced);

    const cad::Dimension* vertical = text("2.62");
    ASSERT_NE(vertical, nullptr);
    ASSERT_TRUE(vertical->definition);
    EXPECT_NEAR(vertical->definition->rotation, std::numbers::pi / 2, 1e-9);
    EXPECT_TRUE(vertical->definition->textUserPlaced); // type 128
    EXPECT_NEAR(vertical->definition->point14.y - vertical->definition->point13.y, 2.625, 1e-9);
}

TEST(PreR13Entities, DimensionsCarryTheirStyleOverridesFromExtendedData) {
    VEXOR_REQUIRE_CORPUS();
    const cad::Drawing d = open("dwg/AC1009/libredwg__r11_ACEB10.dwg");
    ASSERT_EQ(d.layouts.size(), 1u);
    const auto dims = all<cad::Dimension>(d.blocks[d.layouts[0].block].entities);
    ASSERT_EQ(dims.size(), 15u);
    // Every dimension of this drawing changes DIMTXT, DIMGAP, DIMEXO, DIMEXE, DIMCEN and DIMASZ
    // for itself; all but the first also set the decimal places their block texts show.
    int withDecimals = 0;
    for (const cad::Dimension* dim : dims) {
        ASSERT_TRUE(dim->definition);
        ASSERT_TRUE(dim->definition->style) << dim->text;
        const cad::DimStyle& s = *dim->definition->style;
        EXPECT_TRUE(s.textHeight == 0.3 || s.textHeight == 0.14) << s.textHeight;
        EXPECT_NE(s.textHeight, d.dimStyles[0].textHeight);
        withDecimals += s.decimals != d.dimStyles[0].decimals;
    }
    EXPECT_EQ(withDecimals, 14);
    const auto moved = std::ranges::find_if(dims, [](auto* dim) { return dim->text == "35mm"; });
    ASSERT_NE(moved, dims.end());
    const cad::DimStyle& s = *(*moved)->definition->style;
    EXPECT_DOUBLE_EQ(s.textHeight, 0.14);
    EXPECT_DOUBLE_EQ(s.textGap, 0.145);
    EXPECT_DOUBLE_EQ(s.extensionOffset, 0.13);
    EXPECT_DOUBLE_EQ(s.extensionBeyond, 0.12);
    EXPECT_DOUBLE_EQ(s.arrowSize, 0.18); // not overridden: its style's
}

TEST(PreR13Entities, SheetViewportTakesItsViewFromExtendedData) {
    VEXOR_REQUIRE_CORPUS();
    const cad::Drawing d = open("dwg/AC1009/mjs-ac1009__TD1.DWG");
    EXPECT_TRUE(std::ranges::none_of(d.diagnostics, [](const std::string& m) {
        return m.find("VIEWPORT") != std::string::npos;
    }));
    ASSERT_EQ(d.layouts.size(), 1u);
    ASSERT_LT(d.layouts[0].block, d.blocks.size());
    const auto& viewports = d.blocks[d.layouts[0].block].viewports;
    ASSERT_EQ(viewports.size(), 1u);
    const cad::Viewport& v = viewports[0];
    EXPECT_EQ(v.id, 1); // the sheet itself
    EXPECT_NEAR(v.centre.x, 270.5963, 1e-4);
    EXPECT_DOUBLE_EQ(v.centre.y, 148.5);
    EXPECT_NEAR(v.width, 541.1925, 1e-4);
    EXPECT_DOUBLE_EQ(v.height, 297.0);
    EXPECT_EQ(v.handle, 0x23u);
    // MVIEW: target, direction, twist, view height, view centre.
    EXPECT_DOUBLE_EQ(v.viewDirection.z, 1.0);
    EXPECT_DOUBLE_EQ(v.viewHeight, 297.0);
    EXPECT_NEAR(v.viewCentre.x, 270.5963, 1e-4);
    EXPECT_DOUBLE_EQ(v.viewCentre.y, 148.5);
    EXPECT_TRUE(v.frozenLayerNames.empty());
}

TEST(PreR13Entities, LoadReportsProgressAndStopsWhenCancelledOrOverItsBudget) {
    VEXOR_REQUIRE_CORPUS();
    const std::string path = (*corpusDir() / "dwg/AC1009/libredwg__r11_ACEB10.dwg").string();
    {
        cad::LoadBudget budget(cad::LoadBudget::allowedBytes(1 << 20));
        cad::LoadScope scope(budget);
        const cad::Drawing d = cad::readDrawingFile(path);
        EXPECT_FALSE(d.layouts.empty());
        // Every byte of the three entity sections is a record read.
        EXPECT_DOUBLE_EQ(budget.progress().fraction, 1.0);
    }
    const auto stopReason = [&](cad::LoadBudget& budget) {
        cad::LoadScope scope(budget);
        try {
            (void)cad::readDrawingFile(path);
        } catch (const cad::LoadStopped& e) {
            return std::optional(e.reason());
        }
        return std::optional<cad::LoadStopReason>();
    };
    cad::LoadBudget cancelled(cad::LoadBudget::allowedBytes(1 << 20));
    cancelled.cancel();
    EXPECT_EQ(stopReason(cancelled), cad::LoadStopReason::Cancelled);
    // Over its budget the load stops with that reason, never finishing as if nothing happened.
    cad::LoadBudget tiny(1024);
    EXPECT_EQ(stopReason(tiny), cad::LoadStopReason::OutOfMemoryBudget);
}

TEST(PreR13Entities, NumberedViewportShowsModelSpaceOnTheSheet) {
    VEXOR_REQUIRE_CORPUS();
    std::ifstream in(*corpusDir() / "dwg/AC1009/mjs-ac1009__TD1.DWG", std::ios::binary);
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    // The drawing's one VIEWPORT (the first record, 283 bytes) renumbered 2: no longer the sheet
    // itself but a view onto model space, with the same MVIEW view.
    constexpr std::size_t kViewportNumber = 0x6CF + 283 - 2 - 2;
    ASSERT_GT(bytes.size(), kViewportNumber + 2);
    ASSERT_EQ(bytes[kViewportNumber], 1);
    bytes[kViewportNumber] = 2;
    const cad::Drawing d = cad::readDrawingBytes(bytes, "renumbered.dwg");
    ASSERT_EQ(d.layouts.size(), 1u);
    const auto& viewports = d.blocks[d.layouts[0].block].viewports;
    ASSERT_EQ(viewports.size(), 1u);
    EXPECT_EQ(viewports[0].id, 2);
    EXPECT_FALSE(cad::isPaperViewport(viewports, 0));
    EXPECT_DOUBLE_EQ(viewports[0].viewHeight, 297.0);
}
