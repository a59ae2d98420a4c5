#pragma once

#include "../model/Drawing.h"
#include "../model/LayerTable.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vexor::cad::dwg {

// Reads a DWG file's bytes into the model. Throws ReadError for a file that cannot be read at
// all; damaged objects are skipped and reported in Drawing::diagnostics.
Drawing readDwg(std::span<const std::uint8_t> bytes, const std::string& fileName);

// The layer table only, in table order, without building the drawing.
std::vector<LayerTableEntry> readDwgLayerTable(std::span<const std::uint8_t> bytes,
                                               const std::string& fileName);

} // namespace vexor::cad::dwg
