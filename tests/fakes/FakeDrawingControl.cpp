#include "FakeDrawingControl.h"

#include "CallLog.h"

namespace vexor::test {

using control::DrawingControlError;

void FakeDrawingControl::record(const std::string& entry, const std::string& name) {
    calls.push_back(entry);
    if (failOn.count(name))
        throw DrawingControlError(name + " failed");
}

void FakeDrawingControl::setCorner(const std::string& item, const std::string& x,
                                   const std::string& y) {
    items.push_back({item, {{"VX1", x}, {"VY1", y}}});
}

void FakeDrawingControl::addLayerRecord(const std::string& name, const std::string& ecolor) {
    const std::string state = !ecolor.empty() && ecolor[0] == '-' ? "1" : "0";
    items.push_back(
        {"L" + name, {{"SECTION", "L"}, {"DESCR", name}, {"ECOLOR", ecolor}, {"LSTATE", state}}});
}

bool FakeDrawingControl::IsDrawingOpen() {
    record(call("IsDrawingOpen"), "IsDrawingOpen");
    return drawingOpen;
}
void FakeDrawingControl::CloseDrawing() {
    record(call("CloseDrawing"), "CloseDrawing");
    drawingOpen = false;
}
void FakeDrawingControl::ResetDrawing() {
    record(call("ResetDrawing"), "ResetDrawing");
}
void FakeDrawingControl::CreateDrawing(const std::string& path, std::int32_t mode,
                                       const std::string& options) {
    record(call("CreateDrawing", path, mode, options), "CreateDrawing");
}
void FakeDrawingControl::LoadComparison(const std::string& oldPath, const std::string& newPath) {
    record(call("LoadComparison", oldPath, newPath), "LoadComparison");
    lastLoad_ = {};
    drawingOpen = true;
    shownLayout = openingLayout;
    shownDifferences = differences;
}
std::int32_t FakeDrawingControl::DifferenceCount() {
    record(call("DifferenceCount"), "DifferenceCount");
    return static_cast<std::int32_t>(shownDifferences.size());
}
control::DrawingDifference FakeDrawingControl::DifferenceAt(std::int32_t index) {
    record(call("DifferenceAt", index), "DifferenceAt");
    if (index < 0 || static_cast<std::size_t>(index) >= shownDifferences.size())
        throw DrawingControlError("there is no difference " + std::to_string(index));
    return shownDifferences[static_cast<std::size_t>(index)];
}
void FakeDrawingControl::read() {
    lastLoad_ = loadOutcome;
    shownDifferences.clear();
    drawingOpen = loadOutcome.failure == control::LoadFailure::None;
    shownLayout = openingLayout;
}
void FakeDrawingControl::LoadDwg(const std::string& path) {
    record(call("LoadDwg", path), "LoadDwg");
    read();
}
void FakeDrawingControl::SetImportLibrary(const std::string& path) {
    record(call("SetImportLibrary", path), "SetImportLibrary");
}
std::int32_t FakeDrawingControl::DrawingHandle() {
    record(call("DrawingHandle"), "DrawingHandle");
    return drawingHandle;
}
void FakeDrawingControl::DgnImport(const std::string& path, std::int32_t handle,
                                   const std::string& options) {
    record(call("DgnImport", path, handle, options), "DgnImport");
    read();
}
void FakeDrawingControl::AttachLibrary(const std::string& name, const std::string& options,
                                       std::int32_t flags) {
    record(call("AttachLibrary", name, options, flags), "AttachLibrary");
}
void FakeDrawingControl::SetWorkFile(const std::string& path, std::int32_t flags) {
    record(call("SetWorkFile", path, flags), "SetWorkFile");
}
control::LoadReport FakeDrawingControl::LastLoad() {
    return lastLoad_;
}

std::int32_t FakeDrawingControl::OpenLayerTable(const std::string& path) {
    record(call("OpenLayerTable", path), "OpenLayerTable");
    nextLayerName_ = 0;
    if (openLayerTableResults.empty())
        return 1;
    const std::int32_t result = openLayerTableResults.front();
    openLayerTableResults.pop_front();
    return result;
}
std::int32_t FakeDrawingControl::LayerTableCount(std::int32_t handle) {
    record(call("LayerTableCount", handle), "LayerTableCount");
    return layerTableCount >= 0 ? layerTableCount : static_cast<std::int32_t>(layerTable.size());
}
std::string FakeDrawingControl::LayerTableName(std::int32_t handle, std::int32_t reserved) {
    record(call("LayerTableName", handle, reserved), "LayerTableName");
    if (nextLayerName_ < layerTable.size())
        return layerTable[nextLayerName_++].first;
    return "";
}
std::int32_t FakeDrawingControl::LayerTableState(std::int32_t handle, const std::string& name) {
    record(call("LayerTableState", handle, name), "LayerTableState");
    for (const auto& [n, state] : layerTable)
        if (n == name)
            return state;
    return 2;
}
void FakeDrawingControl::CloseLayerTable(std::int32_t handle) {
    record(call("CloseLayerTable", handle), "CloseLayerTable");
}

void FakeDrawingControl::SelectItem(const std::string& name) {
    record(call("SelectItem", name), "SelectItem");
    selected_ = -1;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].first == name) {
            selected_ = static_cast<int>(i);
            break;
        }
}
void FakeDrawingControl::SelectItemAt(std::int32_t index) {
    record(call("SelectItemAt", index), "SelectItemAt");
    selected_ = (index >= 0 && static_cast<std::size_t>(index) < items.size()) ? index : -1;
}
std::int32_t FakeDrawingControl::ItemCount() {
    record(call("ItemCount"), "ItemCount");
    return static_cast<std::int32_t>(items.size());
}
std::int32_t FakeDrawingControl::ItemFound() {
    record(call("ItemFound"), "ItemFound");
    return selected_ >= 0 ? 1 : 0;
}
std::string FakeDrawingControl::ItemValue(const std::string& tag) {
    record(call("ItemValue", tag), "ItemValue");
    if (selected_ < 0)
        return "";
    const auto& tags = items[static_cast<std::size_t>(selected_)].second;
    const auto it = tags.find(tag);
    return it == tags.end() ? "" : it->second;
}

void FakeDrawingControl::SetBackgroundColor(std::int32_t r, std::int32_t g, std::int32_t b) {
    record(call("SetBackgroundColor", r, g, b), "SetBackgroundColor");
}
void FakeDrawingControl::SetForeColor(const std::string& selector, std::int32_t code) {
    record(call("SetForeColor", selector, code), "SetForeColor");
}
void FakeDrawingControl::ShowLayer(const std::string& name) {
    record(call("ShowLayer", name), "ShowLayer");
}
void FakeDrawingControl::HideLayer(const std::string& name) {
    record(call("HideLayer", name), "HideLayer");
}
void FakeDrawingControl::Redraw() {
    record(call("Redraw"), "Redraw");
}
void FakeDrawingControl::SetColorMode(std::int32_t mode) {
    record(call("SetColorMode", mode), "SetColorMode");
}
void FakeDrawingControl::SetDisplayMode(std::int32_t mode) {
    record(call("SetDisplayMode", mode), "SetDisplayMode");
}
void FakeDrawingControl::SetRedrawMode(std::int32_t mode) {
    record(call("SetRedrawMode", mode), "SetRedrawMode");
}
void FakeDrawingControl::ClearView() {
    record(call("ClearView"), "ClearView");
}
void FakeDrawingControl::SetFilter(const std::string& filter) {
    record(call("SetFilter", filter), "SetFilter");
}
void FakeDrawingControl::SetViewTransform(double a, double b, double c, double d, double e,
                                          double f, double g, double h) {
    record(call("SetViewTransform", a, b, c, d, e, f, g, h), "SetViewTransform");
}
void FakeDrawingControl::SetZoomOptions(double step, std::int32_t a, std::int32_t b) {
    record(call("SetZoomOptions", step, a, b), "SetZoomOptions");
}

void FakeDrawingControl::Zoom(std::int32_t code) {
    record(call("Zoom", code), "Zoom");
}
void FakeDrawingControl::ZoomWindow(double x1, double y1, double x2, double y2) {
    record(call("ZoomWindow", x1, y1, x2, y2), "ZoomWindow");
}
void FakeDrawingControl::GetView(double& x1, double& y1, double& x2, double& y2, double& e1,
                                 double& e2) {
    record(call("GetView"), "GetView");
    x1 = view[0];
    y1 = view[1];
    x2 = view[2];
    y2 = view[3];
    e1 = view[4];
    e2 = view[5];
}
void FakeDrawingControl::PanTo(double x, double y) {
    record(call("PanTo", x, y), "PanTo");
}
void FakeDrawingControl::ShowOverview() {
    record(call("ShowOverview"), "ShowOverview");
}
control::WindowId FakeDrawingControl::WindowHandle() {
    record(call("WindowHandle"), "WindowHandle");
    return windowHandle;
}

void FakeDrawingControl::CancelInput() {
    record(call("CancelInput"), "CancelInput");
}
void FakeDrawingControl::GetUnits(std::int32_t& units, std::int32_t& precision) {
    record(call("GetUnits"), "GetUnits");
    units = linearUnits;
    precision = linearPrecision;
}
bool FakeDrawingControl::ModelPointAt(double x, double y, double& modelX, double& modelY,
                                      double& paperPerModel) {
    record(call("ModelPointAt", x, y), "ModelPointAt");
    if (!modelPoint)
        return false;
    modelX = (*modelPoint)[0];
    modelY = (*modelPoint)[1];
    paperPerModel = (*modelPoint)[2];
    return true;
}
std::vector<control::FoundText> FakeDrawingControl::FindText(const std::string& text,
                                                             bool wholeWords) {
    record(call("FindText", text, wholeWords), "FindText");
    return foundTexts;
}
void FakeDrawingControl::MarkWindow(double x1, double y1, double x2, double y2) {
    record(call("MarkWindow", x1, y1, x2, y2), "MarkWindow");
}

std::vector<control::ObjectProperties> FakeDrawingControl::ObjectsAt(double x, double y,
                                                                     double tolerancePixels) {
    record(call("ObjectsAt", x, y, tolerancePixels), "ObjectsAt");
    return objects;
}

std::int32_t FakeDrawingControl::SnapPoint(double x, double y, double tolerancePixels,
                                           std::int32_t kinds, double& snappedX, double& snappedY) {
    record(call("SnapPoint", x, y, tolerancePixels, kinds), "SnapPoint");
    if (snapKind != 0 && kinds != 0) {
        snappedX = snapX;
        snappedY = snapY;
        return snapKind;
    }
    return 0;
}

void FakeDrawingControl::SetSnapBase(bool set, double x, double y) {
    record(call("SetSnapBase", set, x, y), "SetSnapBase");
}

void FakeDrawingControl::SetPrinterDC(QPaintDevice* device) {
    record(call("SetPrinterDC", device != nullptr), "SetPrinterDC");
}
void FakeDrawingControl::PrintBegin(std::int32_t flags) {
    record(call("PrintBegin", flags), "PrintBegin");
}
void FakeDrawingControl::PrintWindow(std::int32_t left, std::int32_t top, std::int32_t right,
                                     std::int32_t bottom, double x1, double y1, double x2,
                                     double y2, std::int32_t flags) {
    record(call("PrintWindow", left, top, right, bottom, x1, y1, x2, y2, flags), "PrintWindow");
}
std::int32_t FakeDrawingControl::LayoutCount() {
    record(call("LayoutCount"), "LayoutCount");
    return 1 + static_cast<std::int32_t>(layouts.size());
}
std::string FakeDrawingControl::LayoutName(std::int32_t index) {
    record(call("LayoutName", index), "LayoutName");
    if (index <= 0 || static_cast<std::size_t>(index) > layouts.size())
        return "Model";
    return layouts[static_cast<std::size_t>(index - 1)];
}
void FakeDrawingControl::ShowLayout(std::int32_t index) {
    record(call("ShowLayout", index), "ShowLayout");
    shownLayout = index;
}
void FakeDrawingControl::SetLineweightDisplay(bool on) {
    record(call("SetLineweightDisplay", on), "SetLineweightDisplay");
    lineweightDisplay = on;
}
bool FakeDrawingControl::LineweightDisplay() {
    record(call("LineweightDisplay"), "LineweightDisplay");
    return lineweightDisplay;
}
bool FakeDrawingControl::LayoutPaper(std::int32_t index, double& widthMm, double& heightMm) {
    record(call("LayoutPaper", index), "LayoutPaper");
    if (index < 1 || static_cast<std::size_t>(index) > layoutPapers.size())
        return false;
    widthMm = layoutPapers[static_cast<std::size_t>(index - 1)].first;
    heightMm = layoutPapers[static_cast<std::size_t>(index - 1)].second;
    return true;
}
std::int32_t FakeDrawingControl::ShownLayout() {
    record(call("ShownLayout"), "ShownLayout");
    return shownLayout;
}
void FakeDrawingControl::PrintEnd(std::int32_t flags) {
    record(call("PrintEnd", flags), "PrintEnd");
}

void FakeDrawingControl::SetVisible(bool v) {
    record(call("SetVisible", v), "SetVisible");
    visible = v;
}
bool FakeDrawingControl::Visible() {
    return visible;
}
void FakeDrawingControl::SetTop(int t) {
    record(call("SetTop", t), "SetTop");
    top = t;
}
void FakeDrawingControl::SetWidth(int w) {
    record(call("SetWidth", w), "SetWidth");
    width = w;
}
void FakeDrawingControl::SetHeight(int h) {
    record(call("SetHeight", h), "SetHeight");
    height = h;
}
int FakeDrawingControl::Top() {
    return top;
}
int FakeDrawingControl::Width() {
    return width;
}
int FakeDrawingControl::Height() {
    return height;
}
void FakeDrawingControl::SetEventSink(control::DrawingControlEvents* s) {
    sink = s;
}

} // namespace vexor::test
