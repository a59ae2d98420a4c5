#include "PageChecksum.h"

#include <algorithm>

namespace vexor::cad::dwg::r2004 {

std::uint32_t pageChecksum(std::uint32_t seed, std::span<const std::uint8_t> bytes) {
    // 0x15B0 bytes is the longest run whose sums cannot overflow 32 bits before the modulo.
    constexpr std::size_t kChunk = 0x15B0;
    std::uint32_t sum1 = seed & 0xFFFF;
    std::uint32_t sum2 = seed >> 16;
    while (!bytes.empty()) {
        const std::size_t n = std::min(kChunk, bytes.size());
        for (std::size_t i = 0; i < n; ++i) {
            sum1 += bytes[i];
            sum2 += sum1;
        }
        sum1 %= 0xFFF1;
        sum2 %= 0xFFF1;
        bytes = bytes.subspan(n);
    }
    return sum2 << 16 | (sum1 & 0xFFFF);
}

} // namespace vexor::cad::dwg::r2004
