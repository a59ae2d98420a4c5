#pragma once

#include "../model/Drawing.h"
#include "../model/LayerTable.h"
#include "ObjectStore.h"

#include <string>
#include <vector>

namespace vexor::cad::dwg {

// Builds the drawing from a file's sections: header, tables, blocks and model space. Throws
// DwgFormatError when the header variables or the object map cannot be read; damaged objects
// are skipped and reported in Drawing::diagnostics.
Drawing buildDrawing(const DwgSections& sections);

// The layer table only, in table order; with `references`, also the external-reference blocks.
std::vector<LayerTableEntry> buildLayerTable(const DwgSections& sections,
                                             std::vector<Block>* references = nullptr);

} // namespace vexor::cad::dwg
