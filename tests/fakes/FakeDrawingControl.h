#pragma once

#include "control/DrawingControl.h"

#include <array>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace vexor::test {

// A drawing control that records every call with its arguments and answers from a script.
class FakeDrawingControl : public control::DrawingControl {
public:
    std::vector<std::string> calls;

    // Script
    bool drawingOpen = false;
    control::WindowId windowHandle = 4242;
    std::int32_t drawingHandle = 7;
    double view[6] = {0, 0, 0, 0, 0, 0};
    // Items in order; each maps tags to values.
    std::vector<std::pair<std::string, std::map<std::string, std::string>>> items;
    // Layer table read by OpenLayerTable: names in order with their states.
    std::vector<std::pair<std::string, std::int32_t>> layerTable;
    std::deque<std::int32_t> openLayerTableResults; // empty: always 1
    std::int32_t layerTableCount = -1;              // -1: the size of layerTable
    std::set<std::string> failOn;                   // operation names that throw
    // What the next LoadDwg or DgnImport gives: a failure leaves no drawing open.
    control::LoadReport loadOutcome;
    bool visible = false;
    int top = 0, width = 0, height = 0;
    control::DrawingControlEvents* sink = nullptr;
    // Layout names after "Model", the layout a load starts on, and the layout last shown.
    std::vector<std::string> layouts;
    std::int32_t openingLayout = 0;
    std::int32_t shownLayout = 0;
    // The differences a comparison load lists.
    std::vector<control::DrawingDifference> differences;
    std::vector<control::DrawingDifference> shownDifferences; // of the comparison loaded
    // What the tools read: the drawing's unit settings, the model point ModelPointAt gives on
    // a layout (none: outside every viewport), and the texts FindText finds (whatever the query).
    std::int32_t linearUnits = 2, linearPrecision = 4;
    std::optional<std::array<double, 3>> modelPoint;
    std::vector<control::FoundText> foundTexts;
    std::vector<control::ObjectProperties> objects; // what ObjectsAt finds, wherever asked
    // What SnapPoint finds, wherever asked: its kind (0 none) and point.
    std::int32_t snapKind = 0;
    double snapX = 0, snapY = 0;
    bool lineweightDisplay = false; // what the next load starts with, then the current state
    // The paper of each layout after "Model", in millimetres as looked at.
    std::vector<std::pair<double, double>> layoutPapers;

    // Sets the "V100"/"V101" items with VX1/VY1 texts.
    void setCorner(const std::string& item, const std::string& x, const std::string& y);
    void addLayerRecord(const std::string& name, const std::string& ecolor);

    bool IsDrawingOpen() override;
    void CloseDrawing() override;
    void ResetDrawing() override;
    void CreateDrawing(const std::string& path, std::int32_t mode,
                       const std::string& options) override;
    void LoadDwg(const std::string& path) override;
    void SetImportLibrary(const std::string& path) override;
    std::int32_t DrawingHandle() override;
    void DgnImport(const std::string& path, std::int32_t handle,
                   const std::string& options) override;
    void AttachLibrary(const std::string& name, const std::string& options,
                       std::int32_t flags) override;
    void SetWorkFile(const std::string& path, std::int32_t flags) override;
    void LoadComparison(const std::string& oldPath, const std::string& newPath) override;
    std::int32_t DifferenceCount() override;
    control::DrawingDifference DifferenceAt(std::int32_t index) override;
    control::LoadReport LastLoad() override;

    std::int32_t OpenLayerTable(const std::string& path) override;
    std::int32_t LayerTableCount(std::int32_t handle) override;
    std::string LayerTableName(std::int32_t handle, std::int32_t reserved) override;
    std::int32_t LayerTableState(std::int32_t handle, const std::string& name) override;
    void CloseLayerTable(std::int32_t handle) override;

    void SelectItem(const std::string& name) override;
    void SelectItemAt(std::int32_t index) override;
    std::int32_t ItemCount() override;
    std::int32_t ItemFound() override;
    std::string ItemValue(const std::string& tag) override;

    void SetBackgroundColor(std::int32_t r, std::int32_t g, std::int32_t b) override;
    void SetForeColor(const std::string& selector, std::int32_t code) override;
    void ShowLayer(const std::string& name) override;
    void HideLayer(const std::string& name) override;
    void Redraw() override;
    void SetColorMode(std::int32_t mode) override;
    void SetDisplayMode(std::int32_t mode) override;
    void SetRedrawMode(std::int32_t mode) override;
    void ClearView() override;
    void SetFilter(const std::string& filter) override;
    void SetViewTransform(double a, double b, double c, double d, double e, double f, double g,
                          double h) override;
    void SetZoomOptions(double step, std::int32_t a, std::int32_t b) override;

    void Zoom(std::int32_t code) override;
    void ZoomWindow(double x1, double y1, double x2, double y2) override;
    void GetView(double& x1, double& y1, double& x2, double& y2, double& e1, double& e2) override;
    void PanTo(double x, double y) override;
    void ShowOverview() override;
    control::WindowId WindowHandle() override;

    void CancelInput() override;
    void GetUnits(std::int32_t& units, std::int32_t& precision) override;
    bool ModelPointAt(double x, double y, double& modelX, double& modelY,
                      double& paperPerModel) override;
    std::vector<control::FoundText> FindText(const std::string& text, bool wholeWords) override;
    void MarkWindow(double x1, double y1, double x2, double y2) override;
    std::vector<control::ObjectProperties> ObjectsAt(double x, double y,
                                                     double tolerancePixels) override;
    void SetSnapBase(bool set, double x, double y) override;
    std::int32_t SnapPoint(double x, double y, double tolerancePixels, std::int32_t kinds,
                           double& snappedX, double& snappedY) override;

    void SetPrinterDC(QPaintDevice* device) override;
    void PrintBegin(std::int32_t flags) override;
    void PrintWindow(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                     double x1, double y1, double x2, double y2, std::int32_t flags) override;
    void PrintEnd(std::int32_t flags) override;

    std::int32_t LayoutCount() override;
    std::string LayoutName(std::int32_t index) override;
    void ShowLayout(std::int32_t index) override;
    std::int32_t ShownLayout() override;
    void SetLineweightDisplay(bool on) override;
    bool LineweightDisplay() override;
    bool LayoutPaper(std::int32_t index, double& widthMm, double& heightMm) override;

    void SetVisible(bool v) override;
    bool Visible() override;
    void SetTop(int t) override;
    void SetWidth(int w) override;
    void SetHeight(int h) override;
    int Top() override;
    int Width() override;
    int Height() override;
    void SetEventSink(control::DrawingControlEvents* s) override;

private:
    void record(const std::string& entry, const std::string& name);
    void read();
    control::LoadReport lastLoad_;
    int selected_ = -1;
    std::size_t nextLayerName_ = 0;
};

} // namespace vexor::test
