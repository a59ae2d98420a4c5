#pragma once

#include "DwgVersion.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vexor::cad::dwg {

// Where one section of an R13-R2000 file lies, from the file header's locator table.
struct SectionLocator {
    std::uint8_t number = 0; // 0 header variables, 1 classes, 2 object map, ...
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
};

enum SectionNumber : std::uint8_t {
    kSectionHeaderVariables = 0,
    kSectionClasses = 1,
    kSectionObjectMap = 2,
};

// The fixed-layout header at the start of an R13-R2000 file.
struct FileHeader {
    int codepage = 0; // DWG code page number
    std::vector<SectionLocator> sections;

    std::optional<SectionLocator> find(std::uint8_t number) const;
};

// Reads the file header; throws DwgFormatError for a file too short or with an impossible
// locator table. Section ranges are checked against the file size.
FileHeader parseFileHeader(std::span<const std::uint8_t> file);

// Whether the header variables and classes sections follow their size with its upper half:
// R2018 files always do, R2010 and R2013 files only from maintenance release 4 on (the byte at
// 0x0B; other programs write these releases with lower numbers and without the field).
bool hasSectionSizeHighWord(DwgVersion version, int maintenanceRelease);

// The bytes of a section that begins and ends with the given 16-byte sentinels and holds a
// raw-long size after the first one (followed by the size's upper half where
// hasSectionSizeHighWord says so): the data between size and CRC. Throws DwgFormatError when a
// sentinel is missing or the size does not fit.
std::span<const std::uint8_t> sentinelSection(std::span<const std::uint8_t> section,
                                              const std::uint8_t (&startSentinel)[16],
                                              std::uint64_t absoluteOffset, DwgVersion version,
                                              int maintenanceRelease);

extern const std::uint8_t kHeaderVariablesSentinel[16];
extern const std::uint8_t kClassesSentinel[16];

} // namespace vexor::cad::dwg
