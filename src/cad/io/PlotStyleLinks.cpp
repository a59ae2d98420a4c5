#include "PlotStyleLinks.h"

namespace vexor::cad {

void nameLinkedPlotStyles(Drawing& drawing,
                          const std::function<const std::string*(std::uint64_t)>& nameOf,
                          std::span<const std::pair<std::uint32_t, std::uint64_t>> layers,
                          std::span<const std::pair<std::uint64_t, std::uint64_t>> entities,
                          const std::string& where) {
    std::size_t unknown = 0;
    auto named = [&](std::uint64_t placeholder) {
        const std::string* name = nameOf(placeholder);
        unknown += name ? 0 : 1;
        return name;
    };
    for (const auto& [layer, placeholder] : layers)
        if (const std::string* name = named(placeholder); name && layer < drawing.layers.size())
            drawing.layers[layer].plotStyle = *name;
    for (const auto& [entity, placeholder] : entities)
        if (const std::string* name = named(placeholder))
            drawing.entityPlotStyles[entity] = *name;
    if (unknown)
        drawing.diagnostics.push_back(where + std::to_string(unknown) +
                                      " plot style references name no entry of the plot style "
                                      "dictionary; plotted in the default style");
}

} // namespace vexor::cad
