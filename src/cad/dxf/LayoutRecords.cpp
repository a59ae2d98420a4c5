#include "LayoutRecords.h"

#include "DimStyleVariables.h"

#include <algorithm>
#include <charconv>

namespace vexor::cad::dxf {
namespace {

std::uint64_t handleOf(const Group& g) {
    const std::string_view hex = g.trimmed();
    std::uint64_t value = 0;
    std::from_chars(hex.data(), hex.data() + hex.size(), value, 16);
    return value;
}

std::int16_t shortOf(const Group& g) {
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(g.asInt(), -32768, 32767));
}

} // namespace

void readDictionary(const EntityRecord& record, DxfContext& context) {
    std::uint64_t handle = 0;
    std::vector<std::pair<std::string, std::uint64_t>> entries;
    std::string_view name;
    for (const Group& g : record.groups) {
        if (g.code == 5)
            handle = handleOf(g);
        else if (g.code == 3)
            name = g.text;
        else if ((g.code == 350 || g.code == 360) && !name.empty())
            entries.emplace_back(context.decode(name), handleOf(g));
    }
    if (handle != 0)
        context.addDictionary(handle, std::move(entries));
}

Layout readLayout(const EntityRecord& record, DxfContext& context) {
    Layout layout;
    // The plot settings come first, then the layout's subclass, which reuses codes 1, 70
    // and 330 for its own values.
    bool layoutPart = false;
    for (const Group& g : record.groups) {
        if (g.code == 100) {
            layoutPart = g.trimmed() == "AcDbLayout";
            continue;
        }
        if (layoutPart) {
            switch (g.code) {
            case 1:
                layout.name = context.decode(g.text);
                break;
            case 71:
                layout.tabOrder = static_cast<std::int32_t>(
                    std::clamp<std::int64_t>(g.asInt(), -1'000'000, 1'000'000));
                break;
            case 330:
                layout.blockRecord = handleOf(g);
                break;
            case 10:
            case 20:
            case 11:
            case 21:
                layout.hasLimits = true;
                readCoordinate(g, 10, layout.limMin) || readCoordinate(g, 11, layout.limMax);
                break;
            }
            continue;
        }
        switch (g.code) {
        case 5:
            layout.handle = handleOf(g);
            break;
        case 1:
            layout.pageSetupName = context.decode(g.text);
            break;
        case 2:
            layout.printerName = context.decode(g.text);
            break;
        case 4:
            layout.paperName = context.decode(g.text);
            break;
        case 6:
            layout.plotViewName = context.decode(g.text);
            break;
        case 7:
            layout.plotStyleTable = context.decode(g.text);
            break;
        case 70:
            layout.plotFlags = static_cast<std::uint16_t>(g.asInt());
            break;
        case 74:
            layout.plotArea = static_cast<PlotArea>(shortOf(g));
            break;
        case 75:
            layout.standardScale = shortOf(g);
            break;
        case 48:
            layout.plotWindowMin.x = g.asDouble();
            break;
        case 49:
            layout.plotWindowMin.y = g.asDouble();
            break;
        case 140:
            layout.plotWindowMax.x = g.asDouble();
            break;
        case 141:
            layout.plotWindowMax.y = g.asDouble();
            break;
        case 40:
        case 41:
        case 42:
        case 43:
            layout.margins[g.code - 40] = g.asDouble();
            break;
        case 44:
            layout.paperSize.x = g.asDouble();
            break;
        case 45:
            layout.paperSize.y = g.asDouble();
            break;
        case 46:
            layout.plotOrigin.x = g.asDouble();
            break;
        case 47:
            layout.plotOrigin.y = g.asDouble();
            break;
        case 142:
            layout.printedUnits = g.asDouble(1);
            break;
        case 143:
            layout.drawingUnits = g.asDouble(1);
            break;
        case 72:
            layout.paperUnits = shortOf(g);
            break;
        case 73:
            layout.rotation = shortOf(g);
            break;
        }
    }
    return layout;
}

Viewport readViewport(const EntityRecord& record, DxfContext& context) {
    Viewport viewport;
    const EntityCommon common = readCommon(record, context);
    viewport.handle = common.handle;
    viewport.layer = common.layer;
    viewport.color = common.color;
    std::int64_t status = 0;
    bool viewInGroups = false;
    for (const Group& g : record.groups) {
        if (readCoordinate(g, 10, viewport.centre) || readCoordinate(g, 12, viewport.viewCentre) ||
            readCoordinate(g, 16, viewport.viewDirection) ||
            readCoordinate(g, 17, viewport.viewTarget))
            continue;
        switch (g.code) {
        case 40:
            viewport.width = g.asDouble();
            break;
        case 41:
            viewport.height = g.asDouble();
            break;
        case 45:
            viewport.viewHeight = g.asDouble();
            viewInGroups = true;
            break;
        case 51:
            viewport.twist = g.asDouble() * kDegreesToRadians;
            break;
        case 68:
            // 0: off; -1: on but not on screen; otherwise on (its stacking order).
            viewport.on = g.asInt(1) != 0;
            break;
        case 69:
            viewport.id =
                static_cast<std::int32_t>(std::clamp<std::int64_t>(g.asInt(), -1, 1 << 30));
            break;
        case 90:
            status = g.asInt();
            break;
        case 331:
            if (viewport.frozenLayerHandles.size() < 65536)
                viewport.frozenLayerHandles.push_back(handleOf(g));
            break;
        case 340:
            viewport.clipBoundary = handleOf(g);
            break;
        }
    }
    viewport.clipByBoundary = (status & 0x10000) != 0;
    if (status & 0x20000)
        viewport.on = false;
    // Files before R2000 keep the view in the ACAD extended data.
    if (!viewInGroups && !record.xdata.empty())
        readViewportView(extendedData(record.xdata, context), viewport);
    return viewport;
}

} // namespace vexor::cad::dxf
