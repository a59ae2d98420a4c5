#pragma once

#include "../model/Drawing.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <utility>

namespace vexor::cad {

// Layers and entities name their plot style by the handle of a placeholder object that the
// ACAD_PLOTSTYLENAME dictionary names. Both readers gather those handles while reading and
// name them here once the dictionary is known: `nameOf` gives a placeholder's name, or null.
// References to no entry are counted in one diagnostic beginning with `where`.
void nameLinkedPlotStyles(
    Drawing& drawing, const std::function<const std::string*(std::uint64_t)>& nameOf,
    std::span<const std::pair<std::uint32_t, std::uint64_t>> layers,   // layer index, handle
    std::span<const std::pair<std::uint64_t, std::uint64_t>> entities, // entity, handle
    const std::string& where);

} // namespace vexor::cad
