#include "ItemRecords.h"

#include <charconv>
#include <cstdlib>
#include <limits>

namespace vexor::control {

std::string formatExact(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

int layerColorNumber(const cad::Color& color) {
    if (color.kind == cad::Color::Kind::Index) {
        const int index = std::abs(static_cast<int>(color.index));
        return index >= 1 && index <= 255 ? index : 7;
    }
    if (color.kind != cad::Color::Kind::True)
        return 7;
    const int r = (color.rgb >> 16) & 0xFF, g = (color.rgb >> 8) & 0xFF, b = color.rgb & 0xFF;
    int best = 7;
    long bestDistance = std::numeric_limits<long>::max();
    for (int i = 1; i <= 255; ++i) {
        const std::uint32_t c = cad::colorIndexRgb(i);
        const long dr = r - static_cast<int>((c >> 16) & 0xFF);
        const long dg = g - static_cast<int>((c >> 8) & 0xFF);
        const long db = b - static_cast<int>(c & 0xFF);
        const long d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    // Pure black and white both stand for the default colour, which follows the background.
    const std::uint32_t bestRgb = cad::colorIndexRgb(best);
    return bestRgb == 0xFFFFFF || bestRgb == 0x000000 ? 7 : best;
}

ItemRecords::ItemRecords(const cad::Drawing& drawing, const cad::Box2& extents) {
    records_.reserve(drawing.layers.size() + 2);
    for (const cad::Layer& layer : drawing.layers) {
        const int number = layerColorNumber(layer.color);
        records_.push_back({layer.name,
                            {{"SECTION", "L"},
                             {"DESCR", layer.name},
                             {"ECOLOR", std::to_string(layer.off ? -number : number)}}});
    }
    if (!extents.empty()) {
        records_.push_back({"V100",
                            {{"SECTION", "V"},
                             {"VX1", formatExact(extents.minX)},
                             {"VY1", formatExact(extents.minY)}}});
        records_.push_back({"V101",
                            {{"SECTION", "V"},
                             {"VX1", formatExact(extents.maxX)},
                             {"VY1", formatExact(extents.maxY)}}});
    }
}

void ItemRecords::select(const std::string& name) {
    selected_.reset();
    // Corner items are looked up by the program; layer records are reached by index, so a
    // layer that happens to be called "V100" must not shadow the corner item.
    for (std::size_t i = records_.size(); i-- > 0;) {
        if (records_[i].name == name) {
            selected_ = i;
            return;
        }
    }
}

void ItemRecords::selectAt(std::int32_t index) {
    selected_.reset();
    if (index >= 0 && static_cast<std::size_t>(index) < records_.size())
        selected_ = static_cast<std::size_t>(index);
}

std::string ItemRecords::value(const std::string& tag) const {
    if (!selected_)
        return {};
    const auto& values = records_[*selected_].values;
    const auto it = values.find(tag);
    return it == values.end() ? std::string() : it->second;
}

} // namespace vexor::control
