#include "Viewport.h"

#include <algorithm>
#include <cmath>

namespace vexor::control {
namespace {

// Scales are kept within bounds that stay far from overflow and from zero-sized windows.
constexpr double kMinScale = 1e-12;
constexpr double kMaxScale = 1e12;

double clampScale(double s) {
    if (!std::isfinite(s) || s <= 0)
        return 1;
    return std::clamp(s, kMinScale, kMaxScale);
}

bool finite(cad::Vec2 p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

} // namespace

cad::Box2 homeWindow(const cad::Box2& extents) {
    if (extents.empty() || !std::isfinite(extents.width()) || !std::isfinite(extents.height()))
        return cad::Box2{0, 0, 100, 100};
    // A point or a horizontal or vertical line still needs an area to be shown in.
    const double span = std::max(extents.width(), extents.height());
    const double w = extents.width() > 0 ? extents.width() : (span > 0 ? span : 1.0);
    const double h = extents.height() > 0 ? extents.height() : (span > 0 ? span : 1.0);
    const double cx = (extents.minX + extents.maxX) / 2, cy = (extents.minY + extents.maxY) / 2;
    const double halfW = w * (0.5 + kHomeMargin), halfH = h * (0.5 + kHomeMargin);
    return cad::Box2{cx - halfW, cy - halfH, cx + halfW, cy + halfH};
}

Viewport::Viewport() {
    fit(cad::Box2{0, 0, 100, 100});
}

void Viewport::setPixelSize(int width, int height, ViewportObserver* source) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (width == width_ && height == height_)
        return;
    width_ = width;
    height_ = height;
    if (pinned_)
        fit(*pinned_);
    changed(source);
}

void Viewport::reset(const cad::Box2& extents, ViewportObserver* source) {
    const cad::Box2 home = homeWindow(extents);
    history_.clear();
    pinned_ = home;
    fit(home);
    changed(source);
}

cad::Box2 Viewport::window() const {
    const double halfW = width_ / scale_ / 2, halfH = height_ / scale_ / 2;
    return cad::Box2{centre_.x - halfW, centre_.y - halfH, centre_.x + halfW, centre_.y + halfH};
}

void Viewport::zoomBy(double factor, ViewportObserver* source) {
    if (!std::isfinite(factor) || factor <= 0)
        return;
    pushHistory();
    pinned_.reset();
    scale_ = clampScale(scale_ * factor);
    changed(source);
}

void Viewport::zoomWindow(const cad::Box2& window, ViewportObserver* source) {
    cad::Box2 w{std::min(window.minX, window.maxX), std::min(window.minY, window.maxY),
                std::max(window.minX, window.maxX), std::max(window.minY, window.maxY)};
    if (!std::isfinite(w.minX) || !std::isfinite(w.minY) || !std::isfinite(w.maxX) ||
        !std::isfinite(w.maxY))
        return;
    if (w.width() <= 0 && w.height() <= 0)
        return;
    pushHistory();
    pinned_ = w;
    fit(w);
    changed(source);
}

void Viewport::setScale(double pixelsPerUnit, ViewportObserver* source) {
    if (!std::isfinite(pixelsPerUnit) || pixelsPerUnit <= 0)
        return;
    pushHistory();
    pinned_.reset();
    scale_ = clampScale(pixelsPerUnit);
    changed(source);
}

void Viewport::panTo(cad::Vec2 centre, ViewportObserver* source) {
    if (!finite(centre))
        return;
    pinned_.reset();
    centre_ = centre;
    changed(source);
}

bool Viewport::undo(ViewportObserver* source) {
    if (history_.empty())
        return false;
    const View v = history_.back();
    history_.pop_back();
    pinned_.reset();
    centre_ = v.centre;
    scale_ = v.scale;
    changed(source);
    return true;
}

cad::Vec2 Viewport::toDrawing(double px, double py) const {
    return {centre_.x + (px - width_ / 2.0) / scale_, centre_.y - (py - height_ / 2.0) / scale_};
}

cad::Vec2 Viewport::toPixel(cad::Vec2 p) const {
    return {width_ / 2.0 + (p.x - centre_.x) * scale_, height_ / 2.0 - (p.y - centre_.y) * scale_};
}

void Viewport::addObserver(ViewportObserver* observer) {
    if (observer && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void Viewport::removeObserver(ViewportObserver* observer) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void Viewport::pushHistory() {
    if (history_.size() >= kHistoryDepth)
        history_.erase(history_.begin());
    history_.push_back({centre_, scale_});
}

void Viewport::fit(const cad::Box2& w) {
    centre_ = {(w.minX + w.maxX) / 2, (w.minY + w.maxY) / 2};
    const double sx = w.width() > 0 ? width_ / w.width() : kMaxScale;
    const double sy = w.height() > 0 ? height_ / w.height() : kMaxScale;
    scale_ = clampScale(std::min(sx, sy));
}

void Viewport::changed(ViewportObserver* source) {
    // A copy: an observer may remove itself while being told.
    const auto observers = observers_;
    for (ViewportObserver* o : observers)
        if (o != source)
            o->viewportChanged(*this);
}

} // namespace vexor::control
