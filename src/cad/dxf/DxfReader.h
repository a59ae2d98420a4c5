#pragma once

#include "../model/Drawing.h"

#include <cstdint>
#include <span>
#include <string>

namespace vexor::cad::dxf {

// Reads a text or binary DXF file's bytes into the model. Throws ReadError.
Drawing readDxf(std::span<const std::uint8_t> bytes, const std::string& fileName);

} // namespace vexor::cad::dxf
