#include "control/ItemRecords.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace vexor::control {
namespace {

cad::Layer layer(const std::string& name, cad::Color color = cad::Color::indexed(7)) {
    cad::Layer l;
    l.name = name;
    l.color = color;
    return l;
}

cad::Drawing drawingWithLayers() {
    cad::Drawing d;
    cad::Layer zero = layer("0");
    cad::Layer walls = layer("Walls", cad::Color::indexed(1));
    cad::Layer off = layer("Off", cad::Color::indexed(5));
    off.off = true;
    cad::Layer frozen = layer("Frozen", cad::Color::indexed(3));
    frozen.frozen = true;
    cad::Layer orange = layer("Orange", cad::Color::trueColor(0xFE0000));
    d.layers = {zero, walls, off, frozen, orange};
    return d;
}

TEST(ItemRecords, LayerRecordsComeFirstInLayerOrder) {
    ItemRecords items(drawingWithLayers(), cad::Box2{0, 0, 1, 1});
    ASSERT_EQ(items.count(), 7);
    const char* names[] = {"0", "Walls", "Off", "Frozen", "Orange"};
    const char* colors[] = {"7", "1", "-5", "3", "1"};
    for (int i = 0; i < 5; ++i) {
        items.selectAt(i);
        ASSERT_TRUE(items.found());
        EXPECT_EQ(items.value("SECTION"), "L");
        EXPECT_EQ(items.value("DESCR"), names[i]);
        EXPECT_EQ(items.value("ECOLOR"), colors[i]) << names[i];
        EXPECT_EQ(items.value("TRUECOLOR"), i == 4 ? "#FE0000" : "") << "only true colours";
    }
    items.selectAt(5);
    EXPECT_EQ(items.value("SECTION"), "V");
}

TEST(ItemRecords, CornerItemsRoundTripExactly) {
    const double x1 = 0.1 + 0.2, y1 = -1234567.891011121314, x2 = 1e-300, y2 = 2.0 / 3.0;
    ItemRecords items(cad::Drawing{}, cad::Box2{x1, y1, x2 > x1 ? x2 : 5, y2});
    items.select("V100");
    ASSERT_TRUE(items.found());
    EXPECT_EQ(std::strtod(items.value("VX1").c_str(), nullptr), x1);
    EXPECT_EQ(std::strtod(items.value("VY1").c_str(), nullptr), y1);
    items.select("V101");
    ASSERT_TRUE(items.found());
    EXPECT_EQ(std::strtod(items.value("VX1").c_str(), nullptr), 5);
    EXPECT_EQ(std::strtod(items.value("VY1").c_str(), nullptr), y2);
}

TEST(ItemRecords, NumbersAreShortAndLocaleFree) {
    EXPECT_EQ(formatExact(100), "100");
    EXPECT_EQ(formatExact(-2.5), "-2.5");
    EXPECT_EQ(formatExact(0.1), "0.1");
    const double tricky = 0.30000000000000004;
    EXPECT_EQ(std::strtod(formatExact(tricky).c_str(), nullptr), tricky);
    EXPECT_EQ(std::strtod(formatExact(std::numeric_limits<double>::max()).c_str(), nullptr),
              std::numeric_limits<double>::max());
}

TEST(ItemRecords, UnknownNamesAndIndexesSelectNothing) {
    ItemRecords items(drawingWithLayers(), cad::Box2{0, 0, 1, 1});
    items.select("V100");
    ASSERT_TRUE(items.found());
    items.select("V102");
    EXPECT_FALSE(items.found());
    EXPECT_EQ(items.value("VX1"), "");
    items.select("Walls"); // layer records are reached by index only
    EXPECT_FALSE(items.found());
    items.selectAt(-1);
    EXPECT_FALSE(items.found());
    items.selectAt(7);
    EXPECT_FALSE(items.found());
    items.selectAt(1);
    EXPECT_EQ(items.value("NOSUCHTAG"), "");
}

TEST(ItemRecords, EmptyExtentsGiveNoCornerItems) {
    ItemRecords items(drawingWithLayers(), cad::Box2{});
    EXPECT_EQ(items.count(), 5);
    items.select("V100");
    EXPECT_FALSE(items.found());
    ItemRecords none;
    EXPECT_EQ(none.count(), 0);
    none.select("V101");
    EXPECT_FALSE(none.found());
}

TEST(ItemRecords, ALayerNamedLikeACornerItemDoesNotShadowIt) {
    cad::Drawing d;
    d.layers = {layer("V100", cad::Color::indexed(2))};
    ItemRecords items(d, cad::Box2{1, 2, 3, 4});
    items.select("V100");
    ASSERT_TRUE(items.found());
    EXPECT_EQ(items.value("VX1"), "1");
}

TEST(ItemRecords, TrueColoursTakeTheNearestIndexAndBlackOrWhiteTakeSeven) {
    EXPECT_EQ(layerColorNumber(cad::Color::trueColor(0x0000FE)), 5);
    EXPECT_EQ(layerColorNumber(cad::Color::trueColor(0xFFFFFF)), 7);
    EXPECT_EQ(layerColorNumber(cad::Color::trueColor(0x000000)), 7);
    EXPECT_EQ(layerColorNumber(cad::Color::indexed(42)), 42);
    EXPECT_EQ(layerColorNumber(cad::Color::byLayer()), 7);
}

} // namespace
} // namespace vexor::control
