#include "DrawingWidget.h"

#include "ComparisonLoader.h"
#include "DocumentLoader.h"
#include "DrawingUnits.h"
#include "FreedMemory.h"
#include "OverviewWindow.h"
#include "ReferenceNotice.h"
#include "cad/query/ItemPick.h"
#include "cad/query/SheetPoint.h"
#include "cad/query/Snap.h"
#include "cad/query/UnitFormat.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <utility>

namespace vexor::control {
namespace {

constexpr double kDefaultDotsPerInch = 96.0;

std::int32_t buttonValue(Qt::MouseButtons buttons) {
    // Left 1, right 2, middle 4 (Qt's own bit values), further buttons above.
    return static_cast<std::int32_t>(buttons.toInt());
}

cad::Box2 normalizedWindow(double x1, double y1, double x2, double y2) {
    return cad::Box2{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

} // namespace

DrawingWidget::DrawingWidget(QWidget* parent) : QWidget(parent) {
    mapLargeBlocksSeparately();
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    viewport_.setPixelSize(width(), height());
    viewport_.addObserver(this);
}

DrawingWidget::~DrawingWidget() {
    // The overview observes our viewport; it must go first.
    delete overview_.data();
    viewport_.removeObserver(this);
}

// ---- Drawing ----

bool DrawingWidget::IsDrawingOpen() {
    return open_;
}

void DrawingWidget::CloseDrawing() {
    open_ = false;
    handle_ = 0;
    path_.clear();
    errorMessage_.clear();
    setDocument(nullptr);
    returnFreedMemory();
}

void DrawingWidget::ResetDrawing() {
    errorMessage_.clear();
    setDocument(open_ ? std::make_shared<const DrawingDocument>(cad::Drawing{}) : nullptr);
}

void DrawingWidget::CreateDrawing(const std::string& path, std::int32_t, const std::string&) {
    path_ = path;
    open_ = true;
    handle_ = ++lastHandle_;
    errorMessage_.clear();
    setDocument(std::make_shared<const DrawingDocument>(cad::Drawing{}));
}

void DrawingWidget::LoadDwg(const std::string& path) {
    loadFile(path);
}

void DrawingWidget::SetImportLibrary(const std::string& path) {
    importLibrary_ = path;
}

std::int32_t DrawingWidget::DrawingHandle() {
    return handle_;
}

void DrawingWidget::DgnImport(const std::string& path, std::int32_t drawingHandle,
                              const std::string&) {
    if (drawingHandle == 0 || drawingHandle != handle_)
        throw DrawingControlError("no drawing with handle " + std::to_string(drawingHandle) +
                                  " to import " + path + " into");
    // The file's content decides how it is read, whatever its name says.
    loadFile(path);
}

void DrawingWidget::AttachLibrary(const std::string&, const std::string&, std::int32_t) {}

void DrawingWidget::SetWorkFile(const std::string&, std::int32_t) {}

LoadReport DrawingWidget::LastLoad() {
    return lastLoad_;
}

void DrawingWidget::loadFile(const std::string& path) {
    LoadOutcome outcome;
    std::vector<DrawingDifference> none;
    if (runShownLoad(path, {}, outcome, none))
        takeOutcome(path, std::move(outcome));
}

void DrawingWidget::LoadComparison(const std::string& oldPath, const std::string& newPath) {
    LoadOutcome outcome;
    std::vector<DrawingDifference> differences;
    if (!runShownLoad(oldPath, newPath, outcome, differences))
        return;
    takeOutcome(oldPath, std::move(outcome));
    differences_ = std::move(differences);
}

std::int32_t DrawingWidget::DifferenceCount() {
    return static_cast<std::int32_t>(differences_.size());
}

DrawingDifference DrawingWidget::DifferenceAt(std::int32_t index) {
    if (index < 0 || index >= DifferenceCount())
        throw DrawingControlError("there is no difference " + std::to_string(index));
    return differences_[static_cast<std::size_t>(index)];
}

bool DrawingWidget::runShownLoad(const std::string& path, const std::string& comparedPath,
                                 LoadOutcome& outcome,
                                 std::vector<DrawingDifference>& differences) {
    // A load started while another one runs cancels it (loadDocument does) and wins: the
    // cancelled one, returning after it, leaves the control alone.
    const std::uint64_t generation = ++loadGeneration_;
    {
        LoadProgressOverlay progress(*this, comparedPath.empty() ? path : comparedPath);
        LoadProgressOverlay* const outer = std::exchange(loadProgress_, &progress);
        const auto watch = [&progress](std::shared_ptr<const cad::LoadBudget> b) {
            progress.watch(std::move(b));
        };
        try {
            if (comparedPath.empty()) {
                outcome = loadDocument(path, watch);
            } else {
                ComparisonOutcome compared = loadComparison(path, comparedPath, watch);
                outcome = std::move(compared.load);
                differences = std::move(compared.differences);
            }
        } catch (...) {
            loadProgress_ = outer;
            throw;
        }
        loadProgress_ = outer;
    }
    return generation == loadGeneration_;
}

void DrawingWidget::takeOutcome(const std::string& path, LoadOutcome outcome) {
    if (outcome.document) {
        lastLoad_ = {};
        path_ = path;
        holdDocument(std::move(outcome.document));
    } else {
        const LoadFailure failure =
            outcome.failure == LoadFailure::None ? LoadFailure::Unexpected : outcome.failure;
        lastLoad_ = {failure, outcome.error};
        open_ = false;
        handle_ = 0;
        errorMessage_ = QString::fromStdString(outcome.error);
        setDocument(nullptr);
    }
}

void DrawingWidget::showDrawing(cad::Drawing drawing) {
    holdDocument(std::make_shared<const DrawingDocument>(std::move(drawing)));
}

void DrawingWidget::holdDocument(std::shared_ptr<const DrawingDocument> document) {
    if (!open_ || handle_ == 0)
        handle_ = ++lastHandle_;
    open_ = true;
    errorMessage_.clear();
    notice_ = QString::fromStdString(missingReferencesNotice(document->drawing()));
    setDocument(std::move(document));
}

void DrawingWidget::setDocument(std::shared_ptr<const DrawingDocument> document) {
    differences_.clear();
    if (!document || document->drawing().references.empty())
        notice_.clear();
    selection_.cancel();
    mark_ = {};
    snapKind_ = 0;
    unsetCursor();
    scene_.document = std::move(document);
    scene_.style.hiddenLayers =
        scene_.document ? scene_.document->initiallyHiddenLayers() : std::vector<char>{};
    scene_.style.sheet = scene_.document ? cad::openingSheet(scene_.document->displayList()) : -1;
    scene_.style.lineweights =
        scene_.document && scene_.document->displayList().lineweightDisplay();
    const cad::Box2 whole = shownExtents(scene_);
    items_ = scene_.document ? ItemRecords(scene_.document->drawing(), whole) : ItemRecords();
    viewport_.reset(whole);
    sceneChanged();
}

// ---- Layouts ----

std::int32_t DrawingWidget::LayoutCount() {
    if (!scene_.document)
        return 1;
    return 1 + static_cast<std::int32_t>(scene_.document->displayList().sheets().size());
}

std::string DrawingWidget::LayoutName(std::int32_t index) {
    if (index == 0)
        return "Model";
    if (index < 0 || index >= LayoutCount())
        throw DrawingControlError("there is no layout " + std::to_string(index));
    return scene_.document->displayList().sheets()[static_cast<std::size_t>(index - 1)].name;
}

void DrawingWidget::ShowLayout(std::int32_t index) {
    if (index < 0 || index >= LayoutCount())
        throw DrawingControlError("there is no layout " + std::to_string(index));
    selection_.cancel();
    mark_ = {};
    snapKind_ = 0;
    scene_.style.sheet = index - 1;
    // The frame corners and the whole view follow what is shown.
    const cad::Box2 whole = shownExtents(scene_);
    items_ = scene_.document ? ItemRecords(scene_.document->drawing(), whole) : ItemRecords();
    viewport_.reset(whole);
    sceneChanged();
}

std::int32_t DrawingWidget::ShownLayout() {
    return scene_.style.sheet + 1;
}

void DrawingWidget::SetLineweightDisplay(bool on) {
    if (scene_.style.lineweights == on)
        return;
    scene_.style.lineweights = on;
    sceneChanged();
}

bool DrawingWidget::LineweightDisplay() {
    return scene_.style.lineweights;
}

bool DrawingWidget::LayoutPaper(std::int32_t index, double& widthMm, double& heightMm) {
    if (index < 0 || index >= LayoutCount())
        throw DrawingControlError("there is no layout " + std::to_string(index));
    if (index == 0)
        return false;
    const cad::Sheet& sheet =
        scene_.document->displayList().sheets()[static_cast<std::size_t>(index - 1)];
    widthMm = sheet.sizeMm.x;
    heightMm = sheet.sizeMm.y;
    return true;
}

// ---- Layer tables ----

std::int32_t DrawingWidget::OpenLayerTable(const std::string& path) {
    return layerTables_.open(path);
}

std::int32_t DrawingWidget::LayerTableCount(std::int32_t handle) {
    return layerTables_.count(handle);
}

std::string DrawingWidget::LayerTableName(std::int32_t handle, std::int32_t) {
    return layerTables_.nextName(handle);
}

std::int32_t DrawingWidget::LayerTableState(std::int32_t handle, const std::string& name) {
    return layerTables_.state(handle, name);
}

void DrawingWidget::CloseLayerTable(std::int32_t handle) {
    layerTables_.close(handle);
}

// ---- Items ----

void DrawingWidget::SelectItem(const std::string& name) {
    items_.select(name);
}

void DrawingWidget::SelectItemAt(std::int32_t index) {
    items_.selectAt(index);
}

std::int32_t DrawingWidget::ItemCount() {
    return items_.count();
}

std::int32_t DrawingWidget::ItemFound() {
    return items_.found() ? 1 : 0;
}

std::string DrawingWidget::ItemValue(const std::string& tag) {
    return items_.value(tag);
}

// ---- Display ----

void DrawingWidget::SetBackgroundColor(std::int32_t red, std::int32_t green, std::int32_t blue) {
    scene_.style.background =
        QColor(std::clamp(red, 0, 255), std::clamp(green, 0, 255), std::clamp(blue, 0, 255));
    sceneChanged();
}

void DrawingWidget::SetForeColor(const std::string&, std::int32_t code) {
    // Every selector means the whole drawing; codes other than 1..14 mean its own colours.
    scene_.style.foreColor = code;
    sceneChanged();
}

void DrawingWidget::ShowLayer(const std::string& name) {
    setLayerHidden(name, false);
}

void DrawingWidget::HideLayer(const std::string& name) {
    setLayerHidden(name, true);
}

void DrawingWidget::setLayerHidden(const std::string& name, bool hidden) {
    if (!scene_.document)
        return;
    const int index = scene_.document->layerIndex(name);
    if (index < 0)
        return;
    auto& flags = scene_.style.hiddenLayers;
    if (flags.size() <= static_cast<std::size_t>(index))
        flags.resize(static_cast<std::size_t>(index) + 1, 0);
    // Hiding switches a layer off; a layer frozen in the file stays frozen until shown.
    char& flag = flags[static_cast<std::size_t>(index)];
    if ((flag != 0) == hidden)
        return;
    flag = hidden ? 1 : 0;
    sceneChanged();
}

void DrawingWidget::Redraw() {
    image_.invalidate();
    update();
}

// The set-up calls below carry settings this control has no use for; they are accepted.
void DrawingWidget::SetColorMode(std::int32_t) {}
void DrawingWidget::SetDisplayMode(std::int32_t) {}
void DrawingWidget::SetRedrawMode(std::int32_t) {}
void DrawingWidget::ClearView() {}
void DrawingWidget::SetFilter(const std::string&) {}
void DrawingWidget::SetViewTransform(double, double, double, double, double, double, double,
                                     double) {}

void DrawingWidget::SetZoomOptions(double step, std::int32_t, std::int32_t) {
    if (!std::isfinite(step) || step <= 0)
        throw DrawingControlError("zoom step must be a positive number");
    zoomStep_ = step;
}

// ---- View ----

void DrawingWidget::Zoom(std::int32_t code) {
    syncViewportSize();
    switch (code) {
    case 1:
        viewport_.zoomBy(1 + zoomStep_);
        break;
    case -1:
        viewport_.zoomBy(1 / (1 + zoomStep_));
        break;
    case 2:
        selection_.arm();
        setCursor(Qt::CrossCursor);
        break;
    case -2:
        viewport_.undo();
        break;
    case 100: {
        const QScreen* s = screen();
        const double dpi =
            s && s->physicalDotsPerInch() > 0 ? s->physicalDotsPerInch() : kDefaultDotsPerInch;
        const auto units =
            scene_.document ? scene_.document->drawing().header.insUnits : std::nullopt;
        viewport_.setScale(actualSizeScale(units, dpi));
        break;
    }
    default:
        throw DrawingControlError("unknown zoom code " + std::to_string(code));
    }
}

void DrawingWidget::ZoomWindow(double x1, double y1, double x2, double y2) {
    syncViewportSize();
    viewport_.zoomWindow(normalizedWindow(x1, y1, x2, y2));
}

void DrawingWidget::GetView(double& x1, double& y1, double& x2, double& y2, double& extra1,
                            double& extra2) {
    syncViewportSize();
    const cad::Box2 w = viewport_.window();
    x1 = w.minX;
    y1 = w.minY;
    x2 = w.maxX;
    y2 = w.maxY;
    extra1 = viewport_.pixelWidth();
    extra2 = viewport_.pixelHeight();
}

void DrawingWidget::PanTo(double x, double y) {
    syncViewportSize();
    viewport_.panTo({x, y});
}

void DrawingWidget::ShowOverview() {
    if (!overview_)
        overview_ = new OverviewWindow(viewport_, window());
    overview_->setScene(scene_);
    overview_->show();
    overview_->raise();
}

OverviewWindow* DrawingWidget::overview() const {
    return overview_.data();
}

WindowId DrawingWidget::WindowHandle() {
    return static_cast<WindowId>(winId());
}

// ---- Tools ----

void DrawingWidget::CancelInput() {
    if (!selection_.armed())
        return;
    selection_.cancel();
    unsetCursor();
    update();
}

void DrawingWidget::GetUnits(std::int32_t& linearUnits, std::int32_t& linearPrecision) {
    const cad::LinearUnitFormat f = scene_.document
                                        ? cad::linearUnitFormat(scene_.document->drawing().header)
                                        : cad::LinearUnitFormat{};
    linearUnits = f.units;
    linearPrecision = f.precision;
}

bool DrawingWidget::ModelPointAt(double x, double y, double& modelX, double& modelY,
                                 double& paperPerModel) {
    if (!scene_.document || scene_.style.sheet < 0)
        return false;
    const auto& sheets = scene_.document->displayList().sheets();
    if (static_cast<std::size_t>(scene_.style.sheet) >= sheets.size())
        return false;
    const auto seen =
        cad::modelPointOnSheet(sheets[static_cast<std::size_t>(scene_.style.sheet)], {x, y});
    if (!seen)
        return false;
    modelX = seen->model.x;
    modelY = seen->model.y;
    paperPerModel = seen->paperPerModel;
    return true;
}

std::vector<FoundText> DrawingWidget::FindText(const std::string& text, bool wholeWords) {
    std::vector<FoundText> found;
    if (!scene_.document)
        return found;
    const cad::Drawing& drawing = scene_.document->drawing();
    const auto& texts = scene_.document->texts();
    for (const std::size_t i : cad::findTexts(texts, cad::TextQuery{text, wholeWords})) {
        const cad::SearchableText& t = texts[i];
        FoundText f;
        f.layout = t.layout + 1;
        f.kind = t.kind;
        f.layer = t.layer < drawing.layers.size() ? drawing.layers[t.layer].name : std::string();
        f.text = t.text;
        f.x = t.at.x;
        f.y = t.at.y;
        f.height = t.height;
        found.push_back(std::move(f));
    }
    return found;
}

void DrawingWidget::MarkWindow(double x1, double y1, double x2, double y2) {
    mark_ = x1 > x2 ? cad::Box2{} : normalizedWindow(x1, y1, x2, y2);
    update();
}

std::vector<ObjectProperties> DrawingWidget::ObjectsAt(double x, double y, double tolerancePixels) {
    std::vector<ObjectProperties> objects;
    if (!scene_.document)
        return objects;
    syncViewportSize();
    const cad::DisplayList& list = scene_.document->displayList();
    const cad::Drawing& drawing = scene_.document->drawing();
    const cad::LinearUnitFormat units = cad::linearUnitFormat(drawing.header);
    const double tolerance = std::max(tolerancePixels, 0.0) / viewport_.scale();
    auto add = [&](const cad::ItemList& items, cad::Vec2 p, double tol) {
        for (const cad::PickedItem& picked :
             cad::itemsAt(list, items, p, tol, scene_.style.hiddenLayers))
            objects.push_back(cad::describeItem(list, drawing, picked, units));
    };
    const int sheet = scene_.style.sheet;
    if (sheet < 0 || static_cast<std::size_t>(sheet) >= list.sheets().size()) {
        add(list.modelSpace(), {x, y}, tolerance);
        return objects;
    }
    const cad::Sheet& s = list.sheets()[static_cast<std::size_t>(sheet)];
    if (s.block < list.blockCount())
        add(list.block(s.block), {x, y}, tolerance);
    if (const auto seen = cad::modelPointOnSheet(s, {x, y}))
        add(list.modelSpace(), seen->model, tolerance / seen->paperPerModel);
    return objects;
}

std::int32_t DrawingWidget::SnapPoint(double x, double y, double tolerancePixels,
                                      std::int32_t kinds, double& snappedX, double& snappedY) {
    const std::int32_t before = snapKind_;
    snapKind_ = 0;
    if (scene_.document && kinds != 0) {
        syncViewportSize();
        const cad::DisplayList& list = scene_.document->displayList();
        const double tolerance = std::max(tolerancePixels, 0.0) / viewport_.scale();
        const auto kindBits = static_cast<unsigned>(kinds);
        const auto& hidden = scene_.style.hiddenLayers;
        std::optional<cad::SnapResult> found;
        const int sheet = scene_.style.sheet;
        if (sheet < 0 || static_cast<std::size_t>(sheet) >= list.sheets().size()) {
            found = cad::snapAt(list, list.modelSpace(), {x, y}, tolerance, kindBits, hidden,
                                snapBase_);
        } else {
            const cad::Sheet& s = list.sheets()[static_cast<std::size_t>(sheet)];
            if (s.block < list.blockCount())
                found = cad::snapAt(list, list.block(s.block), {x, y}, tolerance, kindBits, hidden,
                                    snapBase_);
            if (!found)
                if (const auto seen = cad::modelPointOnSheet(s, {x, y})) {
                    // The base point seen in the model through the same viewport.
                    std::optional<cad::Vec2> base;
                    if (snapBase_)
                        if (const auto back = cad::inverse(seen->view->modelToPaper))
                            base = back->map(*snapBase_);
                    found = cad::snapAt(list, list.modelSpace(), seen->model,
                                        tolerance / seen->paperPerModel, kindBits, hidden, base);
                    if (found)
                        found->point = seen->view->modelToPaper.map(found->point);
                }
        }
        if (found) {
            snapKind_ = static_cast<std::int32_t>(found->kind);
            snapPoint_ = found->point;
            snappedX = found->point.x;
            snappedY = found->point.y;
        }
    }
    if (snapKind_ != 0 || before != 0)
        update();
    return snapKind_;
}

void DrawingWidget::SetSnapBase(bool set, double x, double y) {
    snapBase_ = set ? std::optional<cad::Vec2>(cad::Vec2{x, y}) : std::nullopt;
}

// ---- Printing ----

void DrawingWidget::SetPrinterDC(QPaintDevice* device) {
    printer_.setDevice(device);
}

void DrawingWidget::PrintBegin(std::int32_t) {
    printer_.begin();
}

void DrawingWidget::PrintWindow(std::int32_t left, std::int32_t top, std::int32_t right,
                                std::int32_t bottom, double x1, double y1, double x2, double y2,
                                std::int32_t) {
    const QRectF page = QRectF(QPointF(left, top), QPointF(right, bottom)).normalized();
    printer_.printWindow(page, normalizedWindow(x1, y1, x2, y2), scene_);
}

void DrawingWidget::PrintEnd(std::int32_t) {
    printer_.end();
}

// ---- Placement ----

void DrawingWidget::SetVisible(bool visible) {
    setVisible(visible);
}
bool DrawingWidget::Visible() {
    return !isHidden();
}
void DrawingWidget::SetTop(int top) {
    move(x(), top);
}
void DrawingWidget::SetWidth(int width) {
    resize(std::max(width, 0), height());
}
void DrawingWidget::SetHeight(int height) {
    resize(width(), std::max(height, 0));
}
int DrawingWidget::Top() {
    return y();
}
int DrawingWidget::Width() {
    return width();
}
int DrawingWidget::Height() {
    return height();
}

void DrawingWidget::SetEventSink(DrawingControlEvents* sink) {
    sink_ = sink;
}

// ---- Painting and pointer ----

const QImage& DrawingWidget::viewImage() {
    syncViewportSize();
    return image_.image(scene_, viewport_, devicePixelRatioF());
}

void DrawingWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), viewImage());
    const QColor& bg = scene_.style.background;
    const QColor ink = bg.lightness() > 127 ? Qt::black : Qt::white;
    if (!errorMessage_.isEmpty()) {
        painter.setPen(ink);
        painter.drawText(rect().adjusted(20, 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap,
                         errorMessage_);
    }
    if (!notice_.isEmpty()) {
        // One line along the bottom of the drawing area; it blocks nothing and goes with the
        // next load.
        const QFontMetrics metrics(font());
        const int height = metrics.height() + 8;
        const QRect band(0, this->height() - height, width(), height);
        QColor shade = bg.lightness() > 127 ? QColor(255, 250, 215) : QColor(70, 60, 20);
        shade.setAlpha(230);
        painter.fillRect(band, shade);
        painter.setPen(ink);
        painter.drawText(band.adjusted(8, 0, -8, 0), Qt::AlignVCenter | Qt::AlignLeft,
                         metrics.elidedText(notice_, Qt::ElideRight, band.width() - 16));
    }
    if (selection_.dragging()) {
        painter.setPen(QPen(ink, 1, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(selection_.rubberBand());
    }
    if (!mark_.empty()) {
        const cad::Vec2 a = viewport_.toPixel({mark_.minX, mark_.maxY});
        const cad::Vec2 b = viewport_.toPixel({mark_.maxX, mark_.minY});
        const QRectF frame = QRectF(QPointF(a.x, a.y), QPointF(b.x, b.y)).normalized();
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(255, 64, 0), 2));
        painter.drawRect(frame.adjusted(-3, -3, 3, 3));
    }
    if (snapKind_ != 0)
        paintSnapMark(painter);
    if (loadProgress_)
        loadProgress_->paint(painter, rect(), bg);
}

// The sign of the snap point's kind: a square at an endpoint, a triangle at a midpoint, a
// cross at an intersection, a circle at a node, a square with a cross at an insertion point,
// a circle with a plus at a centre, a diamond at a quadrant, a right angle at a perpendicular,
// a circle under a line at a tangent, an hourglass at the nearest point.
void DrawingWidget::paintSnapMark(QPainter& painter) {
    const cad::Vec2 c = viewport_.toPixel(snapPoint_);
    const QPointF p(c.x, c.y);
    constexpr double r = 6;
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0, 170, 0), 2));
    const QRectF box(p.x() - r, p.y() - r, 2 * r, 2 * r);
    switch (snapKind_) {
    case cad::kSnapEndpoint:
        painter.drawRect(box);
        break;
    case cad::kSnapMidpoint: {
        const QPointF tri[] = {{p.x(), p.y() - r}, {p.x() + r, p.y() + r}, {p.x() - r, p.y() + r}};
        painter.drawPolygon(tri, 3);
        break;
    }
    case cad::kSnapIntersection:
        painter.drawLine(box.topLeft(), box.bottomRight());
        painter.drawLine(box.topRight(), box.bottomLeft());
        break;
    case cad::kSnapNode:
        painter.drawEllipse(box);
        break;
    case cad::kSnapInsertion:
        painter.drawRect(box);
        painter.drawLine(box.topLeft(), box.bottomRight());
        painter.drawLine(box.topRight(), box.bottomLeft());
        break;
    case cad::kSnapCentre:
        painter.drawEllipse(box);
        painter.drawLine(QPointF(p.x() - r / 2, p.y()), QPointF(p.x() + r / 2, p.y()));
        painter.drawLine(QPointF(p.x(), p.y() - r / 2), QPointF(p.x(), p.y() + r / 2));
        break;
    case cad::kSnapQuadrant: {
        const QPointF diamond[] = {
            {p.x(), p.y() - r}, {p.x() + r, p.y()}, {p.x(), p.y() + r}, {p.x() - r, p.y()}};
        painter.drawPolygon(diamond, 4);
        break;
    }
    case cad::kSnapPerpendicular:
        painter.drawLine(box.topLeft(), box.bottomLeft());
        painter.drawLine(box.bottomLeft(), box.bottomRight());
        painter.drawLine(QPointF(p.x() - r, p.y()), p);
        painter.drawLine(p, QPointF(p.x(), p.y() + r));
        break;
    case cad::kSnapTangent:
        painter.drawEllipse(QRectF(p.x() - r * 0.7, p.y() - r * 0.4, 1.4 * r, 1.4 * r));
        painter.drawLine(box.topLeft() + QPointF(0, r * 0.4), box.topRight() + QPointF(0, r * 0.4));
        break;
    default: {
        const QPointF glass[] = {box.topLeft(), box.topRight(), box.bottomLeft(),
                                 box.bottomRight()};
        painter.drawPolygon(glass, 4);
        break;
    }
    }
}

void DrawingWidget::resizeEvent(QResizeEvent*) {
    syncViewportSize();
}

// A hidden widget gets its resize event only when shown, but the program sets and reads the
// view of a control that is still hidden (a drawing named on the command line).
void DrawingWidget::syncViewportSize() {
    viewport_.setPixelSize(width(), height());
}

Viewport& DrawingWidget::viewport() {
    syncViewportSize();
    return viewport_;
}

void DrawingWidget::mousePressEvent(QMouseEvent* event) {
    if (selection_.armed()) {
        if (event->button() == Qt::LeftButton) {
            selection_.press(event->position().toPoint());
        } else {
            selection_.cancel();
            unsetCursor();
        }
        update();
        return;
    }
    if (sink_) {
        const cad::Vec2 p = drawingPoint(event->position());
        sink_->PointerDown(buttonValue(event->button()), p.x, p.y);
    }
}

void DrawingWidget::mouseMoveEvent(QMouseEvent* event) {
    if (selection_.armed()) {
        selection_.move(event->position().toPoint());
        if (selection_.dragging())
            update();
        return;
    }
    if (sink_) {
        const cad::Vec2 p = drawingPoint(event->position());
        sink_->PointerMove(p.x, p.y);
    }
}

void DrawingWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (selection_.armed()) {
        if (const auto band = selection_.release(event->position().toPoint())) {
            const cad::Vec2 a = viewport_.toDrawing(band->left(), band->bottom() + 1);
            const cad::Vec2 b = viewport_.toDrawing(band->right() + 1, band->top());
            viewport_.zoomWindow(normalizedWindow(a.x, a.y, b.x, b.y));
        }
        if (!selection_.armed())
            unsetCursor();
        update();
        return;
    }
    if (sink_) {
        const cad::Vec2 p = drawingPoint(event->position());
        sink_->PointerUp(buttonValue(event->button()), p.x, p.y);
    }
}

void DrawingWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press first does what any press does; the sink then hears of the double click.
    mousePressEvent(event);
    if (sink_ && !selection_.armed()) {
        const cad::Vec2 p = drawingPoint(event->position());
        sink_->PointerDoubleClick(buttonValue(event->button()), p.x, p.y);
    }
}

void DrawingWidget::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && selection_.armed()) {
        selection_.cancel();
        unsetCursor();
        update();
        return;
    }
    QWidget::keyPressEvent(event);
}

void DrawingWidget::viewportChanged(const Viewport&) {
    viewChanged();
}

void DrawingWidget::viewChanged() {
    update();
}

void DrawingWidget::sceneChanged() {
    image_.invalidate();
    update();
    if (overview_)
        overview_->setScene(scene_);
}

cad::Vec2 DrawingWidget::drawingPoint(QPointF pixel) const {
    return viewport_.toDrawing(pixel.x(), pixel.y());
}

} // namespace vexor::control
