#include "StrokeBuilder.h"

#include <algorithm>
#include <cmath>

namespace vexor::control {

namespace {

constexpr double kMaxDashRepeats = 20000;
constexpr double kScreenPixelsPerMillimetre = 96.0 / 25.4;
constexpr std::int16_t kDefaultLineweight = 25; // what "default" stands for: 0.25 mm
constexpr std::int16_t kHeaviest = 211;         // 2.11 mm, the heaviest standard lineweight

} // namespace

StrokeBuilder::StrokeBuilder(const cad::DisplayList& list, double pixelScale,
                             LineweightWidths widths)
    : list_(list), pixelScale_(pixelScale), widths_(widths) {}

double StrokeBuilder::width(std::int16_t lineweight) const {
    if (!widths_.shown)
        return 0;
    // ByLayer is resolved when compiling and ByBlock by the insert; what is left of them at
    // the top is the default.
    if (lineweight < 0)
        lineweight = kDefaultLineweight;
    lineweight = std::min(lineweight, kHeaviest);
    const double millimetres = lineweight / 100.0;
    // Device pixels are screen pixels times the device's scale (its resolution over 96 dpi).
    if (widths_.onPaper)
        return millimetres * widths_.scale * kScreenPixelsPerMillimetre * pixelScale_;
    const double pixels = std::round(millimetres * kScreenPixelsPerMillimetre);
    return pixels > 1 ? pixels * pixelScale_ : 0;
}

void StrokeBuilder::build(StrokeStyle& out, std::int32_t linetype, float linetypeScale,
                          std::int16_t lineweight, double unitsToPixels,
                          double lengthPixels) const {
    out.width = width(lineweight);
    out.dashes.clear();
    if (linetype < 0 || static_cast<std::size_t>(linetype) >= list_.linetypes().size())
        return;
    const cad::Linetype& type = list_.linetypes()[static_cast<std::size_t>(linetype)];
    const double scale = list_.linetypeScale() * linetypeScale * unitsToPixels;
    double total = 0;
    bool hasGap = false;
    for (double d : type.pattern) {
        total += std::fabs(d);
        hasGap = hasGap || d < 0;
    }
    total *= scale;
    if (!hasGap || !std::isfinite(total) ||
        total < 2.0 * pixelScale_ * static_cast<double>(type.pattern.size()) ||
        lengthPixels / total > kMaxDashRepeats)
        return;
    // Alternating dash, gap, dash ... in pixels, starting with a dash; dots become one-pixel
    // dashes, and runs of equal sign merge so the pattern alternates.
    std::vector<double> pattern = type.pattern;
    const auto firstDash =
        std::find_if(pattern.begin(), pattern.end(), [](double d) { return d >= 0; });
    std::rotate(pattern.begin(), firstDash, pattern.end());
    std::vector<double> merged;
    bool lastWasDash = false;
    for (double d : pattern) {
        const bool dash = d >= 0;
        const double len = dash ? std::max(d * scale, pixelScale_) : -d * scale;
        if (!merged.empty() && dash == lastWasDash)
            merged.back() += len;
        else
            merged.push_back(len);
        lastWasDash = dash;
    }
    if (merged.size() % 2 == 1) { // ends with a dash: it runs on into the first one
        merged.front() += merged.back();
        merged.pop_back();
    }
    if (merged.size() < 2)
        return;
    out.dashes = std::move(merged);
}

} // namespace vexor::control
