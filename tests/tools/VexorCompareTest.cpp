#include "ToolRun.h"
#include "support/Corpus.h"

#include <QColor>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

using vexor::test::runTool;
using vexor::test::ToolRun;

namespace fs = std::filesystem;

const QString kTool = vexor::test::programPath("vexor-render");

// An R12 DXF without handles holding the given entity records.
QString writeDxf(const fs::path& file, const std::string& entities) {
    std::ofstream out(file);
    out << "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1009\n0\nENDSEC\n"
           "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n70\n2\n"
           "0\nLAYER\n2\n0\n70\n0\n62\n7\n6\nCONTINUOUS\n"
           "0\nLAYER\n2\nWALLS\n70\n0\n62\n5\n6\nCONTINUOUS\n0\nENDTAB\n0\nENDSEC\n"
           "0\nSECTION\n2\nENTITIES\n"
        << entities << "0\nENDSEC\n0\nEOF\n";
    return QString::fromStdString(file.string());
}

std::string line(double y) {
    return "0\nLINE\n8\nWALLS\n10\n0\n20\n" + std::to_string(y) + "\n30\n0\n11\n100\n21\n" +
           std::to_string(y) + "\n31\n0\n";
}
std::string circle(double x, double y, double r) {
    return "0\nCIRCLE\n8\n0\n10\n" + std::to_string(x) + "\n20\n" + std::to_string(y) +
           "\n30\n0\n40\n" + std::to_string(r) + "\n";
}

const QRgb kGrey = qRgb(0x9A, 0x9A, 0x9A), kRed = qRgb(0xE0, 0x26, 0x1F),
           kGreen = qRgb(0x1F, 0xA8, 0x3A), kYellow = qRgb(0xE8, 0xB4, 0x00);

// Pixels that are `colour` blended with the background by at least a third: lines drawn in
// it, however their edges fall on the pixels.
int pixelsOf(const QImage& image, QRgb colour, QRgb background) {
    const double c[3] = {double(qRed(colour) - qRed(background)),
                         double(qGreen(colour) - qGreen(background)),
                         double(qBlue(colour) - qBlue(background))};
    const double cc = c[0] * c[0] + c[1] * c[1] + c[2] * c[2];
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            const double d[3] = {double(qRed(p) - qRed(background)),
                                 double(qGreen(p) - qGreen(background)),
                                 double(qBlue(p) - qBlue(background))};
            const double alpha = (d[0] * c[0] + d[1] * c[1] + d[2] * c[2]) / cc;
            double off = 0;
            for (int k = 0; k < 3; ++k)
                off += std::abs(d[k] - alpha * c[k]);
            n += alpha > 0.33 && alpha < 1.1 && off < 24;
        }
    return n;
}

class VexorCompare : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(kTool.toStdString())) << "build vexor-render first";
        dir = vexor::test::scratchDir("vexor-compare");
        // The line moves up by 10, the first circle stays and a second one is added.
        oldFile = writeDxf(dir / "old.dxf", line(0) + circle(50, 50, 10));
        newFile = writeDxf(dir / "new.dxf", line(10) + circle(50, 50, 10) + circle(80, 60, 5));
    }
    fs::path dir;
    QString oldFile, newFile;
};

TEST_F(VexorCompare, InfoCountsTheDifferencesAndExitsOneWhenTheyDiffer) {
    const ToolRun r = runTool({oldFile, newFile, "--compare", "--info"});
    ASSERT_EQ(r.exitCode, 1) << r.err.constData();
    QJsonParseError error;
    const QJsonObject info = QJsonDocument::fromJson(r.out, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out.constData();
    EXPECT_EQ(info["same"].toInt(), 1);
    EXPECT_EQ(info["removed"].toInt(), 1);
    EXPECT_EQ(info["added"].toInt(), 2);
    EXPECT_EQ(info["changed"].toInt(), 0);
    EXPECT_EQ(info["by_kind"].toObject()["LINE"].toObject()["removed"].toInt(), 1);
    EXPECT_EQ(info["by_kind"].toObject()["CIRCLE"].toObject()["same"].toInt(), 1);
    EXPECT_EQ(info["by_layer"].toObject()["WALLS"].toObject()["added"].toInt(), 1);
    EXPECT_EQ(info["by_layer"].toObject()["0"].toObject()["added"].toInt(), 1);

    const QJsonArray differences = info["differences"].toArray();
    ASSERT_EQ(differences.size(), 3);
    const QJsonObject removed = differences[0].toObject();
    EXPECT_EQ(removed["change"].toString(), "removed");
    EXPECT_EQ(removed["kind"].toString(), "LINE");
    EXPECT_EQ(removed["layer"].toString(), "WALLS");
    // An R12 file without handles: none to name in either file.
    EXPECT_TRUE(removed["new_handle"].isNull());
    EXPECT_TRUE(removed["old_handle"].isNull());
    const QJsonArray box = removed["bbox"].toArray();
    ASSERT_EQ(box.size(), 4);
    EXPECT_NEAR(box[0].toDouble(), 0, 1e-9);
    EXPECT_NEAR(box[2].toDouble(), 100, 1e-9);
    const QJsonObject added = differences[2].toObject();
    EXPECT_EQ(added["kind"].toString(), "CIRCLE");
    EXPECT_NEAR(added["bbox"].toArray()[0].toDouble(), 75, 1e-9);
    EXPECT_NEAR(added["bbox"].toArray()[3].toDouble(), 65, 1e-9);
}

TEST_F(VexorCompare, ADrawingAgainstItselfIsTheSameAndExitsZero) {
    const ToolRun r = runTool({newFile, newFile, "--compare", "--info"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QJsonObject info = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(info["same"].toInt(), 3);
    EXPECT_EQ(info["removed"].toInt() + info["added"].toInt() + info["changed"].toInt(), 0);
    EXPECT_TRUE(info["differences"].toArray().isEmpty());
    const QString png = QString::fromStdString((dir / "self.png").string());
    EXPECT_EQ(runTool({newFile, newFile, "--compare", "-o", png}).exitCode, 0);
}

TEST_F(VexorCompare, ErrorsExitTwo) {
    EXPECT_EQ(runTool({oldFile, QString::fromStdString((dir / "missing.dxf").string()), "--compare",
                       "--info"})
                  .exitCode,
              2);
    EXPECT_EQ(runTool({oldFile, "--compare", "--info"}).exitCode, 2) << "one drawing";
    const QString png = QString::fromStdString((dir / "x.png").string());
    EXPECT_EQ(runTool({oldFile, newFile, "--compare", "-o", png, "--layout", "Nowhere"}).exitCode,
              2);
}

// Grey for the same, red for the removed, green for the added, alike on every background.
TEST_F(VexorCompare, PictureColoursWhatBecameOfEachEntityOnEveryBackground) {
    for (const char* background : {"#ffffff", "#000000", "#0000ff"}) {
        SCOPED_TRACE(background);
        const QString png = QString::fromStdString((dir / "compare.png").string());
        const ToolRun r = runTool({oldFile, newFile, "--compare", "-o", png, "--size", "400x300",
                                   "--background", background});
        ASSERT_EQ(r.exitCode, 1) << r.err.constData();
        const QImage image(png);
        ASSERT_FALSE(image.isNull());
        const QRgb bg = QColor(background).rgb();
        EXPECT_GT(pixelsOf(image, kGrey, bg), 50) << "the circle kept";
        EXPECT_GT(pixelsOf(image, kRed, bg), 50) << "the line removed";
        EXPECT_GT(pixelsOf(image, kGreen, bg), 100) << "the line and circle added";
        EXPECT_EQ(pixelsOf(image, kYellow, bg), 0) << "nothing changed";
    }
    for (const char* suffix : {"svg", "pdf"}) {
        const QString out = QString::fromStdString((dir / "compare.").string() + suffix);
        EXPECT_EQ(runTool({oldFile, newFile, "--compare", "-o", out}).exitCode, 1);
        EXPECT_GT(fs::file_size(out.toStdString()), 100u);
    }
}

} // namespace
