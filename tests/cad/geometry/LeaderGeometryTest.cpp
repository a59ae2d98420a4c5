// Leaders and multileaders read from small DXF drawings: where the arrowhead tip lies and
// which way it points, the hook line, the landing and dogleg, the text and block content, and
// which values come from the style and which from the entity.
#include "cad/geometry/LeaderGeometry.h"

#include "cad/dxf/DxfFixture.h"
#include "cad/geometry/DisplayList.h"
#include "cad/load/DrawingReader.h"
#include "cad/text/TextLayout.h"
#include "support/Corpus.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace vexor;
using cad::DimensionPicture;
using cad::Vec2;
using test::DxfText;

namespace {

bool near(Vec2 a, Vec2 b, double tolerance = 1e-6) {
    return std::hypot(a.x - b.x, a.y - b.y) < tolerance;
}

// The filled arrowhead with its tip at `tip`: where the middle of its back lies.
std::optional<Vec2> arrowBack(const DimensionPicture& pic, Vec2 tip) {
    for (const auto& f : pic.fills)
        if (f.ring.size() == 3 && near(f.ring[0], tip))
            return (f.ring[1] + f.ring[2]) * 0.5;
    return std::nullopt;
}

// A drawing with block records "ARR" (handle D0, an arrowhead block) and "TAG" (handle B1, holding
// an attribute definition with handle A1 at (1, 1) and a line), a DIMSTYLE "LDR" (arrows 2.5 at
// scale 2, leader arrowhead "ARR"), then `entities` and an MLEADERSTYLE with handle 5A (arrows 3,
// "ARR", lines in colour 3, dogleg 8).
cad::Drawing drawingWith(const std::string& entities) {
    DxfText f;
    f.begin("TABLES");
    f.g(0, "TABLE").g(2, "BLOCK_RECORD");
    f.g(0, "BLOCK_RECORD").g(5, "D0").g(2, "ARR");
    f.g(0, "BLOCK_RECORD").g(5, "B1").g(2, "TAG");
    f.g(0, "ENDTAB");
    f.g(0, "TABLE").g(2, "DIMSTYLE");
    f.g(0, "DIMSTYLE").g(105, "30").g(2, "LDR").g(41, 2.5).g(40, 2.0).g(341, "D0");
    f.g(0, "ENDTAB").end();
    f.begin("BLOCKS");
    f.g(0, "BLOCK").g(8, "0").g(2, "ARR").point(10, 0, 0).g(0, "ENDBLK");
    f.g(0, "BLOCK").g(8, "0").g(2, "TAG").point(10, 1, 1);
    f.g(0, "LINE").g(8, "0").point(10, 0, 0).point(11, 2, 0);
    f.g(0, "ATTDEF").g(5, "A1").g(8, "0").g(62, 0).point(10, 1, 1).g(40, 0.5).g(1, "?").g(2, "NO");
    f.g(0, "ENDBLK").end();
    f.begin("ENTITIES");
    std::string text = f.str() + entities + "0\nENDSEC\n";
    DxfText objects;
    objects.begin("OBJECTS");
    objects.g(0, "MLEADERSTYLE").g(5, "5A").g(173, 1).g(91, -1023410173).g(291, 1).g(43, 8.0);
    objects.g(3, "Standard").g(44, 3.0).g(341, "D0").g(142, 1.0).end();
    return test::readText(text + objects.str() + "0\nEOF\n");
}

// A multileader with one leader line from the tip (0, 0) through (5, 5) to the landing point
// (10, 5), a dogleg of 4 to the right and the text "NOTE" at (11, 5.5), attached top left;
// `line` adds groups to its leader line and `own` the entity's own values after the context.
// `direction` is the text's; `context` adds groups to the context data after the text's.
std::string multileader(const DxfText& own, const DxfText& line = {}, Vec2 direction = {1, 0},
                        const DxfText& context = {}) {
    DxfText t;
    t.g(0, "MULTILEADER").g(5, "77").g(8, "0").g(100, "AcDbMLeader").g(270, 2);
    t.g(300, "CONTEXT_DATA{").g(40, 1.0).point(10, 10, 5).g(41, 1.5).g(140, 0.0).g(145, 1.0);
    t.g(290, 1).g(304, "NOTE").point(11, 0, 0, 1).point(12, 11, 5.5);
    t.point(13, direction.x, direction.y);
    t.g(43, 0.0).g(45, 1.0).g(90, -1056964608).g(171, 1);
    const std::string head = t.str() + context.str();
    DxfText u;
    u.g(296, 0)
        .g(302, "LEADER{")
        .g(290, 1)
        .g(291, 1)
        .point(10, 10, 5)
        .point(11, 1, 0)
        .g(90, 0)
        .g(40, 4.0);
    u.g(304, "LEADER_LINE{").point(10, 0, 0).point(10, 5, 5).g(91, 0);
    DxfText close;
    close.g(305, "}").g(271, 0).g(303, "}").g(301, "}").g(340, "5A");
    return head + u.str() + line.str() + close.str() + own.str();
}

const cad::MultiLeaderData& dataOf(const cad::Drawing& drawing, std::size_t i = 0) {
    return *cad::dataOf<cad::MultiLeader>(drawing.modelSpace.at(i).data).data;
}

} // namespace

TEST(Leaders, ArrowheadOfTheLeaderStyleAtTheFirstPointPointingAwayFromTheSecond) {
    DxfText body;
    body.g(0, "LEADER").g(8, "0").g(100, "AcDbLeader").g(3, "LDR").g(71, 1).g(73, 3);
    body.point(10, 10, 0).point(10, 20, 0).point(10, 20, 10);
    // The standard arrowhead, 1.5 long at scale 2, from the leader's own overrides.
    body.g(0, "LEADER").g(8, "0").g(100, "AcDbLeader").g(3, "LDR").g(71, 1);
    body.point(10, 0, 0).point(10, 0, 10);
    body.g(1001, "ACAD").g(1000, "DSTYLE").g(1002, "{").g(1070, 41).g(1040, 1.5);
    body.g(1070, 341).g(1005, "0").g(1002, "}");
    // No arrowhead (71 = 0), and a first segment shorter than the arrow.
    body.g(0, "LEADER").g(8, "0").g(3, "LDR").g(71, 0).point(10, 0, 0).point(10, 30, 0);
    body.g(0, "LEADER").g(8, "0").g(3, "LDR").g(71, 1).point(10, 0, 0).point(10, 3, 0);
    const cad::Drawing drawing = drawingWith(body.str());
    ASSERT_EQ(drawing.modelSpace.size(), 4u);
    std::vector<DimensionPicture> pics;
    for (const cad::Entity& e : drawing.modelSpace) {
        const auto& leader = cad::dataOf<cad::Leader>(e.data);
        std::string problem;
        const cad::DimStyle style =
            cad::effectiveDimStyle(drawing, leader.style, leader.overrides.get(), problem);
        EXPECT_TRUE(problem.empty()) << problem;
        pics.push_back(cad::leaderPicture(leader, style));
    }
    // The style's "ARR": an arrowhead block at the tip, along the leader away from (20, 0),
    // 2.5 x 2 = 5 long.
    ASSERT_EQ(pics[0].blocks.size(), 1u);
    EXPECT_EQ(pics[0].blocks[0].name, "ARR");
    EXPECT_TRUE(near(pics[0].blocks[0].tip, {10, 0}));
    EXPECT_TRUE(near(pics[0].blocks[0].direction, {-1, 0}));
    EXPECT_DOUBLE_EQ(pics[0].blocks[0].size, 5);
    ASSERT_EQ(pics[0].strokes.size(), 1u);
    EXPECT_EQ(pics[0].strokes[0].points.size(), 3u);
    // The override: closed filled, its back 3 from the tip towards (0, 10).
    const auto back = arrowBack(pics[1], {0, 0});
    ASSERT_TRUE(back.has_value());
    EXPECT_TRUE(near(*back, {0, 3})) << back->x << "," << back->y;
    EXPECT_TRUE(pics[2].fills.empty() && pics[2].blocks.empty());
    EXPECT_EQ(pics[2].strokes.size(), 1u);
    EXPECT_TRUE(pics[3].fills.empty() && pics[3].blocks.empty());
}

TEST(Leaders, HookLineIsAddedOnlyWhenTheLastSegmentIsNotAlreadyIt) {
    cad::DimStyle style;
    style.arrowSize = 2;
    style.scale = 1.5;
    cad::Leader leader;
    leader.points = {{0, 0, 0}, {10, 10, 0}};
    leader.hookline = true;
    // Against the horizontal direction (74 = 0): to the left of the last point.
    DimensionPicture pic = cad::leaderPicture(leader, style);
    ASSERT_EQ(pic.strokes.size(), 1u);
    ASSERT_EQ(pic.strokes[0].points.size(), 3u);
    EXPECT_TRUE(near(pic.strokes[0].points[2], {7, 10}));
    leader.hooklineAlongHorizontal = true;
    leader.horizontal = {0, 1, 0};
    pic = cad::leaderPicture(leader, style);
    EXPECT_TRUE(near(pic.strokes[0].points.back(), {10, 13}));
    // A writer that stored the hook line as the last segment gets no second one.
    leader.points.push_back({10, 13, 0});
    pic = cad::leaderPicture(leader, style);
    EXPECT_EQ(pic.strokes[0].points.size(), 3u);
    // A spline leader passes through its points and ends at the last one.
    cad::Leader spline;
    spline.spline = true;
    spline.points = {{0, 0, 0}, {5, 5, 0}, {10, 0, 0}};
    pic = cad::leaderPicture(spline, style);
    ASSERT_EQ(pic.strokes.size(), 1u);
    const auto& path = pic.strokes[0].points;
    EXPECT_GT(path.size(), 10u);
    EXPECT_TRUE(near(path.front(), {0, 0}) && near(path.back(), {10, 0}));
    bool throughMiddle = false;
    for (Vec2 p : path)
        throughMiddle = throughMiddle || near(p, {5, 5}, 0.05);
    EXPECT_TRUE(throughMiddle);
}

TEST(MultiLeaders, LeaderLineArrowDoglegAndTextFromTheLaidOutGeometry) {
    // The entity overrides nothing: arrows, colours and dogleg come from its style.
    const cad::Drawing drawing =
        drawingWith(multileader(DxfText().g(90, 0).g(342, "0").g(42, 9.0).g(172, 2)));
    ASSERT_EQ(drawing.modelSpace.size(), 1u);
    const cad::MultiLeaderPicture pic = cad::multiLeaderPicture(drawing, dataOf(drawing));
    EXPECT_TRUE(pic.problem.empty()) << pic.problem;
    ASSERT_EQ(pic.lines.size(), 2u); // the leader line, then the doglegs
    const DimensionPicture& line = pic.lines[0].picture;
    ASSERT_EQ(line.strokes.size(), 1u);
    const auto& path = line.strokes[0].points;
    ASSERT_EQ(path.size(), 3u);
    EXPECT_TRUE(near(path[0], {0, 0}) && near(path[1], {5, 5}) && near(path[2], {10, 5}));
    // The style's "ARR", 3 long, at the tip, pointing away from (5, 5).
    ASSERT_EQ(line.blocks.size(), 1u);
    EXPECT_EQ(line.blocks[0].name, "ARR");
    EXPECT_TRUE(near(line.blocks[0].tip, {0, 0}));
    EXPECT_TRUE(near(line.blocks[0].direction, {-std::sqrt(0.5), -std::sqrt(0.5)}));
    EXPECT_DOUBLE_EQ(line.blocks[0].size, 3);
    EXPECT_EQ(pic.lines[0].color, cad::Color::indexed(3));
    // The dogleg runs from the landing point along its direction, as long as the branch says.
    ASSERT_EQ(pic.lines[1].picture.strokes.size(), 1u);
    const auto& dogleg = pic.lines[1].picture.strokes[0].points;
    EXPECT_TRUE(near(dogleg[0], {10, 5}) && near(dogleg[1], {14, 5}));
    // The text where the writer put it, attached by its top left corner.
    ASSERT_TRUE(pic.hasText);
    EXPECT_EQ(pic.text.text, "NOTE");
    EXPECT_DOUBLE_EQ(pic.text.insert.x, 11);
    EXPECT_DOUBLE_EQ(pic.text.insert.y, 5.5);
    EXPECT_DOUBLE_EQ(pic.text.height, 1.5);
    EXPECT_EQ(pic.text.attachment, 1);
    EXPECT_FALSE(pic.hasBlock);
}

TEST(MultiLeaders, TheEntityOverridesItsStyleWhereItsFlagsSay) {
    // Arrowhead (0x100), arrow size (0x200), line colour (0x2) and dogleg (0x40) overridden:
    // the standard arrowhead 2 long, lines in colour 5, no dogleg.
    DxfText own;
    own.g(90, 0x100 | 0x200 | 0x2 | 0x40).g(91, -1023410171).g(291, 0).g(342, "0").g(42, 2.0);
    const cad::Drawing drawing = drawingWith(multileader(own));
    const cad::MultiLeaderPicture pic = cad::multiLeaderPicture(drawing, dataOf(drawing));
    ASSERT_EQ(pic.lines.size(), 1u); // no dogleg
    EXPECT_EQ(pic.lines[0].color, cad::Color::indexed(5));
    const auto back = arrowBack(pic.lines[0].picture, {0, 0});
    ASSERT_TRUE(back.has_value());
    EXPECT_TRUE(near(*back, {std::sqrt(2.0), std::sqrt(2.0)})) << back->x << "," << back->y;

    // A leader line with colour, linetype and arrowhead of its own keeps them.
    DxfText line;
    line.g(92, -1023410175).g(40, 1.0).g(341, "D0");
    const cad::Drawing perLine = drawingWith(multileader(DxfText().g(90, 0), line));
    const cad::MultiLeaderPicture p2 = cad::multiLeaderPicture(perLine, dataOf(perLine));
    ASSERT_GE(p2.lines.size(), 1u);
    EXPECT_EQ(p2.lines[0].color, cad::Color::indexed(1));
    ASSERT_EQ(p2.lines[0].picture.blocks.size(), 1u);
    EXPECT_DOUBLE_EQ(p2.lines[0].picture.blocks[0].size, 1.0);
}

TEST(MultiLeaders, BlockContentIsPlacedScaledAndTurnedWithItsAttributeValues) {
    // Block "TAG" (base (1, 1)) at (20, 0), scale 2, turned a quarter: its base lands on the
    // position, its line from (0, 0) to (2, 0) runs from (22, -2) to (22, 2).
    DxfText t;
    t.g(0, "MULTILEADER").g(5, "78").g(8, "0").g(100, "AcDbMLeader").g(270, 2);
    t.g(300, "CONTEXT_DATA{").g(40, 1.0).g(140, 0.0).g(290, 0).g(296, 1).g(341, "B1");
    t.point(14, 0, 0, 1).point(15, 20, 0).point(16, 2, 2, 2).g(46, M_PI / 2).g(93, -1056964608);
    t.g(302, "LEADER{").g(290, 1).g(291, 1).point(10, 18, 0).point(11, 1, 0).g(40, 1.0);
    t.g(304, "LEADER_LINE{").point(10, 0, 0).g(305, "}").g(303, "}").g(301, "}");
    t.g(340, "5A").g(90, 0x400 | 0x100000).g(172, 1).g(93, -1023410174);
    t.g(330, "A1").g(177, 1).g(44, 0.0).g(302, "VALUE");
    const cad::Drawing drawing = drawingWith(t.str());
    const cad::MultiLeaderPicture pic = cad::multiLeaderPicture(drawing, dataOf(drawing));
    EXPECT_TRUE(pic.problem.empty()) << pic.problem;
    ASSERT_TRUE(pic.hasBlock);
    EXPECT_FALSE(pic.hasText);
    EXPECT_EQ(drawing.blocks.at(pic.block).name, "TAG");
    EXPECT_TRUE(near(pic.blockTransform.map({1, 1}), {20, 0}));
    EXPECT_TRUE(near(pic.blockTransform.map({0, 0}), {22, -2}));
    EXPECT_TRUE(near(pic.blockTransform.map({2, 0}), {22, 2}));
    EXPECT_EQ(pic.blockColor, cad::Color::indexed(2));

    // Compiled, the block is referenced and the attribute shows the multileader's value, at
    // the definition's place in the block, in the block's colour (the definition is by block).
    const auto list = cad::compileDisplayList(drawing);
    const auto& items = list->modelSpace().items;
    int contents = 0; // the arrowhead is a block reference too
    for (const auto& item : items)
        contents += item.kind == cad::ItemKind::Insert &&
                    list->modelSpace().inserts.at(item.extra).block == pic.block;
    EXPECT_EQ(contents, 1);
    ASSERT_EQ(list->modelSpace().texts.size(), 1u);
    const cad::TextRun& run = list->modelSpace().texts[0];
    EXPECT_EQ(run.text, "VALUE");
    const Vec2 origin = run.toWorld.map({0, 0});
    EXPECT_TRUE(near(origin, {20, 0}, 1e-6)) << origin.x << "," << origin.y;
    for (const std::string& d : list->diagnostics())
        EXPECT_EQ(d.find("MULTILEADER"), std::string::npos) << d;
}

TEST(MultiLeaders, TheTextFrameTurnsWithTheText) {
    // The frame bit (0x20000) overridden on; landing gap 1 (group 145 of the context).
    DxfText own;
    own.g(90, 0x20000).g(292, 1);
    for (const Vec2 direction : {Vec2{1, 0}, Vec2{0, 1}}) {
        const cad::Drawing drawing = drawingWith(multileader(own, {}, direction));
        const auto list = cad::compileDisplayList(drawing);
        const cad::ItemList& items = list->modelSpace();
        const cad::DisplayItem* text = nullptr;
        const cad::DisplayItem* frame = nullptr;
        for (const cad::DisplayItem& item : items.items) {
            if (item.kind == cad::ItemKind::Text)
                text = &item;
            if (item.kind == cad::ItemKind::Polyline && item.closed && item.count == 4)
                frame = &item;
        }
        ASSERT_NE(text, nullptr);
        ASSERT_NE(frame, nullptr) << "direction " << direction.x << "," << direction.y;
        // The frame's first corner is a gap below and before the text's start: turned a
        // quarter, "below" is +x and "before" is -y.
        const Vec2 first = items.points[frame->first];
        const cad::TextRun& run = items.texts[text->extra];
        const Vec2 start = cad::glyphFrame(run).map({0, -0.3});
        const Vec2 across{-direction.y, direction.x};
        EXPECT_TRUE(near(first, start - direction * 1.0 - across * 1.0))
            << first.x << "," << first.y;
        // It encloses the text's box and hugs it a gap away.
        EXPECT_NEAR(frame->box.minX, text->box.minX - 1, 1e-6);
        EXPECT_NEAR(frame->box.maxY, text->box.maxY + 1, 1e-6);
        for (const std::string& d : list->diagnostics())
            EXPECT_EQ(d.find("turned text"), std::string::npos) << d;
    }
}

TEST(MultiLeaders, TheTextBackgroundMaskIsDrawnBehindTheText) {
    // Mask on (291) in colour 2 (91) with a border of half the text height (141 = 1.5); the
    // entity part after the context reuses 291 and 292 with other meanings.
    DxfText own;
    own.g(90, 0).g(291, 0).g(292, 1);
    for (const bool viewColor : {false, true}) {
        DxfText context;
        context.g(91, -1023410174).g(141, 1.5).g(92, 0).g(291, 1).g(292, viewColor ? 1 : 0);
        const cad::Drawing drawing = drawingWith(multileader(own, {}, {1, 0}, context));
        const cad::MText& t = dataOf(drawing).text;
        EXPECT_EQ(t.backgroundFlags,
                  viewColor ? cad::kMTextFill | cad::kMTextFillBackground : cad::kMTextFill);
        EXPECT_EQ(t.backgroundColor, cad::Color::indexed(2));
        const auto list = cad::compileDisplayList(drawing);
        const cad::ItemList& items = list->modelSpace();
        const cad::DisplayItem* text = nullptr;
        const cad::DisplayItem* mask = nullptr;
        for (const cad::DisplayItem& item : items.items) {
            if (item.kind == cad::ItemKind::Text)
                text = &item;
            if (item.kind == (viewColor ? cad::ItemKind::Wipeout : cad::ItemKind::Polygon))
                mask = mask ? mask : &item;
        }
        ASSERT_NE(text, nullptr);
        ASSERT_NE(mask, nullptr) << viewColor;
        EXPECT_LT(mask, text) << "the mask is drawn first";
        // The text's box (top left at (11, 5.5), one line 1.5 high) grown by (scale - 1) text
        // heights on every side.
        const double margin = 0.5 * 1.5;
        EXPECT_NEAR(mask->box.minX, 11 - margin, 1e-9);
        EXPECT_NEAR(mask->box.maxY, 5.5 + margin, 1e-9);
        EXPECT_NEAR(mask->box.minY, 5.5 - 1.5 - margin, 1e-9);
        EXPECT_GT(mask->box.maxX, text->box.maxX);
    }
    // Mask off: nothing behind the text.
    DxfText off;
    off.g(91, -1023410174).g(141, 1.5).g(291, 0).g(292, 0);
    const cad::Drawing plain = drawingWith(multileader(own, {}, {1, 0}, off));
    EXPECT_EQ(dataOf(plain).text.backgroundFlags, 0);
}

TEST(MultiLeaders, DamagedValuesAreLeftOutWithADiagnostic) {
    cad::Drawing drawing = drawingWith(multileader(DxfText().g(90, 0)));
    auto data = std::make_shared<cad::MultiLeaderData>(dataOf(drawing));
    data->branches[0].lines[0].vertices[1] = {std::nan(""), 1e300, 0};
    data->hasBlock = true;
    data->block = "MISSING";
    drawing.modelSpace[0].data = cad::MultiLeader{data};
    const cad::MultiLeaderPicture pic = cad::multiLeaderPicture(drawing, *data);
    EXPECT_FALSE(pic.problem.empty());
    EXPECT_FALSE(pic.hasBlock);
    ASSERT_FALSE(pic.lines.empty());
    for (const auto& stroke : pic.lines[0].picture.strokes)
        for (Vec2 p : stroke.points)
            EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
    const auto list = cad::compileDisplayList(drawing);
    bool said = false;
    for (const std::string& d : list->diagnostics())
        said = said || d.find("1 MULTILEADER entity drawn in part: ") == 0;
    EXPECT_TRUE(said);
}

// Every corpus drawing with multileaders opens on the viewer's path and draws them all.
TEST(MultiLeaders, CorpusDrawingsDrawTheirMultileaders) {
    VEXOR_REQUIRE_CORPUS();
    int files = 0, multileaders = 0;
    for (const auto& file : test::corpusFiles("dxf", {".dxf"})) {
        if (file.string().find("negative") != std::string::npos)
            continue;
        const cad::Drawing drawing = cad::readDrawingFile(file.string());
        int here = 0;
        for (const cad::Entity& e : drawing.modelSpace)
            here += cad::holds<cad::MultiLeader>(e.data);
        for (const cad::Block& b : drawing.blocks)
            for (const cad::Entity& e : b.entities)
                here += cad::holds<cad::MultiLeader>(e.data);
        if (here == 0)
            continue;
        SCOPED_TRACE(file.string());
        ++files;
        multileaders += here;
        const auto list = cad::compileDisplayList(drawing);
        for (const std::string& d : list->diagnostics())
            EXPECT_FALSE(d.find("MULTILEADER") != std::string::npos &&
                         d.find("not drawn") != std::string::npos)
                << d;
    }
    EXPECT_GE(files, 20);
    EXPECT_GE(multileaders, 100);
}
