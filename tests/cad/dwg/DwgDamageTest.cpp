#include "DwgCorpusSupport.h"
#include "cad/dwg/DwgReader.h"
#include "cad/model/ReadError.h"
#include "support/Corpus.h"

#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>

using namespace vexor;
using namespace vexor::test;

namespace {

std::vector<std::uint8_t> bytesOf(const std::string& s) {
    return {s.begin(), s.end()};
}

std::string errorOf(const std::vector<std::uint8_t>& bytes) {
    try {
        cad::dwg::readDwg(bytes, "test.dwg");
    } catch (const cad::ReadError& e) {
        EXPECT_EQ(e.file(), "test.dwg");
        return e.reason();
    }
    return "";
}

// A read either gives a drawing or a ReadError; anything else escapes and fails the test.
void readSurvives(const std::vector<std::uint8_t>& bytes, const std::string& name) {
    try {
        const cad::Drawing d = cad::dwg::readDwg(bytes, name);
        for (const auto& e : d.modelSpace)
            ASSERT_LT(e.common.layer, d.layers.size());
    } catch (const cad::ReadError& e) {
        EXPECT_FALSE(e.reason().empty());
    }
    try {
        cad::dwg::readDwgLayerTable(bytes, name);
    } catch (const cad::ReadError&) {
    }
}

TEST(DwgErrors, VersionsThatCannotBeReadSaySo) {
    EXPECT_EQ(errorOf(bytesOf("hello world")), "not a DWG file");
    EXPECT_EQ(errorOf(bytesOf("AC1.50\0\0\0\0")),
              "DWG version AC1.50 (R2.05) is not supported yet");
    for (const char* magic : {"AC1018", "AC1021", "AC1024", "AC1027", "AC1032"})
        EXPECT_EQ(errorOf(bytesOf(magic)), "file ends inside the file header") << magic;
    EXPECT_EQ(errorOf(bytesOf("AC1099")), "unknown DWG version AC1099");
}

TEST(DwgErrors, TruncatedHeaderGivesAPosition) {
    auto bytes = bytesOf("AC1015");
    bytes.resize(0x14, 0);
    try {
        cad::dwg::readDwg(bytes, "short.dwg");
        FAIL() << "a 20-byte file was read";
    } catch (const cad::ReadError& e) {
        EXPECT_NE(std::string(e.what()).find("short.dwg"), std::string::npos);
        EXPECT_TRUE(e.byteOffset().has_value());
    }
}

TEST(DwgErrors, HostileSectionLocatorsAreRejected) {
    auto bytes = bytesOf("AC1015");
    bytes.resize(0x80, 0);
    bytes[0x15] = 0xFF; // 255 sections
    EXPECT_NE(errorOf(bytes).find("impossible number of sections"), std::string::npos);
    bytes[0x15] = 3; // three sections, all pointing beyond the end
    for (int i = 0; i < 3; ++i) {
        bytes[0x19 + 9 * i] = static_cast<std::uint8_t>(i);
        bytes[0x19 + 9 * i + 1] = 0x00;
        bytes[0x19 + 9 * i + 4] = 0x7F; // offset 0x7F000000
    }
    EXPECT_NE(errorOf(bytes).find("missing"), std::string::npos);
}

// Cuts every corpus drawing at several points and flips bytes in it; every read ends with a
// drawing or a clear error, never a crash or a hang.
TEST(DwgDamage, CutAndFlippedCorpusFilesNeverCrash) {
    VEXOR_REQUIRE_CORPUS();
    std::mt19937 random(1234);
    for (const auto& file : dwgCorpusFiles(false)) {
        SCOPED_TRACE(file.string());
        const auto original = fileBytes(file);
        ASSERT_GT(original.size(), 64u);
        for (double fraction : {0.01, 0.1, 0.3, 0.5, 0.9, 0.999}) {
            auto cut = original;
            cut.resize(static_cast<std::size_t>(static_cast<double>(original.size()) * fraction));
            readSurvives(cut, file.string());
        }
        for (int round = 0; round < 6; ++round) {
            auto flipped = original;
            std::uniform_int_distribution<std::size_t> where(6, flipped.size() - 1);
            for (int k = 0; k < 1 + round * 4; ++k)
                flipped[where(random)] ^= static_cast<std::uint8_t>(1u << (random() % 8));
            readSurvives(flipped, file.string());
        }
    }
}

// Damage that lands in one object leaves the others readable and is reported.
TEST(DwgDamage, ADamagedObjectIsSkippedAndReported) {
    VEXOR_REQUIRE_CORPUS();
    const auto file = *corpusDir() / "dwg/AC1015/libopencad__24127_circles_128_lines.dwg";
    auto bytes = fileBytes(file);
    const cad::Drawing intact = cad::dwg::readDwg(bytes, file.string());
    // Overwrite a stretch in the middle of the object data with ones: the modular-short sizes
    // and codes there become impossible.
    const std::size_t middle = bytes.size() / 2;
    std::memset(bytes.data() + middle, 0xFF, 64);
    const cad::Drawing damaged = cad::dwg::readDwg(bytes, file.string());
    EXPECT_LT(damaged.modelSpace.size(), intact.modelSpace.size());
    EXPECT_GT(damaged.modelSpace.size(), intact.modelSpace.size() / 2);
    bool reported = false;
    for (const auto& message : damaged.diagnostics)
        reported = reported || message.find("damaged") != std::string::npos;
    EXPECT_TRUE(reported);
}

} // namespace
