#include "cad/dwg/r2004/Sections.h"
#include "cad/io/MappedFile.h"
#include "cad/model/ReadError.h"
#include "support/Corpus.h"

#include <gtest/gtest.h>
#include <random>

namespace vexor::cad::dwg::r2004 {
namespace {

// Reads a damaged copy; anything but success or ReadError (another exception) fails the test.
// Crashes and overruns show up under the sanitizer build.
void readDamaged(const std::vector<std::uint8_t>& bytes, const std::string& label, int& refused) {
    try {
        const Sections sections = readSections(bytes, label);
        EXPECT_LE(sections.objects.size(), kMaxExpansion * bytes.size()) << label;
    } catch (const ReadError& error) {
        EXPECT_EQ(error.file(), label);
        ++refused;
    } catch (const std::exception& other) {
        ADD_FAILURE() << label << ": unexpected " << other.what();
    }
}

TEST(DamagedCopies, CutAndFlippedFilesReadOrFailCleanly) {
    VEXOR_REQUIRE_CORPUS();
    std::vector<std::filesystem::path> files;
    for (const char* version : {"AC1018", "AC1024", "AC1027", "AC1032"}) {
        const auto some = test::corpusFiles(std::string("dwg/") + version, {".dwg"});
        files.insert(files.end(), some.begin(), some.end());
    }
    ASSERT_FALSE(files.empty());
    std::mt19937 random(2004);
    int refused = 0;
    int copies = 0;
    for (const auto& path : files) {
        const MappedFile file(path.string());
        const std::vector<std::uint8_t> original(file.bytes().begin(), file.bytes().end());
        const std::string name = path.filename().string();
        for (const double fraction : {0.0005, 0.01, 0.3, 0.7, 0.95, 0.999}) {
            auto cut = original;
            cut.resize(static_cast<std::size_t>(original.size() * fraction));
            readDamaged(cut, name + " cut", refused);
            ++copies;
        }
        // Flips spread over the file, and more in its last 4 KB where the maps usually are.
        for (int i = 0; i < 24; ++i) {
            auto flipped = original;
            const std::size_t tail = std::min<std::size_t>(4096, original.size());
            const std::size_t at =
                i % 2 ? random() % original.size() : original.size() - 1 - random() % tail;
            flipped[at] ^= static_cast<std::uint8_t>(1 + random() % 255);
            readDamaged(flipped, name + " flip@" + std::to_string(at), refused);
            ++copies;
        }
    }
    // Cut copies lose their maps, so a good share must be refused rather than read.
    EXPECT_GT(refused, copies / 10);
}

} // namespace
} // namespace vexor::cad::dwg::r2004
