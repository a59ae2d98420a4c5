#pragma once

#include "../model/Drawing.h"
#include "ObjectStore.h"
#include "TableLoader.h"
#include "TextDecoder.h"

namespace vexor::cad::dwg {

// Reads the MLINESTYLE objects the drawing's multilines name into drawing.mlineStyles (their
// element offsets, colours and linetypes, fill and caps). Only the styles in use are opened;
// a damaged one is reported and skipped, and its multilines are drawn without it.
void readMLineStyles(const ObjectStore& store, const TextDecoder& decode, const TableIndex& tables,
                     Drawing& drawing);

} // namespace vexor::cad::dwg
