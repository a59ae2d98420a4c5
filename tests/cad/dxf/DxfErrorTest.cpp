// Binary DXF tokens, damaged input and hostile sizes.
#include "DxfFixture.h"
#include "cad/dxf/GroupSource.h"
#include "cad/model/ReadError.h"

#include <cstring>
#include <gtest/gtest.h>
#include <sstream>

using namespace vexor;
using test::DxfText;
using test::readEntities;
using test::readText;

namespace {

// The same groups as a binary DXF: two-byte group codes (one byte before R13) and values
// typed by the code's range.
std::string toBinary(const DxfText& text, bool wideCodes) {
    std::string out(cad::dxf::kBinarySentinel);
    std::istringstream in(text.str());
    std::string codeLine, value;
    auto put = [&out](std::uint64_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    while (std::getline(in, codeLine) && std::getline(in, value)) {
        const int code = std::stoi(codeLine);
        if (wideCodes) {
            put(static_cast<std::uint16_t>(code), 2);
        } else if (code < 255) {
            put(static_cast<std::uint64_t>(code), 1);
        } else {
            put(255, 1);
            put(static_cast<std::uint16_t>(code), 2);
        }
        const bool real = (code >= 10 && code <= 59) || (code >= 110 && code <= 149) ||
                          (code >= 210 && code <= 239) || (code >= 1010 && code <= 1059);
        const bool int16 = (code >= 60 && code <= 79) || (code >= 170 && code <= 179) ||
                           (code >= 270 && code <= 289) || (code >= 370 && code <= 389);
        const bool int32 = (code >= 90 && code <= 99) || (code >= 420 && code <= 429);
        if (real) {
            const double d = std::stod(value);
            std::uint64_t bits;
            std::memcpy(&bits, &d, 8);
            put(bits, 8);
        } else if (int16) {
            put(static_cast<std::uint16_t>(std::stoi(value)), 2);
        } else if (int32) {
            put(static_cast<std::uint32_t>(std::stol(value)), 4);
        } else {
            out += value;
            out += '\0';
        }
    }
    return out;
}

DxfText sampleDrawing() {
    DxfText f;
    f.begin("HEADER").g(9, "$ACADVER").g(1, "AC1015").g(9, "$INSUNITS").g(70, 6).end();
    f.begin("TABLES")
        .g(0, "TABLE")
        .g(2, "LAYER")
        .g(0, "LAYER")
        .g(2, "A")
        .g(62, -4)
        .g(70, 1)
        .g(0, "ENDTAB")
        .end();
    f.begin("ENTITIES")
        .g(0, "LINE")
        .g(8, "A")
        .g(420, 0x00FF00)
        .point(10, 1.5, -2.25, 0)
        .point(11, 1e6, 3, 0)
        .g(0, "LWPOLYLINE")
        .g(90, 2)
        .g(70, 1)
        .g(10, 0.0)
        .g(20, 0.0)
        .g(42, 0.5)
        .g(10, 1.0)
        .g(20, 1.0)
        .g(0, "TEXT")
        .g(1, "label")
        .g(40, 2.0)
        .g(1001, "APP")
        .g(1000, "xdata")
        .g(1070, 3)
        .end()
        .eof();
    return f;
}

void expectSampleDrawing(const cad::Drawing& d) {
    EXPECT_EQ(d.header.version, "AC1015");
    EXPECT_EQ(d.header.insUnits, 6);
    ASSERT_EQ(d.layers.size(), 2u);
    EXPECT_TRUE(d.layers[1].off);
    EXPECT_TRUE(d.layers[1].frozen);
    ASSERT_EQ(d.modelSpace.size(), 3u);
    const auto& line = cad::dataOf<cad::Line>(d.modelSpace[0].data);
    EXPECT_DOUBLE_EQ(line.a.y, -2.25);
    EXPECT_DOUBLE_EQ(line.b.x, 1e6);
    EXPECT_EQ(d.modelSpace[0].common.color, cad::Color::trueColor(0x00FF00));
    const auto& poly = cad::dataOf<cad::Polyline>(d.modelSpace[1].data);
    ASSERT_EQ(poly.vertices.size(), 2u);
    EXPECT_DOUBLE_EQ(poly.vertices[0].bulge, 0.5);
    EXPECT_EQ(cad::dataOf<cad::Text>(d.modelSpace[2].data).text, "label");
    EXPECT_TRUE(d.diagnostics.empty());
}

cad::Drawing readBytes(const std::string& bytes) {
    return cad::dxf::readDxf({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()},
                             "test.dxf");
}

} // namespace

TEST(DxfBinary, TwoByteAndOneByteGroupCodesGiveTheSameModelAsText) {
    const DxfText f = sampleDrawing();
    expectSampleDrawing(readText(f.str()));
    expectSampleDrawing(readBytes(toBinary(f, true)));
    expectSampleDrawing(readBytes(toBinary(f, false)));
}

TEST(DxfBinary, TokensAreTypedByGroupCode) {
    const std::string bytes =
        toBinary(DxfText().g(0, "LINE").g(10, 2.5).g(62, -7).g(90, 70000), true);
    auto source = cad::dxf::makeGroupSource(
        {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
    cad::dxf::Group g;
    ASSERT_TRUE(source->next(g));
    EXPECT_TRUE(g.is(0, "LINE"));
    ASSERT_TRUE(source->next(g));
    EXPECT_EQ(g.kind, cad::dxf::Group::Kind::Real);
    EXPECT_DOUBLE_EQ(g.real, 2.5);
    ASSERT_TRUE(source->next(g));
    EXPECT_EQ(g.asInt(), -7);
    ASSERT_TRUE(source->next(g));
    EXPECT_EQ(g.asInt(), 70000);
    EXPECT_EQ(source->position().byteOffset, 22u + 2 + 5 + 2 + 8 + 2 + 2);
    EXPECT_FALSE(source->next(g));
    EXPECT_TRUE(source->error().empty());
}

TEST(DxfBinary, TruncationIsReportedWithItsByteOffset) {
    const std::string whole = toBinary(sampleDrawing(), true);
    // Cut inside the first entity's x coordinate: what was read before stays.
    const std::size_t cut = whole.find("LINE") + 20;
    const auto d = readBytes(whole.substr(0, cut));
    ASSERT_FALSE(d.diagnostics.empty());
    EXPECT_NE(d.diagnostics.back().find("byte "), std::string::npos) << d.diagnostics.back();
    EXPECT_EQ(d.layers.size(), 2u);
    // Nothing readable at all is an error.
    try {
        readBytes(whole.substr(0, 30));
        FAIL() << "expected a ReadError";
    } catch (const cad::ReadError& e) {
        EXPECT_TRUE(e.byteOffset().has_value());
        EXPECT_EQ(e.file(), "test.dxf");
    }
}

TEST(DxfErrors, UnreadableFilesNameTheLine) {
    EXPECT_THROW(readText(""), cad::ReadError);
    EXPECT_THROW(readText("\n\n  \n"), cad::ReadError);
    try {
        readText("  0\nSECTION\n  2\nENTITIES\nnot a code\nLINE\n");
        FAIL() << "expected a ReadError";
    } catch (const cad::ReadError& e) {
        EXPECT_NE(std::string(e.what()).find("line 5"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("test.dxf"), std::string::npos);
    }
    try {
        readText("hello world, this is not a drawing\n");
        FAIL() << "expected a ReadError";
    } catch (const cad::ReadError& e) {
        EXPECT_NE(std::string(e.what()).find("line 1"), std::string::npos) << e.what();
    }
}

TEST(DxfErrors, DamageLaterInTheFileKeepsWhatWasReadAndSaysWhere) {
    std::string text = sampleDrawing().str();
    text.resize(text.find("TEXT") + 5);
    text += "  1\n"; // a group code whose value is missing
    const auto d = readText(text);
    EXPECT_EQ(d.modelSpace.size(), 3u);
    ASSERT_FALSE(d.diagnostics.empty());
    EXPECT_NE(d.diagnostics.back().find("line "), std::string::npos) << d.diagnostics.back();
}

TEST(DxfErrors, BadNumbersDegradeToDefaults) {
    const auto d = readEntities(DxfText()
                                    .g(0, "CIRCLE")
                                    .g(10, "abc")
                                    .g(20, "")
                                    .g(40, "2.5mm")
                                    .g(62, "256QSW")
                                    .g(0, "LINE")
                                    .g(10, "1e999999")
                                    .g(11, "-nan"));
    ASSERT_EQ(d.modelSpace.size(), 1u) << "the line with a coordinate that is not a number";
    ASSERT_FALSE(d.diagnostics.empty());
    EXPECT_TRUE(
        d.diagnostics.back().ends_with(": LINE skipped: a coordinate is not a finite number"))
        << d.diagnostics.back();
    const auto& circle = cad::dataOf<cad::Circle>(d.modelSpace[0].data);
    EXPECT_DOUBLE_EQ(circle.center.x, 0);
    EXPECT_DOUBLE_EQ(circle.radius, 2.5);
    EXPECT_EQ(d.modelSpace[0].common.color.kind, cad::Color::Kind::ByLayer);
}

TEST(DxfErrors, HostileCountsAllocateOnlyWhatTheFileHolds) {
    const auto d = readEntities(DxfText()
                                    .g(0, "LWPOLYLINE")
                                    .g(90, 2000000000)
                                    .g(10, 0.0)
                                    .g(20, 0.0)
                                    .g(0, "HATCH")
                                    .g(91, 2000000000)
                                    .g(92, 1)
                                    .g(93, 2000000000)
                                    .g(72, 1)
                                    .g(10, 0.0)
                                    .g(20, 0.0)
                                    .g(11, 1.0)
                                    .g(21, 1.0)
                                    .g(92, 2)
                                    .g(93, 2000000000)
                                    .g(10, 0.0)
                                    .g(20, 0.0)
                                    .g(78, 2000000000)
                                    .g(53, 0.0)
                                    .g(79, 2000000000)
                                    .g(49, 1.0)
                                    .g(0, "INSERT")
                                    .g(2, "B")
                                    .g(70, 30000)
                                    .g(71, 30000)
                                    .g(0, "SPLINE")
                                    .g(71, 2000000000)
                                    .g(72, 2000000000)
                                    .g(0, "POLYLINE")
                                    .g(70, 16)
                                    .g(71, 2000000000)
                                    .g(72, 2000000000)
                                    .g(0, "SEQEND"));
    ASSERT_EQ(d.modelSpace.size(), 5u);
    EXPECT_EQ(cad::dataOf<cad::Polyline>(d.modelSpace[0].data).vertices.size(), 1u);
    const auto& hatch = cad::dataOf<cad::Hatch>(d.modelSpace[1].data);
    ASSERT_EQ(hatch.loops.size(), 2u);
    EXPECT_EQ(hatch.loops[0].edges.size(), 1u);
    EXPECT_EQ(hatch.loops[1].polyline.size(), 1u);
    EXPECT_EQ(hatch.patternLines.size(), 1u);
    const auto& insert = cad::dataOf<cad::Insert>(d.modelSpace[2].data);
    EXPECT_EQ(insert.columns * insert.rows, 1); // a 900-million-copy grid is refused
    EXPECT_LE(cad::dataOf<cad::Spline>(d.modelSpace[3].data).data.degree, 32);
    EXPECT_FALSE(d.diagnostics.empty());
}

TEST(DxfErrors, OddLayoutsStillRead) {
    // Old Macintosh line ends, a byte order mark, blanks around codes, comments, a missing
    // ENDSEC and junk after EOF.
    const std::string cr =
        "\xEF\xBB\xBF  0\rSECTION\r  2\rENTITIES\r999\rcomment\r  0\rLINE\r 10 \r"
        "4.5\r  0\rCIRCLE\r 40\r1\r  0\rEOF\rjunk\r";
    const auto d = readText(cr);
    ASSERT_EQ(d.modelSpace.size(), 2u);
    EXPECT_DOUBLE_EQ(cad::dataOf<cad::Line>(d.modelSpace[0].data).a.x, 4.5);

    // Blank lines and several comments before the first section, as dxflib-based writers
    // leave them, with CR LF line ends.
    const std::string commented = "\r\n\r\n999\r\ndxfrw 0.6.3\r\n\r\n999\r\n\r\n  0\r\nSECTION\r\n"
                                  "  2\r\nENTITIES\r\n  0\r\nPOINT\r\n 10\r\n2\r\n  0\r\nENDSEC\r\n"
                                  "  0\r\nEOF\r\n";
    const auto c = readText(commented);
    ASSERT_EQ(c.modelSpace.size(), 1u);
    EXPECT_TRUE(c.diagnostics.empty()) << c.diagnostics.front();
}
