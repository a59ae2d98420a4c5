#include "SectionStreams.h"

#include "StringStream.h"

namespace vexor::cad::dwg {
namespace {

constexpr std::size_t kBitSizeFieldBits = 32;

} // namespace

SectionStreams::SectionStreams(std::span<const std::uint8_t> data, DwgVersion version,
                               std::uint64_t absoluteOffset)
    : split_(version >= DwgVersion::R2007), values_(data, absoluteOffset),
      handles_(data, absoluteOffset) {
    if (!split_)
        return;
    // The size in bits counts from its own first bit, like the string stream's position.
    const auto bitSize = static_cast<std::uint32_t>(values_.rawLong());
    if (bitSize < kBitSizeFieldBits || bitSize > values_.endBit())
        values_.fail("section's size in bits (" + std::to_string(bitSize) +
                     ") does not fit its data");
    strings_ = locateStringStream(values_, bitSize);
    values_.limitTo(stringStreamStart(strings_, bitSize));
    handles_.seekBit(bitSize);
}

std::string SectionStreams::text() {
    if (!split_)
        return values_.text8();
    return strings_ ? strings_->textUtf16() : std::string();
}

} // namespace vexor::cad::dwg
