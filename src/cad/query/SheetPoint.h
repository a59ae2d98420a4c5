#pragma once

#include "../geometry/DisplayList.h"
#include "../model/Transforms.h"

#include <optional>

namespace vexor::cad {

// The model point seen at `paper` on a sheet: through the topmost view showing the model whose
// clip holds the point (the last one listed draws last), with that view's paper units per
// model unit; none when the point lies outside every such view.
struct ModelPointOnSheet {
    Vec2 model;
    double paperPerModel = 1;
    const SheetView* view = nullptr; // the view it is seen through
};
std::optional<ModelPointOnSheet> modelPointOnSheet(const Sheet& sheet, Vec2 paper);

// Whether `p` lies inside the closed ring (even-odd rule).
bool insideRing(const std::vector<Vec2>& ring, Vec2 p);

} // namespace vexor::cad
