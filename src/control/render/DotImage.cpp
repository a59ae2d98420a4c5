#include "DotImage.h"

#include <algorithm>
#include <cmath>

namespace vexor::control {

PixelRect pixelRect(const PixelCanvas& canvas, const cad::Box2& box) {
    const auto clampTo = [](double v, int limit) {
        return static_cast<int>(std::clamp(v, 0.0, static_cast<double>(limit)));
    };
    PixelRect r;
    r.x0 = clampTo(std::ceil(box.minX * canvas.sx + canvas.dx), canvas.width);
    r.y0 = clampTo(std::ceil(box.minY * canvas.sy + canvas.dy), canvas.height);
    r.x1 = std::max(r.x0, clampTo(std::floor(box.maxX * canvas.sx + canvas.dx), canvas.width));
    r.y1 = std::max(r.y0, clampTo(std::floor(box.maxY * canvas.sy + canvas.dy), canvas.height));
    return r;
}

PixelCanvas cutCanvas(PixelCanvas canvas, const PixelRect& rect) {
    canvas.bits += static_cast<std::ptrdiff_t>(rect.y0) * canvas.stride + rect.x0;
    canvas.width = std::max(0, rect.x1 - rect.x0);
    canvas.height = std::max(0, rect.y1 - rect.y0);
    canvas.dx -= rect.x0;
    canvas.dy -= rect.y0;
    return canvas;
}

DotImage::DotImage(const PixelCanvas& canvas, const PixelRect& area)
    : pixels_(static_cast<std::size_t>(area.area()), 0), area_(area) {
    canvas_ = canvas;
    canvas_.bits = pixels_.data();
    canvas_.stride = area.x1 - area.x0;
    canvas_.width = area.x1 - area.x0;
    canvas_.height = area.y1 - area.y0;
    canvas_.dx -= area.x0;
    canvas_.dy -= area.y0;
}

void DotImage::copyTo(const PixelCanvas& canvas, const PixelRect& target, int shiftX,
                      int shiftY) const {
    // Only where both the target and the shifted image are.
    const PixelRect from = area_.shifted(shiftX, shiftY);
    const int x0 = std::max(target.x0, from.x0), x1 = std::min(target.x1, from.x1);
    const int y0 = std::max(target.y0, from.y0), y1 = std::min(target.y1, from.y1);
    for (int y = y0; y < y1; ++y) {
        const std::uint32_t* source =
            pixels_.data() + static_cast<std::ptrdiff_t>(y - from.y0) * canvas_.stride - from.x0;
        std::uint32_t* line = canvas.bits + static_cast<std::ptrdiff_t>(y) * canvas.stride;
        for (int x = x0; x < x1; ++x)
            if (const std::uint32_t p = source[x])
                line[x] = p;
    }
}

} // namespace vexor::control
