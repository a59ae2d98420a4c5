#pragma once

#include "Program.h"

#include <string>
#include <vector>

namespace vexor::view {

class MenuArray;

// Makes the menu array hold exactly the first `count` texts, all checked; with no text, one
// blank unchecked entry. Enabled states are left alone.
void FillMenuEntries(MenuArray& menu, const std::vector<std::string>& texts, int count);

// Reduces the Layers menu to one blank, disabled entry.
void ClearLayerMenu(Program& program);

// The three layer steps of every drawing load.
void ReadLayerTable(Program& program);   // before the control is set up for the file
void ReadLayerColors(Program& program);  // after the file is read, painting still suppressed
void ApplyLayerStates(Program& program); // after painting is released

void ReadLayerColor(Program& program, const std::string& name);
void ApplyLayerIcons(Program& program);
void RefreshLayerDisplay(Program& program);

// The user chose Layers menu entry `index`: shows or hides that layer.
void mnuLayer_Click(Program& program, int index);

} // namespace vexor::view
