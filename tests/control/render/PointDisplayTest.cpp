// Points are drawn in the drawing's point style ($PDMODE, $PDSIZE): a dot, nothing, a plus, a
// cross or a tick, with a circle and/or a square round them, at an absolute size or at a share
// of the view's height that stays the same on the screen however far one zooms.
#include "cad/geometry/DisplayList.h"
#include "control/render/Renderer.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace vexor;
using namespace vexor::control;

namespace {

std::shared_ptr<const cad::DisplayList> pointDrawing(int mode, double size) {
    cad::Drawing d;
    d.layerIndex("0");
    d.header.pointMode = mode;
    d.header.pointSize = size;
    cad::Entity point;
    point.data = cad::Point{{50, 50, 0}};
    d.modelSpace.push_back(point);
    cad::Entity frame; // gives the drawing its extent
    frame.data = cad::Line{{0, 0, 0}, {1, 0, 0}};
    d.modelSpace.push_back(frame);
    return cad::compileDisplayList(d);
}

// The ink drawn near the point (the frame line lies far below it), in a 200 x 200 picture.
QRect inkNearPoint(const cad::DisplayList& list, const cad::Box2& window) {
    QImage image(200, 200, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    renderView(list, painter, QRectF(0, 0, 200, 200), window, RenderStyle{});
    painter.end();
    const QPointF at = viewTransform(QRectF(0, 0, 200, 200), window).map(QPointF(50, 50));
    QRect box;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            if (std::abs(x - at.x()) < 60 && std::abs(y - at.y()) < 60 &&
                qGray(image.pixel(x, y)) < 160)
                box |= QRect(x, y, 1, 1);
    return box;
}

const cad::Box2 kWhole{0, 0, 100, 100};  // 2 pixels a unit
const cad::Box2 kZoomed{25, 25, 75, 75}; // 4 pixels a unit

} // namespace

TEST(PointDisplay, EachModeDrawsItsMarkAtAnAbsoluteSize) {
    // Size 10 units: 20 pixels across at 2 pixels a unit.
    EXPECT_LE(inkNearPoint(*pointDrawing(0, 10), kWhole).width(), 2) << "a dot";
    EXPECT_TRUE(inkNearPoint(*pointDrawing(1, 10), kWhole).isEmpty()) << "nothing";
    for (int mode : {2, 3, 32, 64, 34, 35, 66, 98, 33}) {
        const QRect ink = inkNearPoint(*pointDrawing(mode, 10), kWhole);
        EXPECT_NEAR(ink.width(), 20, 3) << mode;
        EXPECT_NEAR(ink.height(), 20, 3) << mode;
    }
    const QRect tick = inkNearPoint(*pointDrawing(4, 10), kWhole);
    EXPECT_LE(tick.width(), 2);
    EXPECT_NEAR(tick.height(), 10, 2) << "half the size, upwards";
    EXPECT_LE(tick.bottom(), 101);
    // An absolute size grows with the zoom.
    EXPECT_NEAR(inkNearPoint(*pointDrawing(34, 10), kZoomed).width(), 40, 3);
}

TEST(PointDisplay, ANegativeSizeIsAShareOfTheViewHeightAtAnyZoom) {
    // -10: a tenth of the 200-pixel view, whatever the window.
    for (const cad::Box2& window : {kWhole, kZoomed}) {
        const QRect ink = inkNearPoint(*pointDrawing(3, -10), window);
        EXPECT_NEAR(ink.width(), 20, 3);
        EXPECT_NEAR(ink.height(), 20, 3);
    }
    // 0: five percent of the view.
    EXPECT_NEAR(inkNearPoint(*pointDrawing(64, 0), kZoomed).width(), 10, 3);
}
