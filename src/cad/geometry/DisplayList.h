#pragma once

#include "../curves/ConicArc.h"
#include "../model/Drawing.h"
#include "../plot/PlotStyleTable.h"
#include "../text/TextRun.h"
#include "SpatialIndex.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace vexor::cad {

// How an item's colour was resolved when the drawing was compiled.
enum class ItemColorKind : std::uint8_t {
    Rgb,        // a fixed colour (index or true colour already turned into RGB)
    Foreground, // colour 7: black on light backgrounds, white on dark ones
    ByBlock,    // the colour of the insert that draws it
    ByLayer,    // the colour of the layer it is drawn on (layer "0" items inside blocks)
};

struct ItemColor {
    ItemColorKind kind = ItemColorKind::Foreground;
    std::uint32_t rgb = 0xFFFFFF; // 0xRRGGBB for Rgb; a fill's top byte is its transparency
};

enum class ItemKind : std::uint8_t {
    Polyline, // stroked points
    Polygon,  // filled rings, each ring closed implicitly
    Segments, // pairs of points, each pair a separate line (hatch pattern lines)
    Wipeout,  // filled with the background
    Text,     // one line of text
    Points,   // point markers
    Insert,   // a block drawn through a transform
    Ray,      // half-infinite line from points[0] along points[1]
    Xline,    // infinite line through points[0] along points[1]
    Image,    // a raster picture (DisplayList images) clipped to the ring in points
};

// A block placement: columns x rows copies of the block's items, copy (i, j) drawn under
// translate(i * columnStep + j * rowStep) * transform. block is kNoIndex when the insert cannot
// be drawn (it would recurse into itself or nest too deep).
struct InsertRef {
    std::uint32_t block = kNoIndex;
    Affine2 transform;
    std::int32_t columns = 1, rows = 1;
    Vec2 columnStep, rowStep; // vectors between copies, in the coordinates of the owning list
    // While compiling: the clip boundary in the block's coordinates. The compile then points
    // the insert at a copy of the block clipped to it and empties this.
    std::vector<Vec2> clip;
};

// A raster picture an IMAGE entity shows. The engine only says where: the renderer reads the
// file (found beside the drawing when the list was compiled) and caches it.
struct RasterImage {
    std::string file;
    // Maps picture coordinates (x right, y down, one unit per pixel, (0, 0) the top-left corner
    // of the picture) to the drawing, for a picture of `sizePixels`; a file whose size differs
    // is stretched to that size.
    Affine2 pixelToWorld;
    Vec2 sizePixels;
    // The clip is the item's points: one ring, or (when this is not 0) an outer ring of this
    // many points with the rest a hole in it (a boundary that keeps what lies outside).
    std::uint32_t outerRing = 0;
};

// The named plot style an item or a layer plots in when its sheet prints through a named plot
// style table: by layer, by block, the table's default, or kPlotStyleNamed plus an index into
// DisplayList::plotStyleNames().
inline constexpr std::uint8_t kPlotStyleByLayer = 0, kPlotStyleByBlock = 1, kPlotStyleDefault = 2,
                              kPlotStyleNamed = 3;

// A primitive of the compiled drawing. Geometry lives in the owning ItemList's arrays.
struct DisplayItem {
    Box2 box;                           // world (or block) coordinates; for inserts the whole array
    std::uint32_t first = 0, count = 0; // points of the item (Polygon: ring sizes in `rings`)
    std::uint32_t extra = kNoIndex;     // text run, insert, image, or first ring entry
    std::uint32_t layer = 0;            // index into DisplayList::layers()
    ItemColor color;
    std::int32_t linetype = kLinetypeContinuous; // index into Drawing::linetypes, or kLinetype*
    float linetypeScale = 1;
    std::int16_t lineweight = kLineweightDefault; // 1/100 mm, or kLineweight*
    ItemKind kind = ItemKind::Polyline;
    bool closed = false; // Polyline: last point joins the first
    bool evenOdd = true; // Polygon: even-odd fill rule, else non-zero winding
    std::uint8_t plotStyle = kPlotStyleByLayer; // fills a byte the alignment leaves free
    std::uint16_t rings = 0;                    // Polygon: number of rings
};

// What drawing an item from far away needs, packed small so that a pass over a whole long list
// reads little memory: the centre and half size of its box relative to the list's extents'
// lower-left corner (floats are exact enough there), its layer and its colour.
struct ItemSummary {
    float centreX = 0, centreY = 0;
    float halfWidth = -1, halfHeight = -1; // halfWidth < 0: not drawn by the scan (see below)
    std::uint32_t layer = 0;
    std::uint32_t color = 0; // ItemColorKind in the top byte, 0xRRGGBB below

    // Items the scan leaves out: rays and construction lines (drawn separately) and items
    // with nothing to draw.
    bool skipped() const { return halfWidth < 0; }
    static std::uint32_t pack(ItemColor c) {
        return static_cast<std::uint32_t>(c.kind) << 24 | (c.rgb & 0xFFFFFFu);
    }
};

// The exact curve behind a run of a flattened item's points: a circle, an arc, an ellipse, a
// bulged polyline segment or a curved hatch edge, in the list's coordinates. The item's points
// from..to draw it in the curve's direction; when `to` is not after `from` the run closes its
// ring: it goes on from the ring's last point to `to`, the ring's first (a whole circle runs
// from its first point round to it again).
struct ItemCurve {
    ConicArc arc;
    std::uint32_t item = 0;
    std::uint32_t from = 0, to = 0;
};

// A pattern hatch's boundary figures, kept with the item of its pattern lines (which hold no
// boundary): area (its loops by the even-odd rule) and perimeter in the list's coordinates.
struct ItemArea {
    std::uint32_t item = 0;
    double area = 0, perimeter = 0;
};

// The entity an item was made from, kept small once the drawing's entities are released.
struct ItemSource {
    std::uint64_t handle = 0;
    const char* type = "";               // its DXF name, in static storage
    std::uint32_t style = kNoIndex;      // a text's, multi-line text's or attribute's style
    std::uint32_t attributes = kNoIndex; // a reference's attribute values in ItemList::attributes
};

// Lists at least this long carry summaries.
inline constexpr std::size_t kSummaryFrom = 64;

// The items of model space or of one block, with the spatial index used to cull them.
struct ItemList {
    std::vector<DisplayItem> items;
    std::vector<Vec2> points;
    std::vector<std::uint32_t> ringSizes;
    std::vector<TextRun> texts;
    std::vector<InsertRef> inserts;
    std::vector<RasterImage> images; // of Image items
    SpatialIndex index;              // every item but rays and construction lines (see query())
    std::vector<std::uint32_t> unbounded; // rays and construction lines: drawn in every view
    Box2 extents;                         // of everything but rays and construction lines
    std::vector<ItemSummary> summaries;   // one per item, or empty for short lists
    // Exact curves, ordered by item: only the items drawn from curves have any, so a list of
    // straight lines pays nothing for them.
    std::vector<ItemCurve> curves;
    std::vector<ItemArea> areas; // by item: pattern hatches only
    // Items shown on screen and left off paper, in order (the clip frames of a drawing whose
    // XCLIPFRAME says so).
    std::vector<std::uint32_t> screenOnly;
    // Where the items come from: one entry per item into `sources`, one source per entity.
    std::vector<std::uint32_t> sourceOf;
    std::vector<ItemSource> sources;
    std::vector<std::vector<std::pair<std::string, std::string>>> attributes; // tag, value
    // No fills, wipeouts or inserts: drawing order changes nothing visible, so the renderer
    // may draw in spatial order.
    bool orderFree = true;

    // The exact curves of an item, in the order its points draw them.
    std::span<const ItemCurve> curvesOf(std::uint32_t item) const {
        const auto byItem = [](const ItemCurve& c, std::uint32_t i) { return c.item < i; };
        const auto first = std::lower_bound(curves.begin(), curves.end(), item, byItem);
        auto last = first;
        while (last != curves.end() && last->item == item)
            ++last;
        return {first, last};
    }
    const ItemArea* areaOf(std::uint32_t item) const {
        const auto at =
            std::lower_bound(areas.begin(), areas.end(), item,
                             [](const ItemArea& a, std::uint32_t i) { return a.item < i; });
        return at != areas.end() && at->item == item ? &*at : nullptr;
    }
    // The entity an item was made from; none for lists compiled without their sources.
    const ItemSource* sourceOfItem(std::uint32_t item) const {
        return item < sourceOf.size() && sourceOf[item] < sources.size() ? &sources[sourceOf[item]]
                                                                         : nullptr;
    }

    // Calls visit(itemIndex) for every item but rays and construction lines whose box
    // intersects `window`, in no particular order.
    template <class Visit> void query(const Box2& window, Visit&& visit) const {
        index.query(
            window, [this](std::uint32_t i) -> const Box2& { return items[i].box; }, visit);
    }
};

// What the renderer needs from a layer.
struct LayerStyle {
    std::string name;
    ItemColor color;
    std::int32_t linetype = kLinetypeContinuous;
    std::int16_t lineweight = kLineweightDefault;
    std::uint8_t plotStyle = kPlotStyleDefault;
    bool initiallyHidden = false; // off or frozen in the file
    bool frozenInFile = false;    // frozen: hides the inserts on it too, not only its own items
    bool plotted = true;          // false: shown on screen, left off paper (and Defpoints)
};

// The font a text style resolved to: what the drawing names and the file drawn with (empty
// when the device's own face stands in).
struct StyleFont {
    std::string name, font, resolved;
};

// A view onto model space from a sheet: model coordinates map to paper through `modelToPaper`,
// and what shows is clipped to `clip` (a ring on paper: the viewport's rectangle or its
// boundary), with its own frozen layers.
struct SheetView {
    Affine2 modelToPaper;
    std::vector<Vec2> clip;
    Box2 clipBox;
    bool rectangular = true; // `clip` is the axis-aligned rectangle clipBox
    std::vector<std::uint32_t> frozenLayers;
    std::uint32_t layer = 0; // the frame's layer
    ItemColor frameColor;
    bool frame = true;      // a rectangle drawn round it (not when a paper-space entity clips it)
    bool showsModel = true; // false when its view cannot be used: the frame alone is drawn
};

// A layout's sheet in paper-space units: the paper, the block drawn on it and its views.
struct Sheet {
    std::string name;
    std::uint32_t block = kNoIndex; // the paper-space items; none when the block is missing
    Box2 paper;                     // the whole sheet
    Vec2 sizeMm;                    // the sheet as looked at, in millimetres
    double unitsPerMm = 1;          // paper-space units per millimetre of paper
    std::vector<SheetView> views;
    std::uint16_t plotFlags = 0; // the layout's PlotFlag bits
    std::string plotStyleTable;  // the plot style table the layout names; empty: none
    double lineweightScale = 1;  // printed lineweights are multiplied by this
    std::shared_ptr<const PlotStyleTable> plotStyles; // the table found; null: none
};

// A compiled drawing: model space and every block turned into primitives with bounding boxes,
// blocks compiled once and drawn through their inserts' transforms, a spatial index per list.
class DisplayList {
public:
    const ItemList& modelSpace() const { return model_; }
    const ItemList& block(std::uint32_t index) const { return blocks_[index]; }
    std::size_t blockCount() const { return blocks_.size(); }
    // The drawing's block that block list `index` shows: the block itself, or for a copy cut
    // to a clipped insert's boundary, the block it was cut from.
    std::uint32_t sourceBlock(std::uint32_t index) const {
        return index < clippedFrom_.size() && clippedFrom_[index] != kNoIndex ? clippedFrom_[index]
                                                                              : index;
    }
    const std::vector<LayerStyle>& layers() const { return layers_; }
    const std::vector<Linetype>& linetypes() const { return linetypes_; }
    double linetypeScale() const { return linetypeScale_; }
    std::int32_t pointMode() const { return pointMode_; }
    double pointSize() const { return pointSize_; }
    // Whether the drawing asks for lines at their lineweight on screen ($LWDISPLAY).
    bool lineweightDisplay() const { return lineweightDisplay_; }
    // Index of layer "0", whose block items take the layer of the insert drawing them.
    std::uint32_t layerZero() const { return layerZero_; }
    const std::vector<std::string>& diagnostics() const { return diagnostics_; }
    const std::vector<StyleFont>& styleFonts() const { return styleFonts_; }
    // The layouts' sheets in tab order; model space is not among them.
    const std::vector<Sheet>& sheets() const { return sheets_; }
    // The named plot styles items and layers refer to (see kPlotStyleNamed).
    const std::vector<std::string>& plotStyleNames() const { return plotStyleNames_; }

    // Box of what is drawn (no rays or construction lines), block contents included through
    // their inserts; empty for an empty drawing.
    Box2 extents() const { return model_.extents; }

    // Approximate memory held by the compiled items, in bytes.
    std::size_t memoryBytes() const;

private:
    friend class DisplayListCompiler;
    ItemList model_;
    std::vector<ItemList> blocks_;
    std::vector<std::uint32_t> clippedFrom_; // per block list: kNoIndex, or its source block
    std::vector<LayerStyle> layers_;
    std::vector<Linetype> linetypes_;
    double linetypeScale_ = 1;
    std::int32_t pointMode_ = 0;
    double pointSize_ = 0;
    bool lineweightDisplay_ = false;
    std::uint32_t layerZero_ = kNoIndex;
    std::vector<std::string> diagnostics_;
    std::vector<StyleFont> styleFonts_;
    std::vector<Sheet> sheets_;
    std::vector<std::string> plotStyleNames_;
};

// The sheet a drawing opens on: model space (-1), unless model space draws nothing and a sheet
// does, as in drawings made entirely on paper; then the first such sheet in tab order.
int openingSheet(const DisplayList& list);

// Inserts nested deeper than this are not drawn (a diagnostic says so): room for references
// nested to their own cap of 16 (each one level: the compile draws a referenced drawing's
// model straight through the insert of its reference) and blocks inside the innermost.
inline constexpr int kMaxInsertDepth = 32;

// Compiles under the thread's active LoadBudget, if any (see io/LoadBudget.h): a cancelled,
// late or too large compile throws LoadStopped.
std::shared_ptr<const DisplayList> compileDisplayList(const Drawing& drawing);
// The same, emptying model space and every block but the sheets' own as soon as their entities
// are turned into items, before the lists are indexed: a huge drawing is then never held
// twice at the compile's peak. For a caller that keeps only the list (and the drawing's
// layers, styles, header and layouts).
std::shared_ptr<const DisplayList> compileDisplayListReleasingEntities(Drawing& drawing);

} // namespace vexor::cad
