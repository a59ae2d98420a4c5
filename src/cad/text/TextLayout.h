#pragma once

#include "../model/Drawing.h"
#include "TextFont.h"
#include "TextRun.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexor::cad {

// Single-line text with its %% control codes interpreted: %%d degree, %%c diameter, %%p plus
// or minus, %%nnn the character with that code, %%% a percent sign; %%u and %%o (underline and
// overline toggles) removed; \U+XXXX escapes decoded.
std::string expandTextCodes(std::string_view text);

// One line of multi-line text after its formatting codes are interpreted.
struct MTextLine {
    std::string text;
    double height = 0; // cap height of the tallest part of the line
};

// Multi-line text broken into lines as layoutMText lays it out: \P and \N start new lines,
// the other inline codes are applied or stripped (a stacked fraction reads "1/2"), and lines
// longer than `wrapWidth` (when > 0) are wrapped at spaces by the widths of the default font.
std::vector<MTextLine> parseMText(std::string_view text, double height, double wrapWidth);

// A straight line drawn with text (underline, overline, strike-through, fraction bar), in the
// drawing's coordinates, with the colour of its text when it has one of its own.
struct TextRule {
    Vec2 from, to;
    std::optional<Color> color;
};

// Places single-line text (TEXT, ATTRIB, ATTDEF) in its OCS plane. `plane` maps the OCS plane
// to the drawing. The face comes from the style (the default stroke font without one); widths
// are measured with it so that every alignment lands where it should. %%u and %%o add rules.
// Returns false when the text is empty or degenerate.
bool layoutText(const Text& text, const TextStyle* style, const Affine2& plane, TextRun& out,
                std::vector<TextRule>* rules = nullptr);

// Whether text runs top to bottom: drawing direction 3, or 5 ("as the style says") with a
// vertical style.
bool isVerticalText(std::int16_t drawingDirection, const TextStyle* style);

// Single-line text in a vertical style: one run per character, each below the one before and
// centred on the line through the insertion point (the alignment point for centred, middle and
// right text, which put the column's middle or foot there); aligned and fitted text spreads its
// characters from the first point to the second. Returns false when nothing is drawn.
bool layoutVerticalText(const Text& text, const TextStyle* style, const Affine2& plane,
                        std::vector<TextRun>& out);

struct MTextLayout {
    std::vector<TextRun> runs;
    std::vector<std::optional<Color>> colors; // one per run
    std::vector<TextRule> rules;
    // The text's own frame (x along its direction, origin at its insertion point) and the box
    // its lines take in that frame: the reference width (or the columns) across, or the widest
    // line without one, from the top of the first line to the lowest baseline.
    Affine2 frame;
    Box2 extent;
    bool truncated = false;                // the text had more pieces than are laid out
    bool rulesLeftOut = false;             // vertical text asked for rules, not drawn
    std::vector<std::string> missingFonts; // what font switches named and could not find
};

// Places multi-line text with every inline code applied (fonts, heights, width, slant,
// tracking, colours, rules, stacked fractions, paragraph alignment) and lines wrapped at its
// reference width by real advance widths. Vertical text (see isVerticalText) runs each
// paragraph down a column, wrapping at the defined height, with columns from right to left.
MTextLayout layoutMTextFull(const MText& text, Vec3 extrusion, const TextStyle* style);
// The corners of `box` (in the coordinates of `frame`) grown by `margin` on every side, mapped
// to the drawing; empty for an empty box.
std::vector<Vec2> frameBoxCorners(const Affine2& frame, const Box2& box, double margin);
// The box the runs of a laid-out text cover (cap height up, descent down), in its frame.
Box2 inkExtent(const MTextLayout& laid);

// A box in a text's own frame.
struct TextBox {
    Affine2 frame;
    Box2 box;
};
// The runs alone.
std::vector<TextRun> layoutMText(const MText& text, Vec3 extrusion);

// The map from a run's glyph coordinates (x from the start of the text, y up, cap height 1) to
// the drawing: alignment and fitting applied.
Affine2 glyphFrame(const TextRun& run);
// The natural width of a run in its frame units: measured at layout, or estimated.
double runWidth(const TextRun& run);

// The box a run covers.
Box2 textRunBox(const TextRun& run);

// The second pass that draws a TrueType face bold when its file has no bold weight, placed a
// little to the right of `run`; none when the face needs none.
std::optional<TextRun> syntheticBoldTwin(const TextRun& run);

} // namespace vexor::cad
