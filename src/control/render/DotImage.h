#pragma once

#include "Device.h"
#include "cad/model/Math.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vexor::control {

// A rectangle of whole image pixels, x0 <= x < x1 and y0 <= y < y1.
struct PixelRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;

    bool empty() const { return x1 <= x0 || y1 <= y0; }
    long long area() const { return empty() ? 0 : 1LL * (x1 - x0) * (y1 - y0); }
    PixelRect shifted(int dx, int dy) const { return {x0 + dx, y0 + dy, x1 + dx, y1 + dy}; }
    PixelRect united(const PixelRect& o) const {
        if (empty())
            return o;
        if (o.empty())
            return *this;
        return {std::min(x0, o.x0), std::min(y0, o.y0), std::max(x1, o.x1), std::max(y1, o.y1)};
    }
};

// The image pixels of a canvas that a device box covers whole.
PixelRect pixelRect(const PixelCanvas& canvas, const cad::Box2& deviceBox);
// The part of a canvas inside `rect`: dots put there land only inside it.
PixelCanvas cutCanvas(PixelCanvas canvas, const PixelRect& rect);

// Dots written once and copied into several places of a canvas: views that show a model at the
// same scale and turn see its far items as the same pattern of dots, only moved. The image
// covers `area` of the canvas's pixels; pixels that got no dot stay out of the copies (drawn
// colours are opaque, so zero marks "no dot").
class DotImage {
public:
    DotImage(const PixelCanvas& canvas, const PixelRect& area);

    // Puts dots here as if into the canvas itself, in the area's pixels.
    const PixelCanvas& canvas() const { return canvas_; }
    // Copies the dots into `target` pixels of `canvas`, each from `shift` pixels before it.
    void copyTo(const PixelCanvas& canvas, const PixelRect& target, int shiftX, int shiftY) const;

private:
    std::vector<std::uint32_t> pixels_;
    PixelRect area_;
    PixelCanvas canvas_;
};

} // namespace vexor::control
