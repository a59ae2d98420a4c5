#pragma once

#include "Device.h"
#include "cad/geometry/DisplayList.h"

namespace vexor::control {

// Turns an item's linetype and lineweight into a device stroke at a given scale (device
// pixels per drawing unit): dash patterns in pixels, solid when finer than a pixel.
class StrokeBuilder {
public:
    StrokeBuilder(const cad::DisplayList& list, double pixelScale);

    // `lengthPixels` is the item's approximate length on the device: a dash pattern that would
    // repeat too many times over it is drawn solid.
    void build(StrokeStyle& out, std::int32_t linetype, float linetypeScale,
               std::int16_t lineweight, double unitsToPixels, double lengthPixels) const;

private:
    const cad::DisplayList& list_;
    double pixelScale_;
};

} // namespace vexor::control
