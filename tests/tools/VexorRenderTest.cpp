#include "ToolRun.h"
#include "support/Corpus.h"
#include "support/Ezdxf.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

using vexor::test::runTool;
using vexor::test::ToolRun;

const QString kTool = vexor::test::programPath("vexor-render");

// A small DXF written by the test: one red line on layer WALLS (off), a circle on layer 0.
std::filesystem::path writeSampleDxf(const std::filesystem::path& dir) {
    const std::filesystem::path file = dir / "sample.dxf";
    std::ofstream out(file);
    out << "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1009\n9\n$INSUNITS\n70\n4\n0\nENDSEC\n"
           "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n70\n2\n"
           "0\nLAYER\n2\n0\n70\n0\n62\n7\n6\nCONTINUOUS\n"
           "0\nLAYER\n2\nWALLS\n70\n0\n62\n-1\n6\nCONTINUOUS\n0\nENDTAB\n0\nENDSEC\n"
           "0\nSECTION\n2\nENTITIES\n"
           "0\nLINE\n8\nWALLS\n10\n0\n20\n0\n30\n0\n11\n100\n21\n0\n31\n0\n"
           "0\nCIRCLE\n8\n0\n10\n50\n20\n50\n30\n0\n40\n10\n"
           "0\nENDSEC\n0\nEOF\n";
    return file;
}

} // namespace

TEST(VexorRender, InfoPrintsOneJsonObject) {
    ASSERT_TRUE(std::filesystem::exists(kTool.toStdString())) << "build vexor-render first";
    const auto dir = vexor::test::scratchDir("vexor-render-info");
    const ToolRun r = runTool({QString::fromStdString(writeSampleDxf(dir).string()), "--info"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(r.out, &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out.constData();
    ASSERT_TRUE(doc.isObject());
    const QJsonObject info = doc.object();
    EXPECT_EQ(info["format"].toString(), "DXF");
    EXPECT_EQ(info["version"].toString(), "AC1009");
    EXPECT_EQ(info["entities"].toObject()["LINE"].toInt(), 1);
    EXPECT_EQ(info["entities"].toObject()["CIRCLE"].toInt(), 1);
    const QJsonArray ext = info["extents"].toArray();
    ASSERT_EQ(ext.size(), 4);
    EXPECT_NEAR(ext[0].toDouble(), 0, 1e-6);
    EXPECT_NEAR(ext[1].toDouble(), 0, 1e-6);
    EXPECT_NEAR(ext[2].toDouble(), 100, 1e-6);
    EXPECT_NEAR(ext[3].toDouble(), 60, 1e-6);
    bool sawWalls = false;
    for (const QJsonValue v : info["layers"].toArray()) {
        const QJsonObject layer = v.toObject();
        EXPECT_TRUE(layer.contains("color") && layer.contains("on") && layer.contains("frozen"));
        if (layer["name"].toString() == "WALLS") {
            sawWalls = true;
            EXPECT_EQ(layer["color"].toInt(), 1); // stored -1: off, colour made positive
            EXPECT_FALSE(layer["on"].toBool());
        }
    }
    EXPECT_TRUE(sawWalls);
    EXPECT_TRUE(info["diagnostics"].isArray());
}

TEST(VexorRender, HelpAndVersionAnswerOnStandardOutputAndUnknownOptionsExitTwo) {
    const ToolRun help = runTool({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("usage: vexor-render")) << help.out.constData();
    const ToolRun version = runTool({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith("vexor-render 1.")) << version.out.constData();
    const ToolRun unknown = runTool({"--frobnicate"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.out.isEmpty());
    EXPECT_TRUE(unknown.err.contains("unknown option --frobnicate"));
    EXPECT_TRUE(unknown.err.contains("usage: vexor-render"));
}

TEST(VexorRender, UnreadableFileFailsWithOneLine) {
    const auto dir = vexor::test::scratchDir("vexor-render-bad");
    const auto bad = dir / "garbage.dwg";
    std::ofstream(bad) << "this is not a drawing";
    const ToolRun r = runTool({QString::fromStdString(bad.string()), "--info"});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains("garbage.dwg")) << r.err.constData();
    // One line of ours (the platform plugin may add its own warnings).
    EXPECT_EQ(r.err.count("vexor-render:"), 1) << r.err.constData();

    const ToolRun missing =
        runTool({QString::fromStdString((dir / "absent.dxf").string()), "--info"});
    EXPECT_NE(missing.exitCode, 0);
    const ToolRun usage = runTool({"--info"});
    EXPECT_NE(usage.exitCode, 0);
}

TEST(VexorRender, PngHasInkWhereTheExtentsSayAndNotOnLayersTheFileSwitchedOff) {
    const auto dir = vexor::test::scratchDir("vexor-render-png");
    const auto dxf = writeSampleDxf(dir);
    const QString png = QString::fromStdString((dir / "out.png").string());
    const ToolRun r = runTool({QString::fromStdString(dxf.string()), "-o", png, "--size", "400x300",
                               "--background", "#000000"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QImage image(png);
    ASSERT_EQ(image.size(), QSize(400, 300));
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0)
                ink |= QRect(x, y, 1, 1);
    // The extents (0,0)-(100,60) count the line on the switched-off layer too: with a 2% margin
    // they fill 400 x 246 px, centred, 3.85 px a unit. Only the circle (centre (50,50), radius
    // 10) is drawn: about 77 px across around (200, 73); the line along y = 0 is not.
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_NEAR(ink.width(), 77, 4);
    EXPECT_NEAR(ink.height(), 77, 4);
    EXPECT_NEAR(ink.center().x(), 200, 4);
    EXPECT_NEAR(ink.center().y(), 73, 4);
}

// A wide polyline ring of two bulged segments is one solid band in the picture: no hairline
// seams across it, no gaps at its joins.
TEST(VexorRender, AWideBulgedPolylineIsASolidBand) {
    const auto dir = vexor::test::scratchDir("vexor-render-wide-arc");
    const auto dxf = dir / "ring.dxf";
    ASSERT_TRUE(vexor::test::writeWithEzdxf(dxf, R"(
msp.add_lwpolyline([(-20, 0, 0, 0, 1), (20, 0, 0, 0, 1)], format='xyseb', close=True,
                   dxfattribs={'const_width': 8})
)"));
    const QString png = QString::fromStdString((dir / "ring.png").string());
    const ToolRun r = runTool({QString::fromStdString(dxf.string()), "-o", png, "--size", "800x800",
                               "--background", "#ffffff"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QImage image(png);
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                ink |= QRect(x, y, 1, 1);
    ASSERT_GT(ink.width(), 600);
    // The band runs from radius 16 to 24: sample it all round, away from its antialiased edges.
    const double outer = ink.width() / 2.0, cx = ink.left() + outer, cy = ink.top() + outer;
    int light = 0;
    for (double r : {17.0, 20.0, 22.0, 23.0})
        for (int k = 0; k < 3600; ++k) {
            const double a = k * M_PI / 1800;
            const int x = static_cast<int>(std::lround(cx + std::cos(a) * r / 24 * outer));
            const int y = static_cast<int>(std::lround(cy + std::sin(a) * r / 24 * outer));
            light += qGray(image.pixel(x, y)) > 64;
        }
    EXPECT_EQ(light, 0);
}

TEST(VexorRender, SvgAndPdfAreWritten) {
    const auto dir = vexor::test::scratchDir("vexor-render-vector");
    const auto dxf = writeSampleDxf(dir);
    for (const char* name : {"out.svg", "out.pdf"}) {
        const auto out = dir / name;
        const ToolRun r = runTool(
            {QString::fromStdString(dxf.string()), "-o", QString::fromStdString(out.string())});
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        ASSERT_TRUE(std::filesystem::exists(out));
        EXPECT_GT(std::filesystem::file_size(out), 200u) << name;
    }
    const ToolRun wrong = runTool({QString::fromStdString(dxf.string()), "-o", "x.bmp"});
    EXPECT_NE(wrong.exitCode, 0);
}

// Every DXF of the corpus, text and binary, through the tool as a user would run it: each
// opens and describes itself; the damaged ones are refused with one line naming the file.
TEST(VexorRender, EveryCorpusDxfOpensAndTheNegativeOnesAreRefused) {
    VEXOR_REQUIRE_CORPUS();
    const auto files = vexor::test::corpusFiles("dxf", {".dxf"});
    ASSERT_FALSE(files.empty());
    int opened = 0;
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        const ToolRun r = runTool({QString::fromStdString(file.string()), "--info"});
        ASSERT_GE(r.exitCode, 0) << "crashed or hung";
        if (file.string().find("/negative/") != std::string::npos) {
            if (r.exitCode != 0) {
                EXPECT_TRUE(r.err.contains(QByteArray::fromStdString(file.filename().string())))
                    << r.err.constData();
            }
            continue;
        }
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        const QJsonObject info = QJsonDocument::fromJson(r.out).object();
        EXPECT_EQ(info["format"].toString(), "DXF");
        ++opened;
    }
    EXPECT_GT(opened, 0);
}

TEST(VexorRender, TimeoutGivesUpCleanlyOnTheMillionLineDrawing) {
    VEXOR_REQUIRE_CORPUS();
    const auto stress = *vexor::test::corpusDir() / "stress/lines-1000000.dwg";
    QElapsedTimer timer;
    timer.start();
    const ToolRun r =
        runTool({QString::fromStdString(stress.string()), "--info", "--timeout", "0.05"});
    const qint64 milliseconds = timer.elapsed();
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains("lines-1000000.dwg: loading took longer than allowed"))
        << r.err.constData();
    EXPECT_LT(milliseconds, 20000); // the whole load takes several times longer

    EXPECT_NE(runTool({"x.dxf", "--info", "--timeout", "soon"}).exitCode, 0);
    EXPECT_NE(runTool({"x.dxf", "--info", "--timeout", "-1"}).exitCode, 0);
}

TEST(VexorRender, LayoutsAreListedAndASheetPrintsOnItsPaperSize) {
    VEXOR_REQUIRE_CORPUS();
    const auto file = *vexor::test::corpusDir() / "dxf/ascii/AC1027/qcad__flange.dxf";
    const QString input = QString::fromStdString(file.string());
    const ToolRun info = runTool({input, "--info"});
    ASSERT_EQ(info.exitCode, 0) << info.err.constData();
    const QJsonArray layouts = QJsonDocument::fromJson(info.out).object()["layouts"].toArray();
    ASSERT_EQ(layouts.size(), 3);
    EXPECT_EQ(layouts[0].toObject()["name"].toString(), "Model");
    const QJsonObject sheet = layouts[1].toObject();
    EXPECT_EQ(sheet["name"].toString(), "Layout");
    EXPECT_EQ(sheet["paper"].toArray(), (QJsonArray{297.0, 210.0})); // A4 turned to landscape
    EXPECT_EQ(sheet["viewports"].toInt(), 3);

    const auto dir = vexor::test::scratchDir("vexor-render-layout");
    const QString pdf = QString::fromStdString((dir / "sheet.pdf").string());
    const ToolRun run = runTool({input, "--layout", "Layout", "-o", pdf});
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    // The page's media box: 297 x 210 mm in points.
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    const QRegularExpression mediaBox(R"(/MediaBox\s*\[\s*0\s+0\s+([\d.]+)\s+([\d.]+)\s*\])");
    const QRegularExpressionMatch m = mediaBox.match(QString::fromLatin1(bytes));
    ASSERT_TRUE(m.hasMatch());
    EXPECT_NEAR(m.captured(1).toDouble(), 297 / 25.4 * 72, 1.5);
    EXPECT_NEAR(m.captured(2).toDouble(), 210 / 25.4 * 72, 1.5);

    const ToolRun missing = runTool({input, "--layout", "Nowhere", "-o", pdf});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_TRUE(missing.err.contains("no layout named"));
}

// Corpus drawings whose referenced drawings are absent list them as not found, and say so.
TEST(VexorRender, InfoListsReferencesNotFound) {
    VEXOR_REQUIRE_CORPUS();
    for (const char* name :
         {"dwg/AC1027/librecad__t1.dwg", "dwg/AC1032/librecad__dynblock_r2018.dwg",
          "dwg/AC1027/libredwg__2013_gh44-error.dwg"}) {
        SCOPED_TRACE(name);
        const ToolRun r = runTool(
            {QString::fromStdString((*vexor::test::corpusDir() / name).string()), "--info"});
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        const QJsonObject info = QJsonDocument::fromJson(r.out).object();
        const QJsonArray refs = info["references"].toArray();
        ASSERT_FALSE(refs.isEmpty());
        for (const QJsonValue v : refs) {
            const QJsonObject ref = v.toObject();
            EXPECT_FALSE(ref["found"].toBool());
            EXPECT_TRUE(ref["file"].isNull());
            EXPECT_EQ(ref["depth"].toInt(), 1);
            EXPECT_TRUE(ref.contains("overlay"));
            const QString said =
                "reference " + ref["name"].toString() + " not found: " + ref["path"].toString();
            bool saidSo = false;
            for (const QJsonValue d : info["diagnostics"].toArray())
                saidSo = saidSo || d.toString().startsWith(said);
            EXPECT_TRUE(saidSo) << said.toStdString();
        }
    }
}

// With a drawing under the referenced name beside it, the picture shows it.
TEST(VexorRender, PictureShowsTheReferencedDrawing) {
    VEXOR_REQUIRE_CORPUS();
    const auto dir = vexor::test::scratchDir("vexor-render-reference");
    const std::filesystem::path host = dir / "host.dwg";
    std::filesystem::copy_file(
        *vexor::test::corpusDir() / "dwg/AC1032/librecad__dynblock_r2018.dwg", host);
    const auto render = [&](const char* out) {
        const ToolRun r = runTool({QString::fromStdString(host.string()), "-o",
                                   QString::fromStdString((dir / out).string())});
        EXPECT_EQ(r.exitCode, 0) << r.err.constData();
        return QImage(QString::fromStdString((dir / out).string()));
    };
    const QImage alone = render("alone.png");
    std::filesystem::copy_file(*vexor::test::corpusDir() / "dwg/AC1027/librecad__t1.dwg",
                               dir / "xref_bl.dwg");
    const QImage with = render("with.png");
    ASSERT_FALSE(alone.isNull() || with.isNull());
    EXPECT_NE(alone, with);
    const ToolRun r = runTool({QString::fromStdString(host.string()), "--info"});
    const QJsonArray refs = QJsonDocument::fromJson(r.out).object()["references"].toArray();
    ASSERT_FALSE(refs.isEmpty());
    EXPECT_TRUE(refs[0].toObject()["found"].toBool());
}

// A clipped insert in the picture: the left half of a red square shows, the right half, cut
// away by its clip, does not (the green line below spans the square's whole width).
TEST(VexorRender, ClippedInsertShowsOnlyInsideItsBoundary) {
    const auto dir = vexor::test::scratchDir("vexor-render-clip");
    const std::string command =
        "/usr/bin/python3 '" +
        (vexor::test::sourceDir() / "tests/cad/io/make_reference_sets.py").string() + "' '" +
        dir.string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        GTEST_SKIP() << "python3 with ezdxf is not installed";
    const QString png = QString::fromStdString((dir / "clip.png").string());
    const ToolRun r = runTool({QString::fromStdString((dir / "clip/picture.dxf").string()), "-o",
                               png, "--size", "400x400", "--background", "#000000"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QImage image(png);
    QRect green;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGreen(image.pixel(x, y)) > 128 && qRed(image.pixel(x, y)) < 64)
                green |= QRect(x, y, 1, 1);
    ASSERT_GT(green.width(), 100);
    // The line runs along y = -2 from x = 0 to 10: one drawing unit in pixels.
    const double unit = green.width() / 10.0;
    const auto at = [&](double x, double y) {
        return image.pixel(static_cast<int>(green.left() + x * unit),
                           static_cast<int>(green.center().y() - (y + 2) * unit));
    };
    for (double y : {1.0, 5.0, 9.0}) {
        EXPECT_GT(qRed(at(1, y)), 200) << y;
        EXPECT_GT(qRed(at(4, y)), 200) << y;
        EXPECT_EQ(at(6, y) & 0xFFFFFF, 0u) << y;
        EXPECT_EQ(at(9, y) & 0xFFFFFF, 0u) << y;
    }
}
