#pragma once

#include "Program.h"

namespace vexor::view {

// The bird's-eye window's top edge: the main window's outer height in pixels plus the
// window's top minus its bottom, rounded to the nearest whole number, halves to even.
int birdsEyeTop(float outerHeightTwips, double pixelsPerTwip, int top, int bottom);

// Moves the bird's-eye window to the bottom of the main window, keeping its left edge and
// size, above the other windows that are not top-most.
void PlaceBirdsEye(Program& program);

// View > Birds Eye: shows the bird's-eye window again, or asks the control for a new overview
// window when there is none.
void mnuBirdsEye_Click(Program& program);

} // namespace vexor::view
