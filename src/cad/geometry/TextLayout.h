#pragma once

#include "../model/Drawing.h"

#include <string>
#include <string_view>
#include <vector>

namespace vexor::cad {

struct TextRun;

// Single-line text with its %% control codes interpreted: %%d degree, %%c diameter, %%p plus
// or minus, %%nnn the character with that code, %%% a percent sign; %%u and %%o (underline and
// overline toggles) removed; \U+XXXX escapes decoded.
std::string expandTextCodes(std::string_view text);

// One line of multi-line text after its formatting codes are interpreted.
struct MTextLine {
    std::string text;
    double height = 0; // cap height of the tallest part of the line
};

// Multi-line text broken into lines: \P and \N start new lines, the other inline codes
// (\f \H \C \S \p \L \O \~ \\ {} ...) are applied or stripped, and lines longer than
// `wrapWidth` (when > 0) are wrapped at spaces.
std::vector<MTextLine> parseMText(std::string_view text, double height, double wrapWidth);

// Width of a line of text in units of its cap height, estimated from typical sans-serif
// advances. The device lays glyphs out with real metrics; this sizes boxes and wraps lines.
double estimateTextWidth(std::string_view utf8);

// Places single-line text (TEXT, ATTRIB, ATTDEF) in its OCS plane. `plane` maps the OCS plane
// to the drawing. Returns false when the text is empty or degenerate.
bool layoutText(const Text& text, const TextStyle* style, const Affine2& plane, TextRun& out);

// Places multi-line text: one run per line.
std::vector<TextRun> layoutMText(const MText& text, Vec3 extrusion);

// The box a run covers, from the estimated width.
Box2 textRunBox(const TextRun& run);

} // namespace vexor::cad
