#include "ObjectMap.h"

#include "../io/LoadBudget.h"
#include "BitReader.h"

#include <algorithm>

namespace vexor::cad::dwg {
namespace {

constexpr std::size_t kMaxBlockSize = 2040;

std::uint16_t bigEndianShort(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>((b[at] << 8) | b[at + 1]);
}

} // namespace

const ObjectMap::Entry* ObjectMap::find(std::uint64_t handle) const {
    auto it = std::lower_bound(entries_.begin(), entries_.end(), handle,
                               [](const Entry& e, std::uint64_t h) { return e.handle < h; });
    return it != entries_.end() && it->handle == handle ? &*it : nullptr;
}

ObjectMap parseObjectMap(std::span<const std::uint8_t> section, std::uint64_t absoluteOffset) {
    ObjectMap map;
    // Each pair takes at least two bytes; reserve no more than the section can hold.
    map.entries_.reserve(section.size() / 2);
    std::size_t at = 0;
    bool sorted = true;
    std::uint64_t lastHandle = 0;
    std::int64_t lastOffset = 0;
    while (true) {
        if (at + 2 > section.size())
            throw DwgFormatError("object map ends without its closing block", absoluteOffset + at,
                                 0);
        const std::size_t blockSize = bigEndianShort(section, at);
        if (blockSize == 2)
            break;
        if (blockSize < 2 || blockSize > kMaxBlockSize || at + blockSize + 2 > section.size())
            throw DwgFormatError("object map block of impossible size " + std::to_string(blockSize),
                                 absoluteOffset + at, 0);
        loadCheckpoint();
        const auto block = section.subspan(at, blockSize);
        const std::uint16_t storedCrc = bigEndianShort(section, at + blockSize);
        if (dwgCrc16(block, 0xC0C1) != storedCrc)
            map.problems.push_back("object map block at byte " +
                                   std::to_string(absoluteOffset + at) + " has a wrong checksum");
        BitReader r(block, absoluteOffset + at);
        r.seekBit(16);
        // Each block counts its handles and offsets afresh.
        lastHandle = 0;
        lastOffset = 0;
        while (r.remainingBits() > 0) {
            const std::uint64_t handleDelta = r.modularChar();
            const std::int64_t offsetDelta = r.signedModularChar();
            lastHandle += handleDelta;
            lastOffset += offsetDelta;
            if (lastOffset < 0)
                throw DwgFormatError("object map gives a negative offset", absoluteOffset + at, 0);
            if (!map.entries_.empty() && lastHandle <= map.entries_.back().handle)
                sorted = false;
            map.entries_.push_back({lastHandle, static_cast<std::uint64_t>(lastOffset)});
        }
        at += blockSize + 2;
    }
    if (!sorted) {
        std::stable_sort(map.entries_.begin(), map.entries_.end(),
                         [](const auto& a, const auto& b) { return a.handle < b.handle; });
        map.problems.push_back("object map handles out of order");
    }
    map.entries_.shrink_to_fit();
    return map;
}

} // namespace vexor::cad::dwg
