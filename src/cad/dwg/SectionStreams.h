#pragma once

#include "BitReader.h"
#include "DwgVersion.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vexor::cad::dwg {

// The readers the header variables and classes sections are read through. Up to R2004 values,
// texts and handles follow each other in one bit stream. From R2007 the data opens with its
// size in bits; the texts sit in a string stream at the end of those bits and the handles
// follow them, so each kind has its own reader.
class SectionStreams {
public:
    // `data` is the section's sized data (what sentinelSection returns), whose first byte is at
    // absolute `absoluteOffset`. Throws DwgFormatError when the size in bits or the string
    // stream does not fit the data.
    SectionStreams(std::span<const std::uint8_t> data, DwgVersion version,
                   std::uint64_t absoluteOffset);
    // The readers point into each other's state up to R2004.
    SectionStreams(const SectionStreams&) = delete;
    SectionStreams& operator=(const SectionStreams&) = delete;

    BitReader& values() { return values_; }
    BitReader& handles() { return split_ ? handles_ : values_; }
    // The next text: 8-bit as stored up to R2004, UTF-16 as UTF-8 from R2007 (empty when the
    // section has no string stream).
    std::string text();

private:
    bool split_;
    BitReader values_;
    BitReader handles_;
    std::optional<BitReader> strings_;
};

} // namespace vexor::cad::dwg
