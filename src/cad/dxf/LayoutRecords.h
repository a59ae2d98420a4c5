#pragma once

#include "EntityBuilder.h"

namespace vexor::cad::dxf {

// A LAYOUT object of the OBJECTS section: plot settings and the layout's own groups.
Layout readLayout(const EntityRecord& record, DxfContext& context);

// A DICTIONARY (or dictionary with a default) of the OBJECTS section: its entries' names and
// handles, kept for the names of plot styles.
void readDictionary(const EntityRecord& record, DxfContext& context);

// A VIEWPORT entity (from R2000 on its view is stored in groups; older files keep it in
// extended data).
Viewport readViewport(const EntityRecord& record, DxfContext& context);

} // namespace vexor::cad::dxf
