#pragma once

#include "../model/Drawing.h"
#include "ObjectStore.h"
#include "TableLoader.h"
#include "TextDecoder.h"

namespace vexor::cad::dwg {

// Reads a VIEWPORT entity's own data from a frame whose entity preamble was read: its place
// on paper, the model-space view, frozen layers and clip boundary. R13 and R14 keep the view
// in extended data, which the caller reads (readViewportView).
Viewport parseViewport(ObjectFrame& frame);

// Reads the LAYOUT objects of the object map into drawing.layouts. A damaged one is reported
// and skipped.
void readLayouts(const ObjectStore& store, const TableIndex& tables, const TextDecoder& decode,
                 Drawing& drawing);

} // namespace vexor::cad::dwg
