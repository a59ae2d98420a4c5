#pragma once

#include "../r2004/Decompressor.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace vexor::cad::dwg::r2007 {

using r2004::StreamOrigin;

// Expands data compressed with the LZ77 variant of R2007 containers (a different opcode set
// from R2004's, with literal runs stored in a shuffled byte order) into `output`, whose size
// is the decompressed size the page or map announces. Returns the number of bytes written.
// Throws ReadError (with the file offset of the offending byte) when the stream would write
// past `output`, reference bytes before its start, or read past the end of `input`.
std::size_t decompress(std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                       const StreamOrigin& origin);

} // namespace vexor::cad::dwg::r2007
