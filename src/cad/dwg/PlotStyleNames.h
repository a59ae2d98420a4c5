#pragma once

#include "../model/Drawing.h"
#include "ObjectStore.h"
#include "TableLoader.h"
#include "TextDecoder.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace vexor::cad::dwg {

// Names the plot styles of layers and entities: the dictionary the header names lists one
// placeholder object per named plot style, under the style's name; layers (`tables`) and
// `entities` (entity handle, placeholder handle) refer to the placeholders. A damaged
// dictionary or a reference to no entry of it is a diagnostic; those plot in the default style.
void readPlotStyleNames(const ObjectStore& store, std::uint64_t dictionary,
                        const TextDecoder& decode, const TableIndex& tables,
                        const std::vector<std::pair<std::uint64_t, std::uint64_t>>& entities,
                        Drawing& drawing);

} // namespace vexor::cad::dwg
