#pragma once

#include "RenderStyle.h"
#include "cad/geometry/DisplayList.h"

#include <QColor>
#include <optional>

namespace vexor::control {

// Turns an item's compiled colour into the colour drawn, for one background and medium:
// colour 7 and pure white or black that would vanish into the background take the contrast
// colour; a fore colour code replaces every colour.
class ColorResolver {
public:
    ColorResolver(const cad::DisplayList& list, const RenderStyle& style);

    // `inherited` is the colour of the insert drawing the item (for by-block colours) and
    // `layer` the layer the item is drawn on (the insert's for layer "0" items in blocks).
    // `named` is the item's style of a named plot style table (see namedStyle()).
    QRgb resolve(const cad::ItemColor& color, std::uint32_t layer, QRgb inherited,
                 const cad::PlotStyle* named = nullptr) const;
    // The same for a colour packed as in cad::ItemSummary, given the colour the item's layer
    // resolves to.
    QRgb resolvePacked(std::uint32_t packed, QRgb byLayer, QRgb inherited,
                       const cad::PlotStyle* named = nullptr) const {
        if (override_)
            return fore_;
        switch (static_cast<cad::ItemColorKind>(packed >> 24)) {
        case cad::ItemColorKind::Rgb:
            return plotStyles_ ? plotted(packed & 0xFFFFFFu, 0, named)
                               : visible(packed & 0xFFFFFFu);
        case cad::ItemColorKind::ByBlock:
            return inherited;
        case cad::ItemColorKind::ByLayer:
            return byLayer;
        case cad::ItemColorKind::Foreground:
            break;
        }
        return plotStyles_ ? plotted(contrast_, 7, named) : contrast_;
    }
    // The lineweight (1/100 mm) the printed layout's plot style gives an item of this colour
    // (or its named style); none when it keeps the item's own.
    std::optional<std::int16_t> plotLineweight(const cad::ItemColor& color, std::uint32_t layer,
                                               const cad::PlotStyle* named = nullptr) const;
    // The style of a named plot style table an item plots in, given its cad::kPlotStyle* code,
    // the layer it is drawn on and the style of the insert drawing it; nullptr unless a layout
    // prints through a named table.
    const cad::PlotStyle* namedStyle(std::uint8_t code, std::uint32_t layer,
                                     const cad::PlotStyle* inherited) const;
    QRgb contrast() const { return contrast_; }
    QRgb background() const { return background_; }

private:
    QRgb visible(QRgb rgb) const;
    // A colour (colour number `aci`, 0 when only its value is known) through the plot styles:
    // the named style when there is one, else the table's style for the colour.
    QRgb plotted(std::uint32_t rgb, int aci, const cad::PlotStyle* named) const;

    const cad::DisplayList& list_;
    QRgb contrast_;
    QRgb background_;
    QRgb fore_ = 0;
    bool override_ = false;
    bool darkBackground_ = false;
    bool printing_ = false;
    const cad::PlotStyleTable* plotStyles_ = nullptr; // a printed layout's, when it plots with them
    // A named table's styles for DisplayList::plotStyleNames() (its default where it lacks
    // one), and its default style; empty and null for colour-dependent tables.
    std::vector<const cad::PlotStyle*> namedStyles_;
    const cad::PlotStyle* defaultStyle_ = nullptr;
};

} // namespace vexor::control
