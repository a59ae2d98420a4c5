#include "ColorTable.h"

namespace vexor::cad::dgn {
namespace {

std::uint32_t rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return (r << 16) | (g << 8) | b;
}

// Colours 0..14 are named colours; from 15 on, fifteen bands of sixteen repeat eight hues
// (cyan, grey, blue, green, red, yellow, magenta, orange) twice at falling intensity, from
// 240 down by 15 per band. 254 and 255 close the table.
ColorTable buildDefaultTable() {
    ColorTable t{};
    const std::uint32_t named[15] = {0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFF00,
                                     0xFF00FF, 0xFF7F00, 0x00FFFF, 0x404040, 0xC0C0C0,
                                     0xFE0060, 0xA0E000, 0x00FEA0, 0x8000A0, 0xB0B0B0};
    for (int i = 0; i < 15; ++i)
        t[i] = named[i];
    for (int band = 0; band < 15; ++band) {
        const std::uint32_t v = 240 - 15 * static_cast<std::uint32_t>(band);
        const std::uint32_t orangeGreen = 122 - 5 * static_cast<std::uint32_t>(band);
        const std::uint32_t hues[8] = {rgb(0, v, v), rgb(v, v, v),          rgb(0, 0, v),
                                       rgb(0, v, 0), rgb(v, 0, 0),          rgb(v, v, 0),
                                       rgb(v, 0, v), rgb(v, orangeGreen, 0)};
        for (int i = 0; i < 16; ++i) {
            const int index = 15 + band * 16 + i;
            if (index < 254)
                t[index] = hues[i % 8];
        }
    }
    t[254] = 0xC0C0C0;
    t[255] = 0x1C0064;
    return t;
}

} // namespace

const ColorTable& defaultColorTable() {
    static const ColorTable table = buildDefaultTable();
    return table;
}

bool readColorTable(const Element& element, ColorTable& table) {
    constexpr std::size_t kFirstEntryByte = 38; // after the header and the screen flag
    if (element.size() < kFirstEntryByte + 256 * 3)
        return false;
    for (int entry = 0; entry < 256; ++entry) {
        const std::uint8_t* p = element.bytes.data() + kFirstEntryByte + 3 * entry;
        table[(entry + 255) % 256] = rgb(p[0], p[1], p[2]);
    }
    return true;
}

} // namespace vexor::cad::dgn
