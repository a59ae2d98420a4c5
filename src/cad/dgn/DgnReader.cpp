#include "DgnReader.h"

#include "../io/FiniteCoordinates.h"
#include "../model/ReadError.h"
#include "ColorTable.h"
#include "ComplexElements.h"
#include "ControlBlock.h"
#include "Element.h"
#include "Extents.h"
#include "Primitives.h"
#include "Symbology.h"

#include <algorithm>
#include <set>

namespace vexor::cad::dgn {
namespace {

// Line style dashes are screen-sized in the file; here a dash step is a thousandth of the
// drawing's larger side, which looks alike at the whole-drawing view.
constexpr double kDashStepPerExtent = 1.0 / 1000.0;

ColorTable fileColorTable(const std::vector<Element>& elements) {
    ColorTable table = defaultColorTable();
    for (const Element& e : elements)
        if (!e.deleted && isColorTableElement(e) && readColorTable(e, table))
            break;
    return table;
}

// Levels become layers named after their number, in ascending order, for the levels used.
void levelsToLayers(Drawing& drawing) {
    std::set<std::uint32_t> levels;
    for (const Entity& e : drawing.modelSpace)
        levels.insert(e.common.layer);
    std::uint32_t byLevel[64] = {};
    for (const std::uint32_t level : levels)
        byLevel[level & 63] = drawing.layerIndex(std::to_string(level));
    for (Entity& e : drawing.modelSpace)
        e.common.layer = byLevel[e.common.layer & 63];
}

void scaleStyles(Drawing& drawing, const Box2& extents) {
    const double unit =
        extents.empty() ? 1.0 : std::max(extents.width(), extents.height()) * kDashStepPerExtent;
    if (!(unit > 0))
        return;
    for (Linetype& lt : drawing.linetypes) {
        for (double& dash : lt.pattern)
            dash *= unit;
        lt.patternLength *= unit;
    }
}

} // namespace

Drawing readDgn(std::span<const std::uint8_t> bytes, const std::string& fileName) {
    if (!looksLikeDgn7(bytes))
        throw ReadError(fileName,
                        "not a version 7 design file: it does not begin with a "
                        "design file control block",
                        0);
    Drawing drawing;
    drawing.format = FileFormat::Dgn;
    const std::vector<Element> elements = scanElements(bytes, drawing.diagnostics);
    if (elements.empty())
        throw ReadError(fileName, "the design file control block is cut short", 0);
    const DesignUnits units = readControlBlock(elements.front(), drawing.diagnostics);
    drawing.header.version = units.is3d ? "V7-3D" : "V7";
    drawing.header.codepage = "ANSI_1252";

    const ColorTable colors = fileColorTable(elements);
    const auto styles = addStyleLinetypes(drawing, 1.0);
    const PrimitiveDecoder decoder(units, colors, styles);
    drawing.modelSpace.reserve(elements.size());
    ElementAssembler(elements, decoder, drawing.modelSpace, drawing.diagnostics).run();
    NonFiniteEntities nonFinite;
    std::erase_if(drawing.modelSpace,
                  [&nonFinite](const Entity& e) { return !nonFinite.admit(e); });
    nonFinite.report(drawing.diagnostics);
    levelsToLayers(drawing);

    const Box2 extents = entitiesExtents(drawing.modelSpace);
    scaleStyles(drawing, extents);
    if (!extents.empty()) {
        drawing.header.extMin = Vec3{extents.minX, extents.minY, 0};
        drawing.header.extMax = Vec3{extents.maxX, extents.maxY, 0};
    }
    return drawing;
}

} // namespace vexor::cad::dgn
