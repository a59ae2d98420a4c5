#pragma once

#include "Element.h"

#include <array>
#include <cstdint>

namespace vexor::cad::dgn {

// RGB (0xRRGGBB) of the 256 element colours of a design file.
using ColorTable = std::array<std::uint32_t, 256>;

// The table a design file uses when it holds no colour table element.
const ColorTable& defaultColorTable();

// Reads a colour table element (type 5, level 1). It stores the background first and then
// element colours 0..254; the background becomes colour 255. False when the element is too
// short to hold a table.
bool readColorTable(const Element& element, ColorTable& table);

inline bool isColorTableElement(const Element& e) {
    return e.type == 5 && e.level == 1;
}

} // namespace vexor::cad::dgn
