#pragma once

#include <cstdint>
#include <cstring>
#include <span>

namespace vexor::cad::dwg::r2004 {

// Little-endian field access on buffers whose size the caller has already checked.
inline std::uint32_t readU32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(bytes[offset]) |
           static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

inline std::int32_t readI32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::int32_t>(readU32(bytes, offset));
}

inline std::uint64_t readU64(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint64_t>(readU32(bytes, offset)) |
           static_cast<std::uint64_t>(readU32(bytes, offset + 4)) << 32;
}

} // namespace vexor::cad::dwg::r2004
