#include "DisplayListCompiler.h"

#include <algorithm>
#include <cmath>

namespace vexor::cad {

// A fill colour carrying an opacity below 255 in its top byte as transparency (255 - alpha).
// Only a definite colour can: one by layer takes its layer's colour when that is definite.
ItemColor DisplayListCompiler::translucent(ItemColor color, std::uint32_t layer,
                                           std::uint8_t alpha) const {
    if (alpha == 255)
        return color;
    if (color.kind == ItemColorKind::ByLayer && layer < out_->layers_.size())
        color = out_->layers_[layer].color;
    if (color.kind == ItemColorKind::Rgb)
        color.rgb = (color.rgb & 0xFFFFFFu) | static_cast<std::uint32_t>(255 - alpha) << 24;
    return color;
}

// The background of multi-line text, drawn under its runs: the text's box grown by its margin,
// filled with its colour or with the view's background (which then hides what lies below, as a
// wipeout does), and a frame round it when asked.
void DisplayListCompiler::addMTextBackground(ItemList& list, const DisplayItem& item,
                                             const MText& text, const MTextLayout& laid,
                                             bool inBlock) {
    const double scale =
        std::isfinite(text.backgroundScale) ? std::clamp(text.backgroundScale, 1.0, 5.0) : 1.5;
    const double margin = (scale - 1) * text.height;
    const std::vector<Vec2> corners = frameBoxCorners(laid.frame, laid.extent, margin);
    if (corners.empty())
        return;
    if (text.backgroundFlags & (kMTextFill | kMTextFillBackground)) {
        DisplayItem fill = item;
        if (text.backgroundFlags & kMTextFillBackground)
            fill.kind = ItemKind::Wipeout;
        else
            fill.color = translucent(resolveColor(text.backgroundColor, item.layer, inBlock),
                                     item.layer, text.backgroundAlpha);
        addPolygon(list, fill, {corners});
    }
    if (text.backgroundFlags & kMTextFrame)
        addPolyline(list, item, corners, true);
}

} // namespace vexor::cad
