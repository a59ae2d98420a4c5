#include "DrawingUnits.h"

#include <array>

namespace vexor::control {

double millimetresPerUnit(std::optional<int> unitCode) {
    // Indexed by the unit code; 0 (unitless) is millimetres.
    static constexpr std::array<double, 25> kMillimetres = {
        1.0,                // unitless
        25.4,               // inch
        304.8,              // foot
        1609344.0,          // mile
        1.0,                // millimetre
        10.0,               // centimetre
        1000.0,             // metre
        1e6,                // kilometre
        25.4e-6,            // microinch
        0.0254,             // mil
        914.4,              // yard
        1e-7,               // angstrom
        1e-6,               // nanometre
        1e-3,               // micron
        100.0,              // decimetre
        1e4,                // decametre
        1e5,                // hectometre
        1e12,               // gigametre
        1.495978707e14,     // astronomical unit
        9.4607304725808e18, // light year
        3.0856775814914e19, // parsec
        1200000.0 / 3937,   // US survey foot
        1000.0 / 39.37,     // US survey inch
        36000.0 / 39.37,    // US survey yard
        1609347.218694,     // US survey mile
    };
    if (!unitCode || *unitCode < 0 || *unitCode >= static_cast<int>(kMillimetres.size()))
        return 1.0;
    return kMillimetres[static_cast<std::size_t>(*unitCode)];
}

double actualSizeScale(std::optional<int> unitCode, double dotsPerInch) {
    return millimetresPerUnit(unitCode) * dotsPerInch / 25.4;
}

} // namespace vexor::control
