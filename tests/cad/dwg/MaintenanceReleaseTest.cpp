#include "DwgCorpusSupport.h"
#include "cad/dwg/DrawingBuilder.h"
#include "cad/dwg/DwgReader.h"
#include "cad/dwg/FileHeader.h"
#include "cad/dwg/r2004/Sections.h"
#include "support/Corpus.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace vexor;
using namespace vexor::cad::dwg;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A sentinel section holding `data`: sentinel, size, the size's upper half when asked, the data
// and room for the CRC and end sentinel.
Bytes sectionWith(const Bytes& data, bool highWord) {
    Bytes s(std::begin(kClassesSentinel), std::end(kClassesSentinel));
    for (int b = 0; b < 4; ++b)
        s.push_back(static_cast<std::uint8_t>(data.size() >> (8 * b)));
    if (highWord)
        s.insert(s.end(), 4, 0);
    s.insert(s.end(), data.begin(), data.end());
    s.insert(s.end(), 18, 0);
    return s;
}

TEST(MaintenanceRelease, DecidesWhetherR2010AndR2013SectionSizesHaveAnUpperHalf) {
    struct Case {
        DwgVersion version;
        int maintenance;
        bool highWord;
    };
    const Case cases[] = {
        {DwgVersion::R2007, 200, false}, {DwgVersion::R2010, 2, false},
        {DwgVersion::R2010, 3, false},   {DwgVersion::R2010, 4, true},
        {DwgVersion::R2010, 109, true},  {DwgVersion::R2013, 0, false},
        {DwgVersion::R2013, 105, true},  {DwgVersion::R2018, 0, true},
    };
    // Data whose first bytes are not zero, as real section data (its size in bits) is not.
    const Bytes data = {0x20, 0x01, 0x00, 0x00, 0xAA, 0xBB};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.version) * 1000 + c.maintenance);
        EXPECT_EQ(hasSectionSizeHighWord(c.version, c.maintenance), c.highWord);
        const Bytes section = sectionWith(data, c.highWord);
        const auto read = sentinelSection(section, kClassesSentinel, 0, c.version, c.maintenance);
        EXPECT_EQ(Bytes(read.begin(), read.end()), data);
    }
    // Read with the other rule, the layouts fail instead of giving wrong data.
    EXPECT_THROW(
        sentinelSection(sectionWith(data, false), kClassesSentinel, 0, DwgVersion::R2010, 4),
        DwgFormatError);
}

// An R2010 drawing as a program that writes maintenance release 2 stores it: header variables
// and classes without the size's upper half. It reads like the original, and the same
// sections claimed by the other rule lose their header and classes, as the fault did.
TEST(MaintenanceRelease, R2010DrawingOfAnotherWriterKeepsItsHeaderAndClasses) {
    VEXOR_REQUIRE_CORPUS();
    const fs::path file = *test::corpusDir() / "dwg/AC1024/libredwg__example_2010.dwg";
    const Bytes bytes = test::fileBytes(file);
    ASSERT_GT(bytes[0x0B], 3);
    const cad::Drawing intact = readDwg(bytes, file.string());
    ASSERT_TRUE(intact.header.extMin.has_value());

    r2004::Sections buffers = r2004::readSections(bytes, file.string());
    for (Bytes* section : {&buffers.header, &buffers.classes}) {
        ASSERT_TRUE(std::all_of(section->begin() + 20, section->begin() + 24,
                                [](std::uint8_t b) { return b == 0; }));
        section->erase(section->begin() + 20, section->begin() + 24);
    }
    DwgSections s;
    s.version = DwgVersion::R2010;
    s.versionName = "AC1024";
    s.codepage = 30;
    s.headerVariables = buffers.header;
    s.classes = buffers.classes;
    s.objectMap = buffers.handles;
    s.objects = buffers.objects;

    s.maintenanceRelease = 2;
    const cad::Drawing d = buildDrawing(s);
    for (const std::string& message : d.diagnostics) {
        EXPECT_EQ(message.find("header variables unreadable"), std::string::npos) << message;
        EXPECT_EQ(message.find("classes unreadable"), std::string::npos) << message;
    }
    ASSERT_TRUE(d.header.extMin.has_value());
    EXPECT_EQ(d.header.extMin->x, intact.header.extMin->x);
    EXPECT_EQ(d.header.extMax->y, intact.header.extMax->y);
    EXPECT_EQ(test::modelSpaceCounts(d), test::modelSpaceCounts(intact));

    s.maintenanceRelease = 109;
    const cad::Drawing misread = buildDrawing(s);
    EXPECT_FALSE(misread.header.extMin.has_value());
}

} // namespace
