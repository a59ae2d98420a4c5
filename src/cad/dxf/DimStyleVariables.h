#pragma once

#include "../io/ExtendedData.h"
#include "DxfContext.h"

#include <span>

namespace vexor::cad::dxf {

// Sets the dimension variable a group code names (the codes of DIMSTYLE table entries, which
// the per-entity overrides in extended data reuse) from `value`. Arrowhead blocks given by
// handle are looked up among the block records read so far; false when such a handle is not
// known yet, so that the caller can look again later. Unknown codes are ignored.
bool applyDimVariable(DimStyle& style, int code, const Group& value, DxfContext& context);

// A record's extended data groups as neutral items, texts decoded.
ExtendedData extendedData(std::span<const Group> xdata, DxfContext& context);

// A DIMSTYLE table entry.
void readDimStyle(std::span<const Group> groups, DxfContext& context);

// The overrides a dimension carries in its ACAD extended data ("DSTYLE" followed by a
// braced list of code and value pairs) applied to a copy of `base`; null when there are none.
std::shared_ptr<const DimStyle> dimStyleOverrides(std::span<const Group> xdata,
                                                  const DimStyle& base, DxfContext& context);

} // namespace vexor::cad::dxf
