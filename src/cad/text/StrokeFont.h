#pragma once

#include "../model/Math.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vexor::cad {

// One character of a single-stroke font: open polylines (arcs already flattened) in units of
// the font's cap height, the origin on the baseline at the left, and the advance to the next
// character.
struct StrokeGlyph {
    std::vector<Vec2> points;
    std::vector<std::uint32_t> strokeSizes; // points per polyline, in order
    double advance = 0;
};

// A single-stroke font: glyphs built once when the font is read and shared by every drawing
// that uses it.
class StrokeFont {
public:
    const std::string& name() const { return name_; }
    const std::string& path() const { return path_; }
    // The glyph of a character, or null when the font has none.
    const StrokeGlyph* glyph(char32_t c) const {
        const auto it = glyphs_.find(c);
        return it == glyphs_.end() ? nullptr : &it->second;
    }
    // Advance of a space and the gap the file adds after each glyph, in cap heights.
    double wordSpacing() const { return wordSpacing_; }
    double letterSpacing() const { return letterSpacing_; }
    double lineSpacingFactor() const { return lineSpacingFactor_; }
    std::size_t glyphCount() const { return glyphs_.size(); }
    // The shape a compiled shape file names (upper case, as SHAPE entities name it), or 0.
    char32_t shapeNumber(const std::string& name) const {
        const auto it = shapeNames_.find(name);
        return it == shapeNames_.end() ? 0 : it->second;
    }

    // Advance of one character: its glyph's, a space's, or the fallback glyph's.
    double advance(char32_t c) const;
    // The glyph drawn for a character: its own, or '?' when the font lacks it.
    const StrokeGlyph* glyphOrFallback(char32_t c) const;

private:
    friend struct StrokeFontResult readLffFont(std::string_view, std::string, std::string);
    friend struct StrokeFontResult readShxFont(std::string_view, std::string, std::string);
    std::string name_, path_;
    std::unordered_map<char32_t, StrokeGlyph> glyphs_;
    std::unordered_map<std::string, char32_t> shapeNames_;
    double wordSpacing_ = 0.75, letterSpacing_ = 1.0 / 3.0, lineSpacingFactor_ = 1.0;
};

// What reading a font file gave: the font (null when nothing usable was found) and what was
// wrong with the file, one message per kind of fault.
struct StrokeFontResult {
    std::shared_ptr<const StrokeFont> font;
    std::vector<std::string> problems;
};

// Limits on what a font file may ask for; a file beyond them is cut off there.
inline constexpr std::size_t kMaxFontFileBytes = 32u << 20;
inline constexpr std::size_t kMaxGlyphs = 70000;
inline constexpr std::size_t kMaxPointsPerGlyph = 20000;
inline constexpr std::size_t kMaxFontPoints = 8u << 20;
inline constexpr int kMaxGlyphReferenceDepth = 8;

// Reads a font in the LibreCAD font format (.lff): header comments ("# LetterSpacing: 3"),
// then glyphs, each a line "[hex] c" followed by one polyline per line ("x,y;x,y,A<bulge>;...")
// or a reference "C<hex>" to the strokes of another glyph. Coordinates are in units where the
// cap height is 9.
StrokeFontResult readLffFont(std::string_view text, std::string name, std::string path = {});

// Reads a compiled shape font or shape file (.shx: "AutoCAD-86 shapes 1.0/1.1", "unifont" and
// "bigfont" variants). Glyphs are keyed by shape number (the character code; for big fonts the
// two-byte code) and scaled so that the font's height above the baseline is 1; shape files
// without font information keep their own units.
StrokeFontResult readShxFont(std::string_view bytes, std::string name, std::string path = {});
// Whether bytes start like a compiled shape file.
bool looksLikeShx(std::string_view bytes);

// Decodes one UTF-8 character at s[i], advancing i; malformed bytes give U+FFFD.
char32_t nextCodepoint(std::string_view s, std::size_t& i);

} // namespace vexor::cad
