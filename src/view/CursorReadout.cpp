#include "CursorReadout.h"

#include "cad/query/UnitFormat.h"

#include <cmath>
#include <cstdio>

namespace vexor::view {
namespace {

std::string ratioPart(double v) {
    if (std::fabs(v - std::round(v)) < 1e-6 * std::max(1.0, v))
        return std::to_string(static_cast<long long>(std::llround(v)));
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", v);
    return buffer;
}

} // namespace

std::string ScaleRatio(double paperPerModel) {
    if (!std::isfinite(paperPerModel) || paperPerModel <= 0)
        return "?";
    if (paperPerModel >= 1)
        return ratioPart(paperPerModel) + ":1";
    return "1:" + ratioPart(1 / paperPerModel);
}

std::string CursorReadout(Program& program, double x, double y) {
    control::DrawingControl& c = program.Dbcocx1;
    std::int32_t units = 2, precision = 4;
    c.GetUnits(units, precision);
    const cad::LinearUnitFormat format{units, precision};
    auto point = [&](double px, double py) {
        return cad::formatLength(px, format) + ", " + cad::formatLength(py, format);
    };
    if (c.ShownLayout() == 0)
        return point(x, y);
    std::string text = "Paper " + point(x, y);
    double mx = 0, my = 0, scale = 1;
    if (c.ModelPointAt(x, y, mx, my, scale))
        text += " | Model " + point(mx, my) + " (" + ScaleRatio(scale) + ")";
    return text;
}

} // namespace vexor::view
