#include "cad/query/ItemPick.h"

#include "QueryEntities.h"
#include "cad/geometry/DisplayList.h"

#include <gtest/gtest.h>
#include <map>

using namespace vexor::cad;
using vexor::test::insertEntity;

namespace {

constexpr double kPi = 3.14159265358979323846;

Entity line(std::uint32_t layer, Vec2 a, Vec2 b, Color color = Color::byLayer()) {
    Entity e;
    e.common.layer = layer;
    e.common.color = color;
    e.data = Line{{a.x, a.y, 0}, {b.x, b.y, 0}};
    return e;
}

std::map<std::string, std::string> described(const DisplayList& list, const Drawing& d,
                                             const PickedItem& p) {
    std::map<std::string, std::string> m;
    for (const auto& [name, value] : describeItem(list, d, p, LinearUnitFormat{2, 2}))
        m[name] = value;
    return m;
}

// A red line on WALLS, a closed square on layer 0, and a door block (a by-block line on layer
// "0") referenced from a block OUTER, itself referenced turned a quarter and doubled on layer
// DOORS in green.
struct Sample {
    Drawing d;
    std::shared_ptr<const DisplayList> list;
    Sample() {
        const std::uint32_t zero = d.layerIndex("0");
        const std::uint32_t walls = d.layerIndex("WALLS");
        const std::uint32_t doors = d.layerIndex("DOORS");
        d.layers[walls].color = Color::indexed(1);
        d.modelSpace.push_back(line(walls, {0, 0}, {10, 0}));
        Polyline square;
        square.closed = true;
        for (Vec2 p : {Vec2{20, 0}, Vec2{24, 0}, Vec2{24, 4}, Vec2{20, 4}})
            square.vertices.push_back({{p.x, p.y, 0}});
        Entity sq;
        sq.common.layer = zero;
        sq.data = Boxed<Polyline>(square);
        d.modelSpace.push_back(sq);
        const std::uint32_t door = d.blockIndex("DOOR");
        d.blocks[door].entities.push_back(line(zero, {0, 0}, {1, 0}, Color::byBlock()));
        d.blocks[door].entities.back().common.handle = 0xD00;
        // A note in the door block, in its own text style.
        TextStyle notes;
        notes.name = "NOTES";
        d.textStyles.push_back(notes);
        Text note;
        note.text = "Fire door";
        note.insert = {0, 5, 0};
        note.height = 0.5;
        note.style = static_cast<std::uint32_t>(d.textStyles.size() - 1);
        Entity ne;
        ne.common.layer = zero;
        ne.common.handle = 0xD01;
        ne.data = Boxed<Text>(note);
        d.blocks[door].entities.push_back(ne);
        const std::uint32_t outer = d.blockIndex("OUTER");
        d.blocks[outer].entities.push_back(
            insertEntity(zero, door, {10, 0}, 0, 1, Color::byBlock()));
        d.blocks[outer].entities.back().common.handle = 0xB00;
        Entity placed = insertEntity(doors, outer, {100, 100}, kPi / 2, 2, Color::indexed(3));
        placed.common.handle = 0xA00;
        // The outer reference carries two attributes, one of them shown.
        Insert withValues = *dataIf<Insert>(&placed.data);
        for (const auto& [tag, value] : {std::pair{"ROOM", "101"}, std::pair{"RATING", "EI30"}}) {
            AttributeEntity attribute;
            attribute.common.layer = doors;
            attribute.text.kind = TextKind::Attribute;
            attribute.text.tag = std::string(tag);
            attribute.text.text = value;
            attribute.text.insert = {100, 90, 0};
            attribute.text.height = 1;
            withValues.attributes.push_back(attribute);
        }
        withValues.attributes.back().common.invisible = true;
        placed.data = Boxed<Insert>(withValues);
        d.modelSpace.push_back(placed);
        list = compileDisplayListReleasingEntities(d);
    }
};

} // namespace

TEST(ItemPick, ALineUnderThePointWithinTheTolerance) {
    Sample s;
    const std::vector<char> none;
    auto found = itemsAt(*s.list, s.list->modelSpace(), {5, 0.05}, 0.1, none);
    ASSERT_EQ(found.size(), 1u);
    auto m = described(*s.list, s.d, found[0]);
    EXPECT_EQ(m["Kind"], "Line");
    EXPECT_EQ(m["Layer"], "WALLS");
    EXPECT_EQ(m["Drawn in"], "#FF0000");
    EXPECT_EQ(m["Length"], "10.00");
    EXPECT_EQ(m["Start"], "0.00, 0.00");
    EXPECT_EQ(m["Angle"], "0.00\xC2\xB0");
    EXPECT_TRUE(itemsAt(*s.list, s.list->modelSpace(), {5, 0.2}, 0.1, none).empty());

    std::vector<char> hidden(s.d.layers.size(), 0);
    hidden[s.d.layerIndex("WALLS")] = 1;
    EXPECT_TRUE(itemsAt(*s.list, s.list->modelSpace(), {5, 0.05}, 0.1, hidden).empty())
        << "a hidden layer shows nothing to pick";
}

TEST(ItemPick, AClosedPolylineHasItsAreaAndPerimeter) {
    Sample s;
    auto found = itemsAt(*s.list, s.list->modelSpace(), {24.01, 2}, 0.1, {});
    ASSERT_EQ(found.size(), 1u);
    auto m = described(*s.list, s.d, found[0]);
    EXPECT_EQ(m["Kind"], "Polyline");
    EXPECT_EQ(m["Area"], "16.00");
    EXPECT_EQ(m["Perimeter"], "16.00");
    EXPECT_EQ(m["Points"], "4");
    EXPECT_TRUE(itemsAt(*s.list, s.list->modelSpace(), {22, 2}, 0.1, {}).empty())
        << "an outline is picked on its edge, not inside";
}

TEST(ItemPick, AnEntityOfANestedReferenceWithItsPath) {
    Sample s;
    // The door's line runs from (0, 0) to (1, 0) in DOOR, placed at (10, 0) in OUTER, which is
    // turned a quarter and doubled at (100, 100): from (100, 120) to (100, 122).
    auto found = itemsAt(*s.list, s.list->modelSpace(), {100.05, 121}, 0.1, {});
    ASSERT_EQ(found.size(), 1u);
    auto m = described(*s.list, s.d, found[0]);
    EXPECT_EQ(m["Kind"], "Line");
    EXPECT_EQ(m["Type"], "LINE");
    EXPECT_EQ(m["Handle"], "D00") << "kept though the entities are released";
    EXPECT_EQ(m["Block"], "OUTER > DOOR");
    EXPECT_EQ(m["Insert path"], "A00 > B00") << "the references' handles, outermost first";
    EXPECT_EQ(m["Attributes of OUTER"], "ROOM=101; RATING=EI30") << "hidden ones too";
    EXPECT_EQ(m["Layer"], "DOORS") << "layer 0 takes the outermost reference's layer";
    EXPECT_EQ(m["Colour"], "ByBlock");
    EXPECT_EQ(m["Drawn in"], "#00FF00") << "by block through two references: green";
    EXPECT_EQ(m["Start"], "100.00, 120.00");
    EXPECT_EQ(m["End"], "100.00, 122.00");
    EXPECT_EQ(m["Length"], "2.00");

    std::vector<char> hidden(s.d.layers.size(), 0);
    hidden[s.d.layerIndex("DOORS")] = 1;
    EXPECT_TRUE(itemsAt(*s.list, s.list->modelSpace(), {100.05, 121}, 0.1, hidden).empty());
}

// A clipped insert shows a copy of its block cut to the boundary: what is picked there is named
// by the block it was cut from, and what was cut away cannot be picked.
TEST(ItemPick, ThroughAClippedInsertTheBlockKeepsItsName) {
    Drawing d;
    const std::uint32_t zero = d.layerIndex("0");
    const std::uint32_t door = d.blockIndex("DOOR");
    d.blocks[door].entities.push_back(line(zero, {0, 0}, {10, 0}));
    Entity clipped = insertEntity(zero, door, {100, 0}, 0, 1, Color::byLayer());
    dataOf<Insert>(clipped.data).clip = {{-1, -1}, {5, -1}, {5, 1}, {-1, 1}};
    d.modelSpace.push_back(clipped);
    const auto list = compileDisplayList(d);
    const auto found = itemsAt(*list, list->modelSpace(), {102, 0.05}, 0.1, {});
    ASSERT_EQ(found.size(), 1u);
    auto m = described(*list, d, found[0]);
    EXPECT_EQ(m["Block"], "DOOR");
    EXPECT_EQ(m["Length"], "5.00");
    EXPECT_TRUE(itemsAt(*list, list->modelSpace(), {108, 0.05}, 0.1, {}).empty());
}

TEST(ItemPick, TextsShowTheirStyleAndAttributesTheirReference) {
    Sample s;
    // The note at (0, 5) in DOOR: in the model at (100 - 10, 120), upright after the turn.
    const Vec2 at = {100 - 10.3, 120.3};
    auto found = itemsAt(*s.list, s.list->modelSpace(), at, 0.5, {});
    ASSERT_FALSE(found.empty());
    auto m = described(*s.list, s.d, found[0]);
    EXPECT_EQ(m["Text"], "Fire door");
    EXPECT_EQ(m["Style"], "NOTES");
    EXPECT_EQ(m["Type"], "TEXT");
    EXPECT_EQ(m["Handle"], "D01");
    // The shown attribute: made with its reference, so it names the reference's handle and
    // lists its values.
    found = itemsAt(*s.list, s.list->modelSpace(), {100.3, 90.3}, 0.5, {});
    ASSERT_FALSE(found.empty());
    m = described(*s.list, s.d, found[0]);
    EXPECT_EQ(m["Text"], "101");
    EXPECT_EQ(m["Type"], "ATTRIB");
    EXPECT_EQ(m["Reference handle"], "A00");
    EXPECT_EQ(m["Attributes"], "ROOM=101; RATING=EI30");
}
