#include "ColorResolver.h"

namespace vexor::control {

namespace {

double luminance(QRgb c) {
    return (0.299 * qRed(c) + 0.587 * qGreen(c) + 0.114 * qBlue(c)) / 255.0;
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

QRgb ColorResolver::resolve(const cad::ItemColor& color, std::uint32_t layer,
                            QRgb inherited) const {
    if (override_)
        return fore_;
    switch (color.kind) {
    case cad::ItemColorKind::Rgb:
        return visible(color.rgb);
    case cad::ItemColorKind::Foreground:
        return contrast_;
    case cad::ItemColorKind::ByBlock:
        return inherited;
    case cad::ItemColorKind::ByLayer:
        if (layer < list_.layers().size())
            return resolve(list_.layers()[layer].color, layer, inherited);
        return contrast_;
    }
    return contrast_;
}

} // namespace vexor::control
