#pragma once

#include "../model/Drawing.h"

#include <cstdint>
#include <span>
#include <string>

namespace vexor::cad::dgn {

// Reads a version 7 design file's bytes into the model. Throws ReadError.
Drawing readDgn(std::span<const std::uint8_t> bytes, const std::string& fileName);

} // namespace vexor::cad::dgn
