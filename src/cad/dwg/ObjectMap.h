#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace vexor::cad::dwg {

// Handle -> offset of every object, sorted by handle. Offsets are absolute file offsets for
// R13-R2000 and offsets into the objects section for R2004+.
class ObjectMap {
public:
    struct Entry {
        std::uint64_t handle;
        std::uint64_t offset;
    };

    const std::vector<Entry>& entries() const { return entries_; }
    std::size_t size() const { return entries_.size(); }
    // The offset of an object, or nothing.
    const Entry* find(std::uint64_t handle) const;

    // Damaged parts found while reading (bad checksums, out-of-order handles).
    std::vector<std::string> problems;

private:
    friend ObjectMap parseObjectMap(std::span<const std::uint8_t>, std::uint64_t);
    std::vector<Entry> entries_;
};

// Reads the object map: blocks of at most 2032 bytes, each a big-endian size, pairs of
// modular-char handle and offset deltas, and a big-endian CRC. Throws DwgFormatError when it
// cannot be read at all; a block with a wrong checksum is kept and noted in `problems`.
ObjectMap parseObjectMap(std::span<const std::uint8_t> section, std::uint64_t absoluteOffset = 0);

} // namespace vexor::cad::dwg
