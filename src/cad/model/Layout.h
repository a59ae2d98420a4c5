#pragma once

#include "Color.h"
#include "Math.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vexor::cad {

struct Drawing;

// A VIEWPORT entity of a paper-space block: a window on the sheet through which model space is
// seen at a chosen scale and rotation.
struct Viewport {
    std::uint64_t handle = 0;
    std::uint32_t layer = 0; // the frame is drawn on this layer
    Color color;
    Vec3 centre;                  // on paper, in paper-space units
    double width = 0, height = 0; // on paper
    Vec2 viewCentre;              // model-space view centre, relative to the target
    Vec3 viewTarget;              // model-space point the view looks at
    Vec3 viewDirection{0, 0, 1};  // from the target towards the viewer
    double viewHeight = 0;        // model-space height shown in `height`
    double twist = 0;             // radians: the model turns this much counter-clockwise
    std::int32_t id = 0;          // 1: the paper itself (DXF); 0 when the file does not say
    bool on = true;
    bool clipByBoundary = false;    // clipped by `clipBoundary` rather than its rectangle
    std::uint64_t clipBoundary = 0; // handle of an entity of the same block
    std::vector<std::uint64_t> frozenLayerHandles; // as stored in the file
    std::vector<std::string> frozenLayerNames;     // older files name them instead
    std::vector<std::uint32_t> frozenLayers;       // indexes into Drawing::layers
};

// What part of paper space a layout plots onto its printable area.
enum class PlotArea : std::int16_t {
    Display = 0, // what was last on screen
    Extents = 1, // everything drawn
    Limits = 2,  // the paper-space limits
    View = 3,    // a named view
    Window = 4,  // a window stored with the settings
    Layout = 5,  // the sheet itself: paper space's origin at the printable area's corner
};

// The flags of a layout's plot settings.
enum PlotFlag : std::uint16_t {
    kPlotViewportBorders = 0x1,
    kPlotShowStyles = 0x2,
    kPlotCentred = 0x4,
    kPlotHidden = 0x8,
    kPlotStandardScale = 0x10, // the scale is `standardScale`; 0 there means fit to the paper
    kPlotWithPlotStyles = 0x20,
    kPlotScaleLineweights = 0x40,
    kPlotLineweights = 0x80,
};

// A paper sheet: its plot settings and the paper-space block drawn on it.
struct Layout {
    std::string name;
    std::int32_t tabOrder = 0;
    std::uint64_t handle = 0;
    std::uint64_t blockRecord = 0;     // handle of its paper-space block record
    std::uint32_t block = 0xFFFFFFFFu; // index into Drawing::blocks; none when missing
    Vec2 paperSize;                    // millimetres, as the sheet lies before plot rotation
    double margins[4] = {0, 0, 0, 0};  // unprintable left, bottom, right, top in millimetres
    Vec2 plotOrigin;                   // millimetres from the printable area's corner
    std::int16_t paperUnits = 1;       // 0 inches, 1 millimetres, 2 pixels
    std::int16_t rotation = 0;         // quarter turns: 0 none, 1 90 degrees ccw, 2 180, 3 90 cw
    double printedUnits = 1;           // plot scale: this many paper units ...
    double drawingUnits = 1;           // ... for this many drawing units
    bool hasLimits = false;
    Vec2 limMin, limMax;                        // paper-space limits
    std::uint16_t plotFlags = kPlotLineweights; // PlotFlag bits
    PlotArea plotArea = PlotArea::Layout;
    Vec2 plotWindowMin, plotWindowMax; // PlotArea::Window, in paper-space units
    std::int16_t standardScale = 16;   // with kPlotStandardScale: 0 fit, 16 1:1 ...
    std::string pageSetupName, printerName, paperName, plotViewName;
    std::string plotStyleTable; // file name of the .ctb or .stb table; empty: none
    Box2 plotView; // PlotArea::View: the named view's area in paper-space units; empty: unknown

    // Whether the plotted area is scaled to fill the printable area instead of a plot scale.
    bool fitsToPaper() const { return (plotFlags & kPlotStandardScale) && standardScale == 0; }
};

// Puts the layouts a reader found into their final shape: joins each to its paper-space block
// (or adds the one sheet of drawings without layout objects), resolves frozen-layer handles,
// drops the model-space layout, fixes missing paper sizes and sorts by tab order. Problems
// become diagnostics.
void finishLayouts(Drawing& drawing);

// Paper-space units per millimetre of paper for a layout.
double paperUnitsPerMillimetre(const Layout& layout);

// The sheet as it is looked at, in millimetres: the paper size turned by the plot rotation.
Vec2 sheetSize(const Layout& layout);

// Whether viewport `index` of a paper-space block's list is the paper itself rather than a view:
// the one numbered 1 where the file numbers them, else the first.
bool isPaperViewport(const std::vector<Viewport>& viewports, std::size_t index);

} // namespace vexor::cad
