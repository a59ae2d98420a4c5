#pragma once

#include "cad/geometry/DisplayList.h"

#include <QRawFont>
#include <QString>
#include <memory>

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
// Letters are not kerned, so a text is as wide as its letters' advances add up to.
struct ShapedText {
    QList<quint32> glyphs;
    QList<QPointF> positions;
    double width = 0;
};
ShapedText shapeText(const QRawFont& face, const QString& text);

// Compiles a drawing with TrueType text measured by the faces the device draws with.
std::shared_ptr<const cad::DisplayList> compileDrawing(const cad::Drawing& drawing);
// The same, leaving the drawing without the entities the list now holds (see
// cad::compileDisplayListReleasingEntities): for callers that keep only the list.
std::shared_ptr<const cad::DisplayList> compileDrawingReleasingEntities(cad::Drawing& drawing);

} // namespace vexor::control
