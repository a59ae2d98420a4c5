// Layouts printed as their authors plotted them, measured in the PDF that vexor-render writes.
#include "ToolRun.h"
#include "support/Corpus.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

const QString kTool = vexor::test::programPath("vexor-render");
constexpr int kDpi = 508; // 20 pixels per millimetre

using vexor::test::ToolRun;

ToolRun run(const QString& program, const QStringList& args) {
    return vexor::test::runCommand(program, args, 180000);
}

// A drawing written with ezdxf: a red model-space line 1000 units long at lineweight 0.50 mm
// and a TrueType text far above it; layout "A3 fifty" shows it through a viewport at 1:50 on
// A3 at a plot scale of 1:1, layout "Half scale" through a viewport at 1:25 plotted at 1:2
// with monochrome.ctb (absent: known by its name).
const char kScript[] = R"(
import sys, ezdxf
doc = ezdxf.new('R2010', setup=True)
doc.header['$LWDISPLAY'] = 1
msp = doc.modelspace()
msp.add_line((0, 0), (1000, 0), dxfattribs={'lineweight': 50, 'color': 1})
msp.add_text('Plotted', dxfattribs={'height': 200, 'style': 'OpenSans'}).set_placement((0, 3000))
a3 = doc.layouts.new('A3 fifty')
a3.page_setup(size=(420, 297), margins=(0, 0, 0, 0), scale=16, name='ISO A3')
a3.add_viewport(center=(210, 148.5), size=(400, 280), view_center_point=(500, 0), view_height=280 * 50)
half = doc.layouts.new('Half scale')
half.page_setup(size=(420, 297), margins=(0, 0, 0, 0), scale=(1, 2), name='ISO A3')
half.add_viewport(center=(420, 297), size=(800, 560), view_center_point=(500, 0), view_height=560 * 25)
half.dxf_layout.dxf.current_style_sheet = 'monochrome.ctb'
doc.saveas(sys.argv[1])
)";

QString writeDrawing(const fs::path& dir) {
    const fs::path script = dir / "make.py", drawing = dir / "plot.dxf";
    std::ofstream(script) << kScript;
    const ToolRun r = run("/usr/bin/python3", {QString::fromStdString(script.string()),
                                               QString::fromStdString(drawing.string())});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    return QString::fromStdString(drawing.string());
}

// Where the model line lies on the sheet, in millimetres from its top left: centred, 148.5 mm
// down. Pages are looked at around it, from kCropMm on.
constexpr double kLineXMm = 210, kLineYMm = 148.5;
const QPointF kCropMm(180, 138.5);

int pixels(double mm) {
    return static_cast<int>(std::lround(mm * kDpi / 25.4));
}

// The part of page `page` of a PDF round the model line, 60 x 20 mm, as a colour image at kDpi.
QImage pageImage(const QString& pdf, int page) {
    const QString base = pdf + ".page" + QString::number(page);
    const ToolRun r =
        run("pdftoppm", {"-r", QString::number(kDpi), "-f", QString::number(page), "-l",
                         QString::number(page), "-x", QString::number(pixels(kCropMm.x())), "-y",
                         QString::number(pixels(kCropMm.y())), "-W", QString::number(pixels(60)),
                         "-H", QString::number(pixels(20)), "-singlefile", "-png", pdf, base});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    return QImage(base + ".png").convertToFormat(QImage::Format_RGB32);
}

bool ink(QRgb c) {
    return qGray(c) < 160;
}

// The dark band crossing column `x` nearest row `y`: its first and last rows.
std::pair<int, int> bandAt(const QImage& image, int x, int y) {
    int top = y, bottom = y;
    for (int d = 0; d < 200 && !ink(image.pixel(x, top)); ++d)
        top = y + (d % 2 ? d / 2 + 1 : -(d / 2 + 1)), bottom = top;
    while (top > 0 && ink(image.pixel(x, top - 1)))
        --top;
    while (bottom + 1 < image.height() && ink(image.pixel(x, bottom + 1)))
        ++bottom;
    return {top, bottom};
}

// The dark run along row `y` through column `x`: its first and last columns.
std::pair<int, int> runAt(const QImage& image, int x, int y) {
    int left = x, right = x;
    while (left > 0 && ink(image.pixel(left - 1, y)))
        --left;
    while (right + 1 < image.width() && ink(image.pixel(right + 1, y)))
        ++right;
    return {left, right};
}

// Measures the model line on a page: its length and width in millimetres, and whether it is
// coloured.
struct Line {
    double lengthMm = 0, widthMm = 0;
    bool coloured = false;
};

Line measure(const QImage& page) {
    Line line;
    const int x = pixels(kLineXMm - kCropMm.x()), y = pixels(kLineYMm - kCropMm.y());
    if (page.isNull())
        return line;
    const auto [top, bottom] = bandAt(page, x, y);
    if (!ink(page.pixel(x, top)))
        return line;
    const int middle = (top + bottom) / 2;
    const auto [left, right] = runAt(page, x, middle);
    line.lengthMm = (right - left + 1) * 25.4 / kDpi;
    line.widthMm = (bottom - top + 1) * 25.4 / kDpi;
    const QColor c = page.pixelColor(x, middle);
    line.coloured = std::abs(c.red() - c.blue()) > 40 || std::abs(c.red() - c.green()) > 40;
    return line;
}

std::vector<QSizeF> pageSizesPoints(const QString& pdf, int pages) {
    const ToolRun r = run("pdfinfo", {"-f", "1", "-l", QString::number(pages), pdf});
    std::vector<QSizeF> sizes;
    const QRegularExpression size(R"(Page\s+\d+\s+size:\s+([\d.]+)\s+x\s+([\d.]+))");
    for (auto it = size.globalMatch(QString::fromLatin1(r.out)); it.hasNext();) {
        const auto m = it.next();
        sizes.emplace_back(m.captured(1).toDouble(), m.captured(2).toDouble());
    }
    return sizes;
}

} // namespace

TEST(Plot, LayoutsPlotAtTheirScaleOnTheirPaperWithLineweightsInMillimetres) {
    const fs::path dir = vexor::test::scratchDir("plot-scale");
    const QString drawing = writeDrawing(dir);

    // The plot settings as read.
    const ToolRun info = run(kTool, {drawing, "--info"});
    ASSERT_EQ(info.exitCode, 0) << info.err.constData();
    const QJsonArray layouts = QJsonDocument::fromJson(info.out).object()["layouts"].toArray();
    QJsonObject a3, half;
    for (const QJsonValue v : layouts) {
        if (v["name"] == "A3 fifty")
            a3 = v.toObject();
        if (v["name"] == "Half scale")
            half = v.toObject();
    }
    EXPECT_EQ(a3["paper"].toArray(), (QJsonArray{420.0, 297.0}));
    EXPECT_EQ(a3["plot"].toObject()["scale"].toArray(), (QJsonArray{1.0, 1.0}));
    EXPECT_EQ(a3["plot"].toObject()["area"].toInt(), 5);
    EXPECT_EQ(half["plot"].toObject()["scale"].toArray(), (QJsonArray{1.0, 2.0}));
    EXPECT_EQ(half["plot"].toObject()["styles"].toString(), "monochrome.ctb");
    EXPECT_TRUE(half["plot"].toObject()["flags"].toInt() & 0x80); // lineweights plotted

    for (const char* name : {"A3 fifty", "Half scale"}) {
        SCOPED_TRACE(name);
        const QString pdf = QString::fromStdString((dir / (std::string(name) + ".pdf")).string());
        const ToolRun r = run(kTool, {drawing, "--layout", name, "-o", pdf});
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        const auto sizes = pageSizesPoints(pdf, 1);
        ASSERT_EQ(sizes.size(), 1u);
        EXPECT_NEAR(sizes[0].width(), 420 / 25.4 * 72, 1);
        EXPECT_NEAR(sizes[0].height(), 297 / 25.4 * 72, 1);
        // 1000 units at 1:50 are 20 mm on paper; 0.50 mm of lineweight are 0.50 mm.
        const Line line = measure(pageImage(pdf, 1));
        EXPECT_NEAR(line.lengthMm, 20.0, 0.15); // lines end flat at their end points
        EXPECT_NEAR(line.widthMm, 0.50, 0.1);
        // The red line prints red, except through the monochrome table.
        EXPECT_EQ(line.coloured, std::string(name) == "A3 fifty");
    }
}

TEST(Plot, EveryLayoutIsAPageOfItsPaperWithABookmarkAndRealText) {
    const fs::path dir = vexor::test::scratchDir("plot-all");
    const QString drawing = writeDrawing(dir);
    const QString pdf = QString::fromStdString((dir / "all.pdf").string());
    const ToolRun r = run(kTool, {drawing, "--layout", "all", "-o", pdf});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const ToolRun info = run("pdfinfo", {pdf});
    ASSERT_EQ(info.exitCode, 0);
    EXPECT_TRUE(info.err.isEmpty()) << info.err.constData(); // the outline update is well formed
    EXPECT_TRUE(info.out.contains("Pages:           3")) << info.out.constData();
    // Tab order: ezdxf's own "Layout1" first, then the two made here.
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.contains("/Outlines"));
    auto title = [](const QString& name) {
        QByteArray hex = "<FEFF";
        for (QChar c : name)
            hex += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
        return hex + ">";
    };
    const qsizetype first = bytes.indexOf(title("Layout1"));
    const qsizetype second = bytes.indexOf(title("A3 fifty"));
    const qsizetype third = bytes.indexOf(title("Half scale"));
    EXPECT_TRUE(first > 0 && second > first && third > second);
    // The TrueType text is text in the PDF.
    const ToolRun text = run("pdftotext", {"-f", "2", "-l", "2", pdf, "-"});
    EXPECT_TRUE(text.out.contains("Plotted")) << text.out.constData();
    // Measured on its page, the line is as long as on a page of its own.
    EXPECT_NEAR(measure(pageImage(pdf, 2)).lengthMm, 20.0, 0.15);

    // A corpus drawing with several layouts: one page each, of the layout's paper size.
    VEXOR_REQUIRE_CORPUS();
    const QString flange = QString::fromStdString(
        (*vexor::test::corpusDir() / "dxf/ascii/AC1027/qcad__flange.dxf").string());
    const QString set = QString::fromStdString((dir / "flange.pdf").string());
    const ToolRun all = run(kTool, {flange, "--layout", "all", "-o", set});
    ASSERT_EQ(all.exitCode, 0) << all.err.constData();
    const QJsonArray layouts =
        QJsonDocument::fromJson(run(kTool, {flange, "--info"}).out).object()["layouts"].toArray();
    ASSERT_GE(layouts.size(), 3); // "Model" and at least two sheets
    const auto sizes = pageSizesPoints(set, static_cast<int>(layouts.size()) - 1);
    ASSERT_EQ(sizes.size(), static_cast<std::size_t>(layouts.size() - 1));
    for (qsizetype i = 1; i < layouts.size(); ++i) {
        const QJsonArray paper = layouts[i]["paper"].toArray();
        EXPECT_NEAR(sizes[static_cast<std::size_t>(i - 1)].width(), paper[0].toDouble() / 25.4 * 72,
                    1);
        EXPECT_NEAR(sizes[static_cast<std::size_t>(i - 1)].height(),
                    paper[1].toDouble() / 25.4 * 72, 1);
    }
}

TEST(Plot, ManyDrawingsConvertIntoAFolderAndAFailureIsReportedWithoutStoppingTheOthers) {
    const fs::path dir = vexor::test::scratchDir("plot-batch");
    const QString drawing = writeDrawing(dir);
    const fs::path broken = dir / "broken.dwg";
    std::ofstream(broken) << "AC1018 but nothing else";
    fs::create_directories(dir / "copy");
    fs::copy_file(drawing.toStdString(), dir / "copy/plot.dxf");
    const QString copy = QString::fromStdString((dir / "copy/plot.dxf").string());
    const QString out = QString::fromStdString((dir / "out").string()) + "/";
    const ToolRun r = run(kTool, {drawing, QString::fromStdString(broken.string()), copy, "-o", out,
                                  "--jobs", "2", "--format", "png"});
    EXPECT_EQ(r.exitCode, 1);
    // The program's own lines, not the toolkit's notes.
    const QStringList lines =
        QString::fromLocal8Bit(r.err).split('\n').filter(QRegularExpression("^vexor-render: "));
    ASSERT_EQ(lines.size(), 4) << r.err.constData();
    EXPECT_EQ(lines.filter(QRegularExpression(R"(^vexor-render: \[\d/3\] .*: done in )")).size(),
              2);
    EXPECT_EQ(lines.filter(QRegularExpression(R"(^vexor-render: \[\d/3\] .*broken\.dwg.*failed: )"))
                  .size(),
              1);
    EXPECT_TRUE(lines.last().contains("2 of 3 drawings converted, 1 failed"));
    // One output per input named after it; a name met again is numbered.
    EXPECT_TRUE(QImage(out + "plot.png").width() > 0);
    EXPECT_TRUE(QImage(out + "plot-2.png").width() > 0);
    EXPECT_FALSE(QFile::exists(out + "broken.png"));

    const ToolRun ok = run(kTool, {drawing, "-o", out});
    EXPECT_EQ(ok.exitCode, 0) << ok.err.constData();
    EXPECT_TRUE(QFile::exists(out + "plot.pdf"));
}

TEST(Plot, NamedPlotStylesOfLayersAndEntitiesGiveTheirColourAndLineweight) {
    const fs::path dir = vexor::test::scratchDir("plot-named");
    // A named table written with ezdxf's plot style writer: "Heavy" turns everything black at
    // 0.70 mm, "Normal" keeps the object's colour and lineweight. Four red lines, each shown
    // at 1:50 by a layout of its own: one on a layer plotting "Heavy", one naming "Heavy"
    // itself, one plotting "Normal", and one in a block taking the style of its insert, which
    // names "Heavy".
    const fs::path script = dir / "named.py", drawing = dir / "named.dxf";
    std::ofstream(script) << R"(
import sys, os, ezdxf
from ezdxf.addons import acadctb
stb = acadctb.new_stb()
heavy = stb.new_style('Heavy')
heavy.color = (0, 0, 0)
heavy.set_lineweight(0.70)
stb.save(os.path.join(os.path.dirname(sys.argv[1]), 'named.stb'))
doc = ezdxf.new('R2010', setup=True)
doc.header['$PSTYLEMODE'] = 0
names = doc.rootdict['ACAD_PLOTSTYLENAME']
placeholder = doc.objects.add_placeholder(owner=names.dxf.handle)
names['Heavy'] = placeholder
doc.layers.add('Walls', color=1).dxf.plotstyle_handle = placeholder.dxf.handle
msp = doc.modelspace()
msp.add_line((0, 0), (1000, 0), dxfattribs={'layer': 'Walls', 'lineweight': 25})
msp.add_line((0, 10000), (1000, 10000),
             dxfattribs={'color': 1, 'lineweight': 25, 'plotstyle_handle': placeholder.dxf.handle})
msp.add_line((0, 20000), (1000, 20000), dxfattribs={'color': 1, 'lineweight': 50})
bar = doc.blocks.new('Bar')
bar.add_line((0, 0), (1000, 0), dxfattribs={'color': 1, 'lineweight': 30})
msp.add_blockref('Bar', (0, 30000), dxfattribs={'plotstyle_handle': placeholder.dxf.handle})
for name, y in (('Layer style', 0), ('Entity style', 10000), ('Normal style', 20000),
                ('Block style', 30000)):
    sheet = doc.layouts.new(name)
    sheet.page_setup(size=(420, 297), margins=(0, 0, 0, 0), scale=16)
    sheet.add_viewport(center=(210, 148.5), size=(400, 280), view_center_point=(500, y),
                       view_height=280 * 50)
    sheet.dxf_layout.dxf.current_style_sheet = 'named.stb'
doc.saveas(sys.argv[1])
# ezdxf leaves out a plot style by block as its default: the block's line says it here.
text = open(sys.argv[1]).read().replace('370\n30\n', '370\n30\n380\n1\n')
open(sys.argv[1], 'w').write(text)
)";
    const ToolRun made = run("/usr/bin/python3", {QString::fromStdString(script.string()),
                                                  QString::fromStdString(drawing.string())});
    ASSERT_EQ(made.exitCode, 0) << made.err.constData();
    for (const char* name : {"Layer style", "Entity style", "Normal style", "Block style"}) {
        SCOPED_TRACE(name);
        const QString pdf = QString::fromStdString((dir / (std::string(name) + ".pdf")).string());
        const ToolRun r =
            run(kTool, {QString::fromStdString(drawing.string()), "--layout", name, "-o", pdf});
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        const Line line = measure(pageImage(pdf, 1));
        EXPECT_NEAR(line.lengthMm, 20.0, 0.15);
        const bool heavy = std::string(name) != "Normal style";
        EXPECT_NEAR(line.widthMm, heavy ? 0.70 : 0.50, 0.1);
        EXPECT_EQ(line.coloured, !heavy);
    }
}
