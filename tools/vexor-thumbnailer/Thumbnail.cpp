#include "Thumbnail.h"

#include "cad/io/LoadBudget.h"
#include "cad/io/ReferencedFile.h"
#include "cad/load/DrawingReader.h"
#include "control/render/Renderer.h"
#include "control/render/TrueTypeFaces.h"

#include <QFileInfo>
#include <QPainter>
#include <algorithm>
#include <stdexcept>

namespace vexor::tools {

QImage renderThumbnail(const std::string& path, int size, std::chrono::milliseconds timeout) {
    // A preview of a downloaded file must not read the user's other files: references are
    // followed only inside the drawing's folder, and only a few of them.
    cad::setReferencePolicy({.confineToDrawingFolder = true, .maxReferencedDrawings = 16});
    // Reading and compiling share one memory budget for the file's size and the time limit, so
    // a hostile file stops with a clear message well before the process limits are reached.
    const qint64 fileSize = QFileInfo(QString::fromStdString(path)).size();
    cad::LoadBudget budget(
        cad::LoadBudget::allowedBytes(static_cast<std::uint64_t>(std::max<qint64>(fileSize, 0))));
    budget.setTimeout(timeout);
    cad::Drawing drawing;
    std::shared_ptr<const cad::DisplayList> list;
    {
        cad::LoadScope scope(budget);
        drawing = cad::readDrawingFile(path);
        list = control::compileDrawingReleasingEntities(drawing);
    }

    cad::Box2 window = list->extents();
    // A blank square tells the user less than the file manager's own icon for the type.
    if (window.empty())
        throw std::runtime_error(path + ": nothing to draw");
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    // A small margin so that lines on the frame stay visible.
    const double pad = std::max(window.width(), window.height()) * 0.03;
    const double margin = pad > 0 ? pad : 1.0;
    window = {window.minX - margin, window.minY - margin, window.maxX + margin,
              window.maxY + margin};
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    control::RenderStyle style;
    style.background = Qt::white;
    style.hiddenLayers = control::layersHiddenInFile(*list);
    control::renderView(*list, painter, QRectF(0, 0, size, size), window, style);
    return image;
}

} // namespace vexor::tools
