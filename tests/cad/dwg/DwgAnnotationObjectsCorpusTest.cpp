#include "cad/geometry/DimensionGeometry.h"
#include "cad/geometry/DisplayList.h"
#include "cad/load/DrawingReader.h"
#include "support/Corpus.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

using namespace vexor;
using namespace vexor::test;

namespace {

// The DWG+DXF pairs of the same release, as (DWG, DXF) paths under the corpus.
std::vector<std::pair<std::string, std::string>> sameReleaseTwins() {
    std::vector<std::pair<std::string, std::string>> out;
    for (const std::vector<std::string>& cols : test::corpusPairRows()) {
        if (cols.size() >= 5 && cols[0] == "DWG+DXF" && cols[2] == cols[4])
            out.emplace_back(cols[1], cols[3]);
    }
    return out;
}

std::string linetypeName(const cad::Drawing& d, std::int32_t index) {
    if (index == cad::kLinetypeByLayer)
        return "BYLAYER";
    if (index == cad::kLinetypeByBlock)
        return "BYBLOCK";
    return index >= 0 && static_cast<std::size_t>(index) < d.linetypes.size()
               ? d.linetypes[index].name
               : "?";
}

const cad::MLineStyle* mlineStyle(const cad::Drawing& d, std::uint64_t handle) {
    for (const cad::MLineStyle& s : d.mlineStyles)
        if (s.handle == handle)
            return &s;
    return nullptr;
}

} // namespace

// The multiline styles a DWG's multilines name are read with the values the DXF twin holds.
TEST(DwgAnnotationObjectsCorpus, MultilineStylesAgreeWithTheDxfTwins) {
    VEXOR_REQUIRE_CORPUS();
    int compared = 0;
    for (const auto& [dwgPath, dxfPath] : sameReleaseTwins()) {
        const cad::Drawing dwg = cad::readDrawingFile((*corpusDir() / dwgPath).string());
        std::vector<std::uint64_t> used;
        for (const cad::Entity& e : dwg.modelSpace)
            if (const auto* line = cad::dataIf<cad::MLine>(&e.data))
                used.push_back(line->styleHandle);
        if (used.empty())
            continue;
        SCOPED_TRACE(dwgPath + " / " + dxfPath);
        const cad::Drawing dxf = cad::readDrawingFile((*corpusDir() / dxfPath).string());
        for (const std::uint64_t handle : used) {
            const cad::MLineStyle* ours = mlineStyle(dwg, handle);
            const cad::MLineStyle* theirs = mlineStyle(dxf, handle);
            ASSERT_NE(ours, nullptr);
            ASSERT_NE(theirs, nullptr);
            EXPECT_EQ(ours->name, theirs->name);
            EXPECT_EQ(ours->flags, theirs->flags);
            EXPECT_EQ(ours->fillColor, theirs->fillColor);
            ASSERT_EQ(ours->elements.size(), theirs->elements.size());
            for (std::size_t i = 0; i < ours->elements.size(); ++i) {
                EXPECT_DOUBLE_EQ(ours->elements[i].offset, theirs->elements[i].offset);
                EXPECT_EQ(ours->elements[i].color, theirs->elements[i].color);
                EXPECT_EQ(linetypeName(dwg, ours->elements[i].linetype),
                          linetypeName(dxf, theirs->elements[i].linetype));
            }
            ++compared;
        }
    }
    EXPECT_GE(compared, 10);
}

// No corpus DWG draws its multilines without their style.
TEST(DwgAnnotationObjectsCorpus, EveryDwgMultilineFindsItsStyle) {
    VEXOR_REQUIRE_CORPUS();
    int files = 0;
    for (const auto& file : corpusFiles("dwg", {".dwg"})) {
        if (file.string().find("negative") != std::string::npos)
            continue;
        const cad::Drawing drawing = cad::readDrawingFile(file.string());
        const bool hasMLine =
            std::any_of(drawing.modelSpace.begin(), drawing.modelSpace.end(),
                        [](const cad::Entity& e) { return cad::holds<cad::MLine>(e.data); });
        if (!hasMLine)
            continue;
        SCOPED_TRACE(file.string());
        ++files;
        const auto list = cad::compileDisplayList(drawing);
        for (const std::string& d : list->diagnostics())
            EXPECT_EQ(d.find("MLINE style"), std::string::npos) << d;
    }
    EXPECT_GE(files, 15);
}

// PDF, DWF and DGN underlays read from DWG are placed and clipped as in the DXF twin, and
// every corpus DWG draws the frames of its clipped underlays.
TEST(DwgAnnotationObjectsCorpus, UnderlaysAgreeWithTheDxfTwins) {
    VEXOR_REQUIRE_CORPUS();
    int compared = 0, clipped = 0;
    for (const auto& [dwgPath, dxfPath] : sameReleaseTwins()) {
        const cad::Drawing dxf = cad::readDrawingFile((*corpusDir() / dxfPath).string());
        std::map<std::uint64_t, const cad::Underlay*> theirs;
        for (const cad::Entity& e : dxf.modelSpace)
            if (const auto* u = cad::dataIf<cad::Underlay>(&e.data))
                theirs[e.common.handle] = u;
        if (theirs.empty())
            continue;
        SCOPED_TRACE(dwgPath + " / " + dxfPath);
        const cad::Drawing dwg = cad::readDrawingFile((*corpusDir() / dwgPath).string());
        for (const cad::Entity& e : dwg.modelSpace) {
            const auto* ours = cad::dataIf<cad::Underlay>(&e.data);
            if (!ours)
                continue;
            const auto it = theirs.find(e.common.handle);
            ASSERT_NE(it, theirs.end());
            const cad::Underlay& t = *it->second;
            EXPECT_EQ(ours->kind, t.kind);
            EXPECT_EQ(ours->definition, t.definition);
            for (auto [a, b] : {std::pair{ours->origin, t.origin}, {ours->scale, t.scale}}) {
                EXPECT_NEAR(a.x, b.x, 1e-9 * std::max(1.0, std::fabs(b.x)));
                EXPECT_NEAR(a.y, b.y, 1e-9 * std::max(1.0, std::fabs(b.y)));
            }
            EXPECT_NEAR(ours->rotation, t.rotation, 1e-9);
            ASSERT_EQ(ours->clip.size(), t.clip.size());
            for (std::size_t i = 0; i < t.clip.size(); ++i) {
                EXPECT_NEAR(ours->clip[i].x, t.clip[i].x, 1e-9);
                EXPECT_NEAR(ours->clip[i].y, t.clip[i].y, 1e-9);
            }
            clipped += !t.clip.empty();
            ++compared;
        }
    }
    EXPECT_GE(compared, 8);
    EXPECT_GE(clipped, 1);
}

// A large radial dimension keeps its centre, chord and jog points, so it measures its radius
// when drawn without its block.
TEST(DwgAnnotationObjectsCorpus, LargeRadialDimensionKeepsItsDefinition) {
    VEXOR_REQUIRE_CORPUS();
    const cad::Drawing d =
        cad::readDrawingFile((*corpusDir() / "dwg/AC1032/librecad__large_radial.dwg").string());
    ASSERT_EQ(d.modelSpace.size(), 1u);
    const auto* dim = cad::dataIf<cad::Dimension>(&d.modelSpace[0].data);
    ASSERT_NE(dim, nullptr);
    EXPECT_EQ(dim->kind, cad::Dimension::Kind::LargeRadial);
    ASSERT_TRUE(dim->definition);
    // The file's block runs from the jog's start at (10, 0) over the jog point to the arc.
    EXPECT_EQ(dim->definition->point13.x, 10);
    EXPECT_EQ(dim->definition->point14.y, 9);
    std::string problem;
    const cad::DimensionPicture pic =
        cad::dimensionPicture(*dim, cad::effectiveDimStyle(d, *dim, problem));
    EXPECT_DOUBLE_EQ(pic.measurement, 5); // centre (5, 6) to chord point (8, 2)
    EXPECT_TRUE(pic.problem.empty()) << pic.problem;
}
