#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

namespace vexor::cad::dwg::r2004 {

// Where a compressed stream lies, so that errors can name the file and the byte offset.
struct StreamOrigin {
    const std::string& fileName;
    std::uint64_t fileOffset = 0; // file offset of input[0]
};

// No stream expands more than this: the longest match costs one input byte per 255 bytes.
constexpr std::uint64_t kMaxCompressionRatio = 256;

// Appends `length` bytes that start `distance` bytes before `written` in `out`, at `written`;
// the caller has checked that both lie within `out`. An overlapping reference repeats the last
// `distance` bytes, as LZ77 streams intend.
inline void copyBackReference(std::span<std::uint8_t> out, std::size_t written,
                              std::size_t distance, std::size_t length) {
    std::uint8_t* dst = out.data() + written;
    const std::uint8_t* src = dst - distance;
    if (distance >= length) {
        std::memcpy(dst, src, length);
        return;
    }
    for (std::size_t i = 0; i < length; ++i)
        dst[i] = src[i];
}

// Expands one page compressed with the LZ77 variant used by R2004-family containers into
// `output`, whose size is the decompressed size the page header announces. Returns the number
// of bytes written (at most output.size()). Throws ReadError (with the file offset of the
// offending opcode) when the stream would write past `output`, reference bytes before its
// start, or read past the end of `input`.
std::size_t decompress(std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                       const StreamOrigin& origin);

} // namespace vexor::cad::dwg::r2004
