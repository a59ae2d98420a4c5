#pragma once

#include "../../model/Drawing.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vexor::cad::dwg::r12 {

// The releases before R13, in the order they appeared. Fields that a later release added are
// read only from files of that release or later.
enum class Release : std::uint8_t {
    R1_4, // AC1.40: entities carry no length
    R2_0, // AC1.50
    R2_1, // AC2.10, AC2.21, AC2.22: the section and table locators appear
    R2_5, // AC1001, AC1002
    R2_6, // AC1003
    R9,   // AC1004
    R10,  // AC1006
    R11,  // AC1009 (R11 and R12): table records and entities gain a CRC, code page
};

// The release of a file's version string, when it is one of the pre-R13 releases we read.
std::optional<Release> releaseOf(std::span<const std::uint8_t> bytes);

// A run of the file: [offset, offset + size).
struct Extent {
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
};

// Where a table's fixed-size records are and how many there are.
struct TableLocator {
    std::uint16_t recordSize = 0;
    std::uint16_t count = 0;
    std::uint32_t offset = 0;
};

struct FileHeader {
    Release release = Release::R11;
    std::string versionName; // "AC1009" ...
    Extent entities, blockEntities, extraEntities;
    TableLocator blocks, layers, styles, linetypes, views;
    TableLocator ucs, viewportConfigs;    // from R10
    TableLocator applications, dimStyles; // from R11
    int codepage = 0;                     // DWG code page number; 0 when the release has none
    Header values;                        // extents, limits, linetype scale
};

// Reads the fixed header at the start of the file; throws DwgFormatError when the sections it
// locates do not lie inside the file.
FileHeader parseFileHeader(std::span<const std::uint8_t> file);

} // namespace vexor::cad::dwg::r12
