#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

class QPaintDevice;

namespace vexor::control {

// Identifies a top-level or child window to the window system; 0 means none.
using WindowId = std::uintptr_t;

// Raised by a control operation that cannot do what it was asked.
class DrawingControlError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Receives the control's pointer events, positions in drawing units.
class DrawingControlEvents {
public:
    virtual ~DrawingControlEvents() = default;
    virtual void PointerDown(std::int32_t value, double x, double y) = 0;
    virtual void PointerMove(double x, double y) = 0;
    virtual void PointerUp(std::int32_t value, double x, double y) = 0;
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
