// Attribute definitions: outside a block (model space, a layout) they show their tag; inside a
// block they are not drawn, the inserts' attributes are.
#include "cad/dxf/DxfFixture.h"
#include "cad/geometry/DisplayList.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace vexor;
using vexor::test::DxfText;

namespace {

DxfText attdef(const std::string& tag, const std::string& value, bool paper = false) {
    DxfText t;
    t.g(0, "ATTDEF").g(8, "0");
    if (paper)
        t.g(67, 1);
    t.point(10, 1, 2).g(40, 2.5).g(1, value).g(3, "Prompt").g(2, tag).g(70, 0);
    return t;
}

// Every text run of the compiled drawing, model space, blocks and sheets alike.
std::vector<std::string> allRuns(const cad::DisplayList& list) {
    std::vector<std::string> runs;
    for (const cad::TextRun& run : list.modelSpace().texts)
        runs.push_back(run.text);
    for (std::size_t b = 0; b < list.blockCount(); ++b)
        for (const cad::TextRun& run : list.block(static_cast<std::uint32_t>(b)).texts)
            runs.push_back(run.text);
    return runs;
}

bool has(const std::vector<std::string>& runs, const std::string& s) {
    return std::find(runs.begin(), runs.end(), s) != runs.end();
}

} // namespace

TEST(AttributeDefinitions, LooseOnesShowTheirTagAndBlockOnesAreNotDrawn) {
    DxfText file;
    file.begin("BLOCKS");
    file.g(0, "BLOCK").g(2, "DOOR").g(70, 2).point(10, 0, 0);
    file.g(0, "LINE").g(8, "0").point(10, 0, 0).point(11, 1, 0);
    std::string text = file.str() + attdef("WIDTH", "900").str();
    DxfText rest;
    rest.g(0, "ENDBLK").end().begin("ENTITIES");
    rest.g(0, "INSERT").g(8, "0").g(66, 1).g(2, "DOOR").point(10, 20, 0);
    rest.g(0, "ATTRIB").g(8, "0").point(10, 20, 0).g(40, 2.5).g(1, "750").g(2, "WIDTH").g(70, 0);
    rest.g(0, "SEQEND");
    text += rest.str() + attdef("ROOM", "101").str() + attdef("SHEET", "A1", true).str();
    text += "0\nENDSEC\n0\nEOF\n";
    const cad::Drawing drawing = test::readText(text);
    const auto list = cad::compileDisplayList(drawing);
    const std::vector<std::string> runs = allRuns(*list);
    EXPECT_TRUE(has(runs, "ROOM")) << "model space shows the tag";
    EXPECT_FALSE(has(runs, "101")) << "not the default value";
    EXPECT_TRUE(has(runs, "SHEET")) << "a layout shows the tag too";
    EXPECT_FALSE(has(runs, "WIDTH")) << "the block's definition is not drawn";
    EXPECT_FALSE(has(runs, "900"));
    EXPECT_TRUE(has(runs, "750")) << "the insert's attribute is";
}
