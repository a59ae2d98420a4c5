#pragma once

#include "BitReader.h"

#include <cstddef>
#include <optional>

namespace vexor::cad::dwg {

// From R2007 an object (and the header variables and classes sections) keeps its texts apart
// from its other data, in a string stream at the end of the data. Read backwards from the end
// of the data: a flag bit says whether there are texts, a raw short before it gives their size
// in bits, and when that short has its high bit set a second raw short before it holds the
// size's upper bits.
//
// Returns a reader over the texts of `data`, whose data ends at `endBit`, positioned at the
// first text and bounded by the size fields; nothing when the flag is clear. Throws
// DwgFormatError when the size does not fit before the end.
std::optional<BitReader> locateStringStream(const BitReader& data, std::size_t endBit);

// Where the string stream found by locateStringStream begins; the other data ends there.
// `endBit - 1` (just the flag) when there are no texts.
std::size_t stringStreamStart(const std::optional<BitReader>& strings, std::size_t endBit);

} // namespace vexor::cad::dwg
