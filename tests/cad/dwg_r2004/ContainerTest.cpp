#include "ContainerBuilder.h"
#include "cad/dwg/r2004/SectionMaps.h"
#include "cad/dwg/r2004/Sections.h"
#include "cad/model/ReadError.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace vexor::cad::dwg::r2004 {
namespace {

using test::r2004::BuiltFile;
using test::r2004::ContainerBuilder;
using test::r2004::standardContainer;
using test::r2004::TestSection;

const std::string kFile = "built.dwg";

std::string readError(const std::vector<std::uint8_t>& bytes) {
    try {
        readSections(bytes, kFile);
    } catch (const ReadError& error) {
        EXPECT_EQ(error.file(), kFile);
        return error.reason();
    }
    return "no error";
}

bool mentions(const std::vector<std::string>& diagnostics, const std::string& text) {
    return std::any_of(diagnostics.begin(), diagnostics.end(),
                       [&](const std::string& d) { return d.find(text) != std::string::npos; });
}

TEST(Container, SectionsComeBackByteForByteInEveryVersion) {
    for (const char* version : {"AC1018", "AC1024", "AC1027", "AC1032"}) {
        ContainerBuilder builder = standardContainer(version);
        std::vector<std::uint8_t> aux(123);
        for (std::size_t i = 0; i < aux.size(); ++i)
            aux[i] = static_cast<std::uint8_t>(0xA0 ^ i);
        builder.add({"AcDb:AuxHeader", aux, 0x80, false});
        const BuiltFile file = builder.withGap().build();
        const Sections sections = readSections(file.bytes, kFile);
        const ContainerBuilder expected = standardContainer(version);
        EXPECT_EQ(sections.version, version);
        EXPECT_TRUE(sections.diagnostics.empty()) << sections.diagnostics.front();
        // The objects section spans three pages, listed in reverse order.
        ASSERT_EQ(sections.objects.size(), 70000u);
        EXPECT_EQ(sections.header.size(), 600u);
        EXPECT_EQ(sections.classes.size(), 1300u);
        EXPECT_EQ(sections.handles.size(), 700u);
        EXPECT_EQ(sections.auxHeader, aux);
        for (std::size_t i : {0u, 0x73FFu, 0x7400u, 0xE800u, 69999u})
            EXPECT_EQ(sections.objects[i], static_cast<std::uint8_t>(4 + (i * 7) % 251 + i / 1000))
                << i;
        EXPECT_EQ(sections.header[599], static_cast<std::uint8_t>(1 + (599 * 7) % 251));
    }
}

TEST(Container, WrongVersionsAndHeadersAreRefused) {
    // R2007 files have a container of their own.
    EXPECT_NE(readError(standardContainer("AC1021").build().bytes).find("not a DWG R2004"),
              std::string::npos);
    EXPECT_NE(readError(standardContainer("AC1015").build().bytes).find("not a DWG R2004"),
              std::string::npos);
    auto bytes = standardContainer().build().bytes;
    bytes[0x81] ^= 0x01; // inside the encrypted identification string
    EXPECT_NE(readError(bytes).find("identification"), std::string::npos);
    bytes.resize(0x90);
    EXPECT_NE(readError(bytes).find("ends inside the file header"), std::string::npos);
    EXPECT_NE(readError({'A', 'C'}).find("too short"), std::string::npos);
}

TEST(Container, DamagedDataPageIsReportedAndLeftZero) {
    BuiltFile file = standardContainer().build();
    const auto page = std::find_if(file.pages.begin(), file.pages.end(),
                                   [](const auto& p) { return p.section == "AcDb:AcDbObjects"; });
    ASSERT_NE(page, file.pages.end());
    // Break the page header's type word: the whole first page is lost, the rest survives.
    file.bytes[page->address] ^= 0xFF;
    const Sections sections = readSections(file.bytes, kFile);
    EXPECT_TRUE(mentions(sections.diagnostics, "wrong type"));
    EXPECT_EQ(sections.objects[100], 0);
    EXPECT_EQ(sections.objects[0x7400], static_cast<std::uint8_t>(4 + (0x7400 * 7) % 251 + 29));
}

TEST(Container, ChecksumMismatchIsADiagnosticNotAnError) {
    BuiltFile file = standardContainer().build();
    const auto& header = *std::find_if(file.pages.begin(), file.pages.end(),
                                       [](const auto& p) { return p.section == "AcDb:Header"; });
    // The last compressed byte is padding after the end marker: checksum fails, data intact.
    file.bytes[header.address + 32 + header.dataSize - 1] ^= 0x5A;
    const Sections sections = readSections(file.bytes, kFile);
    EXPECT_TRUE(mentions(sections.diagnostics, "AcDb:Header: data page"));
    EXPECT_TRUE(mentions(sections.diagnostics, "checksum"));
    EXPECT_EQ(sections.header[10], static_cast<std::uint8_t>(1 + 70));
}

TEST(Container, HostileSectionMapsAreRefusedBeforeAllocating) {
    {
        ContainerBuilder builder = standardContainer();
        TestSection huge{"AcDb:AuxHeader", {1, 2, 3, 4}};
        huge.declaredSize = 1ull << 40;
        builder.add(huge);
        EXPECT_NE(readError(builder.build().bytes).find("claims"), std::string::npos);
    }
    {
        ContainerBuilder builder = standardContainer();
        TestSection locked{"AcDb:AuxHeader", {1, 2, 3, 4}};
        locked.encrypted = 1;
        builder.add(locked);
        EXPECT_NE(readError(builder.build().bytes).find("password"), std::string::npos);
    }
    {
        ContainerBuilder builder;
        builder.add({"AcDb:Header", std::vector<std::uint8_t>(40, 1)})
            .add({"AcDb:Classes", std::vector<std::uint8_t>(40, 2)})
            .add({"AcDb:Handles", std::vector<std::uint8_t>(40, 3)});
        EXPECT_EQ(readError(builder.build().bytes), "section map lacks AcDb:AcDbObjects");
    }
    {
        ContainerBuilder builder = standardContainer();
        builder.add({"AcDb:AuxHeader", std::vector<std::uint8_t>(40, 1), 0});
        EXPECT_NE(readError(builder.build().bytes).find("page size 0"), std::string::npos);
    }
}

TEST(Container, ReusedPagesAreReadOnce) {
    ContainerBuilder builder = standardContainer();
    TestSection repeated("AcDb:AuxHeader", std::vector<std::uint8_t>(100, 9));
    repeated.firstPageRepeats = 100000;
    builder.add(repeated);
    const Sections sections = readSections(builder.build().bytes, kFile);
    EXPECT_EQ(sections.auxHeader, std::vector<std::uint8_t>(100, 9));
    EXPECT_TRUE(mentions(sections.diagnostics, "used twice"));
    // Messages are capped, so a hostile map cannot fill memory with them.
    EXPECT_EQ(sections.diagnostics.size(), kMaxDiagnostics + 1);
    EXPECT_EQ(sections.diagnostics.back(), "further damage not listed");
}

TEST(Container, PageMapPointingOutsideTheFileIsAnError) {
    BuiltFile file = standardContainer().build();
    // Cut the file inside the section map page: its header or data now lie past the end.
    const std::size_t lastData = file.pages.back().address + 32 + file.pages.back().dataSize;
    file.bytes.resize(lastData + 24);
    const std::string reason = readError(file.bytes);
    EXPECT_NE(reason, "no error");
}

} // namespace
} // namespace vexor::cad::dwg::r2004
