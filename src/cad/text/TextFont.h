#pragma once

#include "StrokeFont.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vexor::cad {

struct TextStyle;

// The face a text is drawn in: a single-stroke font drawn as polylines, or a TrueType file
// drawn by the device. Widths are in units of the cap height.
struct TextFont {
    enum class Kind : std::uint8_t { Stroke, TrueType };
    Kind kind = Kind::Stroke;
    std::shared_ptr<const StrokeFont> stroke;   // Stroke: the font
    std::shared_ptr<const StrokeFont> fallback; // Stroke: characters the font lacks
    std::string path;                           // the file drawn from; empty when none
    std::string family;                         // TrueType: family name, for messages
    bool bold = false, italic = false;          // TrueType: what the style asked for
    // TrueType: asked for, but the file drawn from has no such weight or slant, so the layout
    // draws it a second time a little to the right or slants it.
    bool syntheticBold = false, syntheticItalic = false;
    double widthScale = 1; // narrow faces drawn from a normal one

    // Width of a line of text (UTF-8, codes already interpreted) from its start to the end of
    // its last glyph, and its advance: where the text after it starts.
    double width(std::string_view utf8) const;
    double advance(std::string_view utf8) const;
    // The glyph a stroke font draws for a character (null for a space or when neither the
    // font nor its fallback has one).
    const StrokeGlyph* strokeGlyph(char32_t c) const;
    double strokeAdvance(char32_t c) const;
};

// Measures TrueType text. The engine has no font rasteriser of its own: the program installs
// one backed by the same files the device draws with, so layout and drawing agree.
class TrueTypeMetrics {
public:
    virtual ~TrueTypeMetrics() = default;
    // Width of `utf8` in units of the face's cap height; < 0 when the file cannot be used.
    virtual double width(const TextFont& font, std::string_view utf8) const = 0;
    // The characters of `utf8` that neither the face nor any fallback face has, once each.
    virtual std::u32string missing(const TextFont& font, std::string_view utf8) const = 0;
};
void installTrueTypeMetrics(std::shared_ptr<const TrueTypeMetrics> metrics);
// The characters of a TrueType text that no installed face draws (empty without metrics).
std::u32string missingCharacters(const TextFont& font, std::string_view utf8);

// What a style's font names resolved to.
struct FontChoice {
    std::shared_ptr<const TextFont> font;
    bool found = true;                 // the named font (or its usual stand-in) is present
    std::string standIn;               // when not found: what is drawn instead
    std::vector<std::string> problems; // faults in the font files read
};

// The folder of the drawing being compiled, on this thread, while the object lives: compiled
// fonts (.shx) lying beside a drawing are the ones its author used, so they are looked for
// there first. Resolutions are cached per folder.
class DrawingFontFolder {
public:
    explicit DrawingFontFolder(std::string drawingPath);
    ~DrawingFontFolder();
    DrawingFontFolder(const DrawingFontFolder&) = delete;
    DrawingFontFolder& operator=(const DrawingFontFolder&) = delete;
    static const std::string& current();

private:
    std::string previous_;
};

// Finds the font for a style's font file name ("romans.shx", "arial.ttf", "Arial" ...) and big
// font name. Compiled CAD fonts map to stroke fonts, TrueType names to TrueType files or their
// metric-compatible stand-ins. A compiled font file of the name (.shx) in the drawing's folder
// or the user's font folder ($XDG_DATA_HOME/vexor/fonts) is read itself; otherwise stroke fonts
// are looked for in the user's font folder before the installed ones. A .shx big font gives
// the characters the font lacks. Fonts are read once per process.
FontChoice resolveFont(std::string_view fontFile, std::string_view bigFontFile = {});
// A TrueType family by name with bold and italic, as MTEXT font switches give it.
FontChoice resolveFamily(std::string_view family, bool bold, bool italic);
// The font of a text style: its font file, or the TrueType family it names when it has none.
FontChoice resolveStyleFont(const TextStyle& style);

// A shape file for SHAPE entities, by the name a shape-file style gives: read from the drawing's
// folder or the user's font folder. Null when neither has it.
struct ShapeFileChoice {
    std::shared_ptr<const StrokeFont> shapes;
    std::vector<std::string> problems; // faults in the file read
};
ShapeFileChoice resolveShapeFile(std::string_view file);

// Width of a line of text in units of its cap height, estimated from typical sans-serif
// advances; used only when no font can measure the text.
double estimateTextWidth(std::string_view utf8);

// The stroke font drawn when a style names none or the drawing's text has no style.
std::shared_ptr<const TextFont> defaultTextFont();

} // namespace vexor::cad
