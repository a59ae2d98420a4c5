#include "control/DrawingWidget.h"
#include "support/Corpus.h"
#include "support/TestDrawings.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <cstdlib>
#include <gtest/gtest.h>

namespace vexor::control {
namespace {

namespace fs = std::filesystem;

// The page of a PDF rasterised at 72 dpi, so that one pixel is one point.
QImage rasterise(const fs::path& pdf) {
    const fs::path stem = pdf.parent_path() / "page";
    const std::string command = "pdftoppm -r 72 -png -singlefile '" + pdf.string() + "' '" +
                                stem.string() + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0)
        return {};
    return QImage(QString::fromStdString(stem.string() + ".png"));
}

class PrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = vexor::test::scratchDir("control-print");
        widget.resize(400, 200);
        widget.SetBackgroundColor(0, 0, 0); // a dark screen must still print dark on paper
        widget.showDrawing(test::twoSquares());
    }
    void TearDown() override { fs::remove_all(dir); }

    // Prints into an A4 PDF without margins and returns the rasterised page.
    QImage printPage(const QRect& pagePoints, double x1, double y1, double x2, double y2) {
        const fs::path pdf = dir / "out.pdf";
        {
            QPdfWriter writer(QString::fromStdString(pdf.string()));
            writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                             QMarginsF(0, 0, 0, 0)));
            widget.SetPrinterDC(&writer);
            widget.PrintBegin(0);
            widget.PrintWindow(pagePoints.left(), pagePoints.top(), pagePoints.right(),
                               pagePoints.bottom(), x1, y1, x2, y2, 1);
            widget.PrintEnd(0);
            widget.SetPrinterDC(nullptr);
        }
        return rasterise(pdf);
    }

    fs::path dir;
    DrawingWidget widget;
};

TEST_F(PrintTest, TheWindowIsFittedIntoThePageRectangle) {
    const QRect page(QPoint(100, 200), QPoint(400, 500)); // points
    const QImage img = printPage(page, 0, 0, 100, 50);
    ASSERT_FALSE(img.isNull()) << "pdftoppm failed";
    EXPECT_EQ(img.width(), 595); // A4 in points
    const QRect ink = test::pixelBounds(img, test::isInk);
    ASSERT_FALSE(ink.isEmpty()) << "nothing was printed";
    EXPECT_TRUE(page.adjusted(-2, -2, 2, 2).contains(ink))
        << ink.x() << "," << ink.y() << " " << ink.width() << "x" << ink.height();
    // 100 x 50 units in a 300 x 300 rectangle: 3 points per unit, centred vertically; the red
    // square (10..40, 10..40) lies at x 130..220 and, y down from the window's top at 275,
    // 305..395.
    const QRect red = test::pixelBounds(img, test::isReddish);
    EXPECT_NEAR(red.left(), 130, 3);
    EXPECT_NEAR(red.right(), 220, 3);
    EXPECT_NEAR(red.top(), 305, 3);
    EXPECT_NEAR(red.bottom(), 395, 3);
}

TEST_F(PrintTest, AnEmptyWindowPrintsTheWholeDrawing) {
    const QRect page(QPoint(15, 15), QPoint(580, 827));
    const QImage img = printPage(page, 70, 20, 70, 20);
    ASSERT_FALSE(img.isNull());
    const QRect red = test::pixelBounds(img, test::isReddish);
    const QRect blue = test::pixelBounds(img, test::isBluish);
    ASSERT_FALSE(red.isEmpty());
    ASSERT_FALSE(blue.isEmpty());
    EXPECT_GT(blue.width(), 100); // the drawing spans the page width
    EXPECT_TRUE(page.contains(red.united(blue)));
}

bool isNearBlack(QColor c) {
    return c.lightness() < 60;
}
bool isPaper(QColor c) {
    return c.lightness() > 245;
}

TEST_F(PrintTest, PaperStaysWhiteOnADarkScreenAndTheScreenKeepsItsColours) {
    // The whole drawing, 100 x 50 units, fills a 500 point wide rectangle: 5 points per unit.
    const QRect page(QPoint(50, 50), QPoint(550, 800));
    const QImage img = printPage(page, 0, 0, 0, 0);
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(test::countPixels(img, isNearBlack), 0) << "no black background on the page";
    EXPECT_TRUE(isPaper(img.pixelColor(300, 200))) << "outside the drawing, inside the page";
    EXPECT_TRUE(isPaper(img.pixelColor(300, 425))) << "between the two squares";
    EXPECT_GT(test::countPixels(img, test::isReddish), 1000);
    const QImage screen = widget.viewImage();
    EXPECT_EQ(screen.pixelColor(1, 1), QColor(Qt::black)) << "the screen stays black";
}

TEST_F(PrintTest, TheCurrentDrawingColourIsPrintedAndItsWhitePrintsBlack) {
    widget.SetForeColor("#", 14); // white, the ink of a dark screen
    const QRect page(QPoint(50, 50), QPoint(550, 800));
    const QImage img = printPage(page, 0, 0, 100, 50);
    ASSERT_FALSE(img.isNull());
    EXPECT_GT(test::countPixels(img, isNearBlack), 10000) << "two filled squares in black";
    EXPECT_TRUE(isPaper(img.pixelColor(300, 425))) << "on white paper";
    const QImage screen = widget.viewImage();
    EXPECT_GT(test::countPixels(screen, isPaper), 100) << "white on the screen";
    widget.SetForeColor("#", 3);
    const QImage green = printPage(page, 0, 0, 100, 50);
    EXPECT_GT(test::countPixels(green, test::isGreenish), 1000);
    EXPECT_EQ(test::countPixels(green, test::isReddish), 0);
}

TEST_F(PrintTest, PrintingWithoutAPrinterFails) {
    EXPECT_THROW(widget.PrintBegin(0), DrawingControlError);
    EXPECT_THROW(widget.PrintWindow(15, 15, 500, 500, 0, 0, 10, 10, 1), DrawingControlError);
    EXPECT_NO_THROW(widget.PrintEnd(0));
}

TEST(PrintFit, TheWindowKeepsItsAspectCentredInThePage) {
    const QRectF fitted = PrintBackEnd::fitWindow(QRectF(0, 0, 200, 100), cad::Box2{0, 0, 10, 10});
    EXPECT_DOUBLE_EQ(fitted.left(), 50);
    EXPECT_DOUBLE_EQ(fitted.width(), 100);
    EXPECT_DOUBLE_EQ(fitted.height(), 100);
    const QRectF tall = PrintBackEnd::fitWindow(QRectF(10, 10, 100, 300), cad::Box2{0, 0, 4, 2});
    EXPECT_DOUBLE_EQ(tall.width(), 100);
    EXPECT_DOUBLE_EQ(tall.height(), 50);
    EXPECT_DOUBLE_EQ(tall.center().y(), 160);
}

} // namespace
} // namespace vexor::control
