#pragma once

#include "Program.h"

#include <functional>
#include <string>
#include <vector>

namespace vexor::view {

// Tools > Properties: while it runs, a click with the left button asks the control for the
// objects under the pointer; the topmost is shown first and the others in turn (Next).
class PropertiesInspector {
public:
    // How near the pointer an object must be drawn, in screen pixels.
    static constexpr double kTolerancePixels = 4;

    explicit PropertiesInspector(Program& program) : program_(program) {}

    void Start();
    bool Active() const { return active_; }
    void Cancel(); // Escape; what was shown stays

    // A click at (x, y) of the shown space.
    void Pick(double x, double y);
    // The next object under the same click, round to the first.
    void Next();

    const std::vector<control::ObjectProperties>& Objects() const { return objects_; }
    int Current() const { return current_; } // -1 while nothing is shown
    // "Click an object", "Nothing here", "Object 1 of 3".
    std::string Summary() const;
    // Told whenever what is shown changes.
    std::function<void()> changed;

private:
    void notify();

    Program& program_;
    bool active_ = false;
    bool picked_ = false;
    std::vector<control::ObjectProperties> objects_;
    int current_ = -1;
};

} // namespace vexor::view
