#pragma once

#include <optional>

namespace vexor::control {

// Length of one drawing unit in millimetres, from the drawing's unit code (1 inch, 2 feet,
// 4 mm, 5 cm, 6 m ...). Unitless or unknown codes are taken as millimetres.
double millimetresPerUnit(std::optional<int> unitCode);

// Pixels per drawing unit that show the drawing at its real size on a screen of this
// physical resolution.
double actualSizeScale(std::optional<int> unitCode, double dotsPerInch);

} // namespace vexor::control
