#pragma once

#include "../r2004/Sections.h"

#include <cstdint>
#include <span>
#include <string>

namespace vexor::cad::dwg::r2007 {

// Reads the container of an R2007 (AC1021) DWG file into the same decompressed section buffers
// an R2004-family file gives: the file header, the page map, the section map and each section's
// data pages, all Reed-Solomon coded (errors within a block's power are corrected; a page with
// more is left zero and noted) and compressed with the R2007 scheme. Throws ReadError for a file
// that is not AC1021, for damage to the file header or either map, for sizes, counts or offsets
// the file cannot hold, and for a missing required section.
r2004::Sections readSections(std::span<const std::uint8_t> file, const std::string& fileName);

} // namespace vexor::cad::dwg::r2007
