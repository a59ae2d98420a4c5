#include "SheetPoint.h"

#include <cmath>

namespace vexor::cad {

bool insideRing(const std::vector<Vec2>& ring, Vec2 p) {
    bool inside = false;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const Vec2 a = ring[i], b = ring[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

std::optional<ModelPointOnSheet> modelPointOnSheet(const Sheet& sheet, Vec2 paper) {
    for (auto view = sheet.views.rbegin(); view != sheet.views.rend(); ++view) {
        if (!view->showsModel || view->clipBox.empty())
            continue;
        const Box2& box = view->clipBox;
        if (paper.x < box.minX || paper.x > box.maxX || paper.y < box.minY || paper.y > box.maxY)
            continue;
        if (!view->rectangular && !insideRing(view->clip, paper))
            continue;
        const auto toModel = inverse(view->modelToPaper);
        if (!toModel)
            continue;
        return ModelPointOnSheet{toModel->map(paper),
                                 std::sqrt(std::fabs(view->modelToPaper.determinant())), &*view};
    }
    return std::nullopt;
}

} // namespace vexor::cad
