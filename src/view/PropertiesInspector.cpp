#include "PropertiesInspector.h"

namespace vexor::view {

void PropertiesInspector::Start() {
    active_ = true;
    notify();
}

void PropertiesInspector::Cancel() {
    if (!active_)
        return;
    active_ = false;
    notify();
}

void PropertiesInspector::Pick(double x, double y) {
    if (!active_)
        return;
    objects_ = program_.Dbcocx1.ObjectsAt(x, y, kTolerancePixels);
    current_ = objects_.empty() ? -1 : 0;
    picked_ = true;
    notify();
}

void PropertiesInspector::Next() {
    if (objects_.size() < 2)
        return;
    current_ = (current_ + 1) % static_cast<int>(objects_.size());
    notify();
}

std::string PropertiesInspector::Summary() const {
    if (!picked_)
        return "Click an object";
    if (objects_.empty())
        return "Nothing here";
    return "Object " + std::to_string(current_ + 1) + " of " + std::to_string(objects_.size());
}

void PropertiesInspector::notify() {
    if (changed)
        changed();
}

} // namespace vexor::view
