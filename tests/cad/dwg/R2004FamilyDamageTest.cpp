#include "DwgCorpusSupport.h"
#include "cad/dwg/DrawingBuilder.h"
#include "cad/dwg/DwgReader.h"
#include "cad/dwg/HeaderVariables.h"
#include "cad/dwg/ObjectMap.h"
#include "cad/dwg/r2004/Sections.h"
#include "cad/model/ReadError.h"
#include "support/Corpus.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

using namespace vexor;
using namespace vexor::test;
namespace fs = std::filesystem;

namespace {

bool mentions(const std::vector<std::string>& messages, const std::string& what) {
    return std::any_of(messages.begin(), messages.end(),
                       [&](const std::string& m) { return m.find(what) != std::string::npos; });
}

// A damaged copy reads into a drawing whose references hold, or fails with a ReadError that
// names the file; any other exception fails the test, crashes and overruns show under the
// sanitizers. Returns whether it was read.
bool readsOrFailsCleanly(const std::vector<std::uint8_t>& bytes, const std::string& name) {
    try {
        const cad::Drawing d = cad::dwg::readDwg(bytes, name);
        for (const auto& e : d.modelSpace)
            EXPECT_LT(e.common.layer, d.layers.size()) << name;
        cad::dwg::readDwgLayerTable(bytes, name);
        return true;
    } catch (const cad::ReadError& e) {
        EXPECT_EQ(e.file(), name);
        EXPECT_FALSE(e.reason().empty()) << name;
        return false;
    } catch (const std::exception& e) {
        ADD_FAILURE() << name << ": unexpected " << e.what();
        return false;
    }
}

TEST(R2004FamilyDamage, CutAndFlippedCopiesReadOrFailCleanly) {
    VEXOR_REQUIRE_CORPUS();
    const auto files = dwgR2004FamilyFiles();
    ASSERT_FALSE(files.empty());
    std::mt19937 random(2018);
    int read = 0, refused = 0;
    for (const fs::path& file : files) {
        const auto original = fileBytes(file);
        const std::string name = file.filename().string();
        for (double fraction : {0.05, 0.4, 0.8, 0.999}) {
            auto cut = original;
            cut.resize(static_cast<std::size_t>(static_cast<double>(cut.size()) * fraction));
            (readsOrFailsCleanly(cut, name) ? read : refused)++;
        }
        std::uniform_int_distribution<std::size_t> where(6, original.size() - 1);
        for (int round = 0; round < 4; ++round) {
            auto flipped = original;
            for (int k = 0; k < 1 + round * 8; ++k)
                flipped[where(random)] ^= static_cast<std::uint8_t>(1u << (random() % 8));
            (readsOrFailsCleanly(flipped, name) ? read : refused)++;
        }
    }
    // Flips in compressed pages are mostly survived, cuts mostly refused; both must happen.
    EXPECT_GT(read, 0);
    EXPECT_GT(refused, 0);
}

struct PagedDrawing {
    cad::dwg::r2004::Sections buffers;
    cad::dwg::DwgSections sections;
};

// A corpus drawing's decompressed sections as the drawing builder takes them.
PagedDrawing pagedDrawing(const fs::path& file, const std::vector<std::uint8_t>& bytes) {
    PagedDrawing p;
    p.buffers = cad::dwg::r2004::readSections(bytes, file.string());
    p.sections.version = *cad::dwg::dwgVersionOf(p.buffers.version);
    p.sections.versionName = p.buffers.version;
    p.sections.codepage = 30;
    p.sections.maintenanceRelease = bytes[0x0B];
    p.sections.headerVariables = p.buffers.header;
    p.sections.classes = p.buffers.classes;
    p.sections.objectMap = p.buffers.handles;
    p.sections.objects = p.buffers.objects;
    return p;
}

// Without readable header variables the tables are found by their types and model space
// through the block table; only the stored extents are lost.
TEST(R2004FamilyDamage, UnreadableHeaderVariablesLeaveTheDrawing) {
    VEXOR_REQUIRE_CORPUS();
    for (const char* path :
         {"dwg/AC1018/libredwg__example_2004.dwg", "dwg/AC1032/libredwg__example_2018.dwg"}) {
        SCOPED_TRACE(path);
        const fs::path file = *corpusDir() / path;
        const auto bytes = fileBytes(file);
        const cad::Drawing intact = cad::dwg::readDwg(bytes, file.string());
        PagedDrawing paged = pagedDrawing(file, bytes);
        // Keep the sentinel and sizes, wipe the variables.
        std::fill(paged.buffers.header.begin() + 28, paged.buffers.header.end(), 0xFF);
        const cad::Drawing d = cad::dwg::buildDrawing(paged.sections);
        EXPECT_TRUE(mentions(d.diagnostics, "header variables unreadable"));
        EXPECT_TRUE(mentions(d.diagnostics, "found by its type"));
        EXPECT_FALSE(d.header.extMin.has_value());
        ASSERT_EQ(d.layers.size(), intact.layers.size());
        for (std::size_t i = 0; i < d.layers.size(); ++i)
            EXPECT_EQ(d.layers[i].name, intact.layers[i].name);
        EXPECT_EQ(modelSpaceCounts(d), modelSpaceCounts(intact));
        EXPECT_EQ(d.blocks.size(), intact.blocks.size());
    }
}

// A block header whose list cannot be read leaves its entities to the object map scan, which
// places them by their owner: model space keeps every entity.
TEST(R2004FamilyDamage, ModelSpaceWithoutItsListIsFoundThroughOwners) {
    VEXOR_REQUIRE_CORPUS();
    const fs::path file = *corpusDir() / "dwg/AC1018/acadsharp__sample_AC1018.dwg";
    const auto bytes = fileBytes(file);
    const cad::Drawing intact = cad::dwg::readDwg(bytes, file.string());
    PagedDrawing paged = pagedDrawing(file, bytes);
    const auto variables = cad::dwg::parseHeaderVariables(
        paged.buffers.header, paged.sections.version, paged.sections.maintenanceRelease);
    const auto map = cad::dwg::parseObjectMap(paged.buffers.handles);
    const auto* record = map.find(variables.handles.modelSpace);
    ASSERT_NE(record, nullptr);
    // Past its size, the record's type and everything after it become ones.
    const auto at = static_cast<std::ptrdiff_t>(record->offset + 2);
    std::fill(paged.buffers.objects.begin() + at, paged.buffers.objects.begin() + at + 16, 0xFF);
    const cad::Drawing d = cad::dwg::buildDrawing(paged.sections);
    EXPECT_EQ(modelSpaceCounts(d), modelSpaceCounts(intact));
    std::vector<std::uint64_t> ours, theirs;
    for (const auto& e : d.modelSpace)
        ours.push_back(e.common.handle);
    for (const auto& e : intact.modelSpace)
        theirs.push_back(e.common.handle);
    std::sort(ours.begin(), ours.end());
    std::sort(theirs.begin(), theirs.end());
    EXPECT_EQ(ours, theirs);
}

} // namespace
