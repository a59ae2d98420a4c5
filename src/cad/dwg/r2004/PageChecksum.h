#pragma once

#include <cstdint>
#include <span>

namespace vexor::cad::dwg::r2004 {

// The Adler-style checksum that page headers carry: two 16-bit sums modulo 0xFFF1, continued
// from `seed` so that a checksum can run over several buffers in turn.
std::uint32_t pageChecksum(std::uint32_t seed, std::span<const std::uint8_t> bytes);

} // namespace vexor::cad::dwg::r2004
