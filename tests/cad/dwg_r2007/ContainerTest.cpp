#include "BlockEncoder.h"
#include "cad/dwg/FileHeader.h"
#include "cad/dwg/r2007/Decompressor.h"
#include "cad/dwg/r2007/Sections.h"
#include "cad/model/ReadError.h"
#include "support/Corpus.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <random>

namespace vexor::cad::dwg::r2007 {
namespace {

using Bytes = std::vector<std::uint8_t>;
using r2004::Sections;
namespace fs = std::filesystem;

Bytes fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool startsWith(const Bytes& bytes, const std::uint8_t (&sentinel)[16]) {
    return bytes.size() >= 16 && std::memcmp(bytes.data(), sentinel, 16) == 0;
}

bool mentions(const std::vector<std::string>& messages, const std::string& what) {
    return std::any_of(messages.begin(), messages.end(),
                       [&](const std::string& m) { return m.find(what) != std::string::npos; });
}

std::string readError(const Bytes& bytes) {
    try {
        readSections(bytes, "r2007.dwg");
    } catch (const ReadError& e) {
        EXPECT_EQ(e.file(), "r2007.dwg");
        return e.reason();
    }
    return "";
}

fs::path smallFile() {
    return *test::corpusDir() / "dwg/AC1021/libredwg__2007_Arc.dwg";
}

void setU64(Bytes& fields, std::size_t at, std::uint64_t value) {
    for (int b = 0; b < 8; ++b)
        fields[at + b] = static_cast<std::uint8_t>(value >> (8 * b));
}

std::uint64_t u64(std::span<const std::uint8_t> bytes, std::size_t at) {
    std::uint64_t v = 0;
    for (int b = 7; b >= 0; --b)
        v = v << 8 | bytes[at + b];
    return v;
}

TEST(R2007Container, EveryCorpusFileGivesItsSectionsWithoutDamage) {
    VEXOR_REQUIRE_CORPUS();
    const auto files = test::corpusFiles("dwg/AC1021", {".dwg"});
    ASSERT_EQ(files.size(), 12u);
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        const Sections s = readSections(fileBytes(file), file.string());
        EXPECT_EQ(s.version, "AC1021");
        EXPECT_TRUE(s.diagnostics.empty()) << s.diagnostics.front();
        EXPECT_TRUE(startsWith(s.header, kHeaderVariablesSentinel));
        EXPECT_TRUE(startsWith(s.classes, kClassesSentinel));
        EXPECT_GT(s.handles.size(), 2u);
        EXPECT_GT(s.objects.size(), 100u);
        EXPECT_FALSE(s.auxHeader.empty());
    }
}

TEST(R2007Container, ScatteredByteErrorsAreCorrected) {
    VEXOR_REQUIRE_CORPUS();
    const Bytes original = fileBytes(smallFile());
    const Sections intact = readSections(original, "r2007.dwg");
    Bytes damaged = original;
    // Eight wrong bytes in the file header (three blocks: at most three in one block) and one
    // in every 4 KB of pages, far apart enough to fall in different blocks.
    for (std::size_t i = 0; i < 8; ++i)
        damaged[0x80 + 40 + i] ^= 0xFF;
    for (std::size_t at = 0x480 + 1000; at < damaged.size(); at += 4096)
        damaged[at] ^= 0x3C;
    const Sections s = readSections(damaged, "r2007.dwg");
    EXPECT_TRUE(mentions(s.diagnostics, "file header: corrected errors in 3 block(s)"));
    EXPECT_TRUE(mentions(s.diagnostics, "corrected errors"));
    EXPECT_FALSE(mentions(s.diagnostics, "beyond repair"));
    EXPECT_EQ(s.header, intact.header);
    EXPECT_EQ(s.classes, intact.classes);
    EXPECT_EQ(s.handles, intact.handles);
    EXPECT_EQ(s.objects, intact.objects);
}

TEST(R2007Container, DamageBeyondTheCodesPowerIsReported) {
    VEXOR_REQUIRE_CORPUS();
    const Bytes original = fileBytes(smallFile());
    // Nine wrong bytes in one block of the file header.
    Bytes header = original;
    for (std::size_t i = 0; i < 9; ++i)
        header[0x80 + 3 * (20 + i)] ^= 0x77;
    EXPECT_EQ(readError(header), "file header is damaged beyond repair");

    // A run of wrong bytes through every data page: each page is reported and left zero, the
    // maps still read.
    Bytes pages = original;
    const Sections intact = readSections(original, "r2007.dwg");
    for (std::size_t at = 0x480 + 0x800; at + 64 < pages.size(); at += 2048)
        for (std::size_t i = 0; i < 64; ++i)
            pages[at + i] ^= 0x81;
    try {
        const Sections s = readSections(pages, "r2007.dwg");
        EXPECT_TRUE(mentions(s.diagnostics, "damaged beyond repair"));
        EXPECT_NE(s.objects, intact.objects);
    } catch (const ReadError& e) {
        // The run may hit the section map instead.
        EXPECT_NE(std::string(e.reason()).find("section map"), std::string::npos) << e.what();
    }
}

// The page map holds its compressed bytes several times over: a block of it damaged beyond
// repair is read from another copy.
TEST(R2007Container, ADamagedMapBlockIsReadFromAnotherCopy) {
    VEXOR_REQUIRE_CORPUS();
    const Bytes original = fileBytes(smallFile());
    const Sections intact = readSections(original, "r2007.dwg");
    const Bytes fields = test::r2007::fileHeaderFields(original);
    const std::uint64_t packed = u64(fields, 0x50);
    const std::uint64_t copies = u64(fields, 0x18);
    ASSERT_GT(copies, 1u);
    const auto blocks = static_cast<std::size_t>((((packed + 7) & ~7ull) * copies + 238) / 239);
    const std::size_t address = 0x480 + u64(fields, 0x38);
    Bytes damaged = original;
    for (std::size_t i = 0; i < 20; ++i) // twenty wrong bytes in block 0
        damaged[address + i * blocks] ^= 0x5A;
    const Sections s = readSections(damaged, "r2007.dwg");
    EXPECT_TRUE(mentions(s.diagnostics, "page map: 1 block(s) damaged beyond repair, read from "
                                        "the page's other copies"));
    EXPECT_EQ(s.header, intact.header);
    EXPECT_EQ(s.objects, intact.objects);

    // With every block damaged the map cannot be read.
    for (std::size_t j = 1; j < blocks; ++j)
        for (std::size_t i = 0; i < 20; ++i)
            damaged[address + i * blocks + j] ^= 0x5A;
    EXPECT_EQ(readError(damaged), "page map is damaged beyond repair");
}

TEST(R2007Container, HostileHeaderFieldsAreRefusedBeforeAllocating) {
    VEXOR_REQUIRE_CORPUS();
    const Bytes original = fileBytes(smallFile());
    const Bytes fields = test::r2007::fileHeaderFields(original);
    {
        // The header rewritten as stored bytes reads as before.
        Bytes copy = original;
        test::r2007::writeFileHeader(copy, fields);
        EXPECT_EQ(readError(copy), "");
    }
    struct Case {
        std::size_t field;
        std::uint64_t value;
        const char* reason;
    };
    const Case cases[] = {
        {0x50, 1ull << 40, "page map has impossible sizes"},     // compressed size
        {0x58, 1ull << 62, "page map has impossible sizes"},     // plain size
        {0x18, 0, "page map has impossible sizes"},              // copies
        {0x38, original.size(), "page map lies beyond the end"}, // offset
        {0x38, ~0ull - 0x100, "page map lies beyond the end"},   // offset wrapping round
        {0xC0, 0x7FFFFFFF, "section map's page 2147483647 is missing"},
        {0xC8, 1ull << 50, "section map has impossible sizes"},
        {0xD8, 1ull << 60, "section map has impossible sizes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        Bytes f = fields;
        setU64(f, c.field, c.value);
        Bytes copy = original;
        test::r2007::writeFileHeader(copy, f);
        EXPECT_NE(readError(copy).find(c.reason), std::string::npos) << readError(copy);
    }
}

// The header variables rewritten as a section whose pages are stored as is (encoding 1), with
// the section map itself stored uncompressed: the file reads as before.
TEST(R2007Container, SectionsStoredAsIsAndUncompressedMapsRead) {
    VEXOR_REQUIRE_CORPUS();
    Bytes file = fileBytes(smallFile());
    const Sections intact = readSections(file, "r2007.dwg");
    Bytes fields = test::r2007::fileHeaderFields(file);
    const auto blocksFor = [](std::uint64_t bytes, std::uint64_t copies) {
        return static_cast<std::size_t>((((bytes + 7) & ~7ull) * copies + 238) / 239);
    };
    const std::string name = "map";
    // A compressed system page: its packed size, plain size and copies at the given fields.
    const auto systemPage = [&](std::size_t address, std::size_t packedField,
                                std::size_t plainField, std::size_t copiesField) {
        const std::uint64_t packed = u64(fields, packedField);
        Bytes data = test::r2007::deinterleave(file, address,
                                               blocksFor(packed, u64(fields, copiesField)), 239);
        data.resize(packed);
        Bytes out(u64(fields, plainField));
        decompress(data, out, {name, 0});
        return out;
    };
    const Bytes pageMap = systemPage(0x480 + u64(fields, 0x38), 0x50, 0x58, 0x18);
    std::map<std::int64_t, std::pair<std::size_t, std::size_t>> pages;
    std::size_t address = 0x480;
    for (std::size_t at = 0; at + 16 <= pageMap.size(); at += 16) {
        pages[static_cast<std::int64_t>(u64(pageMap, at + 8))] = {address, u64(pageMap, at)};
        address += u64(pageMap, at);
    }
    const auto [mapAddress, mapSlot] = pages.at(static_cast<std::int64_t>(u64(fields, 0xC0)));
    Bytes sectionMap = systemPage(mapAddress, 0xB0, 0xC8, 0xD8);

    // Find the header variables' entry and store its one page as is.
    const std::u16string wanted = u"AcDb:Header";
    std::size_t at = 0;
    bool rewritten = false;
    while (at + 64 <= sectionMap.size()) {
        const std::size_t nameBytes = u64(sectionMap, at + 32);
        const std::size_t pageCount = u64(sectionMap, at + 56);
        std::u16string sectionName;
        for (std::size_t i = 0; i + 1 < nameBytes; i += 2)
            if (char16_t unit = sectionMap[at + 64 + i] | sectionMap[at + 65 + i] << 8)
                sectionName.push_back(unit);
        if (sectionName == wanted) {
            ASSERT_EQ(pageCount, 1u);
            setU64(sectionMap, at + 48, 1);
            const std::size_t page = at + 64 + nameBytes;
            const auto [pageAddress, pageSize] =
                pages.at(static_cast<std::int64_t>(u64(sectionMap, page + 16)));
            const std::uint64_t packed = u64(sectionMap, page + 32);
            const std::size_t blocks =
                static_cast<std::size_t>((((packed + 7) & ~7ull) + 250) / 251);
            const Bytes data = test::r2007::deinterleave(file, pageAddress, blocks, 251);
            std::copy_n(data.begin(), packed,
                        file.begin() + static_cast<std::ptrdiff_t>(pageAddress));
            rewritten = true;
        }
        at += 64 + nameBytes + 56 * pageCount;
    }
    ASSERT_TRUE(rewritten);
    ASSERT_LE(test::r2007::writeSystemPage(file, mapAddress, sectionMap), mapSlot);
    setU64(fields, 0xB0, sectionMap.size());
    setU64(fields, 0xD8, 1);
    test::r2007::writeFileHeader(file, fields);

    const Sections s = readSections(file, "r2007.dwg");
    EXPECT_TRUE(s.diagnostics.empty()) << s.diagnostics.front();
    EXPECT_EQ(s.header, intact.header);
    EXPECT_EQ(s.objects, intact.objects);
}

TEST(R2007Container, CutCopiesFailCleanly) {
    VEXOR_REQUIRE_CORPUS();
    const Bytes original = fileBytes(smallFile());
    EXPECT_EQ(readError(Bytes(original.begin(), original.begin() + 0x200)),
              "file ends inside the file header");
    for (std::size_t size : {std::size_t{0x480}, std::size_t{0x900}, original.size() / 2}) {
        const Bytes cut(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(readError(cut).empty()) << size;
    }
    EXPECT_EQ(readError({'A', 'C', '1', '0', '2', '4'}), "not a DWG R2007 file");
}

} // namespace
} // namespace vexor::cad::dwg::r2007
