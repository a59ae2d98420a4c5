#include "cad/geometry/DisplayList.h"
#include "cad/load/DrawingReader.h"
#include "cad/model/MultiLeader.h"
#include "support/Corpus.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

using namespace vexor;
using namespace vexor::test;

namespace {

bool near(double a, double b) {
    return std::fabs(a - b) <= 1e-6 * std::max(1.0, std::fabs(b));
}

bool near(const cad::Vec3& a, const cad::Vec3& b) {
    return near(a.x, b.x) && near(a.y, b.y) && near(a.z, b.z);
}

std::map<std::uint64_t, const cad::MultiLeaderData*> multiLeaders(const cad::Drawing& d) {
    std::map<std::uint64_t, const cad::MultiLeaderData*> out;
    auto add = [&](const cad::Entity& e) {
        if (const auto* m = std::get_if<cad::MultiLeader>(&e.data))
            out[e.common.handle] = m->data.get();
    };
    for (const cad::Entity& e : d.modelSpace)
        add(e);
    for (const cad::Block& b : d.blocks)
        for (const cad::Entity& e : b.entities)
            add(e);
    return out;
}

std::string styleName(const cad::Drawing& d, std::uint32_t index) {
    return index < d.textStyles.size() ? d.textStyles[index].name : std::string("(none)");
}

const cad::MultiLeaderStyle* styleOf(const cad::Drawing& d, std::uint64_t handle) {
    for (const cad::MultiLeaderStyle& s : d.multiLeaderStyles)
        if (s.handle == handle)
            return &s;
    return nullptr;
}

void compareStyles(const cad::MultiLeaderStyle& ours, const cad::MultiLeaderStyle& theirs) {
    EXPECT_EQ(ours.pathType, theirs.pathType);
    EXPECT_EQ(ours.lineColor, theirs.lineColor);
    EXPECT_EQ(ours.lineweight, theirs.lineweight);
    EXPECT_EQ(ours.dogleg, theirs.dogleg);
    EXPECT_TRUE(near(ours.doglegLength, theirs.doglegLength));
    EXPECT_EQ(ours.arrow, theirs.arrow);
    EXPECT_TRUE(near(ours.arrowSize, theirs.arrowSize));
    EXPECT_EQ(ours.contentType, theirs.contentType);
    EXPECT_EQ(ours.textColor, theirs.textColor);
    EXPECT_TRUE(near(ours.textHeight, theirs.textHeight));
    EXPECT_EQ(ours.textFrame, theirs.textFrame);
    EXPECT_EQ(ours.block, theirs.block);
    EXPECT_TRUE(near(ours.scale, theirs.scale));
}

void compare(const cad::Drawing& dwg, const cad::MultiLeaderData& ours, const cad::Drawing& dxf,
             const cad::MultiLeaderData& theirs) {
    EXPECT_EQ(ours.styleHandle, theirs.styleHandle);
    EXPECT_EQ(ours.overrides, theirs.overrides);
    compareStyles(ours.own, theirs.own);
    EXPECT_EQ(styleName(dwg, ours.own.textStyle), styleName(dxf, theirs.own.textStyle));
    EXPECT_TRUE(near(ours.arrowSize, theirs.arrowSize));
    EXPECT_TRUE(near(ours.landingGap, theirs.landingGap));
    ASSERT_EQ(ours.branches.size(), theirs.branches.size());
    for (std::size_t b = 0; b < ours.branches.size(); ++b) {
        const cad::MultiLeaderBranch& a = ours.branches[b];
        const cad::MultiLeaderBranch& t = theirs.branches[b];
        EXPECT_TRUE(near(a.landingPoint, t.landingPoint));
        EXPECT_TRUE(near(a.doglegDirection, t.doglegDirection));
        EXPECT_TRUE(near(a.doglegLength, t.doglegLength));
        ASSERT_EQ(a.lines.size(), t.lines.size());
        for (std::size_t l = 0; l < a.lines.size(); ++l) {
            ASSERT_EQ(a.lines[l].vertices.size(), t.lines[l].vertices.size());
            for (std::size_t v = 0; v < a.lines[l].vertices.size(); ++v)
                EXPECT_TRUE(near(a.lines[l].vertices[v], t.lines[l].vertices[v]));
        }
    }
    EXPECT_EQ(ours.hasText, theirs.hasText);
    if (ours.hasText) {
        EXPECT_EQ(ours.text.text, theirs.text.text);
        EXPECT_TRUE(near(ours.text.insert, theirs.text.insert));
        EXPECT_TRUE(near(ours.text.xDirection, theirs.text.xDirection));
        EXPECT_TRUE(near(ours.text.height, theirs.text.height));
        EXPECT_TRUE(near(ours.text.referenceWidth, theirs.text.referenceWidth));
        EXPECT_EQ(ours.text.attachment, theirs.text.attachment);
        EXPECT_EQ(ours.text.drawingDirection, theirs.text.drawingDirection); // laid out alike
        EXPECT_EQ(styleName(dwg, ours.text.style), styleName(dxf, theirs.text.style));
        EXPECT_EQ(ours.textColor, theirs.textColor);
    }
    EXPECT_EQ(ours.hasBlock, theirs.hasBlock);
    if (ours.hasBlock) {
        EXPECT_EQ(ours.block, theirs.block);
        EXPECT_TRUE(near(ours.blockPosition, theirs.blockPosition));
        EXPECT_TRUE(near(ours.blockScale, theirs.blockScale));
        EXPECT_TRUE(near(ours.blockRotation, theirs.blockRotation));
        EXPECT_EQ(ours.blockColor, theirs.blockColor);
    }
    ASSERT_EQ(ours.attributes.size(), theirs.attributes.size());
    for (std::size_t i = 0; i < ours.attributes.size(); ++i) {
        EXPECT_EQ(ours.attributes[i].definition, theirs.attributes[i].definition);
        EXPECT_EQ(ours.attributes[i].text, theirs.attributes[i].text);
    }
}

} // namespace

// The same drawing stored as DWG and as DXF, both opened as the viewer opens them: every
// multileader of the DXF is in the DWG with the same leader points, landing and dogleg, text
// or block content, own values and style; and the styles agree.
TEST(DwgMultiLeaderCorpus, MultileadersAgreeWithTheirDxfTwins) {
    VEXOR_REQUIRE_CORPUS();
    int compared = 0, styles = 0;
    std::map<std::string, int> versions;
    for (const std::vector<std::string>& cols : test::corpusPairRows()) {
        if (cols.size() < 5 || cols[0] != "DWG+DXF" || cols[2] != cols[4])
            continue;
        const cad::Drawing dxf = cad::readDrawingFile((*corpusDir() / cols[3]).string());
        const auto theirs = multiLeaders(dxf);
        if (theirs.empty())
            continue;
        SCOPED_TRACE(cols[1] + " / " + cols[3]);
        const cad::Drawing dwg = cad::readDrawingFile((*corpusDir() / cols[1]).string());
        const auto ours = multiLeaders(dwg);
        EXPECT_EQ(ours.size(), theirs.size());
        for (const auto& [handle, data] : theirs) {
            SCOPED_TRACE("multileader " + std::to_string(handle));
            const auto found = ours.find(handle);
            ASSERT_NE(found, ours.end());
            compare(dwg, *found->second, dxf, *data);
            ++compared;
            ++versions[cols[2]];
        }
        for (const cad::MultiLeaderStyle& s : dxf.multiLeaderStyles) {
            SCOPED_TRACE("style " + s.name);
            const cad::MultiLeaderStyle* mine = styleOf(dwg, s.handle);
            ASSERT_NE(mine, nullptr);
            compareStyles(*mine, s);
            ++styles;
        }
    }
    EXPECT_GE(compared, 100);
    EXPECT_GE(styles, 10);
    EXPECT_GE(versions.size(), 6u); // R2000 to R2018
}

// Every corpus DWG that holds multileaders, R14 to R2018, draws them all.
TEST(DwgMultiLeaderCorpus, EveryDwgDrawsItsMultileaders) {
    VEXOR_REQUIRE_CORPUS();
    int files = 0, count = 0;
    for (const auto& file : corpusFiles("dwg", {".dwg"})) {
        if (file.string().find("negative") != std::string::npos)
            continue;
        const cad::Drawing drawing = cad::readDrawingFile(file.string());
        const std::size_t here = multiLeaders(drawing).size();
        if (here == 0)
            continue;
        SCOPED_TRACE(file.string());
        ++files;
        count += static_cast<int>(here);
        for (const std::string& d : drawing.diagnostics)
            EXPECT_EQ(d.find("MULTILEADER"), std::string::npos) << d;
        const auto list = cad::compileDisplayList(drawing);
        for (const std::string& d : list->diagnostics())
            EXPECT_FALSE(d.find("MULTILEADER") != std::string::npos &&
                         d.find("not drawn") != std::string::npos)
                << d;
    }
    EXPECT_GE(files, 26);
    EXPECT_GE(count, 145);
}
