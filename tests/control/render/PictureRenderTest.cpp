#include "cad/dxf/DxfFixture.h"
#include "cad/geometry/DisplayList.h"
#include "cad/load/DrawingReader.h"
#include "control/render/Renderer.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

using namespace vexor;
using vexor::test::DxfText;

namespace {

// Writes a drawing of these entities and objects into `dir` and reads it back as the viewer
// does.
cad::Drawing readBack(const QTemporaryDir& dir, const DxfText& entities, const DxfText& objects) {
    std::string text = DxfText().begin("ENTITIES").str() + entities.str() + "0\nENDSEC\n" +
                       DxfText().begin("OBJECTS").str() + objects.str() + "0\nENDSEC\n0\nEOF\n";
    const QString path = dir.filePath("drawing.dxf");
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.data(), static_cast<qint64>(text.size()));
    file.close();
    return cad::readDrawingFile(path.toStdString());
}

// The drawing's window (0, 0) - (10, 10) on a 200 pixel square, white background.
QImage render(const cad::Drawing& d) {
    const auto list = cad::compileDisplayList(d);
    QImage image(200, 200, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::gray);
    QPainter painter(&image);
    control::RenderStyle style;
    style.background = Qt::white;
    control::renderView(*list, painter, QRectF(0, 0, 200, 200), cad::Box2{0, 0, 10, 10}, style);
    painter.end();
    return image;
}

bool close(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) < 40 && std::abs(qGreen(a) - qGreen(b)) < 40 &&
           std::abs(qBlue(a) - qBlue(b)) < 40;
}

DxfText line(double x0, double y0, double x1, double y1, int color) {
    DxfText t;
    t.g(0, "LINE").g(8, "0").g(62, color).point(10, x0, y0).point(11, x1, y1);
    return t;
}

} // namespace

TEST(PictureRender, AWipeoutHidesWhatIsDrawnBeforeItAndNotWhatComesAfter) {
    QTemporaryDir dir;
    DxfText t = line(0, 5, 10, 5, 1); // red, under the wipeout
    t.g(0, "WIPEOUT").point(10, 2, 2).point(11, 6, 0).point(12, 0, 6).point(13, 1, 1);
    t.g(70, 7).g(280, 0);
    t.g(0, "LINE").g(8, "0").g(62, 5).point(10, 5, 0).point(11, 5, 10); // blue, over it
    DxfText noFrame;
    noFrame.g(0, "WIPEOUTVARIABLES").g(5, "B1").g(70, 0);
    const QImage picture = render(readBack(dir, t, noFrame));
    // y = 5 is device row 100; x = 1 (column 20) is outside the wipeout, x = 3 (60) inside.
    EXPECT_TRUE(close(picture.pixel(20, 100), qRgb(255, 0, 0)));
    EXPECT_TRUE(close(picture.pixel(60, 100), qRgb(255, 255, 255)));
    EXPECT_TRUE(close(picture.pixel(100, 60), qRgb(0, 0, 255)));
    // No frame: the wipeout's edge at x = 2 (column 40) is background.
    EXPECT_TRUE(close(picture.pixel(40, 70), qRgb(255, 255, 255)));
}

TEST(PictureRender, AnImageFoundBesideTheDrawingIsDrawnAndClippedToItsBoundary) {
    QTemporaryDir dir;
    QImage pic(2, 2, QImage::Format_RGB32);
    pic.setPixel(0, 0, qRgb(255, 0, 0));   // top left
    pic.setPixel(1, 0, qRgb(0, 255, 0));   // top right
    pic.setPixel(0, 1, qRgb(0, 0, 255));   // bottom left
    pic.setPixel(1, 1, qRgb(255, 255, 0)); // bottom right
    ASSERT_TRUE(pic.save(dir.filePath("pic.png")));
    DxfText def;
    // Stored as on the machine that made it: found by its name in the drawing's folder.
    def.g(0, "IMAGEDEF").g(5, "C0").g(1, "C:\\elsewhere\\pic.png").point(10, 2, 2);
    def.g(0, "RASTERVARIABLES").g(5, "C1").g(70, 0);
    auto image = [](bool clipped) {
        DxfText t;
        t.g(0, "IMAGE").g(8, "0").point(10, 0, 0).point(11, 5, 0).point(12, 0, 5);
        t.point(13, 2, 2).g(70, 7).g(280, clipped ? 1 : 0).g(340, "C0").g(71, 1);
        // Pixel coordinates from the top-left pixel's centre: the left column.
        t.g(14, -0.5).g(24, -0.5).g(14, 0.5).g(24, 1.5);
        return t;
    };
    const cad::Drawing whole = readBack(dir, image(false), def);
    const QImage shown = render(whole);
    EXPECT_TRUE(close(shown.pixel(50, 50), qRgb(255, 0, 0)));
    EXPECT_TRUE(close(shown.pixel(150, 50), qRgb(0, 255, 0)));
    EXPECT_TRUE(close(shown.pixel(50, 150), qRgb(0, 0, 255)));
    EXPECT_TRUE(close(shown.pixel(150, 150), qRgb(255, 255, 0)));
    const auto list = cad::compileDisplayList(whole);
    for (const std::string& d : list->diagnostics())
        EXPECT_EQ(d.find("not found"), std::string::npos) << d;

    const QImage half = render(readBack(dir, image(true), def));
    EXPECT_TRUE(close(half.pixel(50, 50), qRgb(255, 0, 0)));
    EXPECT_TRUE(close(half.pixel(50, 150), qRgb(0, 0, 255)));
    EXPECT_TRUE(close(half.pixel(150, 50), qRgb(255, 255, 255)));
    EXPECT_TRUE(close(half.pixel(150, 150), qRgb(255, 255, 255)));
}

TEST(PictureRender, APictureFileThatCannotBeReadLeavesTheFrame) {
    QTemporaryDir dir;
    QFile junk(dir.filePath("broken.png"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("\x89PNG\r\n\x1a\n this is not a picture");
    junk.close();
    DxfText def;
    def.g(0, "IMAGEDEF").g(5, "C0").g(1, "broken.png").point(10, 2, 2);
    DxfText t;
    t.g(0, "IMAGE").g(8, "0").g(62, 1).point(10, 2, 2).point(11, 3, 0).point(12, 0, 3);
    t.point(13, 2, 2).g(70, 7).g(280, 0).g(340, "C0");
    const QImage shown = render(readBack(dir, t, def));
    // The frame's left side at x = 2 (column 40) in the entity's red, the inside background.
    int red = 0;
    for (int y = 50; y < 150; ++y)
        red += close(shown.pixel(40, y), qRgb(255, 0, 0)) ? 1 : 0;
    EXPECT_GT(red, 50);
    EXPECT_TRUE(close(shown.pixel(100, 100), qRgb(255, 255, 255)));
}
