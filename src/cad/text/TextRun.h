#pragma once

#include "../model/Math.h"
#include "TextFont.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vexor::cad {

// One line of text, laid out in its own frame: x along the baseline, y up, one unit = the text's
// cap height. `toWorld` maps that frame into the drawing. `align` says where the frame's origin
// sits on the run: 0 left, 1 centre, 2 right end of the text; the device measures the glyphs.
// With fitWidth > 0 the run is stretched or squeezed to that length: along x only (fit text)
// or uniformly when fitUniform (aligned text).
// `font` is the face the run was measured with (null: the device's own face) and `width` the
// run's natural width in frame units (0: unknown, the device measures it).
struct TextRun {
    std::string text; // UTF-8, control codes already interpreted
    Affine2 toWorld;
    std::uint8_t align = 0;
    double fitWidth = 0;
    bool fitUniform = false;
    double width = 0;
    std::shared_ptr<const TextFont> font;
};

} // namespace vexor::cad
