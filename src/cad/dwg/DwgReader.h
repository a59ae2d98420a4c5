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

// The layer table only, in table order, without building the drawing; with `references`, also
// the blocks that are external references (names, stored paths, overlay flags, no entities).
std::vector<LayerTableEntry> readDwgLayerTable(std::span<const std::uint8_t> bytes,
                                               const std::string& fileName,
                                               std::vector<Block>* references = nullptr);

} // namespace vexor::cad::dwg
