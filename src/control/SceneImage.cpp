#include "SceneImage.h"

#include "render/Renderer.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace vexor::control {

cad::Box2 shownExtents(const Scene& scene) {
    if (!scene.document)
        return {};
    const auto& sheets = scene.document->displayList().sheets();
    if (scene.style.sheet >= 0 && static_cast<std::size_t>(scene.style.sheet) < sheets.size())
        return sheets[static_cast<std::size_t>(scene.style.sheet)].paper;
    return scene.document->extents();
}

void paintScene(const Scene& scene, QPainter& painter, const QRectF& target,
                const cad::Box2& window) {
    if (!scene.style.printing)
        painter.fillRect(target, scene.style.background);
    if (scene.document)
        renderView(scene.document->displayList(), painter, target, window, scene.style);
}

QImage renderSceneImage(const Scene& scene, QSize logicalSize, qreal devicePixelRatio,
                        const cad::Box2& window) {
    const qreal dpr = std::max<qreal>(devicePixelRatio, 1.0);
    const QSize pixels(std::max(1, static_cast<int>(std::ceil(logicalSize.width() * dpr))),
                       std::max(1, static_cast<int>(std::ceil(logicalSize.height() * dpr))));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    QPainter painter(&image);
    paintScene(scene, painter, QRectF(QPointF(0, 0), QSizeF(logicalSize)), window);
    return image;
}

} // namespace vexor::control
