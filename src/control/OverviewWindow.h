#pragma once

#include "SceneImage.h"
#include "Viewport.h"

#include <QImage>
#include <QWidget>

namespace vexor::control {

// The control's own small window titled "Overview": the whole drawing with a frame around the
// part the main view shows. Pressing or dragging in it centres the main view there. It is a
// tool window above its parent and deletes itself when closed.
class OverviewWindow : public QWidget, private ViewportObserver {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Overview";

    // `mainView` must outlive this window; the control deletes it before its viewport.
    OverviewWindow(Viewport& mainView, QWidget* parent);
    ~OverviewWindow() override;

    void setScene(const Scene& scene);
    // Where the frame of the main view lies, in this window's pixels.
    QRectF frameRect() const;
    // The drawing point shown at a pixel of this window.
    cad::Vec2 drawingPointAt(QPointF pixel) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void viewportChanged(const Viewport& viewport) override;
    void refit();
    void centreMainViewAt(QPointF pixel);

    Viewport& mainView_;
    Viewport whole_; // this window's own view: the whole drawing
    Scene scene_;
    QImage image_;
    bool imageValid_ = false;
};

} // namespace vexor::control
