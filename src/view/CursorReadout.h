#pragma once

#include "Program.h"

#include <string>

namespace vexor::view {

// The status bar's text for the pointer at (x, y) of the shown space, in the drawing's units:
// "X, Y" on model space; on a layout "Paper X, Y", and inside a viewport also the model point
// under the pointer with the viewport's scale: "Paper X, Y | Model X, Y (1:50)".
std::string CursorReadout(Program& program, double x, double y);

// A viewport's scale written as a ratio: "1:50", "2:1", "1:1"; "1:33.33" where not whole.
std::string ScaleRatio(double paperPerModel);

} // namespace vexor::view
