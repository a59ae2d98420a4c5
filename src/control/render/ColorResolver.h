#pragma once

#include "RenderStyle.h"
#include "cad/geometry/DisplayList.h"

#include <QColor>

namespace vexor::control {

// Turns an item's compiled colour into the colour drawn, for one background and medium:
// colour 7 and pure white or black that would vanish into the background take the contrast
// colour; a fore colour code replaces every colour.
class ColorResolver {
public:
    ColorResolver(const cad::DisplayList& list, const RenderStyle& style);

    // `inherited` is the colour of the insert drawing the item (for by-block colours) and
    // `layer` the layer the item is drawn on (the insert's for layer "0" items in blocks).
    QRgb resolve(const cad::ItemColor& color, std::uint32_t layer, QRgb inherited) const;
    QRgb contrast() const { return contrast_; }
    QRgb background() const { return background_; }

private:
    QRgb visible(QRgb rgb) const;

    const cad::DisplayList& list_;
    QRgb contrast_;
    QRgb background_;
    QRgb fore_ = 0;
    bool override_ = false;
    bool darkBackground_ = false;
    bool printing_ = false;
};

} // namespace vexor::control
