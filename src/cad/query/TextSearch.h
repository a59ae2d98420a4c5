#pragma once

#include "../model/Drawing.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vexor::cad {

// A text as the drawing shows it, in the space it is drawn in: plain text (control codes
// interpreted, multi-line formatting removed, lines joined by spaces), with what it belongs to.
struct SearchableText {
    std::string text;
    const char* kind = "TEXT"; // TEXT, MTEXT, ATTRIB, ATTDEF, DIMENSION, MULTILEADER, TABLE
    std::uint32_t layer = 0;   // index into Drawing::layers
    std::int32_t layout = -1;  // -1 model space, else index into Drawing::layouts
    Vec2 at;                   // insertion point in that space
    double height = 0;         // text height in that space
};

// Every text a drawing shows, on model space and every layout: TEXT, MTEXT, attribute values,
// dimension texts as drawn (the measurement in the dimension's style, with its override),
// multileader texts and attribute values, table cells; texts of blocks once per reference
// (through nested references, placed and on the reference's layer where they are on layer
// "0"). Call before the entities are released.
std::vector<SearchableText> collectSearchableTexts(const Drawing& drawing);

// What to look for: case-insensitive; with wholeWords, a hit must not continue a word on
// either side.
struct TextQuery {
    std::string text;
    bool wholeWords = false;
};

// Whether `text` holds the query (an empty query matches nothing).
bool matchesText(std::string_view text, const TextQuery& query);

// The indexes of the texts that match, in order.
std::vector<std::size_t> findTexts(const std::vector<SearchableText>& texts,
                                   const TextQuery& query);

// "Model", or the name of layout `layout` of the drawing.
std::string layoutName(const Drawing& drawing, std::int32_t layout);

} // namespace vexor::cad
