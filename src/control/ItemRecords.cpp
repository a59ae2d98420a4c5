#include "ItemRecords.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace vexor::control {

std::string formatExact(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string trueColorText(std::uint32_t rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(rgb & 0xFFFFFFu));
    return text;
}

int layerColorNumber(const cad::Color& color) {
    if (color.kind == cad::Color::Kind::Index) {
        const int index = std::abs(static_cast<int>(color.index));
        return index >= 1 && index <= 255 ? index : 7;
    }
    if (color.kind != cad::Color::Kind::True)
        return 7;
    const auto distance = [&color](std::uint32_t c) {
        const long dr = static_cast<long>((color.rgb >> 16) & 0xFF) - ((c >> 16) & 0xFF);
        const long dg = static_cast<long>((color.rgb >> 8) & 0xFF) - ((c >> 8) & 0xFF);
        const long db = static_cast<long>(color.rgb & 0xFF) - (c & 0xFF);
        return dr * dr + dg * dg + db * db;
    };
    int best = 7;
    // Colour 7 is drawn white or black depending on the background, so it stands for both.
    long bestDistance = std::min(distance(0xFFFFFF), distance(0x000000));
    for (int i = 1; i <= 255; ++i) {
        const long d = distance(cad::colorIndexRgb(i));
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

ItemRecords::ItemRecords(const cad::Drawing& drawing, const cad::Box2& extents) {
    records_.reserve(drawing.layers.size() + 2);
    for (const cad::Layer& layer : drawing.layers) {
        const int number = layerColorNumber(layer.color);
        Record record{{},
                      {{"SECTION", "L"},
                       {"DESCR", layer.name},
                       {"ECOLOR", std::to_string(layer.off ? -number : number)},
                       {"LSTATE", layer.off || layer.frozen ? "1" : "0"}}};
        if (layer.color.kind == cad::Color::Kind::True)
            record.values["TRUECOLOR"] = trueColorText(layer.color.rgb);
        records_.push_back(std::move(record));
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
    // Only the corner items have names; layer records are reached by index.
    for (std::size_t i = 0; i < records_.size(); ++i) {
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
