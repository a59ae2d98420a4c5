#pragma once

#include "cad/geometry/DisplayList.h"

#include <QRawFont>
#include <QString>
#include <memory>
#include <string>
#include <vector>

namespace vexor::control {

// TrueType faces by file, loaded once per thread at a fixed pixel size; null when the file
// cannot be used.
const QRawFont* trueTypeFace(const QString& path);
// The same face as the system's font engine knows it (registered as an application font), which
// PDF output embeds as a font so that its text stays text; null when it cannot be registered.
// Only for the thread that owns the application object.
const QRawFont* embeddableFace(const QString& path);
// The cap height of a face in its pixels.
double faceCapHeight(const QRawFont& face);
// Glyphs and pen positions of a text in a face, and the width of the whole text in pixels.
// Letters are not kerned, so a text is as wide as its letters' advances add up to. A character
// the face lacks comes from the first fallback face that has it, at the same pixel size and in
// its place along the line; one that no face has keeps the face's empty box.
struct ShapedText {
    struct Run {
        const QRawFont* face = nullptr;
        QList<quint32> glyphs;
        QList<QPointF> positions;
    };
    std::vector<Run> runs; // the face's own glyphs first, then one run per fallback face used
    double width = 0;
    std::u32string missing; // characters no face has
};
ShapedText shapeText(const QRawFont& face, const QString& text);

// Whether a face draws a character itself (spaces and control characters need no glyph), and
// the first fallback face that has it (null when none has).
bool drawable(const QRawFont& face, char32_t c);
const QRawFont* fallbackFor(char32_t c);

// The faces asked in turn for characters a drawing's face lacks: the installed wide-coverage
// faces (symbols, Greek, Cyrillic), then Chinese, Japanese and Korean ones.
const std::vector<const QRawFont*>& fallbackFaces();

// Compiles a drawing with TrueType text measured by the faces the device draws with.
std::shared_ptr<const cad::DisplayList> compileDrawing(const cad::Drawing& drawing);
// The same, leaving the drawing without the entities the list now holds (see
// cad::compileDisplayListReleasingEntities): for callers that keep only the list.
std::shared_ptr<const cad::DisplayList> compileDrawingReleasingEntities(cad::Drawing& drawing);

} // namespace vexor::control
