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
    const ItemList* top = nullptr; // the list looked in, holding the outermost reference
    Affine2 toShown;
    std::vector<std::uint32_t> blocks;      // the referenced block at each level
    std::vector<std::uint32_t> layers;      // the layer of the reference at each level
    std::vector<ItemColor> referenceColors; // the colour of the reference at each level
    std::vector<std::uint32_t> references;  // the reference's item at each level
};

// The items of `list` drawn within `tolerance` of `p` (both in the list's space), looked for
// through the spatial index and into references (the item inside a reference, not the
// reference itself; the first copy of an array); the last drawn first, at most `limit`. Items
// on layers flagged in `hidden` (by layer index) are left out. With `centres`, a curve whose
// centre lies within `tolerance` counts as under the point too.
std::vector<PickedItem> itemsAt(const DisplayList& list, const ItemList& items, Vec2 p,
                                double tolerance, const std::vector<char>& hidden,
                                std::size_t limit = 32, bool centres = false);

// The exact figures of an item drawn from curves, in the shown space: a single circle, arc or
// ellipse gives its centre and radius (or axes); a closed outline its area and perimeter with
// its arcs exact (a filled item: its rings, outer minus holes as the even-odd fill draws them;
// a pattern hatch's lines: its boundary's, the perimeter only through an even scale).
struct ExactFigures {
    bool curve = false;    // one circle, arc or ellipse
    bool circular = false; // ... with equal axes
    Vec2 centre;
    double radius = 0, minorRadius = 0;
    bool closed = false; // area and perimeter are set
    double area = 0, perimeter = 0, length = 0;
};
ExactFigures exactFigures(const PickedItem& picked);

// What the properties panel lists for an item, in order: kind, entity type and handle, layer,
// colour as stored and as drawn, linetype, lineweight, the references it is drawn through
// (block path and each reference's handle and attribute values), and its key figures (points,
// length, radius, area, text and style, ...) in the shown space and the drawing's units.
std::vector<std::pair<std::string, std::string>> describeItem(const DisplayList& list,
                                                              const Drawing& drawing,
                                                              const PickedItem& item,
                                                              const LinearUnitFormat& units);

} // namespace vexor::cad
