#pragma once

#include "EntityBuilder.h"

namespace vexor::cad::dxf {

// A MULTILEADER entity: its laid-out geometry (the context data: leader lines, landing and
// dogleg, text or block placement) and its own property values with the override flags that
// say which of them replace its style's.
MultiLeader readMultiLeader(const EntityRecord& record, DxfContext& context);

// An MLEADERSTYLE object, added to Drawing::multiLeaderStyles.
void readMultiLeaderStyle(const EntityRecord& record, DxfContext& context);

// A colour as multileaders store it: one 32-bit value whose top byte says by layer (0xC0),
// by block (0xC1), true colour (0xC2, RGB below) or colour index (0xC3, index in the low byte).
Color colorFromRawValue(std::int64_t raw);

} // namespace vexor::cad::dxf
