#pragma once

#include "RenderStyle.h"
#include "cad/geometry/DisplayList.h"

#include <QRectF>
#include <QTransform>

class QPainter;

namespace vexor::control {

class Device;

// What one renderView call did, for tests and benchmarks.
struct RenderStats {
    std::size_t itemsVisited = 0; // items that passed culling
    std::size_t itemsDrawn = 0;   // drawn at full detail through the device
    std::size_t itemsAsDots = 0;  // under a pixel: drawn as a dot
    std::size_t textsAsBoxes = 0; // too small to read: drawn as a line
};

// The transform from drawing units to device coordinates that shows `window` whole and centred
// in `target` with a uniform scale and y up.
QTransform viewTransform(const QRectF& target, const cad::Box2& window);

// Draws the part of the drawing inside `window` (drawing units: left, bottom, right, top) into
// `target` (device coordinates of the painter), y up, uniform scale, centred. Culls with the
// spatial index and draws items too small to see as dots or lines. Works on any QPainter:
// widget backing image, overview, QPrinter/QPdfWriter, QSvgGenerator, QImage.
void renderView(const cad::DisplayList& list, QPainter& painter, const QRectF& target,
                const cad::Box2& window, const RenderStyle& style, RenderStats* stats = nullptr);

// The same through any device.
void renderView(const cad::DisplayList& list, Device& device, const QRectF& target,
                const cad::Box2& window, const RenderStyle& style, RenderStats* stats = nullptr);

} // namespace vexor::control
