#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vexor::cad::dwg::r2007 {

// Where a system page (the page map or the section map) lies and how it is stored.
struct SystemPageInfo {
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    // How many times the compressed bytes are repeated before the Reed-Solomon coding.
    std::uint64_t correction = 0;
};

// The fields of the R2007 file header that locate the system pages.
struct FileHeader {
    std::uint64_t pageMapOffset = 0; // relative to kPagesBase
    SystemPageInfo pageMap;
    std::uint64_t sectionMapId = 0; // page number of the section map
    SystemPageInfo sectionMap;
};

// Pages start after the fixed header and the coded file header.
constexpr std::uint64_t kPagesBase = 0x480;

// Decodes the file header at 0x80 (Reed-Solomon coded in three interleaved blocks, then
// compressed). Throws ReadError for a file too short to hold it, a header whose blocks cannot
// be corrected, or a header whose sizes do not fit its data. Corrected blocks are noted in
// `diagnostics`.
FileHeader readFileHeader(std::span<const std::uint8_t> file, const std::string& fileName,
                          std::vector<std::string>& diagnostics);

} // namespace vexor::cad::dwg::r2007
