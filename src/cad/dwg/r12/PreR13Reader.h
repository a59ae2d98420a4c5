#pragma once

#include "../../model/Drawing.h"
#include "../../model/LayerTable.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vexor::cad::dwg::r12 {

// True for the version strings of the releases before R13 that this reader opens
// (AC1.40 to AC1009).
bool isPreR13(std::span<const std::uint8_t> bytes);

// Reads a pre-R13 DWG file into the model. Throws ReadError when its header cannot be read;
// damaged entities and tables are skipped and reported in Drawing::diagnostics.
Drawing readPreR13Dwg(std::span<const std::uint8_t> bytes, const std::string& fileName);

// The layer table only, in table order.
std::vector<LayerTableEntry> readPreR13LayerTable(std::span<const std::uint8_t> bytes,
                                                  const std::string& fileName);

} // namespace vexor::cad::dwg::r12
