#include "DimStyleVariables.h"

namespace vexor::cad::dxf {
namespace {

// The block records and text styles read so far, by handle.
class ContextLookup final : public DimHandleLookup {
public:
    explicit ContextLookup(const DxfContext& context) : context_(context) {}
    const std::string* blockName(std::uint64_t handle) const override {
        return context_.blockRecordName(handle);
    }
    std::uint32_t textStyle(std::uint64_t handle) const override {
        return context_.textStyleByHandle(handle);
    }

private:
    const DxfContext& context_;
};

} // namespace

bool applyDimVariable(DimStyle& style, int code, const Group& g, DxfContext& context) {
    DimValue value;
    value.hasNumber = g.toDouble(value.number);
    // DIMPOST keeps its blanks; block names do not.
    value.text = context.decode(code == 3 ? g.text : g.trimmed());
    if (code >= 340 && code <= 344)
        value.handle = parseHandle(g.trimmed());
    return applyDimVariable(style, code, value, ContextLookup(context));
}

ExtendedData extendedData(std::span<const Group> xdata, DxfContext& context) {
    ExtendedData out;
    out.reserve(xdata.size());
    for (const Group& g : xdata) {
        // The y and z of a point (1020 to 1033) complete the point item before them.
        if (g.code >= 1020 && g.code <= 1033) {
            if (!out.empty() && out.back().code == (g.code % 10) + 1010)
                (g.code < 1030 ? out.back().point.y : out.back().point.z) = g.asDouble();
            continue;
        }
        XdataItem item;
        item.code = g.code;
        if (g.code >= 1010 && g.code <= 1013)
            item.point.x = g.asDouble();
        else if (g.code >= 1040 && g.code <= 1071)
            item.number = g.asDouble();
        else if (g.code == 1005)
            item.handle = parseHandle(g.trimmed());
        else
            item.text = context.decode(g.code == 1000 ? g.text : g.trimmed());
        out.push_back(std::move(item));
    }
    return out;
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
    return cad::dimStyleOverrides(extendedData(xdata, context), base, ContextLookup(context));
}

} // namespace vexor::cad::dxf
