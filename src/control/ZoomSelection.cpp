#include "ZoomSelection.h"

namespace vexor::control {

void ZoomSelection::press(QPoint p) {
    if (!armed_)
        return;
    dragging_ = true;
    start_ = current_ = p;
}

void ZoomSelection::move(QPoint p) {
    if (dragging_)
        current_ = p;
}

std::optional<QRect> ZoomSelection::release(QPoint p) {
    if (!dragging_)
        return std::nullopt;
    current_ = p;
    const QRect band = rubberBand();
    cancel();
    if (band.width() < kMinimumSide || band.height() < kMinimumSide)
        return std::nullopt;
    return band;
}

} // namespace vexor::control
