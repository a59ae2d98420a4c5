#pragma once

#include "GroupSource.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vexor::cad::dxf {

// The bytes of a run of 310 groups: raw in binary files, two hexadecimal digits a byte in
// text files. The size announced before them tells which (a text file's run is twice as
// long); nothing when the run matches neither.
std::optional<std::vector<std::uint8_t>> chunkBytes(std::span<const Group> run, std::uint64_t size);

// The same without an announced size: hexadecimal when every chunk is, raw otherwise.
std::vector<std::uint8_t> chunkBytes(std::span<const Group> run);

} // namespace vexor::cad::dxf
