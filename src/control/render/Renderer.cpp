#include "Renderer.h"

#include "Device.h"

#include <QPainter>

namespace vexor::control {

QTransform viewTransform(const QRectF& target, const cad::Box2& window) {
    if (window.empty() || target.isEmpty())
        return QTransform::fromTranslate(target.center().x(), target.center().y());
    const double w = std::max(window.width(), 1e-300);
    const double h = std::max(window.height(), 1e-300);
    const double scale = std::min(target.width() / w, target.height() / h);
    const double cx = (window.minX + window.maxX) * 0.5;
    const double cy = (window.minY + window.maxY) * 0.5;
    return QTransform(scale, 0, 0, -scale, target.center().x() - scale * cx,
                      target.center().y() + scale * cy);
}

void renderView(const cad::DisplayList&, Device&, const QRectF&, const cad::Box2&,
                const RenderStyle&, RenderStats*) {}

void renderView(const cad::DisplayList& list, QPainter& painter, const QRectF& target,
                const cad::Box2& window, const RenderStyle& style, RenderStats* stats) {
    PainterDevice device(painter);
    renderView(list, device, target, window, style, stats);
}

} // namespace vexor::control
