#include "ExtendedData.h"

#include <algorithm>
#include <cmath>

namespace vexor::cad {
namespace {

Color colorNumber(const DimValue& v) {
    if (v.color)
        return *v.color;
    const double n = v.hasNumber ? v.number : 0;
    if (n == 256)
        return Color::byLayer();
    if (n >= 1 && n <= 255)
        return Color::indexed(static_cast<int>(n));
    return Color::byBlock();
}

double real(const DimValue& v, double current) {
    return v.hasNumber ? v.number : current;
}

std::int16_t small(const DimValue& v, std::int16_t fallback) {
    if (!v.hasNumber || !std::isfinite(v.number))
        return fallback;
    return static_cast<std::int16_t>(std::clamp(v.number, -32768.0, 32767.0));
}

bool flag(const DimValue& v, bool fallback) {
    return v.hasNumber ? v.number != 0 : fallback;
}

// An arrowhead block by its handle; a zero handle means the standard closed filled arrow.
bool arrowByHandle(std::string& arrow, const DimValue& v, const DimHandleLookup& lookup) {
    if (v.handle == 0) {
        arrow.clear();
        return true;
    }
    const std::string* name = lookup.blockName(v.handle);
    if (!name)
        return false;
    arrow = *name;
    return true;
}

bool isOpen(const XdataItem& item) {
    return item.code == 1002 && item.text == "{";
}
bool isClose(const XdataItem& item) {
    return item.code == 1002 && item.text == "}";
}

} // namespace

std::span<const XdataItem> xdataList(const ExtendedData& xdata, std::string_view application,
                                     std::string_view name) {
    bool inApplication = false;
    for (std::size_t i = 0; i < xdata.size(); ++i) {
        const XdataItem& item = xdata[i];
        if (item.code == 1001) {
            inApplication = item.text == application;
            continue;
        }
        if (!inApplication || item.code != 1000 || item.text != name || i + 1 >= xdata.size() ||
            !isOpen(xdata[i + 1]))
            continue;
        const std::size_t first = i + 2;
        int depth = 1;
        for (std::size_t j = first; j < xdata.size(); ++j) {
            if (isOpen(xdata[j]))
                ++depth;
            else if (isClose(xdata[j]) && --depth == 0)
                return std::span(xdata).subspan(first, j - first);
        }
        return std::span(xdata).subspan(first); // unclosed: up to the end
    }
    return {};
}

bool applyDimVariable(DimStyle& s, int code, const DimValue& v, const DimHandleLookup& lookup) {
    switch (code) {
    case 3:
        s.postfix = v.text;
        break;
    case 5:
        s.arrow = v.text;
        break;
    case 6:
        s.arrow1 = v.text;
        break;
    case 7:
        s.arrow2 = v.text;
        break;
    case 40:
        s.scale = real(v, s.scale);
        break;
    case 41:
        s.arrowSize = real(v, s.arrowSize);
        break;
    case 42:
        s.extensionOffset = real(v, s.extensionOffset);
        break;
    case 44:
        s.extensionBeyond = real(v, s.extensionBeyond);
        break;
    case 45:
        s.rounding = real(v, s.rounding);
        break;
    case 46:
        s.dimLineBeyond = real(v, s.dimLineBeyond);
        break;
    case 140:
        s.textHeight = real(v, s.textHeight);
        break;
    case 142:
        s.tickSize = real(v, s.tickSize);
        break;
    case 144:
        s.linearFactor = real(v, s.linearFactor);
        break;
    case 147:
        s.textGap = real(v, s.textGap);
        break;
    case 73:
        s.textInsideHorizontal = flag(v, true);
        break;
    case 74:
        s.textOutsideHorizontal = flag(v, true);
        break;
    case 75:
        s.suppressExtension1 = flag(v, false);
        break;
    case 76:
        s.suppressExtension2 = flag(v, false);
        break;
    case 77:
        s.textAbove = small(v, 0);
        break;
    case 78:
        s.zeroSuppression = small(v, 0);
        break;
    case 79:
        s.angularZeroSuppression = small(v, 0);
        break;
    case 173:
        s.separateArrows = flag(v, false);
        break;
    case 176:
        s.lineColor = colorNumber(v);
        break;
    case 177:
        s.extensionColor = colorNumber(v);
        break;
    case 178:
        s.textColor = colorNumber(v);
        break;
    case 179:
        s.angularDecimals = small(v, 0);
        break;
    case 271:
        s.decimals = small(v, 4);
        break;
    case 275:
        s.angularUnits = small(v, 0);
        break;
    case 277:
        s.linearUnits = small(v, 2);
        break;
    case 278: {
        const std::int16_t c = small(v, '.');
        s.decimalSeparator = c > 32 && c < 127 ? static_cast<char>(c) : '.';
        break;
    }
    case 281:
        s.suppressDimLine1 = flag(v, false);
        break;
    case 282:
        s.suppressDimLine2 = flag(v, false);
        break;
    case 340: {
        const std::uint32_t style = lookup.textStyle(v.handle);
        if (style != kNoIndex)
            s.textStyle = style;
        break;
    }
    case 341:
        return arrowByHandle(s.leaderArrow, v, lookup);
    case 342:
        return arrowByHandle(s.arrow, v, lookup);
    case 343:
        return arrowByHandle(s.arrow1, v, lookup);
    case 344:
        return arrowByHandle(s.arrow2, v, lookup);
    }
    return true;
}

std::shared_ptr<const DimStyle> dimStyleOverrides(const ExtendedData& xdata, const DimStyle& base,
                                                  const DimHandleLookup& lookup) {
    const std::span<const XdataItem> list = xdataList(xdata, "ACAD", "DSTYLE");
    if (list.empty())
        return nullptr;
    auto style = std::make_shared<DimStyle>(base);
    bool any = false;
    for (std::size_t i = 0; i + 1 < list.size(); i += 2) {
        const XdataItem& code = list[i];
        // Variable numbers are 16-bit integers; anything else ends the list.
        if (code.code != 1070 || !(std::abs(code.number) <= 32767))
            break;
        const XdataItem& item = list[i + 1];
        DimValue value;
        value.hasNumber = item.code >= 1040 && item.code <= 1071;
        value.number = item.number;
        value.text = item.text;
        value.handle = item.handle;
        applyDimVariable(*style, static_cast<int>(code.number), value, lookup);
        any = true;
    }
    return any ? style : nullptr;
}

bool readViewportView(const ExtendedData& xdata, Viewport& viewport) {
    const std::span<const XdataItem> list = xdataList(xdata, "ACAD", "MVIEW");
    // After the version: target and direction points, then twist, height, centre x and y.
    int points = 0, reals = 0, depth = 0;
    Vec3 target, direction{0, 0, 1};
    double twist = 0, height = 0;
    Vec2 centre;
    std::vector<std::string> frozenNames;
    std::vector<std::uint64_t> frozenHandles;
    for (const XdataItem& item : list) {
        if (isOpen(item)) {
            ++depth;
        } else if (isClose(item)) {
            --depth;
        } else if (depth > 0) {
            // The nested list names the layers frozen in this viewport.
            if (item.code == 1003 && frozenNames.size() + frozenHandles.size() < 65536) {
                if (item.handle != 0)
                    frozenHandles.push_back(item.handle);
                else if (!item.text.empty())
                    frozenNames.push_back(item.text);
            }
        } else if (item.code == 1010) {
            (points == 0 ? target : direction) = item.point;
            ++points;
        } else if (item.code == 1040 && points >= 2) {
            switch (reals++) {
            case 0:
                twist = item.number;
                break;
            case 1:
                height = item.number;
                break;
            case 2:
                centre.x = item.number;
                break;
            case 3:
                centre.y = item.number;
                break;
            }
        }
    }
    if (points < 2 || reals < 4)
        return false;
    viewport.viewTarget = target;
    viewport.viewDirection = direction;
    viewport.twist = twist;
    viewport.viewHeight = height;
    viewport.viewCentre = centre;
    viewport.frozenLayerNames = std::move(frozenNames);
    viewport.frozenLayerHandles = std::move(frozenHandles);
    return true;
}

void readStyleFamily(const ExtendedData& xdata, TextStyle& style) {
    bool acad = false;
    for (const XdataItem& item : xdata) {
        if (item.code == 1001) {
            acad = item.text == "ACAD";
        } else if (acad && item.code == 1000 && style.family.empty()) {
            style.family = item.text;
        } else if (acad && item.code == 1071 && !style.family.empty()) {
            const auto flags = static_cast<std::int64_t>(item.number);
            style.familyItalic = (flags & 0x1000000) != 0;
            style.familyBold = (flags & 0x2000000) != 0;
            return;
        }
    }
}

} // namespace vexor::cad
