#include "ColorResolver.h"

#include <algorithm>
#include <cmath>

namespace vexor::control {

namespace {

double luminance(QRgb c) {
    return (0.299 * qRed(c) + 0.587 * qGreen(c) + 0.114 * qBlue(c)) / 255.0;
}

// A style's lineweight in millimetres as the item's 1/100 mm.
std::optional<std::int16_t> hundredths(std::optional<double> mm) {
    if (!mm)
        return std::nullopt;
    return static_cast<std::int16_t>(std::lround(std::min(*mm, 20.0) * 100));
}

} // namespace

ColorResolver::ColorResolver(const cad::DisplayList& list, const RenderStyle& style)
    : list_(list), printing_(style.printing) {
    background_ = style.background.isValid() ? style.background.rgb() : qRgb(255, 255, 255);
    darkBackground_ = !printing_ && luminance(background_) < 0.5;
    contrast_ = darkBackground_ ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
    if (isForeColorCode(style.foreColor)) {
        override_ = true;
        fore_ = paletteColor(style.foreColor).rgb();
        // The one-colour mode's white is the screen's ink colour: black on paper.
        if (printing_ && (fore_ & 0xFFFFFFu) == 0xFFFFFFu)
            fore_ = contrast_;
    }
    // A layout printed with plot styles takes its colours from its table.
    if (printing_ && style.sheet >= 0 &&
        static_cast<std::size_t>(style.sheet) < list.sheets().size()) {
        const cad::Sheet& sheet = list.sheets()[static_cast<std::size_t>(style.sheet)];
        if (sheet.plotStyles && (sheet.plotFlags & cad::kPlotWithPlotStyles))
            plotStyles_ = sheet.plotStyles.get();
    }
    if (plotStyles_ && !plotStyles_->colorDependent) {
        defaultStyle_ = plotStyles_->forColorNumber(7);
        for (const std::string& name : list.plotStyleNames()) {
            const cad::PlotStyle* style = plotStyles_->byName(name);
            namedStyles_.push_back(style ? style : defaultStyle_);
        }
    }
}

const cad::PlotStyle* ColorResolver::namedStyle(std::uint8_t code, std::uint32_t layer,
                                                const cad::PlotStyle* inherited) const {
    if (!defaultStyle_)
        return nullptr;
    if (code == cad::kPlotStyleByBlock && inherited)
        return inherited;
    if (code == cad::kPlotStyleByLayer || code == cad::kPlotStyleByBlock)
        code = layer < list_.layers().size() ? list_.layers()[layer].plotStyle
                                             : cad::kPlotStyleDefault;
    const std::size_t index = code >= cad::kPlotStyleNamed ? code - cad::kPlotStyleNamed : ~0u;
    return index < namedStyles_.size() ? namedStyles_[index] : defaultStyle_;
}

QRgb ColorResolver::plotted(std::uint32_t rgb, int aci, const cad::PlotStyle* named) const {
    const std::uint32_t own = rgb & 0xFFFFFFu;
    const std::uint32_t styled = named ? named->plotColor(own) : plotStyles_->plotColor(own, aci);
    // A style that keeps the object's colour keeps it visible on paper too.
    return styled == own && aci != 7 ? visible(own) : (styled | 0xFF000000u);
}

std::optional<std::int16_t> ColorResolver::plotLineweight(const cad::ItemColor& color,
                                                          std::uint32_t layer,
                                                          const cad::PlotStyle* named) const {
    if (!plotStyles_)
        return std::nullopt;
    if (named)
        return hundredths(named->lineweightMm);
    std::optional<double> mm;
    switch (color.kind) {
    case cad::ItemColorKind::Rgb:
        mm = plotStyles_->plotLineweightMm(color.rgb, 0);
        break;
    case cad::ItemColorKind::Foreground:
        mm = plotStyles_->plotLineweightMm(0, 7);
        break;
    case cad::ItemColorKind::ByLayer:
        if (layer < list_.layers().size() &&
            list_.layers()[layer].color.kind != cad::ItemColorKind::ByLayer)
            return plotLineweight(list_.layers()[layer].color, layer);
        break;
    case cad::ItemColorKind::ByBlock:
        break; // the insert's colour is not known here: the object's own lineweight
    }
    return hundredths(mm);
}

QRgb ColorResolver::visible(QRgb rgb) const {
    rgb |= 0xFF000000u;
    if (printing_)
        return luminance(rgb) > 0.93 ? contrast_ : rgb;
    if (!darkBackground_ && (rgb & 0xFFFFFFu) == 0xFFFFFFu)
        return contrast_;
    if (darkBackground_ && (rgb & 0xFFFFFFu) == 0)
        return contrast_;
    return rgb;
}

QRgb ColorResolver::resolve(const cad::ItemColor& color, std::uint32_t layer, QRgb inherited,
                            const cad::PlotStyle* named) const {
    if (override_)
        return fore_;
    switch (color.kind) {
    case cad::ItemColorKind::Rgb:
        return plotStyles_ ? plotted(color.rgb, 0, named) : visible(color.rgb);
    case cad::ItemColorKind::Foreground:
        return plotStyles_ ? plotted(contrast_, 7, named) : contrast_;
    case cad::ItemColorKind::ByBlock:
        return inherited;
    case cad::ItemColorKind::ByLayer:
        if (layer < list_.layers().size())
            return resolve(list_.layers()[layer].color, layer, inherited, named);
        return contrast_;
    }
    return contrast_;
}

} // namespace vexor::control
