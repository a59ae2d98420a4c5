#include "cad/plot/PlotStyleTable.h"

#include "cad/geometry/DisplayList.h"
#include "cad/model/Drawing.h"
#include "support/Corpus.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <zlib.h>

namespace fs = std::filesystem;
using namespace vexor;

namespace {

void putLittleEndian(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A plot style table file as the format stores it: the text header, checksum, text size and
// compressed size, then the records packed by zlib.
std::string tableFile(const std::string& records) {
    std::string text = records + '\0';
    uLongf packedSize = compressBound(text.size());
    std::string packed(packedSize, '\0');
    EXPECT_EQ(compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                       reinterpret_cast<const Bytef*>(text.data()), text.size()),
              Z_OK);
    packed.resize(packedSize);
    std::string file = "PIAFILEVERSION_2.0,CTBVER1,compress\r\npmzlibcodec";
    putLittleEndian(
        file, static_cast<std::uint32_t>(adler32(1, reinterpret_cast<const Bytef*>(packed.data()),
                                                 static_cast<uInt>(packed.size()))));
    putLittleEndian(file, static_cast<std::uint32_t>(text.size()));
    putLittleEndian(file, static_cast<std::uint32_t>(packed.size()));
    return file + packed;
}

// One style record; `color` as stored (0xC2RRGGBB a colour, -1 the object's own).
std::string style(int index, const std::string& name, std::int64_t color, int policy, int screen,
                  int lineweight) {
    return " " + std::to_string(index) + "{\n  name=\"" + name + "\n  localized_name=\"" + name +
           "\n  description=\"\n  color=" + std::to_string(static_cast<std::int32_t>(color)) +
           "\n  color_policy=" + std::to_string(policy) +
           "\n  physical_pen_number=0\n  virtual_pen_number=0\n  screen=" + std::to_string(screen) +
           "\n  linepattern_size=0.5\n  linetype=31\n" +
           "  adaptive_linetype=TRUE\n  lineweight=" + std::to_string(lineweight) +
           "\n  fill_style=73\n  end_style=4\n  join_style=5\n }\n";
}

// A colour-dependent table: colour 1 plots dark blue at lineweight index 3 (0.13 mm), colour 2
// in its own colour screened to half, colour 3 grey, everything else as it is.
std::string sampleRecords() {
    std::string records = "description=\"Written by the test\naci_table_available=TRUE\n"
                          "scale_factor=1.0\napply_factor=FALSE\n"
                          "custom_lineweight_display_units=0\naci_table{\n";
    for (int i = 0; i < 255; ++i)
        records += " " + std::to_string(i) + "=\"Color_" + std::to_string(i + 1) + "\n";
    records += "}\nplot_style{\n";
    for (int i = 0; i < 255; ++i) {
        const std::string name = "Color_" + std::to_string(i + 1);
        if (i == 0)
            records += style(i, name, 0xC2000080LL, 0, 100, 3);
        else if (i == 1)
            records += style(i, name, -1, 0, 50, 255);
        else if (i == 2)
            records += style(i, name, -1, 2, 100, 255);
        else
            records += style(i, name, 0xC3FFFFFFLL, 1, 100, 255);
    }
    records += "}\ncustom_lineweight_table{\n 0=0.0\n 1=0.05\n 2=0.09\n 3=0.13\n 4=0.15\n}\n";
    return records;
}

} // namespace

TEST(PlotStyleTable, ATableWrittenByTheTestGivesItsColoursScreeningAndLineweights) {
    const cad::PlotStyleTable table =
        cad::parsePlotStyleTable(tableFile(sampleRecords()), "sample.ctb");
    EXPECT_EQ(table.description, "Written by the test");
    EXPECT_TRUE(table.colorDependent);
    ASSERT_EQ(table.styles.size(), 255u);
    ASSERT_EQ(table.lineweights.size(), 5u);
    EXPECT_DOUBLE_EQ(table.lineweights[3], 0.13);

    // Colour 1 (red, by number or by its value) plots dark blue at 0.13 mm.
    EXPECT_EQ(table.plotColor(0xFF0000, 1), 0x000080u);
    EXPECT_EQ(table.plotColor(0xFF0000, 0), 0x000080u);
    ASSERT_TRUE(table.plotLineweightMm(0xFF0000, 1));
    EXPECT_DOUBLE_EQ(*table.plotLineweightMm(0xFF0000, 1), 0.13);
    // Colour 2 (yellow) keeps its colour at half intensity: blue rises halfway to white.
    const std::uint32_t screened = table.plotColor(0xFFFF00, 2);
    EXPECT_EQ(screened >> 8, 0xFFFFu);
    EXPECT_NEAR(static_cast<double>(screened & 0xFF), 127.5, 0.5);
    EXPECT_FALSE(table.plotLineweightMm(0xFFFF00, 2));
    // Colour 3 (green) plots grey.
    const std::uint32_t grey = table.plotColor(0x00FF00, 3);
    EXPECT_EQ(grey >> 16, grey & 0xFF);
    EXPECT_EQ((grey >> 8) & 0xFF, grey & 0xFF);
    EXPECT_NEAR(static_cast<double>(grey & 0xFF), 0.587 * 255, 1);
    // The others keep the object's colour and lineweight; dithering is read.
    EXPECT_EQ(table.plotColor(0x123456, 0), 0x123456u);
    EXPECT_TRUE(table.styles[100].dithering);
    EXPECT_FALSE(table.styles[100].color);
}

TEST(PlotStyleTable, DamagedFilesAreRefusedWithReasonAndOffset) {
    const std::string good = tableFile(sampleRecords());
    auto reason = [](const std::string& bytes) {
        try {
            cad::parsePlotStyleTable(bytes, "bad.ctb");
        } catch (const cad::PlotStyleError& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_NE(reason("not a table at all").find("bad.ctb: not a plot style table"),
              std::string::npos);
    EXPECT_NE(reason(good.substr(0, 52)).find("offset"), std::string::npos);
    std::string truncated = good.substr(0, good.size() - 10);
    EXPECT_NE(reason(truncated).find("run past the end"), std::string::npos);
    std::string huge = good;
    huge[52] = huge[53] = huge[54] = huge[55] = '\x7F'; // a text size of about two gigabytes
    EXPECT_NE(reason(huge).find("text size"), std::string::npos);
    std::string corrupt = good;
    corrupt[good.size() - 20] ^= 0x55;
    EXPECT_NE(reason(corrupt).find("cannot be unpacked"), std::string::npos);
}

TEST(PlotStyleTable, TablesAreFoundBesideTheDrawingThenInTheUsersFolderElseByTheirName) {
    const fs::path dir = test::scratchDir("plot-style-lookup");
    const fs::path beside = dir / "drawings", user = dir / "data";
    fs::create_directories(beside);
    fs::create_directories(user / "vexor/plotstyles");
    setenv("XDG_DATA_HOME", user.c_str(), 1);
    std::ofstream(beside / "office.ctb", std::ios::binary) << tableFile(sampleRecords());
    std::ofstream(user / "vexor/plotstyles/shared.ctb", std::ios::binary)
        << tableFile(sampleRecords());
    std::ofstream(beside / "broken.ctb", std::ios::binary) << "PIAFILEVERSION_2.0 nothing more";
    const std::string drawing = (beside / "plan.dwg").string();

    std::string problem;
    auto office = cad::findPlotStyleTable("C:\\Styles\\office.ctb", drawing, problem);
    ASSERT_TRUE(office) << problem;
    EXPECT_EQ(office->description, "Written by the test");
    EXPECT_TRUE(cad::findPlotStyleTable("shared.ctb", drawing, problem)) << problem;

    // Absent files: the common tables stand in, as their names say.
    auto mono = cad::findPlotStyleTable("Monochrome.ctb", drawing, problem);
    ASSERT_TRUE(mono);
    EXPECT_TRUE(problem.empty());
    EXPECT_EQ(mono->plotColor(0xFF0000, 1), 0u);
    EXPECT_EQ(mono->plotColor(0x00FFFF, 0), 0u);
    auto grey = cad::findPlotStyleTable("grayscale.stb", drawing, problem);
    ASSERT_TRUE(grey);
    const std::uint32_t g = grey->plotColor(0xFF0000, 0);
    EXPECT_TRUE(g >> 16 == (g & 0xFF) && g != 0);

    // Any other missing or unreadable table is named.
    EXPECT_FALSE(cad::findPlotStyleTable("nowhere.ctb", drawing, problem));
    EXPECT_NE(problem.find("\"nowhere.ctb\" not found"), std::string::npos);
    EXPECT_FALSE(cad::findPlotStyleTable("broken.ctb", drawing, problem));
    EXPECT_NE(problem.find("broken.ctb"), std::string::npos);
    unsetenv("XDG_DATA_HOME");
}

TEST(PlotStyleTable, ALayoutNamingAMissingTableSaysSoInTheDiagnostics) {
    cad::Drawing drawing;
    drawing.format = cad::FileFormat::Dxf;
    cad::Layout layout;
    layout.name = "Sheet";
    layout.paperSize = {420, 297};
    layout.plotStyleTable = "missing-office.ctb";
    drawing.layouts.push_back(layout);
    layout.name = "Mono";
    layout.plotStyleTable = "monochrome.ctb";
    drawing.layouts.push_back(layout);
    cad::finishLayouts(drawing);
    const auto list = cad::compileDisplayList(drawing);
    ASSERT_EQ(list->sheets().size(), 2u);
    EXPECT_FALSE(list->sheets()[0].plotStyles);
    EXPECT_TRUE(list->sheets()[1].plotStyles);
    int named = 0;
    for (const std::string& d : list->diagnostics())
        named += d.find("layout \"Sheet\"") != std::string::npos &&
                 d.find("missing-office.ctb") != std::string::npos;
    EXPECT_EQ(named, 1);
}
