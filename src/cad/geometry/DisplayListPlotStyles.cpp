#include "DisplayListCompiler.h"

namespace vexor::cad {
namespace {

// Items carry a style in one byte: the codes below kPlotStyleNamed and this many names.
constexpr std::size_t kMaxPlotStyleNames = 255 - kPlotStyleNamed;

} // namespace

void DisplayListCompiler::compilePlotStyleNames() {
    std::size_t dropped = 0;
    auto code = [&](const std::string& name) -> std::uint8_t {
        if (const auto it = plotStyleCodes_.find(name); it != plotStyleCodes_.end())
            return it->second;
        if (out_->plotStyleNames_.size() >= kMaxPlotStyleNames) {
            ++dropped;
            return kPlotStyleDefault;
        }
        const auto added =
            static_cast<std::uint8_t>(kPlotStyleNamed + out_->plotStyleNames_.size());
        out_->plotStyleNames_.push_back(name);
        plotStyleCodes_.emplace(name, added);
        return added;
    };
    // Names are gathered before the entities compile (on several threads), which only read them.
    for (std::size_t i = 0; i < drawing_.layers.size() && i < out_->layers_.size(); ++i)
        if (!drawing_.layers[i].plotStyle.empty())
            out_->layers_[i].plotStyle = code(drawing_.layers[i].plotStyle);
    for (const auto& [handle, name] : drawing_.entityPlotStyles)
        if (!name.empty())
            code(name);
    if (dropped)
        diagnose(std::to_string(dropped) + " uses of named plot styles beyond the first " +
                 std::to_string(kMaxPlotStyleNames) + " names plot in the default style");
}

std::uint8_t DisplayListCompiler::plotStyleOf(const EntityCommon& common, bool inBlock) const {
    switch (common.plotStyle) {
    case PlotStyleRef::ByLayer:
        break;
    case PlotStyleRef::ByBlock:
        // Outside a block there is no insert to take the style from: the layer's serves.
        return inBlock ? kPlotStyleByBlock : kPlotStyleByLayer;
    case PlotStyleRef::Default:
        return kPlotStyleDefault;
    case PlotStyleRef::Named:
        if (const auto it = drawing_.entityPlotStyles.find(common.handle);
            it != drawing_.entityPlotStyles.end())
            if (const auto code = plotStyleCodes_.find(it->second); code != plotStyleCodes_.end())
                return code->second;
        return kPlotStyleDefault;
    }
    return kPlotStyleByLayer;
}

void DisplayListCompiler::checkPlotStyleNames(const Sheet& sheet) {
    if (!sheet.plotStyles || sheet.plotStyles->colorDependent)
        return;
    for (const std::string& name : out_->plotStyleNames_)
        if (!sheet.plotStyles->byName(name))
            diagnose("layout \"" + sheet.name + "\": plot style \"" + name +
                     "\" is not in table \"" + sheet.plotStyleTable +
                     "\"; plotted in its default style");
}

} // namespace vexor::cad
