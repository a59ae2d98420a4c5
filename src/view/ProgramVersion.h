#pragma once

#include <string>

namespace vexor::view {

// "1.0.0": major.minor.revision in decimal without leading zeros.
std::string ProgramVersionText();

// "VEXOR 1.0.0", the main window's title without a drawing.
std::string ProgramTitle();

} // namespace vexor::view
