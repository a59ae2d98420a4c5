#include "cad/dwg/SectionStreams.h"

#include "BitWriter.h"

#include <gtest/gtest.h>

using namespace vexor::cad::dwg;
using vexor::test::BitWriter;

namespace {

// An R2007+ section's data: its size in bits, a bit short, a text in the string stream and a
// handle after the size in bits. Without texts the string stream is just a clear flag.
std::vector<std::uint8_t> splitSection(bool withText) {
    const std::u16string text = u"AcDbLine";
    const std::size_t valueBits = 2 + 16;
    const std::size_t textBits = withText ? 2 + 16 + 16 * text.size() : 0;
    const std::size_t bitSize = 32 + valueBits + textBits + (withText ? 16 : 0) + 1;
    BitWriter w;
    w.rawLong(static_cast<std::uint32_t>(bitSize));
    w.bitShort(0x1F2);
    if (withText) {
        w.textUtf16(text);
        w.rawShort(static_cast<std::uint16_t>(textBits));
    }
    w.bits(withText ? 1 : 0, 1);
    EXPECT_EQ(w.bitPosition(), bitSize);
    w.handle(3, 0x42);
    return w.bytes();
}

TEST(SectionStreams, FromR2007ValuesTextsAndHandlesEachHaveTheirStream) {
    const auto data = splitSection(true);
    SectionStreams s(data, DwgVersion::R2010, 100);
    EXPECT_EQ(s.handles().handle().value, 0x42u); // handles first: they do not depend on the rest
    EXPECT_EQ(s.values().bitShort(), 0x1F2);
    EXPECT_EQ(s.text(), "AcDbLine");
    // The values end where the texts begin.
    EXPECT_EQ(s.values().remainingBits(), 0u);
    EXPECT_THROW(s.values().bit(), DwgFormatError);
}

TEST(SectionStreams, WithoutAStringStreamTextsAreEmpty) {
    const auto data = splitSection(false);
    SectionStreams s(data, DwgVersion::R2018, 0);
    EXPECT_EQ(s.values().bitShort(), 0x1F2);
    EXPECT_EQ(s.text(), "");
    EXPECT_EQ(s.handles().handle().value, 0x42u);
}

TEST(SectionStreams, ASizeInBitsBeyondTheDataIsRejectedWithItsPosition) {
    auto data = splitSection(true);
    data[3] = 0x7F; // the size in bits becomes about two billion
    try {
        SectionStreams s(data, DwgVersion::R2013, 1000);
        FAIL() << "accepted a size in bits beyond the data";
    } catch (const DwgFormatError& e) {
        EXPECT_GE(e.byteOffset(), 1000u);
        EXPECT_NE(std::string(e.what()).find("size in bits"), std::string::npos);
    }
}

TEST(SectionStreams, UpToR2004EverythingFollowsInOneStream) {
    BitWriter w;
    w.bitShort(7);
    w.bitShort(3); // T: length and 8-bit characters
    for (char c : std::string("ABC"))
        w.rawChar(static_cast<std::uint8_t>(c));
    w.handle(5, 0x10);
    SectionStreams s(w.bytes(), DwgVersion::R2004, 0);
    EXPECT_EQ(s.values().bitShort(), 7);
    EXPECT_EQ(s.text(), "ABC");
    EXPECT_EQ(s.handles().handle().value, 0x10u);
    EXPECT_EQ(s.values().remainingBits(), w.bytes().size() * 8 - w.bitPosition());
}

} // namespace
