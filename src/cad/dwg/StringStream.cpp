#include "StringStream.h"

namespace vexor::cad::dwg {
namespace {

constexpr std::size_t kSizeFieldBits = 16;

std::uint16_t rawShortAt(BitReader& r, std::size_t bit) {
    r.seekBit(bit);
    return static_cast<std::uint16_t>(r.rawShort());
}

} // namespace

std::optional<BitReader> locateStringStream(const BitReader& data, std::size_t endBit) {
    BitReader r = data;
    if (endBit == 0 || endBit > r.endBit())
        r.fail("string stream flag outside the data");
    r.seekBit(endBit - 1);
    if (!r.bit())
        return std::nullopt;
    if (endBit - 1 < kSizeFieldBits)
        r.fail("string stream size outside the data");
    std::size_t sizeAt = endBit - 1 - kSizeFieldBits;
    std::size_t size = rawShortAt(r, sizeAt);
    if (size & 0x8000) {
        if (sizeAt < kSizeFieldBits)
            r.fail("string stream size outside the data");
        sizeAt -= kSizeFieldBits;
        const std::size_t high = rawShortAt(r, sizeAt);
        size = (size & 0x7FFF) | (high << 15);
    }
    if (size > sizeAt) {
        r.seekBit(sizeAt);
        r.fail("string stream of " + std::to_string(size) + " bits larger than its data");
    }
    r.seekBit(sizeAt - size);
    r.limitTo(sizeAt);
    return r;
}

std::size_t stringStreamStart(const std::optional<BitReader>& strings, std::size_t endBit) {
    return strings ? strings->bitPosition() : endBit - 1;
}

} // namespace vexor::cad::dwg
