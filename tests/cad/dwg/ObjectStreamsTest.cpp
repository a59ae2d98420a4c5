#include "BitWriter.h"
#include "DwgCorpusSupport.h"
#include "cad/dwg/EntityParsers.h"
#include "cad/dwg/ObjectFrame.h"
#include "cad/dwg/ObjectMap.h"
#include "cad/dwg/ObjectTypes.h"
#include "cad/dwg/StringStream.h"
#include "cad/dwg/TableRecords.h"
#include "cad/dwg/r2004/Sections.h"
#include "support/Corpus.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace vexor::cad;
using namespace vexor::cad::dwg;
using vexor::test::BitWriter;

namespace {

// Data that ends with a string stream holding `texts`, after a BL of 7.
std::vector<std::uint8_t> dataWithStrings(const std::vector<std::u16string>& texts,
                                          std::size_t* endBit) {
    BitWriter w;
    w.bitLong(7);
    const std::size_t start = w.bitPosition();
    for (const auto& t : texts)
        w.textUtf16(t);
    const std::size_t size = w.bitPosition() - start;
    if (size >= 0x8000) {
        w.rawShort(static_cast<std::uint16_t>(size >> 15));
        w.rawShort(static_cast<std::uint16_t>(0x8000 | (size & 0x7FFF)));
    } else {
        w.rawShort(static_cast<std::uint16_t>(size));
    }
    w.bits(1, 1);
    *endBit = w.bitPosition();
    w.bits(0x5A, 8); // whatever follows the data, e.g. handle references
    return w.bytes();
}

TEST(TextUtf16, DecodesToUtf8IncludingSurrogatePairs) {
    BitWriter w;
    w.textUtf16(u"Ab");
    w.textUtf16(u"\u00e9\u20ac");                     // two- and three-byte UTF-8
    w.textUtf16(u"x\U0001F600");                      // a surrogate pair
    w.textUtf16(std::u16string(u"z\0\0", 3));         // stored terminators are dropped
    w.textUtf16(std::u16string(1, char16_t(0xD800))); // an unpaired surrogate
    BitReader r(w.bytes());
    EXPECT_EQ(r.textUtf16(), "Ab");
    EXPECT_EQ(r.textUtf16(), "\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(r.textUtf16(), "x\xF0\x9F\x98\x80");
    EXPECT_EQ(r.textUtf16(), "z");
    EXPECT_EQ(r.textUtf16(), "\xEF\xBF\xBD");
}

TEST(TextUtf16, LengthBeyondTheDataThrowsBeforeReading) {
    BitWriter w;
    w.bitShort(40000);
    w.rawShort('a');
    BitReader r(w.bytes());
    EXPECT_THROW(r.textUtf16(), DwgFormatError);
}

TEST(StringStream, FoundFromTheEndOfTheData) {
    std::size_t endBit = 0;
    const auto bytes = dataWithStrings({u"Layer 1", u"\u00fcber"}, &endBit);
    BitReader data(bytes);
    auto strings = locateStringStream(data, endBit);
    ASSERT_TRUE(strings);
    EXPECT_EQ(stringStreamStart(strings, endBit), 34u); // after the BL
    EXPECT_EQ(strings->textUtf16(), "Layer 1");
    EXPECT_EQ(strings->textUtf16(), "\xC3\xBC"
                                    "ber");
    // The stream ends where its size field begins.
    EXPECT_THROW(strings->bit(), DwgFormatError);
}

TEST(StringStream, LargeSizeKeepsItsHighPartInASecondShort) {
    const std::u16string longText(2100, u'w'); // 33,618 bits: more than 15 bits can count
    std::size_t endBit = 0;
    const auto bytes = dataWithStrings({longText, u"end"}, &endBit);
    auto strings = locateStringStream(BitReader(bytes), endBit);
    ASSERT_TRUE(strings);
    EXPECT_EQ(stringStreamStart(strings, endBit), 34u);
    EXPECT_EQ(strings->textUtf16(), std::string(2100, 'w'));
    EXPECT_EQ(strings->textUtf16(), "end");
}

TEST(StringStream, ClearFlagMeansNoTexts) {
    BitWriter w;
    w.bitLong(7);
    w.bits(0, 1);
    const std::size_t endBit = w.bitPosition();
    EXPECT_FALSE(locateStringStream(BitReader(w.bytes()), endBit));
    EXPECT_EQ(stringStreamStart(std::nullopt, endBit), endBit - 1);
}

TEST(StringStream, SizeLargerThanTheDataIsAnError) {
    BitWriter w;
    w.bitLong(7);
    w.rawShort(0x7FFF); // more bits than precede it
    w.bits(1, 1);
    EXPECT_THROW(locateStringStream(BitReader(w.bytes()), w.bitPosition()), DwgFormatError);

    BitWriter high;
    high.rawShort(0x8001); // high part wanted but nothing before it
    high.bits(1, 1);
    EXPECT_THROW(locateStringStream(BitReader(high.bytes()), high.bitPosition()), DwgFormatError);

    BitWriter tiny;
    tiny.bits(1, 1); // the flag alone
    EXPECT_THROW(locateStringStream(BitReader(tiny.bytes()), 1), DwgFormatError);
    EXPECT_THROW(locateStringStream(BitReader(tiny.bytes()), 99), DwgFormatError);
}

// An R2010+ object: modular-short size, modular-char handle stream size, then the data.
std::vector<std::uint8_t> r2010Object(const BitWriter& data, std::size_t dataBits,
                                      const std::vector<std::uint8_t>& handleBytes) {
    BitWriter body = data;
    for (std::uint8_t b : handleBytes)
        body.rawChar(b);
    const std::size_t size = body.bytes().size();
    EXPECT_LT(size, 0x8000u);
    std::vector<std::uint8_t> out = {static_cast<std::uint8_t>(size & 0xFF),
                                     static_cast<std::uint8_t>(size >> 8)};
    // The handle stream size as a modular char: seven bits a byte, high bit "more follows".
    for (std::size_t rest = size * 8 - dataBits;;) {
        const auto low = static_cast<std::uint8_t>(rest & 0x7F);
        rest >>= 7;
        out.push_back(rest ? (low | 0x80) : low);
        if (!rest)
            break;
    }
    out.insert(out.end(), body.bytes().begin(), body.bytes().end());
    out.push_back(0); // CRC, not checked here
    out.push_back(0);
    return out;
}

TEST(ObjectFrame, R2010FrameSplitsDataStringsAndHandles) {
    BitWriter d;
    d.bits(1, 2); // OT: one byte above 0x1F0
    d.rawChar(5);
    d.handle(0, 0x2A);
    d.bits(2, 2); // no extended data
    d.bitLong(7);
    const std::size_t stringsStart = d.bitPosition();
    d.textUtf16(u"Gr\u00fcn");
    const std::size_t stringBits = d.bitPosition() - stringsStart;
    d.rawShort(static_cast<std::uint16_t>(stringBits));
    d.bits(1, 1);
    const std::size_t dataBits = d.bitPosition();
    const auto bytes = r2010Object(d, dataBits, {0x51, 0x10}); // code 5, handle 0x10

    EXPECT_EQ(peekObjectType(bytes, 0, DwgVersion::R2010, 0), 0x1F5);
    ObjectFrame f = openObject(bytes, 0, DwgVersion::R2010, 0);
    EXPECT_EQ(f.type, 0x1F5);
    EXPECT_EQ(f.handle, 0x2Au);
    EXPECT_EQ(f.data.bitLong(), 7);
    EXPECT_EQ(f.data.remainingBits(), 0u); // the data stops where the texts begin
    EXPECT_EQ(f.text(TextDecoder("ANSI_1252")), "Gr\xC3\xBCn");
    EXPECT_THROW(f.text(TextDecoder("ANSI_1252")), DwgFormatError); // the stream is used up
    EXPECT_EQ(f.readHandle(), 0x10u);
}

// R2007 still gives the data size in bits after a bit-short type; the texts end there.
TEST(ObjectFrame, R2007FrameKeepsTheBitSize) {
    const std::u16string name = u"\u00c4";
    BitWriter d;
    d.bitShort(kTypeLayer);
    const std::size_t sizeAt = d.bitPosition();
    d.rawLong(0); // the data size in bits, filled in below
    d.handle(0, 0x2A);
    d.bits(2, 2); // no extended data
    d.bitLong(7);
    const std::size_t stringsStart = d.bitPosition();
    d.textUtf16(name);
    d.rawShort(static_cast<std::uint16_t>(d.bitPosition() - stringsStart));
    d.bits(1, 1);
    const auto dataBits = static_cast<std::uint32_t>(d.bitPosition());
    d.handle(4, 0x10);
    std::vector<std::uint8_t> body = d.bytes();
    // The RL follows the 18-bit type, off the byte boundaries: set its bits one by one.
    for (int i = 0; i < 4; ++i)
        for (int b = 0; b < 8; ++b)
            if ((dataBits >> (8 * i + 7 - b)) & 1) {
                const std::size_t bit = sizeAt + static_cast<std::size_t>(8 * i + b);
                body[bit / 8] |= static_cast<std::uint8_t>(0x80 >> (bit % 8));
            }
    std::vector<std::uint8_t> bytes = {static_cast<std::uint8_t>(body.size()), 0};
    bytes.insert(bytes.end(), body.begin(), body.end());
    bytes.insert(bytes.end(), {0, 0});

    ObjectFrame f = openObject(bytes, 0, DwgVersion::R2007, 0);
    EXPECT_EQ(f.type, kTypeLayer);
    EXPECT_EQ(f.handle, 0x2Au);
    EXPECT_EQ(f.refsStartBit, dataBits);
    EXPECT_EQ(f.data.bitLong(), 7);
    EXPECT_EQ(f.text(TextDecoder("ANSI_1252")), "\xC3\x84");
    EXPECT_EQ(f.readHandle(), 0x10u);
}

TEST(ObjectFrame, ObjectTypeCodes) {
    const auto typeOf = [](int code, std::uint16_t value) {
        BitWriter d;
        d.bits(static_cast<std::uint64_t>(code), 2);
        if (code < 2)
            d.rawChar(static_cast<std::uint8_t>(value));
        else
            d.rawShort(value);
        d.handle(0, 1);
        d.bits(2, 2);
        d.bits(0, 1); // no texts
        const auto bytes = r2010Object(d, d.bitPosition(), {});
        return openObject(bytes, 0, DwgVersion::R2013, 0).type;
    };
    EXPECT_EQ(typeOf(0, 0x31), 0x31);
    EXPECT_EQ(typeOf(1, 0x0C), 0x1FC);
    EXPECT_EQ(typeOf(2, 0x0234), 0x234);
    EXPECT_EQ(typeOf(3, 0x01F3), 0x1F3);
}

TEST(ObjectFrame, HandleStreamLargerThanTheObjectIsAnError) {
    const std::vector<std::uint8_t> bytes = {4, 0, 0x7F, 0, 0, 0, 0, 0, 0};
    EXPECT_THROW(openObject(bytes, 0, DwgVersion::R2010, 0), DwgFormatError);
    const std::vector<std::uint8_t> cut = {40, 0, 8, 0, 0};
    EXPECT_THROW(openObject(cut, 0, DwgVersion::R2010, 0), DwgFormatError);
}

// An R2013 LINE owned by a block, with every optional handle of the common entity data: the
// handles must be taken in their order (owner, reactors, dictionary, colour book, layer,
// linetype, material, plot style, visual styles) for the layer to come out right.
TEST(EntityPreamble, R2013HandlesInTheirOrder) {
    BitWriter d;
    d.bits(0, 2); // OT: one byte
    d.rawChar(kTypeLine);
    d.handle(0, 0x30);
    d.bits(2, 2); // no extended data
    d.bits(0, 1); // no preview graphics
    d.bits(0, 2); // owned by a block
    d.bits(1, 2); // one reactor
    d.rawChar(1);
    d.bits(0, 1);           // has a dictionary
    d.bits(0, 1);           // no binary data
    d.bitShort(0xC000 | 5); // colour-book colour, nearest index 5
    d.bits(1, 2);           // linetype scale 1.0
    d.bits(3, 2);           // linetype by handle
    d.bits(3, 2);           // plot style by handle
    d.bits(3, 2);           // material by handle
    d.rawChar(0);           // shadow flags
    d.bits(0b101, 3);       // full and edge visual styles
    d.bits(2, 2);           // visible
    d.rawChar(5);           // lineweight index 5: 0.18 mm
    d.bits(1, 1);           // line in the plane
    d.rawDouble(1.0);
    d.bits(3, 2); // end x in full, not the start's default
    d.rawDouble(4.0);
    d.rawDouble(2.0);
    d.bits(3, 2);
    d.rawDouble(6.0);
    d.bits(1, 1); // no thickness
    d.bits(1, 1); // default extrusion
    d.bits(0, 1); // no texts
    const std::size_t dataBits = d.bitPosition();
    BitWriter h;
    for (const auto& [code, value] : {std::pair{4, 0x20},
                                      {4, 0x21},
                                      {3, 0x22},
                                      {5, 0x23},
                                      {5, 0x24},
                                      {5, 0x25},
                                      {5, 0x26},
                                      {5, 0x27},
                                      {5, 0x28},
                                      {5, 0x29}})
        h.handle(static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(value));
    const auto bytes = r2010Object(d, dataBits, h.bytes());

    ObjectFrame f = openObject(bytes, 0, DwgVersion::R2013, 0);
    const EntityPreamble p = readEntityPreamble(f);
    EXPECT_EQ(p.entMode, 0);
    EXPECT_EQ(p.owner, 0x20u);
    EXPECT_EQ(p.colorBook, 0x23u);
    EXPECT_EQ(p.color, Color::indexed(5));
    EXPECT_EQ(p.layer, 0x24u);
    EXPECT_EQ(p.linetypeFlags, 3);
    EXPECT_EQ(p.linetype, 0x25u);
    EXPECT_EQ(p.lineweight, 18);
    EXPECT_LT(f.refs.remainingBits(), 8u) << "every common handle taken";
    ParsedEntity out;
    parseEntityData(EntityKind::Line, f, TextDecoder("ANSI_1252"), out, "LINE");
    const Line& line = dataOf<Line>(out.data);
    EXPECT_EQ(line.a.x, 1.0);
    EXPECT_EQ(line.b.x, 4.0);
    EXPECT_EQ(line.a.y, 2.0);
    EXPECT_EQ(line.b.y, 6.0);
    EXPECT_EQ(f.data.remainingBits(), 0u);
}

TEST(EncodedColor, IndexRgbColorBookAndTransparency) {
    BitWriter w;
    w.bitShort(5); // plain index
    w.bitShort(256);
    w.bitShort(0x8000); // RGB follows
    w.bitLong(0xC2123456);
    w.bitShort(0xC02A);     // colour book: the index only, the colour sits in another object
    w.bitShort(0x2000 | 3); // transparency follows
    w.bitLong(0x020000FF);
    w.bitShort(0xA000 | 7); // RGB and transparency
    w.bitLong(0xC2ABCDEF);
    w.bitLong(0x02000010);
    w.bitShort(0x1234); // marks where the colours end
    BitReader r(w.bytes());
    bool book = true;
    EXPECT_EQ(r.encodedColor(&book), Color::indexed(5));
    EXPECT_FALSE(book);
    EXPECT_EQ(r.encodedColor(&book), Color::byLayer());
    EXPECT_EQ(r.encodedColor(&book), Color::trueColor(0x123456));
    EXPECT_EQ(r.encodedColor(&book), Color::indexed(42));
    EXPECT_TRUE(book);
    EXPECT_EQ(r.encodedColor(&book), Color::indexed(3));
    EXPECT_FALSE(book);
    EXPECT_EQ(r.encodedColor(&book), Color::trueColor(0xABCDEF));
    EXPECT_EQ(r.bitShort(), 0x1234);
}

// The objects of an R2004-family corpus drawing, opened by handle.
class CorpusObjects {
public:
    CorpusObjects(const std::string& folder, const std::string& name, DwgVersion version)
        : path_(*vexor::test::corpusDir() / "dwg" / folder / name), version_(version),
          sections_(r2004::readSections(vexor::test::fileBytes(path_), path_.string())),
          map_(parseObjectMap(sections_.handles)) {}

    ObjectFrame open(std::uint64_t handle) const {
        const ObjectMap::Entry* entry = map_.find(handle);
        if (!entry)
            throw std::runtime_error("no object " + std::to_string(handle) + " in " +
                                     path_.string());
        return openObject(sections_.objects, entry->offset, version_, 0);
    }

private:
    std::filesystem::path path_;
    DwgVersion version_;
    r2004::Sections sections_;
    ObjectMap map_;
};

struct Release {
    const char* folder;
    const char* year;
    DwgVersion version;
};

constexpr Release kReleases[] = {{"AC1018", "2004", DwgVersion::R2004},
                                 {"AC1024", "2010", DwgVersion::R2010},
                                 {"AC1027", "2013", DwgVersion::R2013},
                                 {"AC1032", "2018", DwgVersion::R2018}};

// The sample drawing saved by every R2004-family release: a circle whose colour comes from a
// colour book ("RAL CLASSIC", RAL 1006). The entity keeps the nearest index and refers to a
// DBCOLOR object holding the RGB value.
TEST(ColorBook, EntityColourResolvesThroughItsObjectInEveryRelease) {
    VEXOR_REQUIRE_CORPUS();
    const TextDecoder decode("ANSI_1252");
    for (const Release& release : kReleases) {
        SCOPED_TRACE(release.folder);
        const CorpusObjects objects(release.folder,
                                    std::string("acadsharp__sample_") + release.folder + ".dwg",
                                    release.version);
        ObjectFrame circle = objects.open(0x99F);
        ASSERT_EQ(circle.type, kTypeCircle);
        const EntityPreamble p = readEntityPreamble(circle);
        EXPECT_EQ(p.color, Color::indexed(42));
        ASSERT_EQ(p.colorBook, 0x996u);
        ObjectFrame book = objects.open(p.colorBook);
        EXPECT_EQ(parseColorBookColor(book, decode), Color::trueColor(0xE29000));
    }
}

// A table is stored like an insert of its anonymous "*T" block, whose entities sit relative to
// the table's insertion point, in every release (the cell data after it changed in R2010).
TEST(Table, ReadAsAnInsertOfItsBlockInEveryRelease) {
    VEXOR_REQUIRE_CORPUS();
    const TextDecoder decode("ANSI_1252");
    for (const Release& release : kReleases) {
        SCOPED_TRACE(release.folder);
        const CorpusObjects objects(release.folder,
                                    std::string("libredwg__example_") + release.year + ".dwg",
                                    release.version);
        ObjectFrame f = objects.open(0x4F2);
        ParsedEntity table;
        table.common = readEntityPreamble(f);
        parseEntityData(EntityKind::Table, f, decode, table, "ACAD_TABLE");
        const Insert& insert = dataOf<Insert>(table.data);
        EXPECT_TRUE(insert.table);
        EXPECT_NEAR(insert.insert.x, 3298.79, 0.01);
        EXPECT_NEAR(insert.insert.y, 839.61, 0.01);
        EXPECT_EQ(insert.scale.x, 1.0);
        EXPECT_EQ(table.blockHandle, 0x4F3u);
        EXPECT_STREQ(dxfTypeName(Entity{{}, table.data}), "ACAD_TABLE");
        ObjectFrame block = objects.open(table.blockHandle);
        EXPECT_EQ(parseBlockHeader(block, decode).name, "*T");
    }
}

// A gradient fill (blue to yellow) in the sample drawing: shown in its first colour, the one the
// R2000 save of the same drawing gives the hatch.
TEST(Hatch, GradientShowsInItsFirstColour) {
    VEXOR_REQUIRE_CORPUS();
    const TextDecoder decode("ANSI_1252");
    for (const Release& release : kReleases) {
        SCOPED_TRACE(release.folder);
        const CorpusObjects objects(release.folder,
                                    std::string("acadsharp__sample_") + release.folder + ".dwg",
                                    release.version);
        ObjectFrame f = objects.open(0x371);
        ParsedEntity hatch;
        hatch.common = readEntityPreamble(f);
        EXPECT_EQ(hatch.common.color, Color::byLayer());
        parseEntityData(EntityKind::Hatch, f, decode, hatch, "HATCH");
        EXPECT_EQ(hatch.common.color, Color::trueColor(0x0000FF));
        const Hatch& h = dataOf<Hatch>(hatch.data);
        EXPECT_TRUE(h.solid);
        EXPECT_EQ(h.loops.size(), 1u);
    }
}

// Arc-length and large radial dimensions are class-numbered, but carry the common dimension data
// and block of any other dimension, so they are drawn from their blocks too.
TEST(Dimension, ArcLengthAndLargeRadialReadTheirBlocks) {
    VEXOR_REQUIRE_CORPUS();
    const TextDecoder decode("ANSI_1252");
    const auto readDimension = [&](const CorpusObjects& objects, std::uint64_t handle,
                                   const char* name) {
        ObjectFrame f = objects.open(handle);
        ParsedEntity dim;
        dim.common = readEntityPreamble(f);
        parseEntityData(EntityKind::Dimension, f, decode, dim, name);
        return dim;
    };
    for (const Release& release : kReleases) {
        SCOPED_TRACE(release.folder);
        const CorpusObjects objects(release.folder,
                                    std::string("libredwg__example_") + release.year + ".dwg",
                                    release.version);
        const ParsedEntity arc = readDimension(objects, 0x399, "ARC_DIMENSION");
        EXPECT_STREQ(dxfTypeName(Entity{{}, arc.data}), "ARC_DIMENSION");
        EXPECT_NEAR(dataOf<Dimension>(arc.data).measurement, 2675.62, 0.01);
        EXPECT_EQ(arc.blockHandle, 0x39Au);
    }
    const CorpusObjects radial("AC1032", "librecad__large_radial.dwg", DwgVersion::R2018);
    const ParsedEntity large = readDimension(radial, 0x2F, "LARGE_RADIAL_DIMENSION");
    EXPECT_STREQ(dxfTypeName(Entity{{}, large.data}), "LARGE_RADIAL_DIMENSION");
    EXPECT_EQ(dataOf<Dimension>(large.data).measurement, 5.0);
    EXPECT_EQ(large.blockHandle, 0x20040u);
}

} // namespace
