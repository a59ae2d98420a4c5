#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

class QPaintDevice;

namespace vexor::control {

// Identifies a top-level or child window to the window system; 0 means none.
using WindowId = std::uintptr_t;

// Raised by a control operation that cannot do what it was asked.
class DrawingControlError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One difference of a comparison shown by the control: "removed", "added" or "changed", the
// entity's kind and layer, its handle in each file (hexadecimal, empty where it is absent) and
// the window round it in drawing units.
struct DrawingDifference {
    std::string change;
    std::string kind;
    std::string layer;
    std::string oldHandle, newHandle;
    std::string layout; // "Model" or the layout it lies on
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// Why the last read of a file (LoadDwg, DgnImport) gave no drawing.
enum class LoadFailure : std::uint8_t {
    None,        // it gave one
    Missing,     // the file is not there or cannot be opened
    NotADrawing, // its content is no drawing format the control reads
    Unsupported, // a drawing format or release the control does not read yet
    Damaged,     // a drawing whose content is broken
    TooLarge,    // it needs more memory or time than a load is allowed
    Cancelled,   // the user stopped it
    Unexpected,  // anything else went wrong while reading
};

// The outcome of the last read: why it gave no drawing, and the technical reason naming the
// file (empty when it gave one).
struct LoadReport {
    LoadFailure failure = LoadFailure::None;
    std::string reason;
};

// Receives the control's pointer events, positions in drawing units.
class DrawingControlEvents {
public:
    virtual ~DrawingControlEvents() = default;
    virtual void PointerDown(std::int32_t value, double x, double y) = 0;
    virtual void PointerMove(double x, double y) = 0;
    virtual void PointerUp(std::int32_t value, double x, double y) = 0;
    // A second press of a button in quick succession, after its PointerDown and PointerUp.
    virtual void PointerDoubleClick(std::int32_t /*value*/, double /*x*/, double /*y*/) {}
};

// What the properties panel shows of one object: (name, value) pairs in order.
using ObjectProperties = std::vector<std::pair<std::string, std::string>>;

// A text of the drawing found by FindText: the space it lies in (0 model space, then the
// layouts as LayoutName counts them), its kind (TEXT, MTEXT, ATTRIB, DIMENSION ...), layer and
// plain text, and its insertion point and height in that space.
struct FoundText {
    std::int32_t layout = 0;
    std::string kind, layer, text;
    double x = 0, y = 0, height = 0;
};

// The drawing control hosted on the main window: it reads, holds, draws and prints a drawing.
// All program code reaches the drawing through this interface. Operations are named as the
// program calls them; windows are always (x1, y1, x2, y2) = left, bottom, right, top.
class DrawingControl {
public:
    virtual ~DrawingControl() = default;

    // Drawing
    virtual bool IsDrawingOpen() = 0;
    virtual void CloseDrawing() = 0;
    virtual void ResetDrawing() = 0;
    virtual void CreateDrawing(const std::string& path, std::int32_t mode,
                               const std::string& options) = 0;
    virtual void LoadDwg(const std::string& path) = 0;
    virtual void SetImportLibrary(const std::string& path) = 0;
    virtual std::int32_t DrawingHandle() = 0;
    // Fills the drawing given by DrawingHandle from a file that is not read by LoadDwg.
    virtual void DgnImport(const std::string& path, std::int32_t drawingHandle,
                           const std::string& options) = 0;
    virtual void AttachLibrary(const std::string& name, const std::string& options,
                               std::int32_t flags) = 0;
    virtual void SetWorkFile(const std::string& path, std::int32_t flags) = 0;
    // What the last LoadDwg or DgnImport gave. A read that gives no drawing does not throw:
    // the control holds no drawing afterwards and says why here.
    virtual LoadReport LastLoad() = 0;

    // Comparison: reads two drawing files and shows, as one drawing, what is the same in both,
    // what only the old one has, what only the new one has and what changed. Its differences
    // are listed until another drawing is loaded.
    virtual void LoadComparison(const std::string& oldPath, const std::string& newPath) = 0;
    virtual std::int32_t DifferenceCount() = 0;
    virtual DrawingDifference DifferenceAt(std::int32_t index) = 0;

    // Layer table of a file, before loading it
    virtual std::int32_t OpenLayerTable(const std::string& path) = 0; // 0 = failure
    virtual std::int32_t LayerTableCount(std::int32_t handle) = 0;
    virtual std::string LayerTableName(std::int32_t handle, std::int32_t reserved) = 0;
    virtual std::int32_t LayerTableState(std::int32_t handle, const std::string& name) = 0;
    virtual void CloseLayerTable(std::int32_t handle) = 0;

    // Items of the loaded drawing
    virtual void SelectItem(const std::string& name) = 0;
    virtual void SelectItemAt(std::int32_t index) = 0;
    virtual std::int32_t ItemCount() = 0;
    virtual std::int32_t ItemFound() = 0;
    virtual std::string ItemValue(const std::string& tag) = 0;

    // Display
    virtual void SetBackgroundColor(std::int32_t red, std::int32_t green, std::int32_t blue) = 0;
    virtual void SetForeColor(const std::string& selector, std::int32_t code) = 0;
    virtual void ShowLayer(const std::string& name) = 0;
    virtual void HideLayer(const std::string& name) = 0;
    virtual void Redraw() = 0;
    virtual void SetColorMode(std::int32_t mode) = 0;
    virtual void SetDisplayMode(std::int32_t mode) = 0;
    virtual void SetRedrawMode(std::int32_t mode) = 0;
    virtual void ClearView() = 0;
    virtual void SetFilter(const std::string& filter) = 0;
    virtual void SetViewTransform(double a, double b, double c, double d, double e, double f,
                                  double g, double h) = 0;
    virtual void SetZoomOptions(double step, std::int32_t a, std::int32_t b) = 0;
    // Lines drawn at their lineweight on screen; each drawing read starts as it asks
    // ($LWDISPLAY). Printing always plots lineweights as the printed layout says.
    virtual void SetLineweightDisplay(bool on) = 0;
    virtual bool LineweightDisplay() = 0;

    // View
    virtual void Zoom(std::int32_t code) = 0; // 1 in, -1 out, 2 area, -2 undo, 100 actual size
    virtual void ZoomWindow(double x1, double y1, double x2, double y2) = 0;
    virtual void GetView(double& x1, double& y1, double& x2, double& y2, double& extra1,
                         double& extra2) = 0;
    virtual void PanTo(double x, double y) = 0;
    virtual void ShowOverview() = 0; // opens the control's own window titled "Overview"
    virtual WindowId WindowHandle() = 0;

    // Layouts: 0 is model space, then the drawing's sheets in tab order. ShowLayout shows one
    // whole; a drawing read starts on model space, unless only a sheet has something on it.
    virtual std::int32_t LayoutCount() = 0; // model space included
    virtual std::string LayoutName(std::int32_t index) = 0;
    virtual void ShowLayout(std::int32_t index) = 0;
    virtual std::int32_t ShownLayout() = 0;
    // The paper layout `index` plots on, as it is looked at, in millimetres; false for model
    // space, which has no paper of its own.
    virtual bool LayoutPaper(std::int32_t index, double& widthMm, double& heightMm) = 0;

    // Tools
    // Ends the picking of an area that Zoom(2) started, if it runs.
    virtual void CancelInput() = 0;
    // How the drawing writes lengths: its LUNITS and LUPREC (decimal with four places when it
    // does not say, or without a drawing).
    virtual void GetUnits(std::int32_t& linearUnits, std::int32_t& linearPrecision) = 0;
    // On a layout: the model point seen at paper point (x, y) through the viewport there, and
    // that viewport's paper units per model unit; false on model space or outside every viewport.
    virtual bool ModelPointAt(double x, double y, double& modelX, double& modelY,
                              double& paperPerModel) = 0;
    // Every text of the drawing, on model space and every layout, holding `text` (any case;
    // with wholeWords only where it stands as whole words), in drawing order.
    virtual std::vector<FoundText> FindText(const std::string& text, bool wholeWords) = 0;
    // Frames a window of the shown space over the drawing, e.g. a found text; a window with
    // x1 > x2 removes the frame. Showing another layout or drawing removes it too.
    virtual void MarkWindow(double x1, double y1, double x2, double y2) = 0;
    // The objects drawn within `tolerancePixels` of point (x, y) of the shown space, found
    // through the spatial index (inside references; on a layout also the model seen through
    // the viewport there), the topmost first, each with its properties.
    virtual std::vector<ObjectProperties> ObjectsAt(double x, double y, double tolerancePixels) = 0;
    // The snap point of the enabled kinds (cad::SnapKind bits) within `tolerancePixels` of
    // (x, y) of the shown space (on a layout also the model's, through the viewport there),
    // marked on the drawing with its kind's sign until the next call; returns its kind, 0 when
    // there is none (and no mark).
    virtual std::int32_t SnapPoint(double x, double y, double tolerancePixels, std::int32_t kinds,
                                   double& snappedX, double& snappedY) = 0;
    // The point of the shown space that perpendicular and tangent snaps start from (the last
    // one picked); with `set` false there is none.
    virtual void SetSnapBase(bool set, double x, double y) = 0;

    // Printing
    virtual void SetPrinterDC(QPaintDevice* device) = 0;
    virtual void PrintBegin(std::int32_t flags) = 0;
    virtual void PrintWindow(std::int32_t left, std::int32_t top, std::int32_t right,
                             std::int32_t bottom, double x1, double y1, double x2, double y2,
                             std::int32_t flags) = 0;
    virtual void PrintEnd(std::int32_t flags) = 0;

    // Placement on the host window, in the host's units (device-independent pixels)
    virtual void SetVisible(bool visible) = 0;
    virtual bool Visible() = 0;
    virtual void SetTop(int top) = 0;
    virtual void SetWidth(int width) = 0;
    virtual void SetHeight(int height) = 0;
    virtual int Top() = 0;
    virtual int Width() = 0;
    virtual int Height() = 0;

    // Pointer events go to this receiver; nullptr for none.
    virtual void SetEventSink(DrawingControlEvents* sink) = 0;
};

} // namespace vexor::control
