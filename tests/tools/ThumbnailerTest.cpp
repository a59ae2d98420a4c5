// vexor-thumbnailer as a file manager runs it: a PNG preview of a drawing of each format, and
// damaged copies refused with one line and no picture.
#include "ToolRun.h"
#include "support/Corpus.h"

#include <QImage>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A run of the thumbnailer, as a file manager starts it.
vexor::test::ToolRun thumbnail(const QStringList& args) {
    return vexor::test::runProgram("vexor-thumbnailer", args, 60000);
}

const char* const kSamples[] = {
    "dwg/AC1015/acadsharp__sample_AC1015.dwg", "dwg/AC1032/acadsharp__sample_AC1032.dwg",
    "dxf/ascii/AC1015/acadsharp__sample_AC1015_ascii.dxf", "dgn/v7/gdal__smalltest.dgn"};

// The sample's first bytes (its signature and version) followed by noise.
fs::path damagedCopy(const fs::path& file, const fs::path& dir) {
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    bytes.resize(std::min<std::size_t>(bytes.size(), 64));
    for (int i = 0; i < 4096; ++i)
        bytes.push_back(static_cast<char>((i * 131 + 7) & 0xFF));
    const fs::path copy = dir / ("damaged-" + file.filename().string());
    std::ofstream(copy, std::ios::binary) << bytes;
    return copy;
}

} // namespace

TEST(Thumbnailer, APreviewOfEachFormatWithinTheTimeLimit) {
    VEXOR_REQUIRE_CORPUS();
    const fs::path dir = vexor::test::scratchDir("vexor-thumbnailer");
    for (const char* sample : kSamples) {
        const fs::path input = *vexor::test::corpusDir() / sample;
        const fs::path output = dir / (input.stem().string() + ".png");
        fs::remove(output);
        const vexor::test::ToolRun r =
            thumbnail({"-s", "128", QString::fromStdString(input.string()),
                       QString::fromStdString(output.string())});
        ASSERT_EQ(r.exitCode, 0) << sample << ": " << r.err.constData();
        EXPECT_LT(r.milliseconds, 10000) << sample;
        const QImage png(QString::fromStdString(output.string()));
        ASSERT_EQ(png.size(), QSize(128, 128)) << sample;
        int inked = 0;
        for (int y = 0; y < png.height(); ++y)
            for (int x = 0; x < png.width(); ++x)
                inked += png.pixel(x, y) != qRgb(255, 255, 255);
        EXPECT_GT(inked, 30) << sample << ": the drawing is drawn";
    }
}

TEST(Thumbnailer, DamagedCopiesAreRefusedWithOneLineAndNoPicture) {
    VEXOR_REQUIRE_CORPUS();
    const fs::path dir = vexor::test::scratchDir("vexor-thumbnailer-damaged");
    std::vector<fs::path> refused;
    for (const char* sample : kSamples)
        refused.push_back(damagedCopy(*vexor::test::corpusDir() / sample, dir));
    // A format the viewer does not read yet is refused the same way.
    refused.push_back(*vexor::test::corpusDir() / "dgn/v8/gdal__test_dgnv8.dgn");
    for (const fs::path& copy : refused) {
        const std::string sample = copy.filename().string();
        const fs::path output = dir / (copy.stem().string() + ".png");
        fs::remove(output);
        const vexor::test::ToolRun r = thumbnail({"-s", "64", QString::fromStdString(copy.string()),
                                                  QString::fromStdString(output.string())});
        EXPECT_EQ(r.exitCode, 1) << sample << ": " << r.err.constData();
        EXPECT_TRUE(r.err.contains(copy.filename().string().c_str())) << r.err.constData();
        EXPECT_EQ(r.err.count("vexor-thumbnailer:"), 1) << r.err.constData();
        EXPECT_FALSE(fs::exists(output)) << sample;
    }
}

TEST(Thumbnailer, GivesUpCleanlyAtItsTimeLimit) {
    VEXOR_REQUIRE_CORPUS();
    const fs::path input = *vexor::test::corpusDir() / "stress/lines-1000000.dwg";
    if (!fs::exists(input))
        GTEST_SKIP() << "the million-entity drawing is not in this corpus";
    const fs::path output = vexor::test::scratchDir("vexor-thumbnailer-timeout") / "lines.png";
    fs::remove(output);
    // A twentieth of a second: no machine reads and draws a million entities that fast.
    const vexor::test::ToolRun r =
        thumbnail({"--timeout", "0.05", QString::fromStdString(input.string()),
                   QString::fromStdString(output.string())});
    EXPECT_EQ(r.exitCode, 3) << r.err.constData();
    EXPECT_TRUE(r.err.contains("time limit")) << r.err.constData();
    EXPECT_LT(r.milliseconds, 5000) << "the load stops at its deadline, not at the end of the read";
    EXPECT_FALSE(fs::exists(output));
}

TEST(Thumbnailer, ArgumentsHelpAndVersion) {
    EXPECT_EQ(thumbnail({"--help"}).exitCode, 0);
    EXPECT_EQ(thumbnail({"--version"}).exitCode, 0);
    const vexor::test::ToolRun noOutput = thumbnail({"-s", "64", "plan.dwg"});
    EXPECT_EQ(noOutput.exitCode, 2);
    EXPECT_TRUE(noOutput.err.contains("usage:"));
    EXPECT_EQ(thumbnail({"-s", "0", "a.dwg", "b.png"}).exitCode, 2);
    EXPECT_EQ(thumbnail({"-s", "99999", "a.dwg", "b.png"}).exitCode, 2);
    EXPECT_EQ(thumbnail({"--bogus", "a.dwg", "b.png"}).exitCode, 2);
    EXPECT_EQ(thumbnail({"--timeout", "0", "a.dwg", "b.png"}).exitCode, 2);
    EXPECT_EQ(thumbnail({"--timeout", "a.dwg", "b.png"}).exitCode, 2);
    EXPECT_EQ(thumbnail({"--timeout", "-0.5", "a.dwg", "b.png"}).exitCode, 2);
    EXPECT_EQ(thumbnail({"--timeout", "nan", "a.dwg", "b.png"}).exitCode, 2);
}
