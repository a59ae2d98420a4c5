#pragma once

#include "Program.h"

namespace vexor::view {

// Reads the control's visible window into the window of ViewSettings.
void ReadModelView(Program& program);

// Writes the control's visible window (of model space; while a layout is shown, the model view
// ViewSettings keeps) and the colours of ViewSettings into the row of CurrentDrawingPath. No row,
// or a failure after the window was read: nothing is written and nothing is shown. Failures to open
// the database or to read the view pass to the caller.
void SaveViewSettings(Program& program);

// Reads the row of CurrentDrawingPath into ViewSettings and then marks the colour menus. No
// row: the previous values stay. A field that is null or does not convert stops the reading
// there (the fields read before it keep their new values) and the menus are not re-marked.
// Failures to open the database pass to the caller.
void RestoreViewSettings(Program& program);

} // namespace vexor::view
