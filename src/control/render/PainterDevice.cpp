#include "Device.h"

#include <QPainter>

namespace vexor::control {

PainterDevice::PainterDevice(QPainter& painter) : painter_(painter) {}

void PainterDevice::strokePolyline(std::span<const QPointF>, bool, const StrokeStyle&) {}
void PainterDevice::fillPolygon(std::span<const QPointF>, std::span<const std::uint32_t>,
                                const QColor&) {}
void PainterDevice::drawText(const QString&, const TextStyle&) {}
void PainterDevice::drawDots(std::span<const QPointF>, const QColor&) {}
double PainterDevice::textWidth(const QString& text) {
    return text.size() * 0.8;
}

} // namespace vexor::control
