#include "PrintBackEnd.h"

#include "DrawingControl.h"
#include "Viewport.h"

#include <QPaintDevice>
#include <QPainter>

namespace vexor::control {

PrintBackEnd::PrintBackEnd() = default;

PrintBackEnd::~PrintBackEnd() {
    end();
}

void PrintBackEnd::setDevice(QPaintDevice* device) {
    end();
    device_ = device;
}

void PrintBackEnd::begin() {
    if (!device_)
        throw DrawingControlError("no printer has been set for printing");
    if (painter_)
        return;
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(device_))
        throw DrawingControlError("the printer could not be started");
    painter_ = std::move(painter);
}

void PrintBackEnd::printWindow(const QRectF& pagePoints, const cad::Box2& window,
                               const Scene& scene) {
    if (!device_)
        throw DrawingControlError("no printer has been set for printing");
    if (!painter_)
        throw DrawingControlError("printing has not begun");
    if (pagePoints.width() <= 0 || pagePoints.height() <= 0)
        throw DrawingControlError("the page rectangle is empty");

    cad::Box2 shown = window;
    if (!(window.width() > 0 && window.height() > 0)) {
        const cad::Box2 whole = shownExtents(scene);
        if (whole.empty())
            return; // an empty drawing leaves the page blank
        // A layout's sheet fills the page exactly: printed on its own paper size it comes out
        // at its plot scale.
        shown = scene.style.sheet >= 0 ? whole : homeWindow(whole);
    }
    if (!(shown.width() > 0 && shown.height() > 0))
        return; // nothing to print: an empty drawing

    const double sx = device_->logicalDpiX() / 72.0, sy = device_->logicalDpiY() / 72.0;
    const QRectF page(pagePoints.left() * sx, pagePoints.top() * sy, pagePoints.width() * sx,
                      pagePoints.height() * sy);
    // Paper is white whatever the screen's background; the resolver turns what is white on a
    // dark screen black there.
    Scene onPaper = scene;
    onPaper.style.printing = true;
    onPaper.style.background = Qt::white;
    painter_->save();
    painter_->setClipRect(page);
    paintScene(onPaper, *painter_, fitWindow(page, shown), shown);
    painter_->restore();
}

void PrintBackEnd::end() {
    if (painter_) {
        painter_->end();
        painter_.reset();
    }
}

QRectF PrintBackEnd::fitWindow(const QRectF& page, const cad::Box2& window) {
    if (!(window.width() > 0 && window.height() > 0) || page.isEmpty())
        return page;
    const double scale = std::min(page.width() / window.width(), page.height() / window.height());
    const QSizeF size(window.width() * scale, window.height() * scale);
    return QRectF(page.center() - QPointF(size.width() / 2, size.height() / 2), size);
}

} // namespace vexor::control
