#pragma once

#include <cstdint>

namespace vexor::cad {

// An entity or layer colour as the file stores it: by layer, by block, an index of the
// 256-entry CAD colour index, or a true RGB colour.
struct Color {
    enum class Kind : std::uint8_t { ByLayer, ByBlock, Index, True };

    Kind kind = Kind::ByLayer;
    std::int16_t index = 256; // meaningful for Kind::Index (1..255); 0 = by block, 256 = by layer
    std::uint32_t rgb = 0;    // 0xRRGGBB, meaningful for Kind::True

    static Color byLayer() { return {}; }
    static Color byBlock() { return {Kind::ByBlock, 0, 0}; }
    static Color indexed(int i) { return {Kind::Index, static_cast<std::int16_t>(i), 0}; }
    static Color trueColor(std::uint32_t rgb) { return {Kind::True, 0, rgb & 0xFFFFFFu}; }

    bool operator==(const Color& o) const {
        return kind == o.kind && (kind != Kind::Index || index == o.index) &&
               (kind != Kind::True || rgb == o.rgb);
    }
};

// RGB (0xRRGGBB) of a colour index 0..255 of the standard CAD colour index. Index 7 is
// white here; drawing it black on a light background is the renderer's choice.
std::uint32_t colorIndexRgb(int index);

// The opacity (0 clear .. 255 opaque) a stored transparency value gives: the top byte says how
// it is meant (2: the low byte is the alpha); by layer, by block or anything else is opaque.
inline std::uint8_t transparencyAlpha(std::int64_t stored) {
    return ((stored >> 24) & 0xFF) == 2 ? static_cast<std::uint8_t>(stored & 0xFF) : 255;
}

} // namespace vexor::cad
