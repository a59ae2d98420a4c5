#include "cad/query/TextSearch.h"

#include "QueryEntities.h"
#include "cad/geometry/DimensionGeometry.h"
#include "cad/geometry/DisplayList.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

using namespace vexor::cad;
using vexor::test::insertEntity;

namespace {

constexpr double kPi = 3.14159265358979323846;

Entity textEntity(std::uint32_t layer, const std::string& s, Vec2 at, double height = 2.5) {
    Text t;
    t.text = s;
    t.insert = {at.x, at.y, 0};
    t.height = height;
    Entity e;
    e.common.layer = layer;
    e.data = Boxed<Text>(t);
    return e;
}

Entity mtextEntity(std::uint32_t layer, const std::string& s, Vec2 at) {
    MText m;
    m.text = s;
    m.insert = {at.x, at.y, 0};
    m.height = 3;
    Entity e;
    e.common.layer = layer;
    e.data = Boxed<MText>(m);
    return e;
}

// A drawing with a text of every kind the search reads, on model space and one layout.
struct Sample {
    Drawing d;
    std::uint32_t zero, notes, doors;

    Sample() {
        zero = d.layerIndex("0");
        notes = d.layerIndex("NOTES");
        doors = d.layerIndex("DOORS");
        d.modelSpace.push_back(textEntity(notes, "Room %%c101", {5, 6}));
        d.modelSpace.push_back(
            mtextEntity(notes, "{\\fArial|b1;Kitchen}\\PFloor \\H2.5x;area \\S1/2;", {20, 30}));

        const std::uint32_t door = d.blockIndex("DOOR");
        d.blocks[door].entities.push_back(textEntity(zero, "D-01", {1, 0}));
        Entity placed = insertEntity(doors, door, {100, 50}, kPi / 2, 2);
        AttributeEntity tag;
        tag.common.layer = doors;
        tag.text.kind = TextKind::Attribute;
        tag.text.text = "ABC-123";
        tag.text.insert = {100, 40, 0};
        tag.text.tag = std::string("TAG");
        dataOf<Insert>(placed.data).attributes.push_back(tag);
        d.modelSpace.push_back(placed);

        const std::uint32_t outer = d.blockIndex("OUTER");
        d.blocks[outer].entities.push_back(insertEntity(zero, door, {10, 0}));
        d.modelSpace.push_back(insertEntity(notes, outer, {0, 0}));

        DimStyle style;
        style.decimals = 2;
        d.dimStyles.push_back(style);
        Dimension dim;
        dim.style = 0;
        dim.measurement = 1234.5;
        dim.textMidpoint = {7, 8, 0};
        Entity de;
        de.common.layer = notes;
        de.data = Boxed<Dimension>(dim);
        d.modelSpace.push_back(de);
        dim.text = "<> mm";
        dim.dimType = 4; // radius
        de.data = Boxed<Dimension>(dim);
        d.modelSpace.push_back(de);
        // One with its definition points and no stored measurement: measured as drawn.
        Dimension measured;
        measured.style = 0;
        measured.textMidpoint = {600, 10, 0};
        auto definition = std::make_unique<DimensionDefinition>();
        definition->point13 = {0, 0, 0};
        definition->point14 = {1234.5, 0, 0};
        measured.definitionPoint = {1234.5, 10, 0};
        measured.definition = std::move(definition);
        de.data = Boxed<Dimension>(std::move(measured));
        d.modelSpace.push_back(de);

        auto leader = std::make_shared<MultiLeaderData>();
        leader->hasText = true;
        leader->text.text = "See \\Pdetail 4";
        leader->text.insert = {-5, -5, 0};
        leader->text.height = 2;
        Entity le;
        le.common.layer = notes;
        le.data = MultiLeader{leader};
        d.modelSpace.push_back(le);

        const std::uint32_t cells = d.blockIndex("*T1");
        d.blocks[cells].entities.push_back(mtextEntity(zero, "Cell A1", {1, 1}));
        Entity table = insertEntity(notes, cells, {200, 0});
        dataOf<Insert>(table.data).table = true;
        d.modelSpace.push_back(table);

        const std::uint32_t paper = d.blockIndex("*Paper_Space");
        d.blocks[paper].entities.push_back(textEntity(notes, "TITLE Ärger", {10, 10}));
        Layout sheet;
        sheet.name = "Sheet A";
        sheet.block = paper;
        d.layouts.push_back(sheet);
    }
};

std::vector<SearchableText> hits(const Drawing& d, const std::string& q, bool whole = false) {
    const auto all = collectSearchableTexts(d);
    std::vector<SearchableText> out;
    for (std::size_t i : findTexts(all, TextQuery{q, whole}))
        out.push_back(all[i]);
    return out;
}

} // namespace

TEST(TextSearch, FindsPlainTextOfTextAndMText) {
    Sample s;
    auto h = hits(s.d, "room");
    ASSERT_EQ(h.size(), 1u);
    EXPECT_EQ(h[0].text, "Room \xE2\x8C\x80"
                         "101")
        << "the %%c code reads as a diameter sign";
    EXPECT_STREQ(h[0].kind, "TEXT");
    EXPECT_EQ(h[0].layer, s.notes);
    EXPECT_EQ(h[0].layout, -1);
    EXPECT_DOUBLE_EQ(h[0].at.x, 5);
    EXPECT_DOUBLE_EQ(h[0].at.y, 6);

    h = hits(s.d, "KITCHEN floor");
    ASSERT_EQ(h.size(), 1u) << "formatting codes removed, lines joined by a space";
    EXPECT_STREQ(h[0].kind, "MTEXT");
    EXPECT_EQ(h[0].text, "Kitchen Floor area 1/2");
    EXPECT_EQ(hits(s.d, "fArial").size(), 0u) << "codes are not text";
}

TEST(TextSearch, FindsTextsInsideNestedReferencesWherePlaced) {
    Sample s;
    auto h = hits(s.d, "d-01");
    ASSERT_EQ(h.size(), 2u);
    // Rotated a quarter turn and doubled: (1, 0) in the block lands 2 above the insert point.
    EXPECT_NEAR(h[0].at.x, 100, 1e-9);
    EXPECT_NEAR(h[0].at.y, 52, 1e-9);
    EXPECT_NEAR(h[0].height, 5, 1e-9);
    EXPECT_EQ(h[0].layer, s.doors) << "layer 0 inside a block takes the reference's layer";
    EXPECT_NEAR(h[1].at.x, 11, 1e-9);
    EXPECT_NEAR(h[1].at.y, 0, 1e-9);
    EXPECT_EQ(h[1].layer, s.notes) << "through two references, the outer one's layer";

    h = hits(s.d, "abc-123");
    ASSERT_EQ(h.size(), 1u);
    EXPECT_STREQ(h[0].kind, "ATTRIB");
    EXPECT_EQ(h[0].layer, s.doors);
}

// A clipped insert shows, and so finds, only the texts inside its boundary.
TEST(TextSearch, AClippedInsertFindsOnlyTheTextsItShows) {
    Drawing d;
    const std::uint32_t zero = d.layerIndex("0");
    const std::uint32_t plan = d.blockIndex("PLAN");
    d.blocks[plan].entities.push_back(textEntity(zero, "kept", {1, 1}));
    d.blocks[plan].entities.push_back(textEntity(zero, "cut", {8, 1}));
    Entity clipped = insertEntity(zero, plan, {100, 0}, 0, 1);
    dataOf<Insert>(clipped.data).clip = {{0, 0}, {5, 0}, {5, 5}, {0, 5}};
    d.modelSpace.push_back(clipped);
    d.modelSpace.push_back(insertEntity(zero, plan, {0, 100}, 0, 1));
    EXPECT_EQ(hits(d, "kept").size(), 2u);
    const auto cut = hits(d, "cut");
    ASSERT_EQ(cut.size(), 1u) << "only the unclipped insert shows it";
    EXPECT_NEAR(cut[0].at.y, 101, 1e-9);
}

TEST(TextSearch, DimensionTextIsTheMeasurementAsDrawn) {
    Sample s;
    auto h = hits(s.d, "1234.5");
    ASSERT_EQ(h.size(), 3u);
    EXPECT_EQ(h[0].text, "1234.50");
    EXPECT_STREQ(h[0].kind, "DIMENSION");
    EXPECT_DOUBLE_EQ(h[0].at.x, 7);
    EXPECT_EQ(h[1].text, "R1234.50 mm") << "radius prefix, override around the measurement";
    EXPECT_EQ(h[2].text, "1234.50") << "measured from its definition points";
    EXPECT_DOUBLE_EQ(h[2].at.x, 600);
}

TEST(TextSearch, MultileadersTablesAndLayouts) {
    Sample s;
    auto h = hits(s.d, "detail 4");
    ASSERT_EQ(h.size(), 1u);
    EXPECT_STREQ(h[0].kind, "MULTILEADER");
    EXPECT_EQ(h[0].text, "See detail 4");

    h = hits(s.d, "cell a1");
    ASSERT_EQ(h.size(), 1u);
    EXPECT_STREQ(h[0].kind, "TABLE");
    EXPECT_DOUBLE_EQ(h[0].at.x, 201);

    h = hits(s.d, "ärger");
    ASSERT_EQ(h.size(), 1u) << "case folding beyond ASCII";
    EXPECT_EQ(h[0].layout, 0);
    EXPECT_EQ(layoutName(s.d, h[0].layout), "Sheet A");
    EXPECT_EQ(layoutName(s.d, -1), "Model");
}

TEST(TextSearch, WholeWordsAndEmptyQueries) {
    EXPECT_TRUE(matchesText("Kitchen Floor area", {"floor", true}));
    EXPECT_FALSE(matchesText("Kitchen Floor area", {"flo", true}));
    EXPECT_TRUE(matchesText("Kitchen Floor area", {"flo", false}));
    EXPECT_TRUE(matchesText("Part A-12/3", {"A-12", true}));
    EXPECT_FALSE(matchesText("PartA-12", {"A-12", true}));
    EXPECT_TRUE(matchesText("floorfloor floor", {"floor", true})) << "a later whole-word hit";
    EXPECT_TRUE(matchesText("(-12-)", {"-12-", true})) << "a query edged by punctuation";
    EXPECT_FALSE(matchesText("anything", {"", false}));
    Sample s;
    EXPECT_TRUE(hits(s.d, "").empty());
}

TEST(TextSearch, CyclicAndInvisibleContentIsSafe) {
    Drawing d;
    const std::uint32_t layer = d.layerIndex("0");
    const std::uint32_t a = d.blockIndex("A"), b = d.blockIndex("B");
    d.blocks[a].entities.push_back(insertEntity(layer, b, {1, 0}));
    d.blocks[b].entities.push_back(insertEntity(layer, a, {1, 0}));
    d.blocks[b].entities.push_back(textEntity(layer, "loop", {0, 0}));
    Entity hidden = textEntity(layer, "loop", {0, 0});
    hidden.common.invisible = true;
    d.modelSpace.push_back(hidden);
    d.modelSpace.push_back(insertEntity(layer, a, {0, 0}));
    const auto h = hits(d, "loop");
    EXPECT_FALSE(h.empty());
    EXPECT_LE(h.size(), static_cast<std::size_t>(kMaxInsertDepth));
}
