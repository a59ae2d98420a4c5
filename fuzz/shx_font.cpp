// libFuzzer target for the compiled shape-font reader: any bytes give a font or none, with
// messages, within the reader's limits.
#include "cad/text/StrokeFont.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const vexor::cad::StrokeFontResult result = vexor::cad::readShxFont(
        std::string_view(reinterpret_cast<const char*>(data), size), "fuzz");
    if (result.font) {
        if (result.font->glyphCount() > vexor::cad::kMaxGlyphs)
            __builtin_trap();
        for (char32_t c = 0; c < 256; ++c)
            if (const auto* g = result.font->glyph(c);
                g && g->points.size() > vexor::cad::kMaxPointsPerGlyph)
                __builtin_trap();
    }
    return 0;
}
