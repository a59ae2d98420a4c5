// libFuzzer target for the stroke-font reader: any bytes give a font or none, with messages,
// within the reader's limits. Seed it with /usr/share/librecad/fonts.
#include "cad/text/StrokeFont.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const vexor::cad::StrokeFontResult result = vexor::cad::readLffFont(
        std::string_view(reinterpret_cast<const char*>(data), size), "fuzz");
    if (result.font && result.font->glyphCount() > vexor::cad::kMaxGlyphs)
        __builtin_trap();
    return 0;
}
