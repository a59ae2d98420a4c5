#pragma once

#include "../model/Drawing.h"
#include "ObjectStore.h"

namespace vexor::cad::dwg {

// Reads the SPATIAL_FILTER objects of clipped inserts and gives each insert its clip boundary.
// A filter reaches its insert through its owners (the ACAD_FILTER dictionary, the insert's
// extension dictionary), opened by handle; a damaged one is reported and its insert drawn whole.
void readInsertClips(const ObjectStore& store, Drawing& drawing);

} // namespace vexor::cad::dwg
