#include "Symbology.h"

#include <cmath>
#include <cstdlib>

namespace vexor::cad::dgn {

Color elementColor(const ColorTable& table, int colorIndex) {
    const std::uint32_t rgb = table[static_cast<std::size_t>(colorIndex) & 0xFF];
    return rgb == 0xFFFFFF ? Color::indexed(7) : Color::trueColor(rgb);
}

std::int16_t lineweightForWeight(int weight) {
    static const std::array<std::int16_t, 32> table = [] {
        static constexpr std::int16_t standard[] = {0,  5,   9,   13,  15,  18,  20,  25,
                                                    30, 35,  40,  50,  53,  60,  70,  80,
                                                    90, 100, 106, 120, 140, 158, 200, 211};
        std::array<std::int16_t, 32> t{};
        for (int w = 0; w < 32; ++w) {
            const int wanted = 14 * w;
            for (const std::int16_t s : standard)
                if (std::abs(s - wanted) < std::abs(t[w] - wanted))
                    t[w] = s;
        }
        return t;
    }();
    return table[static_cast<std::size_t>(weight) & 31];
}

std::array<std::int32_t, 8> addStyleLinetypes(Drawing& drawing, double unit) {
    struct Style {
        const char* description;
        std::vector<double> steps; // positive dash, negative gap, 0 dot; in dash steps
    };
    const Style styles[7] = {
        {"Dotted", {0, -1}},
        {"Medium dashed", {4, -2}},
        {"Long dashed", {8, -3}},
        {"Dot-dashed", {6, -2, 0, -2}},
        {"Short dashed", {2, -2}},
        {"Dash double-dot", {6, -2, 0, -2, 0, -2}},
        {"Long dash-short dash", {8, -2, 3, -2}},
    };
    std::array<std::int32_t, 8> indexes{};
    indexes[0] = kLinetypeContinuous;
    for (int s = 1; s <= 7; ++s) {
        const std::string name = "DGN_STYLE_" + std::to_string(s);
        std::int32_t index = drawing.findLinetype(name);
        if (index < 0) {
            Linetype lt;
            lt.name = name;
            lt.description = styles[s - 1].description;
            for (double step : styles[s - 1].steps) {
                lt.pattern.push_back(step * unit);
                lt.patternLength += std::abs(step * unit);
            }
            index = static_cast<std::int32_t>(drawing.linetypes.size());
            drawing.linetypes.push_back(std::move(lt));
        }
        indexes[s] = index;
    }
    return indexes;
}

std::optional<int> fillColorIndex(const Element& element) {
    // Linkages start after the display header at the word the attribute index names. A user
    // linkage's first word has bit 12 set and its length less one in the low byte; the fill
    // linkage has the id 0x41 and the fill colour three words after the id.
    constexpr std::uint16_t kAttributesPresent = 0x0800;
    if (!element.hasDisplayHeader() || (element.properties() & kAttributesPresent) == 0)
        return std::nullopt;
    const std::size_t words = element.size() / 2;
    std::size_t w = 16 + std::size_t{element.word(15)};
    while (w + 1 < words) {
        const std::uint16_t head = element.word(w);
        if ((head & 0x1000) == 0) {
            w += 4; // database linkage or padding: four words
            continue;
        }
        if (element.word(w + 1) == 0x0041 && w + 4 < words)
            return element.word(w + 4) & 0xFF;
        w += std::size_t{head & 0xFFu} + 1;
    }
    return std::nullopt;
}

} // namespace vexor::cad::dgn
