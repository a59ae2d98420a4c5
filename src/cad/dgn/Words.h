#pragma once

#include <bit>
#include <cstdint>

// Decoding of the three number encodings of a version 7 design file: 16-bit words stored
// little-endian, 32-bit integers stored as two words with the high word first (the PDP-11
// "middle-endian" order), and doubles in VAX D-float format.
namespace vexor::cad::dgn {

inline std::uint16_t wordAt(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::int32_t longAt(const std::uint8_t* p) {
    const std::uint32_t v = (std::uint32_t{p[1]} << 24) | (std::uint32_t{p[0]} << 16) |
                            (std::uint32_t{p[3]} << 8) | std::uint32_t{p[2]};
    return static_cast<std::int32_t>(v);
}

// VAX D-float: sign, 8-bit exponent biased by 128, 55-bit fraction with a hidden leading bit
// and the binary point before it, stored as four words with the most significant first.
// Every VAX value fits an IEEE double; exponent 0 is zero (or a reserved operand, also 0).
inline double vaxDoubleAt(const std::uint8_t* p) {
    const std::uint64_t bits = (std::uint64_t{wordAt(p)} << 48) |
                               (std::uint64_t{wordAt(p + 2)} << 32) |
                               (std::uint64_t{wordAt(p + 4)} << 16) | std::uint64_t{wordAt(p + 6)};
    const std::uint64_t exponent = (bits >> 55) & 0xFF;
    if (exponent == 0)
        return 0.0;
    const std::uint64_t sign = bits >> 63;
    const std::uint64_t fraction = (bits & ((std::uint64_t{1} << 55) - 1)) >> 3;
    const std::uint64_t ieee = (sign << 63) | ((exponent + 1023 - 129) << 52) | fraction;
    return std::bit_cast<double>(ieee);
}

} // namespace vexor::cad::dgn
