#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace vexor::test::r2007 {

// Reed-Solomon encoding the way the R2007 container stores it (data bytes first, then
// `parity` check bytes; roots alpha^1 .. alpha^parity), so tests can build coded blocks.
std::array<std::uint8_t, 255> encodeBlock(std::uint16_t fieldPolynomial, std::size_t parity,
                                          std::span<const std::uint8_t> data);

// Replaces the coded file header of an R2007 file with one that stores `fields` (0x110 bytes)
// uncompressed.
void writeFileHeader(std::vector<std::uint8_t>& file, std::span<const std::uint8_t> fields);

// The decoded file header fields of an R2007 file (test files only: no error correction).
std::vector<std::uint8_t> fileHeaderFields(std::span<const std::uint8_t> file);

// The bytes of `blockCount` interleaved blocks at `address` with their check bytes dropped
// (test files only: no error correction).
std::vector<std::uint8_t> deinterleave(std::span<const std::uint8_t> file, std::size_t address,
                                       std::size_t blockCount, std::size_t dataPerBlock);

// Writes `data` at `address` as interleaved blocks of the map code (16 check bytes), as a
// system page stored uncompressed with one copy. Returns the bytes written.
std::size_t writeSystemPage(std::vector<std::uint8_t>& file, std::size_t address,
                            std::span<const std::uint8_t> data);

} // namespace vexor::test::r2007
