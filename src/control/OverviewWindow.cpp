#include "OverviewWindow.h"

#include <QMouseEvent>
#include <QPainter>

namespace vexor::control {

OverviewWindow::OverviewWindow(Viewport& mainView, QWidget* parent)
    : QWidget(parent, Qt::Tool), mainView_(mainView) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromLatin1(kTitle));
    resize(240, 180);
    setCursor(Qt::CrossCursor);
    mainView_.addObserver(this);
    refit();
}

OverviewWindow::~OverviewWindow() {
    mainView_.removeObserver(this);
}

void OverviewWindow::setScene(const Scene& scene) {
    const bool newDrawing =
        scene.document != scene_.document || scene.style.sheet != scene_.style.sheet;
    scene_ = scene;
    scene_.style.printing = false;
    if (newDrawing)
        refit();
    imageValid_ = false;
    update();
}

QRectF OverviewWindow::frameRect() const {
    const cad::Box2 w = mainView_.window();
    const cad::Vec2 a = whole_.toPixel({w.minX, w.maxY});
    const cad::Vec2 b = whole_.toPixel({w.maxX, w.minY});
    return QRectF(QPointF(a.x, a.y), QPointF(b.x, b.y)).normalized();
}

cad::Vec2 OverviewWindow::drawingPointAt(QPointF pixel) const {
    return whole_.toDrawing(pixel.x(), pixel.y());
}

void OverviewWindow::paintEvent(QPaintEvent*) {
    const qreal dpr = devicePixelRatioF();
    if (!imageValid_ || image_.deviceIndependentSize() != QSizeF(size()) ||
        image_.devicePixelRatio() != dpr) {
        image_ = renderSceneImage(scene_, size(), dpr, whole_.window());
        imageValid_ = true;
    }
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), image_);
    // Red on light backgrounds, yellow on dark ones: the frame must stand out from both.
    const QColor bg = scene_.style.background;
    const QColor frame = bg.lightness() > 127 ? QColor(220, 0, 0) : QColor(255, 255, 0);
    painter.setPen(QPen(frame, 1.5));
    painter.setBrush(Qt::NoBrush);
    const QRectF r = frameRect().intersected(QRectF(rect()).adjusted(-2, -2, 2, 2));
    painter.drawRect(r.isEmpty() ? QRectF(frameRect().center(), QSizeF(3, 3)) : r);
}

void OverviewWindow::resizeEvent(QResizeEvent*) {
    refit();
    imageValid_ = false;
}

void OverviewWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        centreMainViewAt(event->position());
}

void OverviewWindow::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        centreMainViewAt(event->position());
}

void OverviewWindow::viewportChanged(const Viewport&) {
    update();
}

void OverviewWindow::refit() {
    whole_.setPixelSize(width(), height());
    whole_.reset(shownExtents(scene_));
}

void OverviewWindow::centreMainViewAt(QPointF pixel) {
    mainView_.panTo(drawingPointAt(pixel), this);
    update();
}

} // namespace vexor::control
