#pragma once

#include "view/Program.h"

namespace vexor::data {

// Writes the control's visible window and the colours of ViewSettings into the row of
// CurrentDrawingPath. No row, or a failure after the window was read: nothing is written and
// nothing is shown. Failures to open the database or to read the view pass to the caller.
void SaveViewSettings(view::Program& program);

// Reads the row of CurrentDrawingPath into ViewSettings, field by field in the order BackRed,
// BackGreen, BackBlue, ForeColor, X1, Y1, X2, Y2, and then marks the colour menus. No row: the
// previous values stay. A field that is null or does not convert stops the reading there (the
// fields read before it keep their new values) and the menus are not re-marked. Failures to
// open the database pass to the caller.
void RestoreViewSettings(view::Program& program);

} // namespace vexor::data
