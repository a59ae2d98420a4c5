#include "cad/dwg/r2004/Sections.h"
#include "cad/io/MappedFile.h"
#include "cad/model/ReadError.h"
#include "support/Corpus.h"

#include <array>
#include <cstring>
#include <gtest/gtest.h>

namespace vexor::cad::dwg::r2004 {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::array<std::uint8_t, 16> kHeaderStart = {
    0xCF, 0x7B, 0x1F, 0x23, 0xFD, 0xDE, 0x38, 0xA9, 0x5F, 0x7C, 0x68, 0xB8, 0x4E, 0x6D, 0x33, 0x5F};
constexpr std::array<std::uint8_t, 16> kHeaderEnd = {
    0x30, 0x84, 0xE0, 0xDC, 0x02, 0x21, 0xC7, 0x56, 0xA0, 0x83, 0x97, 0x47, 0xB1, 0x92, 0xCC, 0xA0};
constexpr std::array<std::uint8_t, 16> kClassesStart = {
    0x8D, 0xA1, 0xC4, 0xB8, 0xC4, 0xA9, 0xF8, 0xC5, 0xC0, 0xDC, 0xF4, 0x5F, 0xE7, 0xCF, 0xB6, 0x8A};
constexpr std::array<std::uint8_t, 16> kClassesEnd = {
    0x72, 0x5E, 0x3B, 0x47, 0x3B, 0x56, 0x07, 0x3A, 0x3F, 0x23, 0x0B, 0xA0, 0x18, 0x30, 0x49, 0x75};

std::vector<std::filesystem::path> containerFiles() {
    std::vector<std::filesystem::path> files;
    for (const char* version : {"AC1018", "AC1024", "AC1027", "AC1032"}) {
        const auto some = test::corpusFiles(std::string("dwg/") + version, {".dwg"});
        files.insert(files.end(), some.begin(), some.end());
    }
    return files;
}

bool hasAt(const Bytes& bytes, std::size_t at, const std::array<std::uint8_t, 16>& marker) {
    return at <= bytes.size() && bytes.size() - at >= marker.size() &&
           std::memcmp(bytes.data() + at, marker.data(), marker.size()) == 0;
}

std::uint32_t le32(const Bytes& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// A sentinel-framed section: start marker, 32-bit size, (a second size word from R2010 on),
// the data, a 16-bit CRC, end marker.
void expectFramed(const Bytes& bytes, const std::string& version,
                  const std::array<std::uint8_t, 16>& start,
                  const std::array<std::uint8_t, 16>& end, const std::string& what) {
    ASSERT_TRUE(hasAt(bytes, 0, start)) << what;
    const std::size_t sizeWords = version >= "AC1024" ? 8 : 4;
    const std::size_t dataEnd = 16 + sizeWords + le32(bytes, 16);
    EXPECT_TRUE(hasAt(bytes, dataEnd + 2, end)) << what << ": end marker not after the data";
}

// Independent walk of the object map: pages of a big-endian 16-bit size (counting itself),
// modular-char pairs (handle delta unsigned, offset delta signed, both counted from zero at
// the start of each page), a 16-bit CRC; the last page has size 2. Returns the object offsets.
std::vector<std::int64_t> objectMapOffsets(const Bytes& map) {
    std::vector<std::int64_t> offsets;
    std::size_t pos = 0;
    const auto modularChar = [&](std::size_t& p, std::size_t end, bool isSigned) {
        std::int64_t value = 0;
        int shift = 0;
        for (;;) {
            EXPECT_LT(p, end);
            if (p >= end)
                return value;
            const std::uint8_t b = map[p++];
            if (b & 0x80) {
                value |= static_cast<std::int64_t>(b & 0x7F) << shift;
                shift += 7;
                continue;
            }
            if (isSigned) {
                value |= static_cast<std::int64_t>(b & 0x3F) << shift;
                return (b & 0x40) ? -value : value;
            }
            return value | static_cast<std::int64_t>(b) << shift;
        }
    };
    for (;;) {
        if (map.size() - pos < 2) {
            ADD_FAILURE() << "object map ends without its empty last page";
            return offsets;
        }
        const std::size_t size = map[pos] << 8 | map[pos + 1];
        if (size == 2)
            return offsets;
        EXPECT_LE(size, 2048u); // writers close a page once it passes 2032 bytes
        const std::size_t end = pos + size;
        if (end + 2 > map.size()) {
            ADD_FAILURE() << "object map page runs past the section";
            return offsets;
        }
        std::size_t p = pos + 2;
        std::int64_t handle = 0; // deltas restart on every page
        std::int64_t offset = 0;
        while (p < end) {
            handle += modularChar(p, end, false);
            offset += modularChar(p, end, true);
            offsets.push_back(offset);
        }
        pos = end + 2;
    }
}

// The 16-bit modular short that starts every object: its size in bytes.
std::size_t objectSize(const Bytes& objects, std::size_t at, std::size_t& headerBytes) {
    std::size_t size = 0;
    headerBytes = 0;
    for (int shift = 0; at + 1 < objects.size() && shift < 60; shift += 15) {
        const std::uint16_t word = objects[at] | objects[at + 1] << 8;
        at += 2;
        headerBytes += 2;
        size |= static_cast<std::size_t>(word & 0x7FFF) << shift;
        if (!(word & 0x8000))
            break;
    }
    return size;
}

TEST(CorpusSections, EveryContainerFileGivesWellFormedSections) {
    VEXOR_REQUIRE_CORPUS();
    const auto files = containerFiles();
    ASSERT_FALSE(files.empty());
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        const MappedFile file(path.string());
        Sections sections;
        ASSERT_NO_THROW(sections = readSections(file.bytes(), path.string()));
        EXPECT_TRUE(sections.diagnostics.empty()) << sections.diagnostics.front();
        expectFramed(sections.header, sections.version, kHeaderStart, kHeaderEnd, "header");
        expectFramed(sections.classes, sections.version, kClassesStart, kClassesEnd, "classes");
        ASSERT_GE(sections.objects.size(), 4u);
        EXPECT_EQ(le32(sections.objects, 0), 0x0DCAu) << "objects section marker";
        ASSERT_FALSE(sections.auxHeader.empty());
        EXPECT_EQ(sections.auxHeader[0], 0xFF) << "aux header marker";

        const auto offsets = objectMapOffsets(sections.handles);
        EXPECT_GT(offsets.size(), 10u);
        std::size_t outside = 0;
        for (const std::int64_t offset : offsets) {
            std::size_t headerBytes = 0;
            const auto at = static_cast<std::size_t>(offset);
            if (offset < 4 || at >= sections.objects.size() ||
                at + objectSize(sections.objects, at, headerBytes) + headerBytes + 2 >
                    sections.objects.size())
                ++outside;
        }
        EXPECT_EQ(outside, 0u) << "of " << offsets.size() << " objects";
    }
}

TEST(CorpusSections, TruncatedSignatureFileIsRefused) {
    VEXOR_REQUIRE_CORPUS();
    for (const auto& path : test::corpusFiles("dwg/negative", {".dwg"})) {
        const MappedFile file(path.string());
        EXPECT_THROW(readSections(file.bytes(), path.string()), ReadError) << path;
    }
}

} // namespace
} // namespace vexor::cad::dwg::r2004
