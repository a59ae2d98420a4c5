#include "Color.h"

#include <array>
#include <cmath>

namespace vexor::cad {
namespace {

// The colour index is a hue wheel: indexes 10..249 step 15 degrees of hue every ten entries;
// within a group of ten, even entries are saturated and odd ones are pale, at five falling
// brightness levels. 1..9 and 250..255 are fixed.
std::array<std::uint32_t, 256> buildTable() {
    std::array<std::uint32_t, 256> t{};
    const std::uint32_t fixed[10] = {0x000000, 0xFF0000, 0xFFFF00, 0x00FF00, 0x00FFFF,
                                     0x0000FF, 0xFF00FF, 0xFFFFFF, 0x808080, 0xC0C0C0};
    for (int i = 0; i < 10; ++i)
        t[i] = fixed[i];
    const double levels[5] = {255.0, 165.0, 127.0, 76.0, 38.0};
    for (int i = 10; i < 250; ++i) {
        const double hue = (i / 10 - 1) * 15.0; // degrees
        const double v = levels[(i % 10) / 2];
        const bool pale = (i % 10) % 2 == 1;
        const double lo = pale ? v / 2.0 : 0.0;
        // Standard hue-to-RGB ramp between lo and v.
        const double sector = hue / 60.0;
        const int k = static_cast<int>(sector) % 6;
        const double f = sector - std::floor(sector);
        const double rising = lo + (v - lo) * f;
        const double falling = lo + (v - lo) * (1.0 - f);
        double r = 0, g = 0, b = 0;
        switch (k) {
        case 0:
            r = v, g = rising, b = lo;
            break;
        case 1:
            r = falling, g = v, b = lo;
            break;
        case 2:
            r = lo, g = v, b = rising;
            break;
        case 3:
            r = lo, g = falling, b = v;
            break;
        case 4:
            r = rising, g = lo, b = v;
            break;
        default:
            r = v, g = lo, b = falling;
            break;
        }
        auto c = [](double x) { return static_cast<std::uint32_t>(std::floor(x)); };
        t[i] = (c(r) << 16) | (c(g) << 8) | c(b);
    }
    const std::uint32_t greys[6] = {0x333333, 0x505050, 0x696969, 0x828282, 0xBEBEBE, 0xFFFFFF};
    for (int i = 0; i < 6; ++i)
        t[250 + i] = greys[i];
    return t;
}

} // namespace

std::uint32_t colorIndexRgb(int index) {
    static const std::array<std::uint32_t, 256> table = buildTable();
    if (index < 0 || index > 255)
        return 0xFFFFFF;
    return table[static_cast<std::size_t>(index)];
}

} // namespace vexor::cad
