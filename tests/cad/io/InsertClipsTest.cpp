#include "cad/io/InsertClips.h"

#include "cad/load/DrawingReader.h"
#include "support/Corpus.h"

#include <gtest/gtest.h>

using namespace vexor;

namespace {

// The clip boundaries of every insert of a drawing, in the order met.
std::vector<std::vector<cad::Vec2>> clips(const cad::Drawing& d) {
    std::vector<std::vector<cad::Vec2>> out;
    const auto visit = [&](const std::vector<cad::Entity>& entities) {
        for (const cad::Entity& e : entities)
            if (const auto* insert = cad::dataIf<cad::Insert>(&e.data); insert)
                if (!insert->clip.empty())
                    out.push_back(insert->clip);
    };
    visit(d.modelSpace);
    for (const cad::Block& b : d.blocks)
        visit(b.entities);
    return out;
}

} // namespace

// The boundary goes into the block through the stored inverse transform; two points are a
// rectangle; an unusable boundary clips nothing.
TEST(InsertClips, BoundaryInTheBlock) {
    cad::SpatialFilter filter;
    filter.boundary = {{10, 20}, {14, 23}};
    filter.inverseInsert = {0.5, 0, 0, -5, 0, 0.5, 0, -10, 0, 0, 1, 0};
    const auto rectangle = cad::clipBoundaryInBlock(filter);
    ASSERT_EQ(rectangle.size(), 4u);
    EXPECT_EQ(rectangle[0].x, 0);
    EXPECT_EQ(rectangle[0].y, 0);
    EXPECT_EQ(rectangle[2].x, 2);
    EXPECT_EQ(rectangle[2].y, 1.5);

    filter.boundary = {{0, 0}, {4, 0}, {4, 4}, {0, 0}}; // closed by repeating the first point
    EXPECT_EQ(cad::clipBoundaryInBlock(filter).size(), 3u);
    filter.enabled = false;
    EXPECT_TRUE(cad::clipBoundaryInBlock(filter).empty());
    filter.enabled = true;
    filter.boundary = {{0, 0}, {1, 1}, {2, 2}}; // no area
    EXPECT_TRUE(cad::clipBoundaryInBlock(filter).empty());
}

// The same drawing saved as DXF and as DWG by one writer: both readers find the same clipped
// inserts with the same boundaries.
TEST(InsertClips, DwgAndDxfOfOneDrawingAgree) {
    VEXOR_REQUIRE_CORPUS();
    for (const char* version : {"AC1015", "AC1018", "AC1024", "AC1027", "AC1032"}) {
        SCOPED_TRACE(version);
        const std::string v(version);
        const auto dxf = cad::readDrawingFile(
            (*test::corpusDir() / ("dxf/ascii/" + v + "/acadsharp__sample_" + v + "_ascii.dxf"))
                .string());
        const auto dwg = cad::readDrawingFile(
            (*test::corpusDir() / ("dwg/" + v + "/acadsharp__sample_" + v + ".dwg")).string());
        const auto fromDxf = clips(dxf), fromDwg = clips(dwg);
        ASSERT_FALSE(fromDxf.empty());
        ASSERT_EQ(fromDxf.size(), fromDwg.size());
        for (std::size_t i = 0; i < fromDxf.size(); ++i) {
            ASSERT_EQ(fromDxf[i].size(), fromDwg[i].size());
            for (std::size_t k = 0; k < fromDxf[i].size(); ++k) {
                EXPECT_NEAR(fromDxf[i][k].x, fromDwg[i][k].x, 1e-6);
                EXPECT_NEAR(fromDxf[i][k].y, fromDwg[i][k].y, 1e-6);
            }
        }
    }
}
