#include "FileHeader.h"

#include "BitReader.h"

#include <cstring>

namespace vexor::cad::dwg {

const std::uint8_t kHeaderVariablesSentinel[16] = {0xCF, 0x7B, 0x1F, 0x23, 0xFD, 0xDE, 0x38, 0xA9,
                                                   0x5F, 0x7C, 0x68, 0xB8, 0x4E, 0x6D, 0x33, 0x5F};
const std::uint8_t kClassesSentinel[16] = {0x8D, 0xA1, 0xC4, 0xB8, 0xC4, 0xA9, 0xF8, 0xC5,
                                           0xC0, 0xDC, 0xF4, 0x5F, 0xE7, 0xCF, 0xB6, 0x8A};

namespace {

constexpr std::size_t kLocatorCountOffset = 0x15;
constexpr std::uint32_t kMaxLocators = 16;

} // namespace

std::optional<SectionLocator> FileHeader::find(std::uint8_t number) const {
    for (const SectionLocator& s : sections)
        if (s.number == number)
            return s;
    return std::nullopt;
}

FileHeader parseFileHeader(std::span<const std::uint8_t> file) {
    BitReader r(file);
    if (file.size() < kLocatorCountOffset + 4)
        r.fail("file header truncated");
    FileHeader header;
    r.seekBit(0x13 * 8);
    header.codepage = static_cast<std::uint16_t>(r.rawShort());
    const auto count = static_cast<std::uint32_t>(r.rawLong());
    if (count > kMaxLocators)
        r.fail("impossible number of sections (" + std::to_string(count) + ")");
    for (std::uint32_t i = 0; i < count; ++i) {
        SectionLocator s;
        s.number = r.rawChar();
        s.offset = static_cast<std::uint32_t>(r.rawLong());
        s.size = static_cast<std::uint32_t>(r.rawLong());
        if (static_cast<std::uint64_t>(s.offset) + s.size > file.size()) {
            // A section that lies beyond the end cannot be read; keep the others.
            continue;
        }
        header.sections.push_back(s);
    }
    return header;
}

bool hasSectionSizeHighWord(DwgVersion version, int maintenanceRelease) {
    return version >= DwgVersion::R2018 || (version >= DwgVersion::R2010 && maintenanceRelease > 3);
}

std::span<const std::uint8_t> sentinelSection(std::span<const std::uint8_t> section,
                                              const std::uint8_t (&startSentinel)[16],
                                              std::uint64_t absoluteOffset, DwgVersion version,
                                              int maintenanceRelease) {
    BitReader r(section, absoluteOffset);
    const bool highWord = hasSectionSizeHighWord(version, maintenanceRelease);
    const std::size_t dataStart = highWord ? 24 : 20;
    if (section.size() < dataStart || std::memcmp(section.data(), startSentinel, 16) != 0)
        r.fail("section sentinel missing");
    r.seekBit(16 * 8);
    const auto size = static_cast<std::uint32_t>(r.rawLong());
    if (highWord && r.rawLong() != 0)
        r.fail("section larger than 4 GB");
    if (size > section.size() - dataStart)
        r.fail("section size " + std::to_string(size) + " larger than the section");
    return section.subspan(dataStart, size);
}

} // namespace vexor::cad::dwg
