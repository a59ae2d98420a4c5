#pragma once

#include "../model/Drawing.h"
#include "ObjectStore.h"
#include "TextDecoder.h"

namespace vexor::cad::dwg {

// Reads the IMAGEDEF objects (the files raster images show) into drawing.imageDefinitions.
// Drawings without the IMAGEDEF class cost one look at the classes; a damaged object is
// reported and skipped.
void readImageDefinitions(const ObjectStore& store, const TextDecoder& decode, Drawing& drawing);

} // namespace vexor::cad::dwg
