#include "UnitFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vexor::cad {
namespace {

constexpr double kPi = 3.14159265358979323846;

std::string fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string s = buffer;
    if (s.front() == '-' && s.find_first_not_of("-0.") == std::string::npos)
        s.erase(0, 1); // "-0.00" is written "0.00"
    return s;
}

// A whole number of sixteenths (or halves ... of 2^precision) as "w n/d", the fraction
// reduced; "w" alone when it has none, "n/d" alone when there is no whole part and
// `keepZeroWhole` is false.
std::string fractionText(long long units, long long denominator, bool keepZeroWhole) {
    const long long whole = units / denominator;
    long long numerator = units % denominator, d = denominator;
    while (numerator > 0 && numerator % 2 == 0) {
        numerator /= 2;
        d /= 2;
    }
    if (numerator == 0)
        return std::to_string(whole);
    const std::string part = std::to_string(numerator) + "/" + std::to_string(d);
    if (whole == 0 && !keepZeroWhole)
        return part;
    return std::to_string(whole) + " " + part;
}

} // namespace

LinearUnitFormat linearUnitFormat(const Header& header) {
    LinearUnitFormat f;
    if (header.linearUnits)
        f.units = *header.linearUnits;
    if (header.linearPrecision)
        f.precision = *header.linearPrecision;
    return f;
}

std::string formatLength(double value, const LinearUnitFormat& format) {
    if (!std::isfinite(value))
        return "?";
    const int precision = std::clamp(format.precision, 0, 8);
    switch (format.units) {
    case 1: {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.*E", precision, value == 0 ? 0.0 : value);
        return buffer;
    }
    case 3: { // feet and decimal inches, rounded before the feet are split off
        const double step = std::pow(10.0, -precision);
        const double inches = std::round(std::fabs(value) / step) * step;
        const double feet = std::floor(inches / 12 + 1e-12);
        const double rest = std::max(0.0, inches - feet * 12);
        const std::string sign = value < 0 && inches > 0 ? "-" : "";
        return sign + fixed(feet, 0) + "'-" + fixed(rest, precision) + "\"";
    }
    case 4: { // feet and fractional inches
        const long long denominator = 1LL << precision;
        if (std::fabs(value) * denominator > 9e15)
            return fixed(value, 0);
        const long long units = std::llround(std::fabs(value) * denominator);
        const long long perFoot = 12 * denominator;
        const std::string sign = value < 0 && units > 0 ? "-" : "";
        return sign + std::to_string(units / perFoot) + "'-" +
               fractionText(units % perFoot, denominator, true) + "\"";
    }
    case 5: {
        const long long denominator = 1LL << precision;
        if (std::fabs(value) * denominator > 9e15)
            return fixed(value, 0);
        const long long units = std::llround(std::fabs(value) * denominator);
        const std::string sign = value < 0 && units > 0 ? "-" : "";
        return sign + fractionText(units, denominator, false);
    }
    default:
        return fixed(value, precision);
    }
}

std::string formatAngleDegrees(double radians, int decimals) {
    if (!std::isfinite(radians))
        return "?";
    decimals = std::clamp(decimals, 0, 8);
    double degrees = std::fmod(radians * 180 / kPi, 360.0);
    if (degrees < 0)
        degrees += 360;
    std::string s = fixed(degrees, decimals);
    if (s == fixed(360, decimals))
        s = fixed(0, decimals);
    return s + "\xC2\xB0";
}

} // namespace vexor::cad
