#pragma once

#include "../model/Drawing.h"

#include <string>

namespace vexor::cad {

// How the drawing asks lengths and coordinates to be written ($LUNITS, $LUPREC): 1 scientific,
// 2 decimal, 3 engineering (feet and decimal inches), 4 architectural (feet and fractional
// inches), 5 fractional; anything else is decimal. `precision` is the number of decimals, or
// for fractions the power of two of the smallest denominator (4 = sixteenths).
struct LinearUnitFormat {
    int units = 2;
    int precision = 4;
};

// The drawing's format: its header values where it has them, else decimal with four places.
LinearUnitFormat linearUnitFormat(const Header& header);

// `value` in drawing units written in `format`: "1.5500E+01", "15.5000", "1'-3.5000\"",
// "1'-3 1/2\"", "15 1/2". Engineering and architectural take one drawing unit as an inch.
// Never writes a negative zero; values that are not finite read "?".
std::string formatLength(double value, const LinearUnitFormat& format);

// An angle in radians as degrees with `decimals` places and a degree sign, 0 <= a < 360.
std::string formatAngleDegrees(double radians, int decimals);

} // namespace vexor::cad
