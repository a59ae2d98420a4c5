#pragma once

#include "DocumentLoader.h"
#include "DrawingControl.h"
#include "ItemRecords.h"
#include "LayerTables.h"
#include "LoadProgressOverlay.h"
#include "PrintBackEnd.h"
#include "SceneImage.h"
#include "ViewImage.h"
#include "Viewport.h"
#include "ZoomSelection.h"

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <optional>

namespace vexor::control {

class OverviewWindow;

// The drawing control: holds one drawing, shows it, zooms and pans it, hides and shows its
// layers, opens the overview window and prints. The program drives it only through
// DrawingControl; the widget itself stays thin: the view lives in a Viewport, the items in
// ItemRecords, the layer tables in LayerTables, printing in PrintBackEnd.
class DrawingWidget : public QWidget, public DrawingControl, private ViewportObserver {
    Q_OBJECT
public:
    explicit DrawingWidget(QWidget* parent = nullptr);
    ~DrawingWidget() override;

    // Drawing
    bool IsDrawingOpen() override;
    void CloseDrawing() override;
    void ResetDrawing() override;
    void CreateDrawing(const std::string& path, std::int32_t mode,
                       const std::string& options) override;
    void LoadDwg(const std::string& path) override;
    void SetImportLibrary(const std::string& path) override;
    std::int32_t DrawingHandle() override;
    void DgnImport(const std::string& path, std::int32_t drawingHandle,
                   const std::string& options) override;
    void AttachLibrary(const std::string& name, const std::string& options,
                       std::int32_t flags) override;
    void SetWorkFile(const std::string& path, std::int32_t flags) override;
    void LoadComparison(const std::string& oldPath, const std::string& newPath) override;
    std::int32_t DifferenceCount() override;
    DrawingDifference DifferenceAt(std::int32_t index) override;
    LoadReport LastLoad() override;

    // Layer tables
    std::int32_t OpenLayerTable(const std::string& path) override;
    std::int32_t LayerTableCount(std::int32_t handle) override;
    std::string LayerTableName(std::int32_t handle, std::int32_t reserved) override;
    std::int32_t LayerTableState(std::int32_t handle, const std::string& name) override;
    void CloseLayerTable(std::int32_t handle) override;

    // Items
    void SelectItem(const std::string& name) override;
    void SelectItemAt(std::int32_t index) override;
    std::int32_t ItemCount() override;
    std::int32_t ItemFound() override;
    std::string ItemValue(const std::string& tag) override;

    // Display
    void SetBackgroundColor(std::int32_t red, std::int32_t green, std::int32_t blue) override;
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

    // View
    void Zoom(std::int32_t code) override;
    void ZoomWindow(double x1, double y1, double x2, double y2) override;
    void GetView(double& x1, double& y1, double& x2, double& y2, double& extra1,
                 double& extra2) override;
    void PanTo(double x, double y) override;
    void ShowOverview() override;
    WindowId WindowHandle() override;

    // Layouts
    std::int32_t LayoutCount() override;
    std::string LayoutName(std::int32_t index) override;
    void ShowLayout(std::int32_t index) override;
    std::int32_t ShownLayout() override;
    void SetLineweightDisplay(bool on) override;
    bool LineweightDisplay() override;
    bool LayoutPaper(std::int32_t index, double& widthMm, double& heightMm) override;

    // Tools
    void CancelInput() override;
    void GetUnits(std::int32_t& linearUnits, std::int32_t& linearPrecision) override;
    bool ModelPointAt(double x, double y, double& modelX, double& modelY,
                      double& paperPerModel) override;
    std::vector<FoundText> FindText(const std::string& text, bool wholeWords) override;
    void MarkWindow(double x1, double y1, double x2, double y2) override;
    std::vector<ObjectProperties> ObjectsAt(double x, double y, double tolerancePixels) override;
    std::int32_t SnapPoint(double x, double y, double tolerancePixels, std::int32_t kinds,
                           double& snappedX, double& snappedY) override;
    void SetSnapBase(bool set, double x, double y) override;

    // Printing
    void SetPrinterDC(QPaintDevice* device) override;
    void PrintBegin(std::int32_t flags) override;
    void PrintWindow(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                     double x1, double y1, double x2, double y2, std::int32_t flags) override;
    void PrintEnd(std::int32_t flags) override;

    // Placement
    void SetVisible(bool visible) override;
    bool Visible() override;
    void SetTop(int top) override;
    void SetWidth(int width) override;
    void SetHeight(int height) override;
    int Top() override;
    int Width() override;
    int Height() override;

    void SetEventSink(DrawingControlEvents* sink) override;

    // Holds and shows a drawing already in memory, as if it had been read from a file.
    void showDrawing(cad::Drawing drawing);

    // For tests and the overview: the view, what is drawn, and the message shown instead of
    // a drawing that could not be read (empty when none).
    Viewport& viewport();
    const Scene& scene() const { return scene_; }
    const QString& errorMessage() const { return errorMessage_; }
    // The line shown along the bottom after a load that missed external references.
    const QString& notice() const { return notice_; }
    OverviewWindow* overview() const;
    bool selectingArea() const { return selection_.armed(); }
    // The window MarkWindow frames; empty when none.
    const cad::Box2& markedWindow() const { return mark_; }
    // The kind of the snap point marked now (0 for none).
    std::int32_t markedSnap() const { return snapKind_; }
    // The image the widget shows, rendered now if it is out of date.
    const QImage& viewImage();
    bool lastImageWasShifted() const { return image_.lastWasShifted(); }
    // The progress shown over the drawing area while a file loads; nullptr between loads.
    const LoadProgressOverlay* loadProgress() const { return loadProgress_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void viewportChanged(const Viewport& viewport) override;
    void loadFile(const std::string& path);
    // Runs a load (reading `path`, or a comparison with `comparedPath`) with its progress shown;
    // false when a newer load replaced it.
    bool runShownLoad(const std::string& path, const std::string& comparedPath,
                      LoadOutcome& outcome, std::vector<DrawingDifference>& differences);
    void takeOutcome(const std::string& path, LoadOutcome outcome);
    void holdDocument(std::shared_ptr<const DrawingDocument> document); // opens the drawing
    void setDocument(std::shared_ptr<const DrawingDocument> document);
    void setLayerHidden(const std::string& name, bool hidden);
    void sceneChanged();
    void syncViewportSize();
    void viewChanged();
    cad::Vec2 drawingPoint(QPointF pixel) const;
    void paintSnapMark(QPainter& painter);

    Viewport viewport_;
    Scene scene_;
    ItemRecords items_;
    LayerTables layerTables_;
    PrintBackEnd printer_;
    ZoomSelection selection_;
    QPointer<OverviewWindow> overview_;
    DrawingControlEvents* sink_ = nullptr;

    bool open_ = false;
    std::uint64_t loadGeneration_ = 0; // counts loads started, so a replaced one knows it
    std::int32_t handle_ = 0;
    std::int32_t lastHandle_ = 0;
    std::string path_;
    std::string importLibrary_;
    double zoomStep_ = 0.5;
    QString errorMessage_;
    std::vector<DrawingDifference> differences_; // of the comparison shown
    LoadReport lastLoad_;
    QString notice_;
    cad::Box2 mark_;            // framed over the drawing; empty for none
    std::int32_t snapKind_ = 0; // the snap point marked, 0 for none
    cad::Vec2 snapPoint_;
    std::optional<cad::Vec2> snapBase_; // where perpendicular and tangent snaps start from
    LoadProgressOverlay* loadProgress_ = nullptr; // of the innermost load running

    ViewImage image_;
};

} // namespace vexor::control
