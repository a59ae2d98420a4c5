#pragma once

#include "../model/Drawing.h"
#include "DrawingReader.h"

#include <string>
#include <vector>

namespace vexor::cad {

// Adds to the layer table of `drawing` the layers of the drawings its external-reference blocks
// `references` name, as REFNAME|LAYER after the drawing's own; a name the drawing stores
// itself keeps its place and state. Nested attachments are followed, overlays inside
// references are not, each file is read once and files that cannot be found or read add
// nothing (loading the drawing says why).
void appendReferencedLayers(std::vector<LayerTableEntry>& table,
                            const std::vector<Block>& references, const std::string& drawing);

} // namespace vexor::cad
