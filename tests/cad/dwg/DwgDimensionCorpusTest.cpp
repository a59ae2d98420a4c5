#include "DwgCorpusSupport.h"
#include "cad/geometry/DimensionGeometry.h"
#include "cad/load/DrawingReader.h"
#include "support/Corpus.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace vexor;
using namespace vexor::test;
namespace fs = std::filesystem;

namespace {

bool near(double a, double b) {
    return std::fabs(a - b) <= 1e-6 * std::max(1.0, std::fabs(b));
}

bool near(const cad::Vec3& a, const cad::Vec3& b) {
    return near(a.x, b.x) && near(a.y, b.y) && near(a.z, b.z);
}

std::vector<const cad::Dimension*> dimensions(const cad::Drawing& d) {
    std::vector<const cad::Dimension*> out;
    for (const cad::Entity& e : d.modelSpace)
        if (const auto* dim = cad::dataIf<cad::Dimension>(&e.data))
            out.push_back(dim);
    return out;
}

} // namespace

// The same drawing stored as DWG and as DXF: the DWG's dimension styles and the definition
// points of its dimensions are those its DXF twin holds, and draw alike without blocks.
TEST(DwgDimensionCorpus, DimensionStylesAndDefinitionsAgreeWithTheDxfTwins) {
    VEXOR_REQUIRE_CORPUS();
    int styles = 0, definitions = 0, arcLengths = 0;
    for (const std::vector<std::string>& cols : test::corpusPairRows()) {
        if (cols.size() < 5 || cols[0] != "DWG+DXF" || cols[2] != cols[4] || cols[2] == "AC1021")
            continue;
        SCOPED_TRACE(cols[1] + " / " + cols[3]);
        const cad::Drawing dwg = cad::readDrawingFile((*corpusDir() / cols[1]).string());
        const cad::Drawing dxf = cad::readDrawingFile((*corpusDir() / cols[3]).string());
        EXPECT_EQ(dwg.dimStyles.size(), dxf.dimStyles.size());
        for (const cad::DimStyle& theirs : dxf.dimStyles) {
            const std::uint32_t i = dwg.findDimStyle(theirs.name);
            ASSERT_NE(i, cad::kNoIndex) << theirs.name;
            const cad::DimStyle& ours = dwg.dimStyles[i];
            SCOPED_TRACE(theirs.name);
            EXPECT_DOUBLE_EQ(ours.scale, theirs.scale);
            EXPECT_DOUBLE_EQ(ours.arrowSize, theirs.arrowSize);
            EXPECT_DOUBLE_EQ(ours.extensionOffset, theirs.extensionOffset);
            EXPECT_DOUBLE_EQ(ours.extensionBeyond, theirs.extensionBeyond);
            EXPECT_DOUBLE_EQ(ours.textHeight, theirs.textHeight);
            EXPECT_DOUBLE_EQ(ours.textGap, theirs.textGap);
            EXPECT_DOUBLE_EQ(ours.linearFactor, theirs.linearFactor);
            EXPECT_EQ(ours.textAbove, theirs.textAbove);
            EXPECT_EQ(ours.decimals, theirs.decimals);
            EXPECT_EQ(ours.zeroSuppression, theirs.zeroSuppression);
            EXPECT_EQ(ours.postfix, theirs.postfix);
            EXPECT_EQ(ours.arrow, theirs.arrow);
            EXPECT_EQ(ours.arrow1, theirs.arrow1);
            EXPECT_EQ(ours.arrow2, theirs.arrow2);
            // A DXF table entry gives the nearest index of a true colour.
            for (auto c : {&cad::DimStyle::lineColor, &cad::DimStyle::extensionColor,
                           &cad::DimStyle::textColor}) {
                if ((ours.*c).kind != cad::Color::Kind::True) {
                    EXPECT_EQ((ours.*c).index, (theirs.*c).index);
                }
            }
            if (cols[2] != "AC1012" && cols[2] != "AC1014") {
                EXPECT_EQ(ours.linearUnits, theirs.linearUnits);
                EXPECT_EQ(ours.decimalSeparator, theirs.decimalSeparator);
            }
            ++styles;
        }
        const auto a = dimensions(dwg), b = dimensions(dxf);
        if (a.size() != b.size())
            continue; // the twins' writers differ in what they keep of model space
        for (std::size_t k = 0; k < a.size(); ++k) {
            if (!a[k]->definition || !b[k]->definition)
                continue;
            SCOPED_TRACE("dimension " + std::to_string(k));
            EXPECT_EQ(a[k]->dimType, b[k]->dimType);
            EXPECT_TRUE(near(a[k]->definitionPoint, b[k]->definitionPoint));
            for (auto p : {&cad::DimensionDefinition::point13, &cad::DimensionDefinition::point14,
                           &cad::DimensionDefinition::point15})
                EXPECT_TRUE(near((*a[k]->definition).*p, (*b[k]->definition).*p));
            EXPECT_EQ(a[k]->kind, b[k]->kind);
            if (a[k]->kind == cad::Dimension::Kind::ArcLength) {
                EXPECT_TRUE(near(a[k]->definition->point16, b[k]->definition->point16));
                ++arcLengths;
            }
            EXPECT_NEAR(a[k]->definition->rotation, b[k]->definition->rotation, 1e-9);
            // One converter wrote the DWG's " " (no text) as an empty override.
            if (a[k]->text != " ") {
                EXPECT_EQ(a[k]->text, b[k]->text);
            }
            EXPECT_EQ(a[k]->style, b[k]->style);
            // Drawn without its block, the DWG's dimension measures what its twin measures.
            std::string problemA, problemB;
            const cad::DimensionPicture pa =
                cad::dimensionPicture(*a[k], cad::effectiveDimStyle(dwg, *a[k], problemA));
            const cad::DimensionPicture pb =
                cad::dimensionPicture(*b[k], cad::effectiveDimStyle(dxf, *b[k], problemB));
            EXPECT_TRUE(near(pa.measurement, pb.measurement));
            if (a[k]->text != " ") {
                EXPECT_EQ(pa.text.text, pb.text.text);
            }
            EXPECT_EQ(pa.strokes.size(), pb.strokes.size());
            EXPECT_EQ(pa.problem, pb.problem);
            ++definitions;
        }
    }
    EXPECT_GT(styles, 0);
    EXPECT_GT(definitions, 0);
    EXPECT_GE(arcLengths, 5); // one in each libredwg example drawing, R2000 to R2018
}
