#pragma once

#include "DrawingDocument.h"
#include "render/RenderStyle.h"

#include <QImage>
#include <QRectF>
#include <QSize>
#include <memory>

class QPainter;

namespace vexor::control {

// What is drawn: the held drawing (none before one is read) and how it is styled.
struct Scene {
    std::shared_ptr<const DrawingDocument> document;
    RenderStyle style;
};

// What the scene shows whole: the drawing's extents, or the paper of the layout shown.
cad::Box2 shownExtents(const Scene& scene);

// Draws the part of the scene inside `window` into `target`, background included.
void paintScene(const Scene& scene, QPainter& painter, const QRectF& target,
                const cad::Box2& window);

// An image of `logicalSize` device-independent pixels at `devicePixelRatio`, showing `window`.
QImage renderSceneImage(const Scene& scene, QSize logicalSize, qreal devicePixelRatio,
                        const cad::Box2& window);

} // namespace vexor::control
