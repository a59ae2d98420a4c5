// Solids, regions, bodies, surfaces and subdivision meshes: the edges read from their data,
// drawn as open polylines (their plan view) in the entity's layer, colour and linetype.
#include "DisplayListCompiler.h"

#include <cmath>

namespace vexor::cad {

void DisplayListCompiler::addWireframe(ItemList& list, const EntityCommon& common,
                                       const Wireframe& wire, bool inBlock) {
    if (!wire.data)
        return;
    const WireframeData& w = *wire.data;
    if (w.curves.empty()) {
        countIncomplete(w.typeName,
                        w.incomplete.empty() ? "not drawn: it has no edges" : w.incomplete);
        return;
    }
    if (!w.incomplete.empty())
        countIncomplete(w.typeName, w.incomplete);
    const DisplayItem item = makeItem(common, inBlock);
    std::vector<Vec2> points;
    for (const std::vector<Vec3>& curve : w.curves) {
        points.clear();
        for (const Vec3& p : curve)
            if (std::isfinite(p.x) && std::isfinite(p.y))
                points.push_back(p.xy());
        if (points.size() >= 2)
            addPolyline(list, item, points, false);
    }
}

} // namespace vexor::cad
