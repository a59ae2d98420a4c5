#pragma once

#include "SceneImage.h"
#include "Viewport.h"

#include <QImage>

namespace vexor::control {

// The image of the main view, kept between paints and renewed only when the view, the style or
// the drawing changed. A pan by whole device pixels at the same scale reuses the old image
// shifted and renders only the strips that came into view, so that dragging stays fluid on
// drawings that take long to render whole.
class ViewImage {
public:
    // The drawing or its style changed: the next image is rendered whole.
    void invalidate() { valid_ = false; }
    const QImage& image(const Scene& scene, const Viewport& view, qreal devicePixelRatio);
    // Whether the last image() call reused the previous image (for tests).
    bool lastWasShifted() const { return lastWasShifted_; }

private:
    bool shift(const Scene& scene, const Viewport& view);
    void renderStrip(const Scene& scene, const Viewport& view, QPainter& painter,
                     const QRectF& strip);

    QImage image_;
    QImage spare_; // the frame before, drawn over by the next shift
    bool valid_ = false;
    bool lastWasShifted_ = false;
    cad::Vec2 centre_;
    double scale_ = 0;
    int width_ = 0, height_ = 0;
    qreal dpr_ = 1;
};

} // namespace vexor::control
