#include "cad/load/DrawingReader.h"
#include "cad/model/ReadError.h"
#include "support/Corpus.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace vexor;

namespace {

// The layout names an independent reader lists for a file ("Model" included), sorted.
std::optional<std::vector<std::string>> oracleLayouts(const fs::path& file) {
    const auto oracle = test::oracleFor(file);
    if (!oracle)
        return std::nullopt;
    QFile f(QString::fromStdString(oracle->string()));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonArray names = QJsonDocument::fromJson(f.readAll()).object()["layouts"].toArray();
    if (names.isEmpty())
        return std::nullopt;
    std::vector<std::string> out;
    for (const QJsonValue& n : names)
        out.push_back(n.toString().toStdString());
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

// Every drawing the viewer opens lists the layouts the oracle lists.
TEST(LayoutCorpus, LayoutNamesMatchTheOracle) {
    VEXOR_REQUIRE_CORPUS();
    int compared = 0;
    std::vector<fs::path> files = test::corpusFiles("dwg", {".dwg"});
    for (const fs::path& dxf : test::corpusFiles("dxf", {".dxf"}))
        files.push_back(dxf);
    for (const fs::path& file : files) {
        const auto expected = oracleLayouts(file);
        if (!expected)
            continue;
        cad::Drawing drawing;
        try {
            drawing = cad::readDrawingFile(file.string());
        } catch (const cad::ReadError&) {
            continue; // releases and damage other tests account for
        }
        std::vector<std::string> names{"Model"};
        for (const cad::Layout& layout : drawing.layouts)
            names.push_back(layout.name);
        std::sort(names.begin(), names.end());
        if (drawing.format == cad::FileFormat::Dxf && drawing.header.version == "AC1009") {
            // Some writers put the OBJECTS section with its LAYOUT objects into R12 files too;
            // the oracle's reader ignores it there and lists only the default sheet, while
            // the viewer shows every layout the file defines.
            EXPECT_TRUE(
                std::includes(names.begin(), names.end(), expected->begin(), expected->end()))
                << file;
        } else {
            EXPECT_EQ(names, *expected) << file;
        }
        ++compared;
    }
    EXPECT_GT(compared, 150);
}

// The DWG and DXF copies of the same drawing store the same plot settings; both readers must
// read them alike (paper, scale, area, flags, table).
TEST(LayoutCorpus, PlotSettingsOfDwgAndDxfTwinsAgree) {
    VEXOR_REQUIRE_CORPUS();
    int compared = 0, withTable = 0;
    for (const std::vector<std::string>& row : test::corpusPairRows()) {
        if (row.size() < 6 || row[0] != "DWG+DXF" || row[5] != "yes")
            continue;
        cad::Drawing dwg, dxf;
        try {
            dwg = cad::readDrawingFile((*test::corpusDir() / row[1]).string());
            dxf = cad::readDrawingFile((*test::corpusDir() / row[3]).string());
        } catch (const cad::ReadError&) {
            continue;
        }
        for (const cad::Layout& a : dwg.layouts) {
            const auto b = std::find_if(dxf.layouts.begin(), dxf.layouts.end(),
                                        [&](const cad::Layout& l) { return l.name == a.name; });
            if (b == dxf.layouts.end() || a.handle == 0 || b->handle == 0)
                continue;
            SCOPED_TRACE(row[1] + " layout " + a.name);
            EXPECT_EQ(a.plotFlags, b->plotFlags);
            EXPECT_EQ(a.plotArea, b->plotArea);
            EXPECT_EQ(a.standardScale, b->standardScale);
            EXPECT_EQ(a.plotStyleTable, b->plotStyleTable);
            EXPECT_EQ(a.paperName, b->paperName);
            EXPECT_NEAR(a.printedUnits, b->printedUnits, 1e-9);
            EXPECT_NEAR(a.drawingUnits, b->drawingUnits, 1e-9);
            EXPECT_NEAR(a.plotWindowMin.x, b->plotWindowMin.x, 1e-6);
            EXPECT_NEAR(a.plotWindowMax.y, b->plotWindowMax.y, 1e-6);
            withTable += a.plotStyleTable.empty() ? 0 : 1;
            ++compared;
        }
    }
    EXPECT_GT(compared, 20);
    EXPECT_GT(withTable, 0);
}
