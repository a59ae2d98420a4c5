#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace vexor::cad::dwg::r2004 {

// The fields of the encrypted file header (0x6C bytes at 0x80) that locate the system pages.
struct FileHeader {
    std::string version; // "AC1018", "AC1024", ...
    std::uint32_t lastPageId = 0;
    std::uint64_t lastPageEndAddress = 0;
    std::uint32_t pageCount = 0;
    std::uint32_t pageMapId = 0;
    std::uint64_t pageMapAddress = 0; // absolute file offset of the page map's system page
    std::uint32_t sectionMapId = 0;
};

// Every page address in the container counts from the end of the fixed file header.
constexpr std::uint64_t kPagesBase = 0x100;

// Decrypts and checks the file header. Throws ReadError for a file too short to hold it, a
// version this container does not carry, or a header whose identification string is wrong.
FileHeader readFileHeader(std::span<const std::uint8_t> file, const std::string& fileName);

// Applies the header's XOR sequence (a linear congruential generator seeded with 1) in place.
void decryptHeaderBytes(std::span<std::uint8_t> bytes);

} // namespace vexor::cad::dwg::r2004
