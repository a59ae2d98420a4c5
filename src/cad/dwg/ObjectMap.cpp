#include "ObjectMap.h"

#include "../io/HugePages.h"
#include "../io/LoadBudget.h"
#include "BitReader.h"

#include <algorithm>

namespace vexor::cad::dwg {
namespace {

constexpr std::size_t kMaxBlockSize = 2040;

std::uint16_t bigEndianShort(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>((b[at] << 8) | b[at + 1]);
}

// At most how many pairs the map's blocks hold: a modular char ends at each byte with its top
// bit clear. Counted before anything is read, so that the list is allocated once and exactly;
// the walk stops where the reading will stop with an error.
std::size_t countPairs(std::span<const std::uint8_t> section) {
    std::size_t ends = 0;
    for (std::size_t at = 0; at + 2 <= section.size();) {
        const std::size_t blockSize = bigEndianShort(section, at);
        if (blockSize <= 2 || blockSize > kMaxBlockSize || at + blockSize + 2 > section.size())
            break;
        for (std::size_t i = at + 2; i < at + blockSize; ++i)
            ends += section[i] < 0x80 ? 1 : 0;
        at += blockSize + 2;
    }
    return ends / 2;
}

// Sorts entries by handle, keeping the order of equal ones. A writer that puts some objects out
// of order leaves a few sorted runs: merging them costs a pass per halving of their number
// instead of a whole sort.
void sortByHandle(std::vector<ObjectMap::Entry>& entries) {
    constexpr std::size_t kMaxMergedRuns = 64;
    const auto byHandle = [](const ObjectMap::Entry& a, const ObjectMap::Entry& b) {
        return a.handle < b.handle;
    };
    std::vector<std::size_t> starts{0}; // of each run, then the end
    for (std::size_t i = 1; i < entries.size() && starts.size() <= kMaxMergedRuns; ++i)
        if (byHandle(entries[i], entries[i - 1]))
            starts.push_back(i);
    if (starts.size() > kMaxMergedRuns) {
        std::stable_sort(entries.begin(), entries.end(), byHandle);
        return;
    }
    starts.push_back(entries.size());
    const auto at = [&](std::size_t i) { return entries.begin() + static_cast<std::ptrdiff_t>(i); };
    while (starts.size() > 2) {
        std::vector<std::size_t> merged;
        for (std::size_t r = 0; r + 2 < starts.size(); r += 2)
            std::inplace_merge(at(starts[r]), at(starts[r + 1]), at(starts[r + 2]), byHandle);
        for (std::size_t r = 0; r < starts.size(); r += 2)
            merged.push_back(starts[r]);
        if (merged.back() != starts.back())
            merged.push_back(starts.back());
        starts = std::move(merged);
    }
}

} // namespace

const ObjectMap::Entry* ObjectMap::find(std::uint64_t handle) const {
    auto it = std::lower_bound(entries_.begin(), entries_.end(), handle,
                               [](const Entry& e, std::uint64_t h) { return e.handle < h; });
    return it != entries_.end() && it->handle == handle ? &*it : nullptr;
}

ObjectMap parseObjectMap(std::span<const std::uint8_t> section, std::uint64_t absoluteOffset) {
    ObjectMap map;
    reserveLarge(map.entries_, countPairs(section));
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
        sortByHandle(map.entries_);
        map.problems.push_back("object map handles out of order");
    }
    return map;
}

} // namespace vexor::cad::dwg
