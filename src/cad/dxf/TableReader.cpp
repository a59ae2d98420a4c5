#include "TableReader.h"

#include "../model/AsciiCase.h"
#include "DimStyleVariables.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vexor::cad::dxf {
namespace {

void readLayer(const EntityRecord& r, DxfContext& context) {
    Layer layer;
    bool named = false;
    std::int64_t colorNumber = 7;
    std::optional<std::uint32_t> trueColor;
    std::uint64_t plotStyle = 0;
    for (const Group& g : r.groups) {
        switch (g.code) {
        case 2:
            layer.name = context.decode(g.text);
            named = true;
            break;
        case 5:
            std::from_chars(g.trimmed().data(), g.trimmed().data() + g.trimmed().size(),
                            layer.handle, 16);
            break;
        case 6:
            layer.linetype = context.linetype(g.trimmed());
            break;
        case 62:
            colorNumber = g.asInt(7);
            break;
        case 70: {
            const auto flags = g.asInt();
            layer.frozen = (flags & 1) != 0;
            layer.locked = (flags & 4) != 0;
            break;
        }
        case 290:
            layer.plottable = g.asInt(1) != 0;
            break;
        case 370:
            layer.lineweight =
                static_cast<std::int16_t>(std::clamp<std::int64_t>(g.asInt(-3), -3, 211));
            break;
        case 390:
            plotStyle = parseHandle(g.trimmed());
            break;
        case 420:
            trueColor = static_cast<std::uint32_t>(g.asInt());
            break;
        }
    }
    if (!named) {
        context.diagnostic(r.position, "LAYER entry without a name skipped");
        return;
    }
    // A negative colour number marks a layer that is off.
    layer.off = colorNumber < 0;
    const std::int64_t positive = colorNumber < 0 ? -colorNumber : colorNumber;
    layer.color = Color::indexed(positive >= 1 && positive <= 255 ? static_cast<int>(positive) : 7);
    if (trueColor) {
        const auto index = layer.color.index;
        layer.color = Color::trueColor(*trueColor);
        layer.color.index = index;
    }
    Drawing& drawing = context.drawing();
    const std::uint32_t slot = drawing.layerIndex(layer.name);
    drawing.layers[slot] = std::move(layer);
    context.registerLayer(slot);
    if (plotStyle)
        context.addLayerPlotStyle(slot, plotStyle);
}

// A VIEW table entry: its centre (relative to its target, seen along its direction), width
// and height. Views seen other than from above keep the plan of their area.
void readView(const EntityRecord& r, DxfContext& context) {
    std::string_view name;
    Vec2 centre;
    Vec3 target;
    double width = 0, height = 0;
    for (const Group& g : r.groups) {
        if (g.code == 2)
            name = g.text;
        else if (g.code == 40)
            height = g.asDouble();
        else if (g.code == 41)
            width = g.asDouble();
        else
            readCoordinate(g, 10, centre) || readCoordinate(g, 12, target);
    }
    if (name.empty() || !(width > 0) || !(height > 0) || !std::isfinite(width + height) ||
        !std::isfinite(centre.x + centre.y + target.x + target.y))
        return;
    const Vec2 middle = centre + target.xy();
    Box2 area;
    area.add(middle - Vec2{width / 2, height / 2});
    area.add(middle + Vec2{width / 2, height / 2});
    context.addView(context.decode(name), area);
}

void readLinetype(const EntityRecord& r, DxfContext& context) {
    Linetype linetype;
    std::uint64_t handle = 0;
    std::string_view rawName;
    for (const Group& g : r.groups) {
        switch (g.code) {
        case 5:
            handle = parseHandle(g.trimmed());
            break;
        case 2:
            rawName = g.trimmed();
            linetype.name = context.decode(g.text);
            break;
        case 3:
            linetype.description = context.decode(g.text);
            break;
        case 40:
            linetype.patternLength = g.asDouble();
            break;
        case 49:
            linetype.pattern.push_back(g.asDouble());
            break;
        }
    }
    auto& list = context.drawing().linetypes;
    if (context.drawing().findLinetype(linetype.name) < 0)
        list.push_back(std::move(linetype));
    // Multileaders and their styles name linetypes by handle.
    context.addLinetypeHandle(handle, context.linetype(rawName));
}

void readTextStyle(const EntityRecord& r, DxfContext& context) {
    TextStyle style;
    std::uint64_t handle = 0;
    for (const Group& g : r.groups) {
        switch (g.code) {
        case 5:
            handle = parseHandle(g.trimmed());
            break;
        case 2:
            style.name = context.decode(g.text);
            break;
        case 3:
            style.fontFile = context.decode(g.text);
            break;
        case 4:
            style.bigFontFile = context.decode(g.text);
            break;
        case 40:
            style.fixedHeight = g.asDouble();
            break;
        case 41:
            style.widthFactor = g.asDouble(1);
            break;
        case 50:
            style.oblique = g.asDouble() * kDegreesToRadians;
            break;
        case 70:
            style.shapeFile = (g.asInt() & 1) != 0;
            style.vertical = (g.asInt() & 4) != 0;
            break;
        }
    }
    // A TrueType style may name its family only in its extended data.
    readStyleFamily(extendedData(r.xdata, context), style);
    auto& list = context.drawing().textStyles;
    // Shape files have no name of their own: each is an entry.
    std::uint32_t index = style.shapeFile ? kNoIndex : context.drawing().findTextStyle(style.name);
    if (index == kNoIndex) {
        index = static_cast<std::uint32_t>(list.size());
        list.push_back(std::move(style));
    }
    context.addTextStyleHandle(handle, index);
}

void readBlockRecordEntry(const EntityRecord& r, DxfContext& context) {
    std::uint64_t handle = 0;
    std::string name;
    for (const Group& g : r.groups) {
        if (g.code == 5)
            handle = parseHandle(g.trimmed());
        else if (g.code == 2)
            name = context.decode(g.trimmed());
    }
    context.addBlockRecord(handle, std::move(name));
}

} // namespace

void readHeaderVariables(std::span<const Group> groups, Header& header) {
    std::string_view name;
    Vec3 point;
    auto finishPoint = [&] {
        if (name == "$EXTMIN")
            header.extMin = point;
        else if (name == "$EXTMAX")
            header.extMax = point;
        else if (name == "$LIMMIN")
            header.limMin = point.xy();
        else if (name == "$LIMMAX")
            header.limMax = point.xy();
        else if (name == "$INSBASE")
            header.insBase = point;
    };
    for (const Group& g : groups) {
        if (g.code == 9) {
            finishPoint();
            name = g.trimmed();
            point = {};
            continue;
        }
        if (readCoordinate(g, 10, point))
            continue;
        if (name == "$ACADVER" && g.code == 1)
            header.version = std::string(g.trimmed());
        else if (name == "$DWGCODEPAGE" && g.code == 3)
            header.codepage = asciiUpper(g.trimmed());
        else if (name == "$INSUNITS")
            header.insUnits = static_cast<std::int32_t>(g.asInt());
        else if (name == "$LUNITS")
            header.linearUnits = static_cast<std::int32_t>(g.asInt());
        else if (name == "$LUPREC")
            header.linearPrecision = static_cast<std::int32_t>(g.asInt());
        else if (name == "$MEASUREMENT")
            header.measurement = static_cast<std::int32_t>(g.asInt());
        else if (name == "$LTSCALE")
            header.linetypeScale = g.asDouble(1);
        else if (name == "$PDMODE")
            header.pointMode = static_cast<std::int32_t>(g.asInt());
        else if (name == "$PDSIZE")
            header.pointSize = g.asDouble();
        else if (name == "$LWDISPLAY")
            header.lineweightDisplay = g.asInt() != 0;
        else if (name == "$PSTYLEMODE")
            header.namedPlotStyles = g.asInt(1) == 0;
        else if (name == "$XCLIPFRAME")
            header.clipFrame = static_cast<std::int32_t>(g.asInt());
    }
    finishPoint();
}

void readTableEntry(const EntityRecord& record, DxfContext& context) {
    if (record.type == "LAYER")
        readLayer(record, context);
    else if (record.type == "LTYPE")
        readLinetype(record, context);
    else if (record.type == "STYLE")
        readTextStyle(record, context);
    else if (record.type == "DIMSTYLE")
        readDimStyle(record.groups, context);
    else if (record.type == "BLOCK_RECORD")
        readBlockRecordEntry(record, context);
    else if (record.type == "VIEW")
        readView(record, context);
}

} // namespace vexor::cad::dxf
