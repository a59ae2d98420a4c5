#include "DrawingDocument.h"

#include "cad/io/LoadBudget.h"
#include "render/ImageCache.h"
#include "render/RenderStyle.h"
#include "render/TrueTypeFaces.h"

#include <cmath>

namespace vexor::control {
namespace {

// Header extents are used only when they are real numbers of a sane size: files that never
// computed them store +-1e20.
bool usableExtents(const std::optional<cad::Vec3>& lo, const std::optional<cad::Vec3>& hi) {
    constexpr double kUnset = 1e19;
    if (!lo || !hi)
        return false;
    for (double v : {lo->x, lo->y, hi->x, hi->y})
        if (!std::isfinite(v) || std::abs(v) >= kUnset)
            return false;
    return lo->x <= hi->x && lo->y <= hi->y;
}

// Compiles the display list as the load's preparing phase. The compiler counts one unit per
// entity it compiles and one per item it bounds and indexes, about two per entity.
std::shared_ptr<const cad::DisplayList> prepare(cad::Drawing& drawing) {
    std::uint64_t entities = drawing.modelSpace.size();
    for (const cad::Block& block : drawing.blocks)
        entities += block.entities.size();
    cad::setLoadPhase(cad::LoadPhase::Preparing);
    cad::expectLoadWork(2 * entities);
    auto list = compileDrawingReleasingEntities(drawing);
    ImageCache::instance().readAll(*list);
    return list;
}

} // namespace

DrawingDocument::DrawingDocument(cad::Drawing drawing)
    : drawing_(std::move(drawing)), texts_(cad::collectSearchableTexts(drawing_)),
      displayList_(prepare(drawing_)) {
    extents_ = displayList_->extents();
    const auto& h = drawing_.header;
    if (extents_.empty() && usableExtents(h.extMin, h.extMax)) {
        extents_.add(h.extMin->xy());
        extents_.add(h.extMax->xy());
    }
    // The display list holds everything drawn; the entities would only double the memory
    // of a big drawing (the compile already let go of all but the sheets' own). Layers and
    // header stay for the items and the layer switches.
    for (cad::Block& block : drawing_.blocks)
        block.entities = {};
    for (std::size_t i = 0; i < drawing_.layers.size(); ++i)
        layerByName_.emplace(drawing_.layers[i].name, static_cast<int>(i));
}

int DrawingDocument::layerIndex(const std::string& name) const {
    const auto it = layerByName_.find(name);
    return it == layerByName_.end() ? -1 : it->second;
}

std::vector<char> DrawingDocument::initiallyHiddenLayers() const {
    return layersHiddenInFile(*displayList_);
}

} // namespace vexor::control
