#pragma once

#include "SceneImage.h"

#include <QRectF>
#include <memory>
#include <optional>

class QPaintDevice;
class QPainter;

namespace vexor::control {

// Renders drawing windows onto a printer's page: the program hands over the paint device (a
// QPrinter or a QPdfWriter), begins, prints one or more windows into page rectangles given in
// points, and ends. Failures throw DrawingControlError.
class PrintBackEnd {
public:
    PrintBackEnd();
    ~PrintBackEnd();

    void setDevice(QPaintDevice* device); // ends a print still running on the old device
    bool hasDevice() const { return device_ != nullptr; }
    bool printing() const { return painter_ != nullptr; }

    void begin();
    // `pagePoints` in points (1/72 inch) from the page's top left; `window` in drawing units, an
    // empty one (no width or no height) meaning the whole drawing.
    void printWindow(const QRectF& pagePoints, const cad::Box2& window, const Scene& scene);
    void end();

    // The part of `page` that shows `window` at its own aspect ratio, centred.
    static QRectF fitWindow(const QRectF& page, const cad::Box2& window);

private:
    // Where a layout's whole sheet lies on the device's paper at its true size, from the
    // paper's corner; nullopt when the paper is too small for it (it is then fitted).
    std::optional<QRectF> sheetOnPaper(const Scene& scene) const;

    QPaintDevice* device_ = nullptr;
    std::unique_ptr<QPainter> painter_;
};

} // namespace vexor::control
