#pragma once

#include "cad/model/Drawing.h"

#include <string>

namespace vexor::test {

// A text style naming a font file (and a big font), the rest as a new style has it.
inline cad::TextStyle textStyle(std::string name, std::string font, std::string bigFont = {}) {
    cad::TextStyle style;
    style.name = std::move(name);
    style.fontFile = std::move(font);
    style.bigFontFile = std::move(bigFont);
    return style;
}

} // namespace vexor::test
