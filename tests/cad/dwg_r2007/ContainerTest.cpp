#include "BlockEncoder.h"
#include "cad/dwg/FileHeader.h"
#include "cad/dwg/r2007/Sections.h"
#include "cad/model/ReadError.h"
#include "support/Corpus.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
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
