#pragma once

#include "cad/model/Math.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace vexor::control {

class Viewport;

// Told when the visible window of a viewport changes, unless it made the change itself.
class ViewportObserver {
public:
    virtual ~ViewportObserver() = default;
    virtual void viewportChanged(const Viewport& viewport) = 0;
};

// The view of a drawing, free of widgets: which drawing window is visible in a control of a
// given pixel size, and the history of earlier views behind "undo zoom". The view is kept as a
// centre and a scale (pixels per drawing unit), so that resizing the control neither distorts
// the drawing nor moves it; a window asked for explicitly stays whole across resizes until the
// user zooms or pans.
class Viewport {
public:
    static constexpr std::size_t kHistoryDepth = 100;

    Viewport();

    // Control size in device-independent pixels; sizes below one pixel count as one.
    void setPixelSize(int width, int height, ViewportObserver* source = nullptr);
    int pixelWidth() const { return width_; }
    int pixelHeight() const { return height_; }

    // Shows the whole of `extents` with a small margin and forgets the zoom history.
    void reset(const cad::Box2& extents, ViewportObserver* source = nullptr);

    cad::Box2 window() const; // left, bottom, right, top of what is visible
    cad::Vec2 centre() const { return centre_; }
    double scale() const { return scale_; } // pixels per drawing unit

    // Zoom about the centre: a factor above 1 magnifies. Kept in the history.
    void zoomBy(double factor, ViewportObserver* source = nullptr);
    // Shows the window whole, centred, at the control's aspect ratio. Kept in the history.
    void zoomWindow(const cad::Box2& window, ViewportObserver* source = nullptr);
    // A new scale about the same centre, e.g. actual size. Kept in the history.
    void setScale(double pixelsPerUnit, ViewportObserver* source = nullptr);
    // A new centre at the same scale. Not kept in the history: a drag pans many times.
    void panTo(cad::Vec2 centre, ViewportObserver* source = nullptr);
    // Back to the view before the last zoom; false when there is none.
    bool undo(ViewportObserver* source = nullptr);
    std::size_t historySize() const { return history_.size(); }

    // Pixel position (origin top left, y down) to drawing point and back.
    cad::Vec2 toDrawing(double px, double py) const;
    cad::Vec2 toPixel(cad::Vec2 drawingPoint) const;

    void addObserver(ViewportObserver* observer);
    void removeObserver(ViewportObserver* observer);

private:
    struct View {
        cad::Vec2 centre;
        double scale = 1;
    };

    void pushHistory();
    void fit(const cad::Box2& window);
    void changed(ViewportObserver* source);

    int width_ = 1, height_ = 1;
    cad::Vec2 centre_{0, 0};
    double scale_ = 1;
    std::optional<cad::Box2> pinned_; // kept whole across resizes until the next zoom or pan
    std::vector<View> history_;
    std::vector<ViewportObserver*> observers_;
};

// The view's margin around the whole drawing, as a fraction of its size on each side.
inline constexpr double kHomeMargin = 0.03;

// The window that shows the whole of `extents`: with the margin, and with some area even for
// a single point or line; a default window when there is nothing at all.
cad::Box2 homeWindow(const cad::Box2& extents);

} // namespace vexor::control
