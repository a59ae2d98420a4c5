#include "PrintBackEnd.h"

#include "DrawingControl.h"
#include "Viewport.h"

#include <QPageLayout>
#include <QPagedPaintDevice>
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
    const bool whole = !(window.width() > 0 && window.height() > 0);
    if (whole) {
        const cad::Box2 extents = shownExtents(scene);
        if (extents.empty())
            return; // an empty drawing leaves the page blank
        shown = scene.style.sheet >= 0 ? extents : homeWindow(extents);
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
    onPaper.style.lineweights = true; // at their width in millimetres, as plotted
    painter_->save();
    // A layout's whole sheet goes onto paper of its size at its plot scale, as its author
    // plotted it; on other paper it is fitted into the page.
    const std::optional<QRectF> sheet =
        whole && scene.style.sheet >= 0 ? sheetOnPaper(scene) : std::nullopt;
    if (!sheet)
        painter_->setClipRect(page);
    paintScene(onPaper, *painter_, sheet ? *sheet : fitWindow(page, shown), shown);
    painter_->restore();
}

void PrintBackEnd::end() {
    if (painter_) {
        painter_->end();
        painter_.reset();
    }
}

std::optional<QRectF> PrintBackEnd::sheetOnPaper(const Scene& scene) const {
    const auto* paged = dynamic_cast<const QPagedPaintDevice*>(device_);
    if (!paged || !scene.document)
        return std::nullopt;
    const auto& sheets = scene.document->displayList().sheets();
    const auto index = static_cast<std::size_t>(scene.style.sheet);
    if (index >= sheets.size())
        return std::nullopt;
    // Device units per millimetre, and the paper and its printable part in device units from
    // the printable part's corner, where the painter's origin lies.
    const double perMmX = device_->logicalDpiX() / 25.4, perMmY = device_->logicalDpiY() / 25.4;
    const QPageLayout layout = paged->pageLayout();
    const QRectF full = layout.fullRectPoints().toRectF();
    const QRectF paint = layout.paintRectPoints().toRectF();
    const QSizeF paperMm(full.width() * 25.4 / 72.0, full.height() * 25.4 / 72.0);
    const cad::Vec2 sheetMm = sheets[index].sizeMm;
    constexpr double kTolerance = 1.01; // paper sizes are rounded to points or millimetres
    if (!(sheetMm.x > 0 && sheetMm.y > 0) || sheetMm.x > paperMm.width() * kTolerance ||
        sheetMm.y > paperMm.height() * kTolerance)
        return std::nullopt;
    const QPointF paperCorner((full.left() - paint.left()) * 25.4 / 72.0 * perMmX,
                              (full.top() - paint.top()) * 25.4 / 72.0 * perMmY);
    return QRectF(paperCorner, QSizeF(sheetMm.x * perMmX, sheetMm.y * perMmY));
}

QRectF PrintBackEnd::fitWindow(const QRectF& page, const cad::Box2& window) {
    if (!(window.width() > 0 && window.height() > 0) || page.isEmpty())
        return page;
    const double scale = std::min(page.width() / window.width(), page.height() / window.height());
    const QSizeF size(window.width() * scale, window.height() * scale);
    return QRectF(page.center() - QPointF(size.width() / 2, size.height() / 2), size);
}

} // namespace vexor::control
