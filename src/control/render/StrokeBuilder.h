#pragma once

#include "Device.h"
#include "cad/geometry/DisplayList.h"

namespace vexor::control {

// How lineweights become stroke widths.
struct LineweightWidths {
    bool shown = false;   // false: every line is the device's thinnest
    bool onPaper = false; // true: their real width; false: whole screen pixels
    double scale = 1;     // on paper: lineweights are multiplied by this
};

// Turns an item's linetype and lineweight into a device stroke at a given scale (device
// pixels per drawing unit): dash patterns in pixels, solid when finer than a pixel.
class StrokeBuilder {
public:
    StrokeBuilder(const cad::DisplayList& list, double pixelScale, LineweightWidths widths = {});

    // The width of a lineweight (1/100 mm, or ByLayer, ByBlock, default) in device pixels;
    // 0 for the thinnest line.
    double width(std::int16_t lineweight) const;

    // `lengthPixels` is the item's approximate length on the device: a dash pattern that would
    // repeat too many times over it is drawn solid.
    void build(StrokeStyle& out, std::int32_t linetype, float linetypeScale,
               std::int16_t lineweight, double unitsToPixels, double lengthPixels) const;

private:
    const cad::DisplayList& list_;
    double pixelScale_;
    LineweightWidths widths_;
};

} // namespace vexor::control
