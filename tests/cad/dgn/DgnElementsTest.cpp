// Element decoding on small design files written by the test: units, each primitive, complex
// elements, symbology.
#include "DgnTestFile.h"
#include "cad/dgn/ColorTable.h"
#include "cad/dgn/DgnReader.h"
#include "cad/dgn/Primitives.h"
#include "cad/dgn/Words.h"
#include "cad/model/ReadError.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <numbers>

namespace vexor::cad::dgn {
namespace {

using test::Body;
using test::DgnTestFile;
using Sym = DgnTestFile::Symbology;

constexpr double kPi = std::numbers::pi;
constexpr std::int32_t kDegree = 360000; // angle units per degree

std::uint16_t elementWords(const Body& body, std::size_t linkageWords = 0) {
    return static_cast<std::uint16_t>(18 + (body.bytes.size() + 1) / 2 + linkageWords);
}

// A header's total length: its own words after word 19 plus its components' words.
std::uint16_t totalLength(const Body& header, std::uint16_t componentWords) {
    return static_cast<std::uint16_t>(elementWords(header) - 19 + componentWords);
}

Drawing read(const DgnTestFile& file) {
    const auto bytes = file.bytes();
    return readDgn(bytes, "test.dgn");
}

Body line2d(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    return Body{}.longWord(x1).longWord(y1).longWord(x2).longWord(y2);
}

Body arc2d(double startDeg, std::uint32_t sweepRaw, double primary, double secondary,
           double rotationDeg, double cx, double cy) {
    return Body{}
        .longWord(static_cast<std::int32_t>(startDeg * kDegree))
        .longWord(static_cast<std::int32_t>(sweepRaw))
        .vaxDouble(primary)
        .vaxDouble(secondary)
        .longWord(static_cast<std::int32_t>(rotationDeg * kDegree))
        .vaxDouble(cx)
        .vaxDouble(cy);
}

TEST(DgnWords, DecodeMiddleEndianLongsAndVaxDoubles) {
    const std::uint8_t longBytes[] = {0x34, 0x12, 0x78, 0x56, 0xFF, 0xFF, 0xFE, 0xFF};
    EXPECT_EQ(longAt(longBytes), 0x12345678);
    EXPECT_EQ(longAt(longBytes + 4), -2);
    const std::uint8_t one[] = {0x80, 0x40, 0, 0, 0, 0, 0, 0};       // 1.0
    const std::uint8_t minusHalf[] = {0x00, 0xC0, 0, 0, 0, 0, 0, 0}; // -0.5
    const std::uint8_t zero[] = {0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(vaxDoubleAt(one), 1.0);
    EXPECT_EQ(vaxDoubleAt(minusHalf), -0.5);
    EXPECT_EQ(vaxDoubleAt(zero), 0.0);
    const auto pi = Body{}.vaxDouble(kPi).bytes;
    EXPECT_DOUBLE_EQ(vaxDoubleAt(pi.data()), kPi);
}

TEST(DgnUnits, CoordinatesAreMasterUnitsFromTheGlobalOrigin) {
    DgnTestFile file(false, 10, 100, -1000, 500); // 1000 UORs per master unit
    file.add(3, Sym{}, line2d(0, 500, 3000, 2500).bytes);
    const Drawing d = read(file);
    ASSERT_EQ(d.modelSpace.size(), 1u);
    const auto& line = dataOf<Line>(d.modelSpace[0].data);
    EXPECT_DOUBLE_EQ(line.a.x, 1.0);
    EXPECT_DOUBLE_EQ(line.a.y, 0.0);
    EXPECT_DOUBLE_EQ(line.b.x, 4.0);
    EXPECT_DOUBLE_EQ(line.b.y, 2.0);
    EXPECT_EQ(d.header.version, "V7");
    ASSERT_TRUE(d.header.extMin && d.header.extMax);
    EXPECT_DOUBLE_EQ(d.header.extMin->x, 1.0);
    EXPECT_DOUBLE_EQ(d.header.extMax->y, 2.0);
}

TEST(DgnUnits, ThreeDimensionalFilesAreSeenFromTheTop) {
    DgnTestFile file(true, 1, 1);
    file.add(
        3, Sym{},
        Body{}.longWord(1).longWord(2).longWord(300).longWord(4).longWord(5).longWord(-7).bytes);
    const Drawing d = read(file);
    EXPECT_EQ(d.header.version, "V7-3D");
    ASSERT_EQ(d.modelSpace.size(), 1u);
    const auto& line = dataOf<Line>(d.modelSpace[0].data);
    EXPECT_EQ(line.a.x, 1);
    EXPECT_EQ(line.a.y, 2);
    EXPECT_EQ(line.a.z, 0);
    EXPECT_EQ(line.b.x, 4);
    EXPECT_EQ(line.b.z, 0);
}

TEST(DgnPrimitives, LineStringsAndShapesArePolylinesAndFilledShapesGetAFill) {
    DgnTestFile file(false, 1, 1);
    const auto square = Body{}
                            .word(5)
                            .longWord(0)
                            .longWord(0)
                            .longWord(10)
                            .longWord(0)
                            .longWord(10)
                            .longWord(10)
                            .longWord(0)
                            .longWord(10)
                            .longWord(0)
                            .longWord(0);
    file.add(4, Sym{},
             Body{}
                 .word(3)
                 .longWord(0)
                 .longWord(0)
                 .longWord(5)
                 .longWord(5)
                 .longWord(10)
                 .longWord(0)
                 .bytes);
    file.add(6, Sym{.color = 3}, square.bytes, test::fillLinkage(2));
    file.add(6, Sym{.color = 3, .properties = 0x8000}, square.bytes, test::fillLinkage(2)); // hole
    file.add(6, Sym{.color = 3}, square.bytes); // unfilled
    const Drawing d = read(file);
    std::vector<std::string> names;
    for (const auto& e : d.modelSpace)
        names.push_back(dxfTypeName(e));
    EXPECT_EQ(names, (std::vector<std::string>{"LWPOLYLINE", "HATCH", "LWPOLYLINE", "LWPOLYLINE",
                                               "LWPOLYLINE"}));
    const auto& open = dataOf<Polyline>(d.modelSpace[0].data);
    EXPECT_FALSE(open.closed);
    EXPECT_EQ(open.vertices.size(), 3u);
    const auto& fill = d.modelSpace[1];
    EXPECT_TRUE(dataOf<Hatch>(fill.data).solid);
    EXPECT_EQ(fill.common.color, Color::trueColor(0x00FF00)); // fill colour 2 of the default table
    EXPECT_EQ(fill.common.handle, d.modelSpace[2].common.handle);
    const auto& shape = dataOf<Polyline>(d.modelSpace[2].data);
    EXPECT_TRUE(shape.closed);
    EXPECT_EQ(shape.vertices.size(), 4u); // the closing point is implied
    EXPECT_EQ(d.modelSpace[2].common.color, Color::trueColor(0xFF0000));
}

TEST(DgnPrimitives, ArcsRunCounterClockwiseWhateverTheirSweepDirection) {
    DgnTestFile file(false, 1, 1);
    file.add(16, Sym{}, arc2d(0, 90 * kDegree, 5, 5, 30, 100, 200).bytes);
    file.add(16, Sym{}, arc2d(0, 0x80000000u | (90 * kDegree), 5, 5, 0, 0, 0).bytes); // clockwise
    file.add(16, Sym{}, arc2d(10, 0, 5, 5, 0, 0, 0).bytes); // zero sweep: the whole circle
    const Drawing d = read(file);
    ASSERT_EQ(d.modelSpace.size(), 3u);
    const auto& ccw = dataOf<Arc>(d.modelSpace[0].data);
    EXPECT_DOUBLE_EQ(ccw.center.x, 100);
    EXPECT_DOUBLE_EQ(ccw.radius, 5);
    EXPECT_NEAR(ccw.startAngle, kPi / 6, 1e-12);
    EXPECT_NEAR(ccw.endAngle, kPi / 6 + kPi / 2, 1e-12);
    const auto& cw = dataOf<Arc>(d.modelSpace[1].data);
    EXPECT_NEAR(std::remainder(cw.startAngle, 2 * kPi), -kPi / 2, 1e-12);
    EXPECT_NEAR(cw.endAngle - cw.startAngle, kPi / 2, 1e-12);
    EXPECT_TRUE(holds<Circle>(d.modelSpace[2].data));
}

TEST(DgnPrimitives, EllipsesKeepTheirLongerAxisAsTheMajorAxis) {
    DgnTestFile file(false, 1, 1);
    file.add(
        15, Sym{},
        Body{}.vaxDouble(4).vaxDouble(2).longWord(30 * kDegree).vaxDouble(1).vaxDouble(2).bytes);
    file.add(15, Sym{},
             Body{}.vaxDouble(2).vaxDouble(4).longWord(0).vaxDouble(0).vaxDouble(0).bytes);
    file.add(16, Sym{}, arc2d(0, 90 * kDegree, 2, 4, 0, 0, 0).bytes);
    const Drawing d = read(file);
    ASSERT_EQ(d.modelSpace.size(), 3u);
    const auto& rotated = dataOf<Ellipse>(d.modelSpace[0].data);
    EXPECT_NEAR(rotated.majorAxis.x, 4 * std::cos(kPi / 6), 1e-12);
    EXPECT_NEAR(rotated.majorAxis.y, 4 * std::sin(kPi / 6), 1e-12);
    EXPECT_DOUBLE_EQ(rotated.ratio, 0.5);
    EXPECT_DOUBLE_EQ(rotated.center.y, 2);
    const auto& upright = dataOf<Ellipse>(d.modelSpace[1].data);
    EXPECT_NEAR(std::abs(upright.majorAxis.y), 4, 1e-12);
    EXPECT_NEAR(upright.majorAxis.x, 0, 1e-12);
    // A quarter from the shorter primary axis (2, 0) to the longer secondary one (0, 4).
    const auto& quarter = dataOf<Ellipse>(d.modelSpace[2].data);
    auto at = [&](double t) {
        const Vec3 minor{-quarter.majorAxis.y * quarter.ratio, quarter.majorAxis.x * quarter.ratio,
                         0};
        return quarter.center + quarter.majorAxis * std::cos(t) + minor * std::sin(t);
    };
    EXPECT_NEAR(at(quarter.startParam).x, 2, 1e-9);
    EXPECT_NEAR(at(quarter.startParam).y, 0, 1e-9);
    EXPECT_NEAR(at(quarter.endParam).x, 0, 1e-9);
    EXPECT_NEAR(at(quarter.endParam).y, 4, 1e-9);
}

TEST(DgnPrimitives, TextTakesItsSizeFromTheMultipliers) {
    DgnTestFile file(false, 10, 100); // 1000 UORs per master unit
    // Height multiplier 1000000 = 6000 UORs = 6 master units; length half of it, mirrored.
    file.add(17, Sym{.color = 4},
             Body{}
                 .byte(3)
                 .byte(2)
                 .longWord(-500000)
                 .longWord(1000000)
                 .longWord(90 * kDegree)
                 .longWord(2000)
                 .longWord(3000)
                 .byte(5)
                 .byte(0)
                 .text("Hallo")
                 .bytes);
    const Drawing d = read(file);
    ASSERT_EQ(d.modelSpace.size(), 1u);
    const auto& t = dataOf<Text>(d.modelSpace[0].data);
    EXPECT_EQ(t.text, "Hallo");
    EXPECT_DOUBLE_EQ(t.height, 6);
    EXPECT_DOUBLE_EQ(t.widthFactor, 0.5);
    EXPECT_TRUE(t.mirrorX);
    EXPECT_NEAR(t.rotation, kPi / 2, 1e-12);
    EXPECT_DOUBLE_EQ(t.insert.x, 2);
    EXPECT_DOUBLE_EQ(t.insert.y, 3);
    EXPECT_EQ(d.modelSpace[0].common.color, Color::trueColor(0xFFFF00));
}

TEST(DgnPrimitives, CurvesRunThroughTheirInnerVerticesSmoothly) {
    // Points on the parabola y = x^2 / 10; the two at each end only set the tangents.
    std::vector<Vec3> points;
    for (int x = -4; x <= 4; ++x)
        points.push_back({double(x), x * x / 10.0, 0});
    const std::vector<Vec3> curve = interpolateCurve(points);
    ASSERT_GT(curve.size(), 5u);
    EXPECT_DOUBLE_EQ(curve.front().x, -2);
    EXPECT_DOUBLE_EQ(curve.back().x, 2);
    EXPECT_DOUBLE_EQ(curve.back().y, 0.4);
    for (const Vec3& p : curve) // smooth and close to the parabola between the vertices
        EXPECT_NEAR(p.y, p.x * p.x / 10.0, 0.01) << p.x;
    for (int x = -1; x <= 1; ++x) { // passes through every inner vertex
        const bool hit = std::any_of(curve.begin(), curve.end(), [&](const Vec3& p) {
            return std::abs(p.x - x) < 1e-9 && std::abs(p.y - x * x / 10.0) < 1e-9;
        });
        EXPECT_TRUE(hit) << x;
    }
}

TEST(DgnComplex, AChainOfALineStringAndAnArcIsOnePolylineWithABulge) {
    DgnTestFile file(false, 1, 1);
    const Body segment = Body{}.word(2).longWord(0).longWord(0).longWord(10).longWord(0);
    // Half circle from (10, 0) round (15, 5) to (20, 0): clockwise seen from above.
    const Body arc = arc2d(180, 0x80000000u | (180 * kDegree), 5, 5, 0, 15, 0);
    Body header = Body{}.word(0).word(2).word(0).word(0).word(0).word(0);
    const auto total = totalLength(header, elementWords(segment) + elementWords(arc));
    header.bytes[0] = static_cast<std::uint8_t>(total & 0xFF);
    header.bytes[1] = static_cast<std::uint8_t>(total >> 8);
    const int chain = file.add(12, Sym{.level = 7, .color = 1}, header.bytes);
    file.add(4, Sym{.level = 7, .complex = true}, segment.bytes);
    file.add(16, Sym{.level = 7, .complex = true}, arc.bytes);
    file.add(3, Sym{.level = 9}, line2d(0, 0, 1, 1).bytes); // not part of the chain
    const Drawing d = read(file);
    ASSERT_EQ(d.modelSpace.size(), 2u);
    const auto& chainLine = dataOf<Polyline>(d.modelSpace[0].data);
    EXPECT_EQ(d.modelSpace[0].common.handle, static_cast<std::uint64_t>(chain));
    ASSERT_EQ(chainLine.vertices.size(), 3u);
    EXPECT_DOUBLE_EQ(chainLine.vertices[1].p.x, 10);
    EXPECT_NEAR(chainLine.vertices[1].bulge, -1, 1e-12); // clockwise half circle
    EXPECT_NEAR(chainLine.vertices[2].p.x, 20, 1e-9);
    EXPECT_EQ(d.layers[d.modelSpace[0].common.layer].name, "7");
    EXPECT_EQ(d.layers[d.modelSpace[1].common.layer].name, "9");
    ASSERT_TRUE(d.header.extMin);
    EXPECT_NEAR(d.header.extMax->y, 5, 1e-9); // the bulge rises above the chord
    EXPECT_NEAR(d.header.extMin->y, 0, 1e-9);
}

TEST(DgnComplex, CellsAreDrawnFromTheirPlacedComponents) {
    DgnTestFile file(false, 1, 1);
    const Body a = line2d(100, 100, 200, 100), b = line2d(200, 100, 200, 300);
    Body cell = Body{}.word(0).longWord(0).word(0);
    for (int i = 0; i < 4; ++i)
        cell.word(0);
    for (int i = 0; i < 10; ++i)
        cell.longWord(0); // range, a zero matrix and an origin: none of them moves the parts
    const auto total = totalLength(cell, elementWords(a) + elementWords(b));
    cell.bytes[0] = static_cast<std::uint8_t>(total & 0xFF);
    cell.bytes[1] = static_cast<std::uint8_t>(total >> 8);
    file.add(2, Sym{.level = 0}, cell.bytes);
    file.add(3, Sym{.level = 3, .complex = true}, a.bytes);
    file.add(3, Sym{.level = 4, .complex = true}, b.bytes);
    const Drawing d = read(file);
    ASSERT_EQ(d.modelSpace.size(), 2u);
    EXPECT_DOUBLE_EQ(dataOf<Line>(d.modelSpace[1].data).b.y, 300);
    EXPECT_NE(d.modelSpace[0].common.handle, d.modelSpace[1].common.handle);
    ASSERT_EQ(d.layers.size(), 2u);
    EXPECT_EQ(d.layers[0].name, "3");
    EXPECT_EQ(d.layers[1].name, "4");
}

TEST(DgnComplex, DeletedElementsAndTheComponentsOfDeletedHeadersAreSkipped) {
    DgnTestFile file(false, 1, 1);
    const Body a = line2d(0, 0, 1, 1);
    Body header = Body{}.word(0).word(1).word(0).word(0).word(0).word(0);
    const auto total = totalLength(header, elementWords(a));
    header.bytes[0] = static_cast<std::uint8_t>(total);
    file.add(12, Sym{.deleted = true}, header.bytes);
    file.add(3, Sym{.complex = true}, a.bytes);
    file.add(3, Sym{.deleted = true}, a.bytes);
    file.add(3, Sym{}, line2d(5, 5, 6, 6).bytes);
    const Drawing d = read(file);
    ASSERT_EQ(d.modelSpace.size(), 1u);
    EXPECT_DOUBLE_EQ(dataOf<Line>(d.modelSpace[0].data).a.x, 5);
}

TEST(DgnSymbology, TheFileColourTableWeightsAndStylesAreKept) {
    DgnTestFile file(false, 1, 1);
    Body table = Body{}.word(0);
    for (int entry = 0; entry < 256; ++entry) // background first, then colours 0..254
        table.byte(static_cast<std::uint8_t>(entry)).byte(0x10).byte(0x20);
    file.add(5, Sym{.level = 1}, table.bytes);
    file.add(3, Sym{.color = 3, .weight = 5, .style = 2}, line2d(0, 0, 1000, 0).bytes);
    file.add(3, Sym{.color = 0, .weight = 0, .style = 0}, line2d(0, 0, 0, 500).bytes);
    const Drawing d = read(file);
    ASSERT_EQ(d.modelSpace.size(), 2u);
    const auto& styled = d.modelSpace[0].common;
    EXPECT_EQ(styled.color, Color::trueColor(0x041020));
    EXPECT_EQ(styled.lineweight, 70);
    ASSERT_GE(styled.linetype, 0);
    const Linetype& dashed = d.linetypes[static_cast<std::size_t>(styled.linetype)];
    EXPECT_EQ(dashed.name, "DGN_STYLE_2");
    EXPECT_DOUBLE_EQ(dashed.pattern.front(), 4.0); // four steps of a thousandth of 1000
    EXPECT_EQ(d.modelSpace[1].common.linetype, kLinetypeContinuous);
    EXPECT_EQ(d.modelSpace[1].common.lineweight, 0);
    EXPECT_EQ(d.modelSpace[1].common.color, Color::trueColor(0x011020));
}

TEST(DgnSymbology, TheDefaultColourTable) {
    const ColorTable& t = defaultColorTable();
    EXPECT_EQ(t[0], 0xFFFFFFu);
    EXPECT_EQ(t[3], 0xFF0000u);
    EXPECT_EQ(t[6], 0xFF7F00u);
    EXPECT_EQ(t[15], 0x00F0F0u);
    EXPECT_EQ(t[22], 0xF07A00u);
    EXPECT_EQ(t[83], 0xB40000u);
    EXPECT_EQ(t[253], 0x1E001Eu);
    EXPECT_EQ(t[254], 0xC0C0C0u);
}

} // namespace
} // namespace vexor::cad::dgn
