#pragma once

#include "Program.h"
#include "cad/model/Math.h"

#include <functional>
#include <string>
#include <vector>

namespace vexor::view {

// Tools > Measure: the user picks points on the drawing with the left button; the values are
// kept in the drawing's units.
//  - Distance: from each point to the next, with delta X, delta Y and angle, and the running
//    total over every point picked;
//  - Angle: at the second of three points, between the rays to the first and the third;
//  - Area: of the ring through the points picked so far, with its perimeter;
//  - Object: the figures of the object picked: the centre, radius and diameter of a circle or
//    arc (the radii of an ellipse), the exact area and perimeter of a closed object (circle,
//    ellipse, polyline with arcs, hatch: outer boundary less its islands), else its length.
// Perpendicular and tangent snaps start from the point picked last.
// On a layout, points picked inside viewports are measured in the model through the
// viewport's scale (and the values say so); as soon as a point lies outside them, on paper.
class Measurer {
public:
    enum class Mode { Distance, Angle, Area, Object };
    struct Value {
        std::string name, text;
    };

    explicit Measurer(Program& program) : program_(program) {}

    // Starts measuring afresh in `mode`; picks go to the measurer until Cancel.
    void Start(Mode mode);
    bool Active() const { return active_; }
    Mode CurrentMode() const { return mode_; }
    // A point picked at (x, y) of the shown space; it lands on the snap point there, if any.
    void Pick(double x, double y);
    // The pointer is at (x, y): its snap point is marked. Returns the snap's name ("Endpoint"
    // ...), empty when there is none.
    std::string Hover(double x, double y);
    // The kinds of snap point picks land on (cad::SnapKind bits); every kind at first.
    std::int32_t SnapKinds = 1023;
    // How near the pointer a snap point must be, in screen pixels.
    static constexpr double kSnapPixels = 8;
    // Ends the tool (Escape); the last values stay on show.
    void Cancel();

    // The values of the measurement so far, each as shown: "Distance" "12.5000" ...
    const std::vector<Value>& Values() const { return values_; }
    // The name of a snap kind: "Endpoint", "Midpoint", "Intersection", "Nearest", "Node",
    // "Insertion", "Centre", "Quadrant", "Perpendicular", "Tangent"; empty for 0.
    static std::string SnapName(std::int32_t kind);
    // One line for the status bar: the main value, or what to pick next.
    const std::string& Summary() const { return summary_; }
    // Told whenever the values change.
    std::function<void()> changed;

private:
    void update();
    void pickObject(double x, double y);
    std::string length(double value) const;

    Program& program_;
    Mode mode_ = Mode::Distance;
    bool active_ = false;
    bool inModel_ = true;      // every point so far was seen through a viewport
    double paperPerModel_ = 1; // of the viewport the last point was seen through
    std::vector<cad::Vec2> paper_, model_;
    std::int32_t units_ = 2, precision_ = 4;
    std::vector<Value> values_;
    std::vector<Value> object_; // the figures of the object picked (Object mode)
    std::string summary_;
};

} // namespace vexor::view
