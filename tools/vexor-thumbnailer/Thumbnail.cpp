#include "Thumbnail.h"

#include "cad/io/DrawingReader.h"
#include "control/render/Renderer.h"

#include <QPainter>
#include <algorithm>
#include <stdexcept>

namespace vexor::tools {

QImage renderThumbnail(const std::string& path, int size) {
    const cad::Drawing drawing = cad::readDrawingFile(path);
    const std::shared_ptr<const cad::DisplayList> list = cad::compileDisplayList(drawing);

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
    control::renderView(*list, painter, QRectF(0, 0, size, size), window, style);
    return image;
}

} // namespace vexor::tools
