// A dimension's text is drawn in the face its text style names, also when the style names a
// TrueType family only in its extended data (no font file).
#include "cad/geometry/DisplayList.h"
#include "cad/load/DrawingReader.h"
#include "support/Corpus.h"
#include "support/Ezdxf.h"

#include <gtest/gtest.h>

using namespace vexor;

TEST(DimensionFace, DimensionTextTakesTheTrueTypeFamilyOfItsTextStyle) {
    const auto file = test::scratchDir("dimension-face") / "dimension.dxf";
    ASSERT_TRUE(test::writeWithEzdxf(file, R"(
style = doc.styles.new('DIMTT', dxfattribs={'font': ''})
style.set_extended_font_data('Arial', italic=False, bold=False)
doc.dimstyles.new('TTDIM', dxfattribs={'dimtxsty': 'DIMTT', 'dimtxt': 2.5})
msp.add_linear_dim(base=(0, 10), p1=(0, 0), p2=(50, 0), dimstyle='TTDIM')
msp.add_text('Plain', dxfattribs={'style': 'DIMTT', 'height': 2.5, 'insert': (0, 20)})
)"));
    const cad::Drawing drawing = cad::readDrawingFile(file.string());
    const auto list = cad::compileDisplayList(drawing);
    const auto& texts = list->modelSpace().texts;
    bool sawDimension = false, sawText = false;
    for (const cad::TextRun& run : texts) {
        ASSERT_NE(run.font, nullptr) << run.text;
        EXPECT_EQ(run.font->kind, cad::TextFont::Kind::TrueType) << run.text;
        EXPECT_EQ(run.font->family, "Arial") << run.text;
        sawDimension = sawDimension || run.text.find("50") != std::string::npos;
        sawText = sawText || run.text == "Plain";
    }
    EXPECT_TRUE(sawDimension);
    EXPECT_TRUE(sawText);
}
