#include "ViewImage.h"

#include <QPainter>
#include <cmath>

namespace vexor::control {
namespace {

// A shift counts as whole pixels when it is this close to them; the error it leaves is far
// below what antialiasing shows.
constexpr double kPixelTolerance = 1e-3;

bool wholePixels(double v) {
    return std::abs(v - std::round(v)) < kPixelTolerance;
}

} // namespace

const QImage& ViewImage::image(const Scene& scene, const Viewport& view, qreal dpr) {
    lastWasShifted_ = false;
    const bool sameFrame = valid_ && view.pixelWidth() == width_ && view.pixelHeight() == height_ &&
                           dpr == dpr_ && view.scale() == scale_;
    if (sameFrame && view.centre().x == centre_.x && view.centre().y == centre_.y)
        return image_;
    if (sameFrame && shift(scene, view)) {
        lastWasShifted_ = true;
    } else {
        image_ = renderSceneImage(scene, QSize(view.pixelWidth(), view.pixelHeight()), dpr,
                                  view.window());
    }
    valid_ = true;
    centre_ = view.centre();
    scale_ = view.scale();
    width_ = view.pixelWidth();
    height_ = view.pixelHeight();
    dpr_ = dpr;
    return image_;
}

bool ViewImage::shift(const Scene& scene, const Viewport& view) {
    // Device pixels by which the content moves: right and down are positive.
    const double dx = (centre_.x - view.centre().x) * scale_ * dpr_;
    const double dy = (view.centre().y - centre_.y) * scale_ * dpr_;
    if (!wholePixels(dx) || !wholePixels(dy))
        return false;
    const int sx = static_cast<int>(std::lround(dx)), sy = static_cast<int>(std::lround(dy));
    if (std::abs(sx) >= image_.width() || std::abs(sy) >= image_.height())
        return false;

    // The previous frame's buffer is reused: a fresh one would cost more in page faults than
    // drawing the strips does.
    QImage moved = std::move(spare_);
    if (moved.size() != image_.size() || moved.format() != image_.format())
        moved = QImage(image_.size(), image_.format());
    moved.setDevicePixelRatio(dpr_);
    QPainter painter(&moved);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPointF(sx / dpr_, sy / dpr_), image_);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const double w = width_, h = height_, lx = sx / dpr_, ly = sy / dpr_;
    if (sx > 0)
        renderStrip(scene, view, painter, QRectF(0, 0, lx, h));
    else if (sx < 0)
        renderStrip(scene, view, painter, QRectF(w + lx, 0, -lx, h));
    if (sy > 0)
        renderStrip(scene, view, painter, QRectF(0, 0, w, ly));
    else if (sy < 0)
        renderStrip(scene, view, painter, QRectF(0, h + ly, w, -ly));
    painter.end();
    spare_ = std::move(image_);
    image_ = std::move(moved);
    return true;
}

void ViewImage::renderStrip(const Scene& scene, const Viewport& view, QPainter& painter,
                            const QRectF& strip) {
    const cad::Vec2 topLeft = view.toDrawing(strip.left(), strip.top());
    const cad::Vec2 bottomRight = view.toDrawing(strip.right(), strip.bottom());
    const cad::Box2 window{topLeft.x, bottomRight.y, bottomRight.x, topLeft.y};
    painter.save();
    painter.setClipRect(strip);
    paintScene(scene, painter, strip, window);
    painter.restore();
}

} // namespace vexor::control
