#pragma once

#include "EntityBuilder.h"

namespace vexor::cad::dxf {

// The HEADER section's variables ($ACADVER, $EXTMIN ...) from its groups.
void readHeaderVariables(std::span<const Group> groups, Header& header);

// Table entries: LAYER, LTYPE, STYLE, DIMSTYLE and BLOCK_RECORD records. Other tables are not
// needed for drawing.
void readTableEntry(const EntityRecord& record, DxfContext& context);

} // namespace vexor::cad::dxf
