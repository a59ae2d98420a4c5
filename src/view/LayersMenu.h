#pragma once

#include "Program.h"

namespace vexor::view {

// The three layer steps of every drawing load.
void ReadLayerTable(Program& program);   // before the control is set up for the file
void ReadLayerColors(Program& program);  // after the file is read, painting still suppressed
void ApplyLayerStates(Program& program); // after painting is released

} // namespace vexor::view
