#pragma once

#include "../geometry/DisplayList.h"
#include "UnitFormat.h"

#include <string>
#include <utility>
#include <vector>

namespace vexor::cad {

// A drawn item under a point: the list holding it, its index there, how its coordinates map to
// the space looked at, and the references it is drawn through (outermost first).
struct PickedItem {
    const ItemList* list = nullptr;
    std::uint32_t index = 0;
    Affine2 toShown;
    std::vector<std::uint32_t> blocks;      // the referenced block at each level
    std::vector<std::uint32_t> layers;      // the layer of the reference at each level
    std::vector<ItemColor> referenceColors; // the colour of the reference at each level
};

// The items of `list` drawn within `tolerance` of `p` (both in the list's space), looked for
// through the spatial index and into references (the item inside a reference, not the
// reference itself; the first copy of an array); the last drawn first, at most `limit`. Items
// on layers flagged in `hidden` (by layer index) are left out.
std::vector<PickedItem> itemsAt(const DisplayList& list, const ItemList& items, Vec2 p,
                                double tolerance, const std::vector<char>& hidden,
                                std::size_t limit = 32);

// What the properties panel lists for an item, in order: kind, layer, colour as stored and as
// drawn, linetype, lineweight, the references it is drawn through, and its key figures
// (points, length, area, text, ...) in the shown space and the drawing's units.
std::vector<std::pair<std::string, std::string>> describeItem(const DisplayList& list,
                                                              const Drawing& drawing,
                                                              const PickedItem& item,
                                                              const LinearUnitFormat& units);

} // namespace vexor::cad
