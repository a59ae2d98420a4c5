// Damaged and hostile pre-R13 files: each is read or refused with a ReadError, never a crash or
// a hang, and damage that leaves the header readable stays local.
#include "cad/dwg/DwgReader.h"
#include "cad/model/ReadError.h"
#include "support/Corpus.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

using namespace vexor;
using namespace vexor::test;
namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> bytesOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::uint8_t> corpusBytes(const char* relative) {
    return bytesOf(*corpusDir() / relative);
}

// Reads `bytes` whole and as layer table; false when the reader threw anything but ReadError.
bool readsOrRefuses(const std::vector<std::uint8_t>& bytes) {
    try {
        cad::dwg::readDwg(bytes, "damaged.dwg");
    } catch (const cad::ReadError&) {
    } catch (...) {
        return false;
    }
    try {
        cad::dwg::readDwgLayerTable(bytes, "damaged.dwg");
    } catch (const cad::ReadError&) {
    } catch (...) {
        return false;
    }
    return true;
}

void putU16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
    b.at(at) = static_cast<std::uint8_t>(v);
    b.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}

void putU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    putU16(b, at, static_cast<std::uint16_t>(v));
    putU16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

std::uint32_t u32At(const std::vector<std::uint8_t>& b, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

bool mentions(const cad::Drawing& d, const std::string& text) {
    return std::ranges::any_of(d.diagnostics,
                               [&](const std::string& m) { return m.find(text) != m.npos; });
}

} // namespace

TEST(PreR13Damage, CutAndFlippedCopiesAreReadOrRefused) {
    VEXOR_REQUIRE_CORPUS();
    auto files = corpusFiles("dwg/AC1009", {".dwg"});
    const auto older = corpusFiles("dwg/preR11", {".dwg"});
    files.insert(files.end(), older.begin(), older.end());
    ASSERT_FALSE(files.empty());
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        const auto bytes = bytesOf(file);
        const std::size_t step = std::max<std::size_t>(1, bytes.size() / 40);
        for (std::size_t cut = 0; cut < bytes.size(); cut += step) {
            const std::vector<std::uint8_t> head(bytes.begin(),
                                                 bytes.begin() + static_cast<long>(cut));
            EXPECT_TRUE(readsOrRefuses(head)) << "cut at " << cut;
        }
        for (std::size_t at = 6; at < bytes.size(); at += step / 3 + 1) {
            auto flipped = bytes;
            flipped[at] ^= 0xFF;
            if (at + 1 < flipped.size())
                flipped[at + 1] ^= 0x5A;
            EXPECT_TRUE(readsOrRefuses(flipped)) << "flipped at " << at;
        }
    }
}

TEST(PreR13Damage, LoopingJumpsEndTheRead) {
    VEXOR_REQUIRE_CORPUS();
    auto bytes = corpusBytes("dwg/preR11/libredwg__r10_entities.dwg");
    // The extra section holds a POLYLINE header (9 bytes) and a JUMP back to the entities; point
    // that JUMP at the start of the extra section itself.
    const std::uint32_t extra = u32At(bytes, 0x24);
    ASSERT_EQ(bytes.at(extra + 9), 18); // JUMP
    putU32(bytes, extra + 9 + 4, 0x80000000u);
    const cad::Drawing d = cad::dwg::readDwg(bytes, "loop.dwg");
    EXPECT_TRUE(mentions(d, "jumps in a loop"));
}

TEST(PreR13Damage, DamagedRecordsAndTablesStayLocal) {
    VEXOR_REQUIRE_CORPUS();
    auto bytes = corpusBytes("dwg/AC1009/libredwg__r11_entities-2d.dwg");
    const std::uint32_t entities = u32At(bytes, 0x14);
    // The second record's length runs past its section: the records before it are kept.
    const std::size_t second = entities + bytes.at(entities + 2);
    putU16(bytes, second + 2, 0x7FFF);
    // A layer table claiming 65535 records is cut to what the file holds.
    putU16(bytes, 0x36 + 2, 0xFFFF);
    const cad::Drawing d = cad::dwg::readDwg(bytes, "damaged.dwg");
    EXPECT_EQ(d.modelSpace.size(), 1u);
    EXPECT_TRUE(mentions(d, "entity section is unreadable from byte"));
    EXPECT_TRUE(mentions(d, "layer table is cut short"));
    EXPECT_FALSE(d.layers.empty());
}

TEST(PreR13Damage, SectionsOutsideTheFileAreRefused) {
    VEXOR_REQUIRE_CORPUS();
    auto bytes = corpusBytes("dwg/AC1009/mjs-ac1009__LINE3.DWG");
    putU32(bytes, 0x18, 0x7FFFFFFF); // entities end far past the end of the file
    try {
        cad::dwg::readDwg(bytes, "outside.dwg");
        FAIL() << "read a file whose entities lie outside it";
    } catch (const cad::ReadError& e) {
        EXPECT_EQ(e.file(), "outside.dwg");
        EXPECT_NE(std::string(e.what()).find("outside the file"), std::string::npos);
    }
}
