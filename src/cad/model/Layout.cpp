#include "Layout.h"

#include "Drawing.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string_view>
#include <unordered_map>

namespace vexor::cad {
namespace {

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

bool isModelSpaceName(std::string_view name) {
    return startsWithNoCase(name, "*Model_Space") && name.size() == 12;
}

bool isPaperSpaceName(std::string_view name) {
    return startsWithNoCase(name, "*Paper_Space");
}

std::string describe(const Layout& layout) {
    return "layout \"" + layout.name + "\"";
}

// Joins a layout to its paper-space block by the block record's handle.
void findBlock(Layout& layout, const Drawing& drawing,
               const std::unordered_map<std::uint64_t, std::uint32_t>& blockByHandle) {
    if (layout.block < drawing.blocks.size())
        return;
    layout.block = kNoIndex;
    if (auto it = blockByHandle.find(layout.blockRecord);
        layout.blockRecord != 0 && it != blockByHandle.end())
        layout.block = it->second;
}

void fixPaper(Layout& layout, Drawing& drawing) {
    const bool sized = std::isfinite(layout.paperSize.x) && std::isfinite(layout.paperSize.y) &&
                       layout.paperSize.x > 0 && layout.paperSize.y > 0 &&
                       layout.paperSize.x < 1e5 && layout.paperSize.y < 1e5;
    if (!sized) {
        const Vec2 size = layout.limMax - layout.limMin;
        if (layout.hasLimits && size.x > 0 && size.y > 0 && size.x < 1e5 && size.y < 1e5) {
            const double mm = layout.paperUnits == 0 ? 25.4 : 1.0;
            layout.paperSize = {size.x * mm, size.y * mm};
        } else {
            layout.paperSize = {297, 210};
            if (layout.handle != 0)
                drawing.diagnostics.push_back(describe(layout) +
                                              ": neither a paper size nor limits; drawn on A4");
        }
    }
    for (double& m : layout.margins)
        if (!std::isfinite(m) || m < 0 || m > 1e4)
            m = 0;
    if (!std::isfinite(layout.plotOrigin.x) || !std::isfinite(layout.plotOrigin.y))
        layout.plotOrigin = {};
    if (!(layout.printedUnits > 0) || !(layout.drawingUnits > 0) ||
        !std::isfinite(layout.printedUnits) || !std::isfinite(layout.drawingUnits))
        layout.printedUnits = layout.drawingUnits = 1;
    layout.rotation = static_cast<std::int16_t>(((layout.rotation % 4) + 4) % 4);
    if (layout.paperUnits < 0 || layout.paperUnits > 2)
        layout.paperUnits = 1;
    const auto area = static_cast<std::int16_t>(layout.plotArea);
    if (area < 0 || area > 5)
        layout.plotArea = PlotArea::Layout;
    const Vec2 window = layout.plotWindowMax - layout.plotWindowMin;
    if (layout.plotArea == PlotArea::Window &&
        !(std::isfinite(window.x) && std::isfinite(window.y) && window.x > 0 && window.y > 0)) {
        drawing.diagnostics.push_back(describe(layout) +
                                      ": plots a window without size; plotted as the layout");
        layout.plotArea = PlotArea::Layout;
    }
}

} // namespace

double paperUnitsPerMillimetre(const Layout& layout) {
    const double perMm = layout.paperUnits == 0 ? 1 / 25.4 : 1.0;
    return perMm * layout.drawingUnits / layout.printedUnits;
}

Vec2 sheetSize(const Layout& layout) {
    return layout.rotation % 2 == 1 ? Vec2{layout.paperSize.y, layout.paperSize.x}
                                    : layout.paperSize;
}

bool isPaperViewport(const std::vector<Viewport>& viewports, std::size_t index) {
    const bool numbered = std::any_of(viewports.begin(), viewports.end(),
                                      [](const Viewport& v) { return v.id != 0; });
    return numbered ? viewports[index].id == 1 : index == 0;
}

void finishLayouts(Drawing& drawing) {
    std::unordered_map<std::uint64_t, std::uint32_t> blockByHandle;
    for (std::uint32_t b = 0; b < drawing.blocks.size(); ++b)
        if (drawing.blocks[b].handle != 0)
            blockByHandle.emplace(drawing.blocks[b].handle, b);

    std::vector<Layout> sheets;
    for (Layout& layout : drawing.layouts) {
        findBlock(layout, drawing, blockByHandle);
        const bool model = layout.block != kNoIndex
                               ? isModelSpaceName(drawing.blocks[layout.block].name)
                               : layout.name == "Model";
        if (model)
            continue;
        if (layout.block == kNoIndex)
            drawing.diagnostics.push_back(describe(layout) +
                                          ": its paper-space block is missing; the sheet is "
                                          "drawn empty");
        sheets.push_back(std::move(layout));
    }
    // Drawings from before layouts existed (and writers that leave the layout objects out)
    // have one paper space: it becomes the sheet "Layout1", as CAD programs show it.
    if (sheets.empty() &&
        (drawing.format == FileFormat::Dwg || drawing.format == FileFormat::Dxf)) {
        Layout layout;
        layout.name = "Layout1";
        for (std::uint32_t b = 0; b < drawing.blocks.size() && layout.block == kNoIndex; ++b)
            if (drawing.blocks[b].name.size() == 12 && isPaperSpaceName(drawing.blocks[b].name))
                layout.block = b;
        if (drawing.header.limMin && drawing.header.limMax) {
            layout.hasLimits = true;
            layout.limMin = *drawing.header.limMin;
            layout.limMax = *drawing.header.limMax;
        }
        layout.paperUnits = drawing.header.measurement == 0 ? 0 : 1;
        sheets.push_back(std::move(layout));
    }
    std::stable_sort(sheets.begin(), sheets.end(),
                     [](const Layout& a, const Layout& b) { return a.tabOrder < b.tabOrder; });
    for (Layout& layout : sheets)
        fixPaper(layout, drawing);
    drawing.layouts = std::move(sheets);

    std::unordered_map<std::uint64_t, std::uint32_t> layerByHandle;
    for (std::uint32_t l = 0; l < drawing.layers.size(); ++l)
        if (drawing.layers[l].handle != 0)
            layerByHandle.emplace(drawing.layers[l].handle, l);
    // Layer names are compared without regard to case, as CAD programs do.
    std::unordered_map<std::string, std::uint32_t> layerByName;
    const auto upper = [](std::string s) {
        for (char& c : s)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        return s;
    };
    std::size_t unresolved = 0;
    for (Block& block : drawing.blocks)
        for (Viewport& viewport : block.viewports) {
            viewport.frozenLayers.clear();
            for (std::uint64_t handle : viewport.frozenLayerHandles) {
                if (auto it = layerByHandle.find(handle); it != layerByHandle.end())
                    viewport.frozenLayers.push_back(it->second);
                else
                    ++unresolved;
            }
            if (!viewport.frozenLayerNames.empty() && layerByName.empty())
                for (std::uint32_t l = 0; l < drawing.layers.size(); ++l)
                    layerByName.emplace(upper(drawing.layers[l].name), l);
            for (const std::string& name : viewport.frozenLayerNames) {
                if (auto it = layerByName.find(upper(name)); it != layerByName.end())
                    viewport.frozenLayers.push_back(it->second);
                else
                    ++unresolved;
            }
        }
    if (unresolved > 0)
        drawing.diagnostics.push_back(std::to_string(unresolved) +
                                      " layers frozen in viewports are not in the layer table; "
                                      "shown there");
}

} // namespace vexor::cad
