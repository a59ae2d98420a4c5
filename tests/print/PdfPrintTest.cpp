// A real print run: the drawing control renders a corpus drawing through the Qt printer into a
// PDF file, accepted in the real system print dialog; the PDF is turned into an image with
// pdftoppm to see where the ink went.
#include "control/DrawingWidget.h"
#include "fakes/FakeMainWindow.h"
#include "fakes/FakeWindowSystem.h"
#include "print/QtPrinterSystem.h"
#include "print/StartPrint.h"
#include "print/frmPrint.h"
#include "support/Corpus.h"
#include "view/Program.h"

#include <QApplication>
#include <QImage>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace vexor::test {
namespace {

// Accepts the print dialog as soon as it is shown, as a user pressing Print would, noting the
// options it offered.
void acceptNextDialog(QAbstractPrintDialog::PrintDialogOptions* offered) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, offered] {
        // A layout printed whole is previewed first: the preview is accepted and the timer
        // goes on to the print dialog.
        if (auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget())) {
            preview->accept();
            return;
        }
        if (auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget())) {
            *offered = dialog->options();
            dialog->accept();
            timer->deleteLater();
        }
    });
    timer->start();
}

// The box around every pixel darker than light grey, in pixels of a 72 dpi rendering.
QRect inkBox(const QImage& image) {
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qGray(line[x]) < 200) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

QImage pageImage(const QString& pdf, int page) {
    const QString prefix = pdf.chopped(4) + QString("-page%1").arg(page);
    QProcess tool;
    tool.start("pdftoppm", {"-r", "72", "-png", "-singlefile", "-f", QString::number(page), "-l",
                            QString::number(page), pdf, prefix});
    if (!tool.waitForFinished(60000) || tool.exitCode() != 0)
        return {};
    return QImage(prefix + ".png").convertToFormat(QImage::Format_RGB32);
}

int pageCount(const QString& pdf) {
    QProcess tool;
    tool.start("pdfinfo", {pdf});
    tool.waitForFinished(60000);
    for (const QString& line : QString::fromUtf8(tool.readAllStandardOutput()).split('\n'))
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    return -1;
}

class PdfPrint : public ::testing::Test {
protected:
    void SetUp() override {
        VEXOR_REQUIRE_CORPUS();
        const auto dir = corpusDir();
        drawing = (*dir / "dxf/ascii/AC1014/ixmilia-dxf__t.r14.dxf").string();
        for (const char* candidate : {"dxf/ascii/AC1015/libredwg__2000_entities-2d.dxf",
                                      "dxf/ascii/AC1014/libredwg__sample_r14.dxf"})
            if (std::filesystem::exists(*dir / candidate)) {
                drawing = (*dir / candidate).string();
                break;
            }
        ASSERT_TRUE(std::filesystem::exists(drawing)) << drawing;
        control.resize(800, 600);
        control.LoadDwg(drawing);
        ASSERT_TRUE(control.IsDrawingOpen()) << "cannot read " << drawing;
        program.CurrentDrawingPath = drawing;
    }

    // Prints with the options window's choice and returns the PDF's path.
    QString printTo(const std::string& name, bool entireDrawing, int copies = 1) {
        const QString pdf = QString::fromStdString((out / name).string());
        print::QtPrinterSystem printers(pdf.toStdString());
        printers.ApplySetting(print::PrinterSetting::Copies, static_cast<std::int16_t>(copies));
        paintRect = printers.printer().pageRect(QPrinter::Point);
        pageWidth = printers.PageWidthPoints();
        pageHeight = printers.PageHeightPoints();
        print::PrintCommand command(program, printers);
        command.StartPrint();
        command.window()->optPrintArea[entireDrawing ? 1 : 0]->setChecked(true);
        acceptNextDialog(&offered);
        command.window()->OKButton->click();
        EXPECT_EQ(command.window(), nullptr) << "the print run did not complete";
        EXPECT_TRUE(windows.messages.empty());
        return pdf;
    }

    // The page rectangle on the sheet, in 72 dpi pixels.
    QRect pageRectOnSheet() const {
        return QRect(QPoint(qRound(paintRect.left()) + 15, qRound(paintRect.top()) + 15),
                     QPoint(qRound(paintRect.left() + pageWidth - 15),
                            qRound(paintRect.top() + pageHeight - 15)));
    }

    // VEXOR_PRINT_OUT keeps the PDFs and page images for looking at them.
    std::filesystem::path out =
        qEnvironmentVariableIsSet("VEXOR_PRINT_OUT")
            ? std::filesystem::path(qgetenv("VEXOR_PRINT_OUT").toStdString())
            : scratchDir("vexor-print");
    std::string drawing;
    control::DrawingWidget control;
    FakeWindowSystem windows;
    FakeMainWindow host;
    view::Menus menus;
    view::Program program{control, windows, host, menus, "/opt/vexor"};
    QRectF paintRect;
    QAbstractPrintDialog::PrintDialogOptions offered;
    float pageWidth = 0, pageHeight = 0;
};

TEST_F(PdfPrint, EntireDrawingFillsThePageRectangleAndNoMore) {
    const QString pdf = printTo("entire.pdf", true);
    ASSERT_EQ(pageCount(pdf), 1);
    EXPECT_FALSE(offered.testFlag(QAbstractPrintDialog::PrintSelection));
    EXPECT_FALSE(offered.testFlag(QAbstractPrintDialog::PrintPageRange));
    EXPECT_FALSE(offered.testFlag(QAbstractPrintDialog::PrintCurrentPage));
    EXPECT_TRUE(offered.testFlag(QAbstractPrintDialog::PrintToFile));
    const QImage sheet = pageImage(pdf, 1);
    ASSERT_FALSE(sheet.isNull());
    const QRect ink = inkBox(sheet);
    const QRect page = pageRectOnSheet();
    ASSERT_TRUE(ink.isValid()) << "nothing was printed";
    EXPECT_TRUE(page.adjusted(-1, -1, 1, 1).contains(ink))
        << "ink " << ink.left() << "," << ink.top() << "-" << ink.right() << "," << ink.bottom();
    // Fitted at its own aspect ratio, the drawing spans the page rectangle in one direction.
    const double spanX = double(ink.width()) / page.width();
    const double spanY = double(ink.height()) / page.height();
    EXPECT_GT(std::max(spanX, spanY), 0.9) << spanX << " " << spanY;
}

TEST_F(PdfPrint, VisibleAreaPrintsTheZoomedViewInsideThePageRectangle) {
    control.Zoom(1);
    control.Zoom(1);
    const QString entirePdf = printTo("entire-of-zoomed.pdf", true);
    const QString visiblePdf = printTo("visible.pdf", false);
    const QImage entire = pageImage(entirePdf, 1), visible = pageImage(visiblePdf, 1);
    ASSERT_FALSE(visible.isNull());
    const QRect ink = inkBox(visible);
    ASSERT_TRUE(ink.isValid()) << "nothing was printed";
    EXPECT_TRUE(pageRectOnSheet().adjusted(-1, -1, 1, 1).contains(ink));
    EXPECT_NE(entire, visible) << "the visible area printed as the whole drawing";
    // The zoomed view is magnified: its ink reaches further across the page than the
    // whole drawing's does, or at least as far.
    EXPECT_GE(ink.width() * ink.height(), inkBox(entire).width() * inkBox(entire).height() / 2);
}

TEST_F(PdfPrint, TwoCopiesGiveTwoPages) {
    const QString pdf = printTo("copies.pdf", true, 2);
    EXPECT_EQ(pageCount(pdf), 2);
    EXPECT_EQ(pageImage(pdf, 1), pageImage(pdf, 2));
}

// A layout's whole sheet: the printer dialog starts on the layout's paper (A4 turned to
// landscape here), so the page is that paper and the sheet is printed on it.
TEST_F(PdfPrint, ALayoutPrintsOnItsOwnPaperAndOrientation) {
    const auto flange = *corpusDir() / "dxf/ascii/AC1027/qcad__flange.dxf";
    control.LoadDwg(flange.string());
    ASSERT_TRUE(control.IsDrawingOpen());
    program.CurrentDrawingPath = flange.string();
    ASSERT_GE(control.LayoutCount(), 2);
    double width = 0, height = 0;
    ASSERT_TRUE(control.LayoutPaper(1, width, height));
    EXPECT_NEAR(width, 297, 0.5);
    EXPECT_NEAR(height, 210, 0.5);
    EXPECT_FALSE(control.LayoutPaper(0, width, height)); // model space has no paper
    control.ShowLayout(1);

    const QString pdf = printTo("layout.pdf", true);
    QProcess info;
    info.start("pdfinfo", {pdf});
    ASSERT_TRUE(info.waitForFinished(60000));
    const QString out = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_TRUE(out.contains("842 x 595") || out.contains("841.89 x 595.276")) << out.toStdString();
    const QImage sheet = pageImage(pdf, 1);
    ASSERT_EQ(sheet.width(), 842);
    EXPECT_TRUE(inkBox(sheet).isValid()) << "nothing was printed";
}

} // namespace
} // namespace vexor::test
