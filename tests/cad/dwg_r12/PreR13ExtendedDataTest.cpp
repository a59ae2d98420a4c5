// Extended data of R11/R12 entity records, read from bytes laid out as those files hold them.
#include "cad/dwg/r12/ExtendedData.h"

#include <bit>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

using namespace vexor::cad;
using namespace vexor::cad::dwg;

namespace {

struct Bytes {
    std::vector<std::uint8_t> b;
    Bytes& u8(std::uint8_t v) {
        b.push_back(v);
        return *this;
    }
    Bytes& i16(std::int16_t v) {
        return u8(static_cast<std::uint8_t>(v & 0xFF)).u8(static_cast<std::uint8_t>(v >> 8 & 0xFF));
    }
    Bytes& i32(std::int32_t v) {
        return i16(static_cast<std::int16_t>(v & 0xFFFF)).i16(static_cast<std::int16_t>(v >> 16));
    }
    Bytes& f64(double v) {
        const auto bits = std::bit_cast<std::uint64_t>(v);
        for (int i = 0; i < 8; ++i)
            u8(static_cast<std::uint8_t>(bits >> (8 * i)));
        return *this;
    }
    Bytes& text(const char* s) {
        u8(static_cast<std::uint8_t>(std::strlen(s)));
        for (const char* c = s; *c; ++c)
            u8(static_cast<std::uint8_t>(*c));
        return *this;
    }
};

const r12::ExtendedDataNames kNames{
    [](std::int16_t i) { return i == 0 ? std::string("ACAD") : std::string(); },
    [](std::int16_t i) { return i == 2 ? std::string("WALLS") : std::string(); }};

ExtendedData read(const Bytes& bytes, bool& complete) {
    const TextDecoder decode("ANSI_1252");
    return r12::readExtendedData({bytes.b, 100}, decode, kNames, complete);
}

} // namespace

TEST(PreR13ExtendedData, EveryItemKindReadsAsItsGroupCode) {
    Bytes b;
    b.u8(1).i16(0);                // 1001 ACAD
    b.u8(0).text("MVIEW");         // 1000
    b.u8(2).u8(0);                 // 1002 {
    b.u8(70).i16(-16);             // 1070
    b.u8(10).f64(1).f64(2).f64(3); // 1010
    b.u8(40).f64(0.25);            // 1040
    b.u8(71).i32(70000);           // 1071
    b.u8(5);                       // 1005, most significant byte first
    for (std::uint8_t x : {0, 0, 0, 0, 0, 1, 0x10, 0x7A})
        b.u8(x);
    b.u8(4).u8(3).u8(9).u8(9).u8(9); // 1004, skipped
    b.u8(3).i16(2);                  // 1003 by layer index
    b.u8(2).u8(1);                   // 1002 }
    bool complete = false;
    const ExtendedData x = read(b, complete);
    EXPECT_TRUE(complete);
    ASSERT_EQ(x.size(), 11u);
    EXPECT_EQ(x[0].code, 1001);
    EXPECT_EQ(x[0].text, "ACAD");
    EXPECT_EQ(x[1].text, "MVIEW");
    EXPECT_EQ(x[2].text, "{");
    EXPECT_EQ(x[3].code, 1070);
    EXPECT_EQ(x[3].number, -16);
    EXPECT_EQ(x[4].code, 1010);
    EXPECT_EQ(x[4].point.z, 3);
    EXPECT_EQ(x[5].number, 0.25);
    EXPECT_EQ(x[6].number, 70000);
    EXPECT_EQ(x[7].handle, 0x1107Au);
    EXPECT_EQ(x[8].code, 1004);
    EXPECT_EQ(x[9].code, 1003);
    EXPECT_EQ(x[9].text, "WALLS");
    EXPECT_EQ(x[10].text, "}");
    // The shared MVIEW and DSTYLE readers find the list the items make.
    EXPECT_EQ(xdataList(x, "ACAD", "MVIEW").size(), 7u);
}

TEST(PreR13ExtendedData, DamagedItemsEndTheReadWithWhatCameBefore) {
    Bytes unknown;
    unknown.u8(1).i16(0).u8(70).i16(5).u8(99).u8(0);
    bool complete = true;
    EXPECT_EQ(read(unknown, complete).size(), 2u);
    EXPECT_FALSE(complete);

    Bytes cut; // a string longer than the data
    cut.u8(1).i16(7).u8(0).u8(40).u8('A');
    const ExtendedData x = read(cut, complete);
    EXPECT_FALSE(complete);
    ASSERT_EQ(x.size(), 1u);
    EXPECT_EQ(x[0].text, ""); // an index outside the APPID table names no application
}
