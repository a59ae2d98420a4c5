#pragma once

#include <QPoint>
#include <QRect>
#include <optional>

namespace vexor::control {

// The gesture of "zoom to a selected area": once armed, the next press starts a rectangle, moves
// stretch it, and the release ends it. A rectangle a few pixels small counts as a mere click
// and is dropped. While armed, the pointer belongs to the gesture and starts no pan.
class ZoomSelection {
public:
    static constexpr int kMinimumSide = 4; // pixels

    void arm() { armed_ = true, dragging_ = false; }
    void cancel() { armed_ = dragging_ = false; }
    bool armed() const { return armed_; }
    bool dragging() const { return dragging_; }

    void press(QPoint p);
    void move(QPoint p);
    // Ends the gesture; the selected rectangle when it is big enough.
    std::optional<QRect> release(QPoint p);
    QRect rubberBand() const { return QRect(start_, current_).normalized(); }

private:
    bool armed_ = false;
    bool dragging_ = false;
    QPoint start_, current_;
};

} // namespace vexor::control
