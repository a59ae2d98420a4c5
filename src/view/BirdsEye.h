#pragma once

#include "Program.h"

namespace vexor::view {

// Moves the bird's-eye window to the bottom of the main window.
void PlaceBirdsEye(Program& program);

} // namespace vexor::view
