#pragma once

#include "Program.h"

#include <string>

namespace vexor::view {

// File > Compare with...: asks for the other drawing through the Open dialog and compares the
// drawing shown with it. Failures, cancelling included, end the command without a message.
void mnuCompare_Click(Program& program);

// Shows the comparison of the drawing shown (the old one) with `otherPath` (the new one) in
// place of the drawing, and lists its differences in the panel. The drawing's view, layers and
// layout are remembered for CloseComparison.
void CompareWith(Program& program, const std::string& otherPath);

// Zooms to difference `index` of the comparison shown (switching to its layout) and marks it
// in the panel.
void ShowDifference(Program& program, int index);
// The difference after or before the one chosen last, round the list.
void NextDifference(Program& program);
void PreviousDifference(Program& program);

// "Close comparison": the first drawing comes back as it was, with its view, hidden layers
// and layout.
void CloseComparison(Program& program);

} // namespace vexor::view
