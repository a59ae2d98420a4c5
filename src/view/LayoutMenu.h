#pragma once

#include "Program.h"

namespace vexor::view {

// Rebuilds the View menu's "Layout" list for the drawing just loaded: "Model", then each of
// its layouts in tab order, as radio entries with "Model" chosen.
void BuildLayoutMenu(Program& program);

// Reduces the list to "Model", unchosen, while no drawing is loaded.
void ClearLayoutMenu(Program& program);

// The user chose layout `index` (0 is "Model"): the control shows it whole, and its frame
// becomes the extents that zoom to width and height use.
void mnuLayout_Click(Program& program, int index);

// View > "Lineweights": switches lines at their lineweight on screen on or off; the check mark
// shows the control's state, which each load sets from the drawing.
void mnuLineweights_Click(Program& program);

// Puts the check mark of View > "Lineweights" on the control's state.
void ShowLineweightState(Program& program);

} // namespace vexor::view
