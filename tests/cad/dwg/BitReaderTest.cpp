#include "cad/dwg/BitReader.h"

#include "BitWriter.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

using namespace vexor::cad;
using namespace vexor::cad::dwg;
using vexor::test::BitWriter;

namespace {

TEST(BitReader, CompressedIntegersUseEachOfTheirCodes) {
    BitWriter w;
    w.bits(0, 2); // BS: full short
    w.rawShort(0xBEEF);
    w.bits(1, 2); // BS: one byte
    w.rawChar(200);
    w.bits(2, 2); // BS: zero
    w.bits(3, 2); // BS: 256
    w.bits(0, 2); // BL: full long
    w.rawLong(0x12345678);
    w.bits(1, 2); // BL: one byte
    w.rawChar(7);
    w.bits(2, 2); // BL: zero
    BitReader r(w.bytes());
    EXPECT_EQ(static_cast<std::uint16_t>(r.bitShort()), 0xBEEF);
    EXPECT_EQ(r.bitShort(), 200);
    EXPECT_EQ(r.bitShort(), 0);
    EXPECT_EQ(r.bitShort(), 256);
    EXPECT_EQ(r.bitLong(), 0x12345678);
    EXPECT_EQ(r.bitLong(), 7);
    EXPECT_EQ(r.bitLong(), 0);
}

TEST(BitReader, DoublesAndDefaultedDoubles) {
    BitWriter w;
    w.bits(0, 2);
    w.rawDouble(-12.625);
    w.bits(1, 2); // 1.0
    w.bits(2, 2); // 0.0
    w.bits(0, 2); // DD: the default
    w.bits(3, 2); // DD: a full double
    w.rawDouble(42.5);
    // DD code 1 replaces the low four bytes of the default.
    const double base = 1000.0;
    std::uint64_t bitsOfBase;
    std::memcpy(&bitsOfBase, &base, 8);
    const std::uint64_t patched = (bitsOfBase & 0xFFFFFFFF00000000ull) | 0x00000001ull;
    w.bits(1, 2);
    w.rawLong(0x00000001);
    BitReader r(w.bytes());
    EXPECT_EQ(r.bitDouble(), -12.625);
    EXPECT_EQ(r.bitDouble(), 1.0);
    EXPECT_EQ(r.bitDouble(), 0.0);
    EXPECT_EQ(r.defaultDouble(3.25), 3.25);
    EXPECT_EQ(r.defaultDouble(3.25), 42.5);
    double expected;
    std::memcpy(&expected, &patched, 8);
    EXPECT_EQ(r.defaultDouble(base), expected);
}

TEST(BitReader, ExtrusionAndThicknessShortcutsFromR2000) {
    BitWriter w;
    w.bits(1, 1); // BE: default extrusion
    w.bits(1, 1); // BT: zero thickness
    w.bits(0, 1); // BT: a bit double follows
    w.bits(1, 2); // 1.0
    BitReader r(w.bytes());
    const Vec3 e = r.extrusion(DwgVersion::R2000);
    EXPECT_EQ(e.z, 1.0);
    EXPECT_EQ(r.thickness(DwgVersion::R2000), 0.0);
    EXPECT_EQ(r.thickness(DwgVersion::R2000), 1.0);
}

TEST(BitReader, ModularCharsAndShorts) {
    // 0x82 0x01 = 2 + (1 << 7) = 130; a final byte with 0x40 set is negative.
    const std::vector<std::uint8_t> bytes = {0x82, 0x01, 0x45, 0x01, 0x80, 0x02, 0x00};
    BitReader r(bytes);
    EXPECT_EQ(r.modularChar(), 130u);
    EXPECT_EQ(r.signedModularChar(), -5);
    // Modular short: little-endian words, high bit continues: 0x8001, 0x0002 -> 1 + (2 << 15).
    EXPECT_EQ(r.modularShort(), 1u + (2u << 15));
}

TEST(BitReader, HandlesResolveRelativeCodes) {
    const std::vector<std::uint8_t> bytes = {0x51, 0x2A, 0x60, 0x80, 0xA1, 0x10, 0xC1, 0x03};
    BitReader r(bytes);
    const std::uint64_t own = 0x100;
    EXPECT_EQ(r.handle().resolve(own), 0x2Au);  // absolute
    EXPECT_EQ(r.handle().resolve(own), 0x101u); // +1
    EXPECT_EQ(r.handle().resolve(own), 0xFFu);  // -1
    EXPECT_EQ(r.handle().resolve(own), 0x110u); // +0x10
    EXPECT_EQ(r.handle().resolve(own), 0xFDu);  // -3
}

TEST(BitReader, TextDropsTrailingZeros) {
    BitWriter w;
    w.bits(1, 2);
    w.rawChar(4);
    for (char c : {'A', 'b', '\0', '\0'})
        w.rawChar(static_cast<std::uint8_t>(c));
    BitReader r(w.bytes());
    EXPECT_EQ(r.text8(), "Ab");
}

TEST(BitReader, ReadsPastTheEndFailWithThePosition) {
    const std::vector<std::uint8_t> bytes = {0xFF, 0xFF};
    BitReader r(bytes, 1000);
    r.bits(11);
    try {
        r.rawChar();
        FAIL() << "read past the end";
    } catch (const DwgFormatError& e) {
        EXPECT_EQ(e.byteOffset(), 1001u);
        EXPECT_EQ(e.bit(), 3);
    }
    // A text claiming more characters than remain fails before allocating.
    BitWriter w;
    w.bits(0, 2);
    w.rawShort(60000);
    BitReader t(w.bytes());
    EXPECT_THROW(t.text8(), DwgFormatError);
}

TEST(BitReader, LimitStopsReadsBeforeTheHandleStream) {
    const std::vector<std::uint8_t> bytes = {0x12, 0x34, 0x56};
    BitReader r(bytes);
    r.limitTo(12);
    EXPECT_EQ(r.rawChar(), 0x12);
    EXPECT_THROW(r.rawChar(), DwgFormatError);
}

TEST(BitReader, CrcMatchesTheFormatsCheckValue) {
    // CRC-16 with the reflected 0xA001 polynomial over "123456789" from zero is 0xBB3D.
    const std::string text = "123456789";
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()),
                                              text.size());
    EXPECT_EQ(dwgCrc16(bytes, 0), 0xBB3D);
}

} // namespace
