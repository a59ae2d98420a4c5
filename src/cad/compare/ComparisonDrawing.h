#pragma once

#include "DrawingComparison.h"

#include <cstdint>

namespace vexor::cad {

// The colours a comparison is drawn in, the same on every background.
inline constexpr std::uint32_t kSameRgb = 0x9A9A9A;    // grey
inline constexpr std::uint32_t kRemovedRgb = 0xE0261F; // red
inline constexpr std::uint32_t kAddedRgb = 0x1FA83A;   // green
inline constexpr std::uint32_t kChangedRgb = 0xE8B400; // yellow, old and new self alike

std::uint32_t changeRgb(Change change);

// One drawing that shows a comparison: the old drawing's entities in the colour of what
// became of them, then the new drawing's added entities and the new selves of changed ones.
// Layers are joined by name (the old drawing's states kept), the new drawing's linetypes,
// text and dimension styles and blocks are appended, and the old drawing's layouts show
// their paper space compared the same way. Block content takes the colour of the insert
// drawing it. Both drawings are consumed.
Drawing buildComparisonDrawing(Drawing oldDrawing, Drawing newDrawing,
                               const Comparison& comparison);

} // namespace vexor::cad
