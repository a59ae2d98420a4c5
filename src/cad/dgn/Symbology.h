#pragma once

#include "../model/Drawing.h"
#include "ColorTable.h"
#include "Element.h"

#include <array>
#include <cstdint>
#include <optional>

namespace vexor::cad::dgn {

// An element colour as the model keeps it: the RGB of the file's table. Pure white becomes
// the CAD foreground colour 7, which the renderer flips to black on a light background, as
// design files take white to mean "the foreground".
Color elementColor(const ColorTable& table, int colorIndex);

// Line weight 0..31 as a model line weight in 1/100 mm: weight 0 is the thinnest line and
// every step adds about 0.14 mm, rounded to the nearest standard line weight.
std::int16_t lineweightForWeight(int weight);

// The line styles 1..7 (dotted, medium dashed, long dashed, dot-dashed, short dashed, dash
// double-dot, long dash-short dash) added to the drawing as "DGN_STYLE_1" .. "DGN_STYLE_7",
// their dashes scaled by `unit` (drawing units per dash step). Returns the linetype index of
// each style; style 0 is continuous.
std::array<std::int32_t, 8> addStyleLinetypes(Drawing& drawing, double unit);

// The fill colour an element's fill linkage gives, if the element carries one.
std::optional<int> fillColorIndex(const Element& element);

} // namespace vexor::cad::dgn
