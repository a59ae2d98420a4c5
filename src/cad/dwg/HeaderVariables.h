#pragma once

#include "../model/Drawing.h"
#include "DwgVersion.h"

#include <cstdint>
#include <span>

namespace vexor::cad::dwg {

// The handles of the table controls and special records the header variables point to.
struct TableHandles {
    std::uint64_t blockControl = 0;
    std::uint64_t layerControl = 0;
    std::uint64_t styleControl = 0;
    std::uint64_t linetypeControl = 0;
    std::uint64_t dimstyleControl = 0;
    std::uint64_t modelSpace = 0; // block header of *Model_Space
    std::uint64_t paperSpace = 0;
    std::uint64_t linetypeByLayer = 0;
    std::uint64_t linetypeByBlock = 0;
    std::uint64_t linetypeContinuous = 0;
    std::uint64_t plotStyleNames = 0; // the dictionary naming the plot styles (R2000+)
};

struct HeaderVariables {
    Header header; // version and code page are filled by the caller
    TableHandles handles;
};

// Reads the header variables section: `section` is the whole section from its start sentinel
// (as stored in R13-R2000 files and as the R2004+ container decompresses it). Throws
// DwgFormatError when the sentinel or size is wrong or the data ends early.
// `maintenanceRelease` is the byte at file offset 0x0B.
HeaderVariables parseHeaderVariables(std::span<const std::uint8_t> section, DwgVersion version,
                                     int maintenanceRelease, std::uint64_t absoluteOffset = 0);

} // namespace vexor::cad::dwg
