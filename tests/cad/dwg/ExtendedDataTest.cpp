#include "BitWriter.h"
#include "cad/dwg/ExtendedDataReader.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace vexor::cad;
using namespace vexor::cad::dwg;
using vexor::test::BitWriter;

namespace {

// An R14 object (size, type, handle 0x2A) whose extended data is `items` under the APPID
// with handle 0x12, followed by one more application's data when `more` is set.
std::vector<std::uint8_t> objectWithExtendedData(const std::vector<std::uint8_t>& items,
                                                 bool more = false) {
    BitWriter d;
    d.bitShort(34); // VIEWPORT
    d.handle(0, 0x2A);
    d.bitShort(static_cast<std::uint16_t>(items.size()));
    d.handle(5, 0x12);
    for (std::uint8_t b : items)
        d.rawChar(b);
    if (more) {
        d.bitShort(3);
        d.handle(5, 0x13);
        d.rawChar(70); // a short
        d.rawShort(7);
    }
    d.bitShort(0);
    std::vector<std::uint8_t> bytes;
    const auto size = static_cast<std::uint16_t>(d.bytes().size());
    bytes.push_back(static_cast<std::uint8_t>(size & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(size >> 8));
    bytes.insert(bytes.end(), d.bytes().begin(), d.bytes().end());
    return bytes;
}

// Extended data items as R13 to R2004 store them.
struct Items {
    std::vector<std::uint8_t> bytes;
    void text(std::string_view s) {
        bytes.push_back(0);
        bytes.push_back(static_cast<std::uint8_t>(s.size()));
        bytes.push_back(30); // code page
        bytes.push_back(0);
        bytes.insert(bytes.end(), s.begin(), s.end());
    }
    void brace(bool open) { bytes.insert(bytes.end(), {2, static_cast<std::uint8_t>(!open)}); }
    void real(std::uint8_t code, double v) {
        bytes.push_back(code);
        std::uint8_t raw[8];
        std::memcpy(raw, &v, 8);
        bytes.insert(bytes.end(), raw, raw + 8);
    }
    void point(double x, double y, double z) {
        bytes.push_back(10);
        for (double v : {x, y, z}) {
            std::uint8_t raw[8];
            std::memcpy(raw, &v, 8);
            bytes.insert(bytes.end(), raw, raw + 8);
        }
    }
    void shortValue(std::uint16_t v) {
        bytes.insert(bytes.end(),
                     {70, static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)});
    }
    void layer(std::uint8_t handle) { bytes.insert(bytes.end(), {3, handle, 0, 0, 0, 0, 0, 0, 0}); }
};

std::string appName(std::uint64_t handle) {
    return handle == 0x12 ? "ACAD" : "OTHER";
}

} // namespace

// R13 and R14 viewports keep their view in the ACAD "MVIEW" list; the layers frozen in them
// are layer handles there.
TEST(ExtendedData, R14ViewportViewIsReadFromMview) {
    Items items;
    items.text("MVIEW");
    items.brace(true);
    items.shortValue(16);
    items.point(5, 6, 0); // target
    items.point(0, 0, 1); // direction
    items.real(40, 0.25); // twist
    items.real(40, 300);  // view height
    items.real(40, 120);  // view centre
    items.real(40, 80);
    items.real(40, 50);                                        // lens length
    items.bytes.insert(items.bytes.end(), {4, 2, 0xAB, 0xCD}); // a binary chunk is skipped
    items.brace(true);
    items.layer(0x44);
    items.brace(false);
    items.brace(false);
    const auto bytes = objectWithExtendedData(items.bytes, true);
    const ObjectFrame f = openObject(bytes, 0, DwgVersion::R14, 0);
    EXPECT_EQ(f.handle, 0x2Au);
    const ExtendedData xdata = readExtendedData(f, TextDecoder("ANSI_1252"), appName);
    ASSERT_EQ(xdata.size(), 18u);
    EXPECT_EQ(xdata[0].text, "ACAD");
    EXPECT_EQ(xdata[16].text, "OTHER");
    EXPECT_EQ(xdata[17].number, 7);

    Viewport v;
    ASSERT_TRUE(readViewportView(xdata, v));
    EXPECT_EQ(v.viewTarget.y, 6);
    EXPECT_EQ(v.viewDirection.z, 1);
    EXPECT_DOUBLE_EQ(v.twist, 0.25);
    EXPECT_EQ(v.viewHeight, 300);
    EXPECT_EQ(v.viewCentre.x, 120);
    EXPECT_EQ(v.viewCentre.y, 80);
    ASSERT_EQ(v.frozenLayerHandles.size(), 1u);
    EXPECT_EQ(v.frozenLayerHandles[0], 0x44u);
}

// Items running past their application's stored size, or of an unknown kind, are an error
// the caller reports; nothing is read beyond the object.
TEST(ExtendedData, DamagedItemsAreErrors) {
    Items cut;
    cut.real(40, 1);
    cut.bytes.resize(5); // the double runs past the size
    const auto a = objectWithExtendedData(cut.bytes);
    EXPECT_THROW(
        readExtendedData(openObject(a, 0, DwgVersion::R14, 0), TextDecoder("ANSI_1252"), appName),
        DwgFormatError);
    const auto b = objectWithExtendedData({99, 0, 0});
    EXPECT_THROW(
        readExtendedData(openObject(b, 0, DwgVersion::R14, 0), TextDecoder("ANSI_1252"), appName),
        DwgFormatError);
}

// The dimension overrides ("DSTYLE") read the same from DWG items as from DXF groups.
TEST(ExtendedData, DimensionOverridesFromItems) {
    Items items;
    items.text("DSTYLE");
    items.brace(true);
    items.shortValue(40); // DIMSCALE
    items.real(40, 2.5);
    items.shortValue(271); // DIMDEC
    items.shortValue(1);
    items.brace(false);
    const auto bytes = objectWithExtendedData(items.bytes);
    const ExtendedData xdata = readExtendedData(openObject(bytes, 0, DwgVersion::R14, 0),
                                                TextDecoder("ANSI_1252"), appName);
    struct NoHandles final : DimHandleLookup {
        const std::string* blockName(std::uint64_t) const override { return nullptr; }
        std::uint32_t textStyle(std::uint64_t) const override { return kNoIndex; }
    };
    DimStyle base;
    const auto style = dimStyleOverrides(xdata, base, NoHandles());
    ASSERT_TRUE(style);
    EXPECT_EQ(style->scale, 2.5);
    EXPECT_EQ(style->decimals, 1);
    EXPECT_EQ(style->arrowSize, base.arrowSize);
}
