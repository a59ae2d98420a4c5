#pragma once

#include "../model/Drawing.h"

namespace vexor::cad::dwg {

// Deepest chain of blocks inserting blocks that is kept.
constexpr int kMaxBlockNesting = 64;

// Unlinks inserts and dimensions that would make a block contain itself, directly or through
// other blocks, or that nest blocks deeper than kMaxBlockNesting, so that whoever expands
// blocks later never loops. Each cut is reported in the diagnostics.
void breakBlockCycles(Drawing& drawing);

} // namespace vexor::cad::dwg
