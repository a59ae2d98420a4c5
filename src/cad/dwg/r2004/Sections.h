#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vexor::cad::dwg::r2004 {

// The decompressed sections of an R2004-family DWG file (AC1018, AC1024, AC1027, AC1032),
// each as one contiguous buffer. The object map in `handles` gives object offsets relative to
// the start of `objects`.
struct Sections {
    std::string version;                 // "AC1018", ...
    std::vector<std::uint8_t> header;    // AcDb:Header, starting with its sentinel
    std::vector<std::uint8_t> classes;   // AcDb:Classes, starting with its sentinel
    std::vector<std::uint8_t> handles;   // AcDb:Handles, the object map
    std::vector<std::uint8_t> objects;   // AcDb:AcDbObjects
    std::vector<std::uint8_t> auxHeader; // AcDb:AuxHeader, empty when the file has none
    // Damage that was worked around: failed checksums, pages that could not be read (their
    // bytes are left zero).
    std::vector<std::string> diagnostics;
};

// Throws ReadError for a file that is not an R2004-family DWG (AC1021 included), for a password-
// protected drawing, and for damage to the file header, the page map, the section map or a
// missing required section.
Sections readSections(std::span<const std::uint8_t> file, const std::string& fileName);

// Fills the buffers of `result` from `read`, which gives the bytes of a named section or
// nothing when the section map lacks it: header, classes, object map and objects are required
// (ReadError naming the file otherwise), the auxiliary header is not. Shared by the R2004 and
// R2007 containers.
void collectSections(
    Sections& result, const std::string& fileName,
    const std::function<std::optional<std::vector<std::uint8_t>>(const std::string&)>& read);

// Sections are never larger than this many times the file, nor than kMaxSectionBytes.
constexpr std::uint64_t kMaxExpansion = 64;
constexpr std::uint64_t kMaxSectionBytes = 2ull << 30;

} // namespace vexor::cad::dwg::r2004
