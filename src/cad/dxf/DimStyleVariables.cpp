#include "DimStyleVariables.h"

#include <algorithm>
#include <cmath>

namespace vexor::cad::dxf {
namespace {

Color colorNumber(const Group& g) {
    const std::int64_t n = g.asInt(0);
    if (n == 256)
        return Color::byLayer();
    if (n >= 1 && n <= 255)
        return Color::indexed(static_cast<int>(n));
    return Color::byBlock();
}

std::int16_t small(const Group& g, std::int64_t fallback) {
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(g.asInt(fallback), -32768, 32767));
}

// An arrowhead block by its handle (R2000 and later); an unknown or zero handle leaves the
// name as it is.
bool arrowByHandle(std::string& arrow, const Group& g, DxfContext& context) {
    const std::uint64_t handle = parseHandle(g.trimmed());
    if (handle == 0) {
        arrow.clear();
        return true;
    }
    const std::string* name = context.blockRecordName(handle);
    if (!name)
        return false;
    arrow = *name;
    return true;
}

} // namespace

bool applyDimVariable(DimStyle& s, int code, const Group& g, DxfContext& context) {
    switch (code) {
    case 3:
        s.postfix = context.decode(g.text);
        break;
    case 5:
        s.arrow = context.decode(g.trimmed());
        break;
    case 6:
        s.arrow1 = context.decode(g.trimmed());
        break;
    case 7:
        s.arrow2 = context.decode(g.trimmed());
        break;
    case 40:
        s.scale = g.asDouble(s.scale);
        break;
    case 41:
        s.arrowSize = g.asDouble(s.arrowSize);
        break;
    case 42:
        s.extensionOffset = g.asDouble(s.extensionOffset);
        break;
    case 44:
        s.extensionBeyond = g.asDouble(s.extensionBeyond);
        break;
    case 45:
        s.rounding = g.asDouble(s.rounding);
        break;
    case 46:
        s.dimLineBeyond = g.asDouble(s.dimLineBeyond);
        break;
    case 140:
        s.textHeight = g.asDouble(s.textHeight);
        break;
    case 142:
        s.tickSize = g.asDouble(s.tickSize);
        break;
    case 144:
        s.linearFactor = g.asDouble(s.linearFactor);
        break;
    case 147:
        s.textGap = g.asDouble(s.textGap);
        break;
    case 73:
        s.textInsideHorizontal = g.asInt(1) != 0;
        break;
    case 74:
        s.textOutsideHorizontal = g.asInt(1) != 0;
        break;
    case 75:
        s.suppressExtension1 = g.asInt() != 0;
        break;
    case 76:
        s.suppressExtension2 = g.asInt() != 0;
        break;
    case 77:
        s.textAbove = small(g, 0);
        break;
    case 78:
        s.zeroSuppression = small(g, 0);
        break;
    case 79:
        s.angularZeroSuppression = small(g, 0);
        break;
    case 173:
        s.separateArrows = g.asInt() != 0;
        break;
    case 176:
        s.lineColor = colorNumber(g);
        break;
    case 177:
        s.extensionColor = colorNumber(g);
        break;
    case 178:
        s.textColor = colorNumber(g);
        break;
    case 179:
        s.angularDecimals = small(g, 0);
        break;
    case 271:
        s.decimals = small(g, 4);
        break;
    case 275:
        s.angularUnits = small(g, 0);
        break;
    case 277:
        s.linearUnits = small(g, 2);
        break;
    case 278: {
        const std::int64_t c = g.asInt('.');
        s.decimalSeparator = c > 32 && c < 127 ? static_cast<char>(c) : '.';
        break;
    }
    case 281:
        s.suppressDimLine1 = g.asInt() != 0;
        break;
    case 282:
        s.suppressDimLine2 = g.asInt() != 0;
        break;
    case 340: {
        const std::uint32_t style = context.textStyleByHandle(parseHandle(g.trimmed()));
        if (style != kNoIndex)
            s.textStyle = style;
        break;
    }
    case 341:
        return arrowByHandle(s.leaderArrow, g, context);
    case 342:
        return arrowByHandle(s.arrow, g, context);
    case 343:
        return arrowByHandle(s.arrow1, g, context);
    case 344:
        return arrowByHandle(s.arrow2, g, context);
    }
    return true;
}

void readDimStyle(std::span<const Group> groups, DxfContext& context) {
    DimStyle style;
    bool named = false;
    int braces = 0; // application groups (102 "{NAME" .. "}") hold no variables
    std::vector<std::pair<int, Group>> later;
    for (const Group& g : groups) {
        if (g.code == 102) {
            braces += g.trimmed().starts_with('{') ? 1 : (braces > 0 ? -1 : 0);
            continue;
        }
        if (braces > 0)
            continue;
        if (g.code == 2) {
            style.name = context.decode(g.trimmed());
            named = true;
        } else if (!applyDimVariable(style, g.code, g, context)) {
            later.emplace_back(g.code, g);
        }
    }
    if (!named)
        return;
    Drawing& drawing = context.drawing();
    if (drawing.findDimStyle(style.name) != kNoIndex)
        return;
    drawing.dimStyles.push_back(std::move(style));
    // The block records come after the dimension styles in the file.
    for (const auto& [code, g] : later)
        context.deferArrowHandle(static_cast<std::uint32_t>(drawing.dimStyles.size() - 1), code,
                                 parseHandle(g.trimmed()));
}

std::shared_ptr<const DimStyle> dimStyleOverrides(std::span<const Group> xdata,
                                                  const DimStyle& base, DxfContext& context) {
    std::size_t i = 0;
    bool acad = false;
    for (; i < xdata.size(); ++i) {
        const Group& g = xdata[i];
        if (g.code == 1001)
            acad = g.trimmed() == "ACAD";
        else if (acad && g.code == 1000 && g.trimmed() == "DSTYLE")
            break;
    }
    if (i + 1 >= xdata.size() || !xdata[i + 1].is(1002, "{"))
        return nullptr;
    auto style = std::make_shared<DimStyle>(base);
    bool any = false;
    for (i += 2; i + 1 < xdata.size(); i += 2) {
        const Group& code = xdata[i];
        if (code.code != 1070)
            break;
        applyDimVariable(*style, static_cast<int>(code.asInt(-1)), xdata[i + 1], context);
        any = true;
    }
    return any ? style : nullptr;
}

} // namespace vexor::cad::dxf
