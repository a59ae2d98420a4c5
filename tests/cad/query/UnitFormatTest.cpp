#include "cad/query/UnitFormat.h"

#include "cad/load/DrawingReader.h"
#include "support/Corpus.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace vexor::cad;

namespace {
std::string f(double v, int units, int precision) {
    return formatLength(v, LinearUnitFormat{units, precision});
}
} // namespace

TEST(UnitFormat, ScientificAndDecimal) {
    EXPECT_EQ(f(15.5, 1, 4), "1.5500E+01");
    EXPECT_EQ(f(-1250, 1, 2), "-1.25E+03");
    EXPECT_EQ(f(15.5, 2, 4), "15.5000");
    EXPECT_EQ(f(1234.56789, 2, 2), "1234.57");
    EXPECT_EQ(f(7.25, 2, 0), "7");
    EXPECT_EQ(f(-0.00001, 2, 4), "0.0000") << "no negative zero";
    EXPECT_EQ(f(-3.5, 2, 1), "-3.5");
    EXPECT_EQ(f(2.5, 6, 3), "2.500") << "unknown unit codes are decimal";
}

TEST(UnitFormat, EngineeringIsFeetAndDecimalInches) {
    EXPECT_EQ(f(15.5, 3, 2), "1'-3.50\"");
    EXPECT_EQ(f(3.5, 3, 2), "0'-3.50\"");
    EXPECT_EQ(f(11.999, 3, 2), "1'-0.00\"") << "rounding carries into the feet";
    EXPECT_EQ(f(-27.25, 3, 1), "-2'-3.3\"");
    EXPECT_EQ(f(120, 3, 0), "10'-0\"");
}

TEST(UnitFormat, ArchitecturalIsFeetAndFractionalInches) {
    EXPECT_EQ(f(15.5, 4, 4), "1'-3 1/2\"");
    EXPECT_EQ(f(15.5, 4, 1), "1'-3 1/2\"");
    EXPECT_EQ(f(15.4375, 4, 4), "1'-3 7/16\"");
    EXPECT_EQ(f(15.4375, 4, 2), "1'-3 1/2\"") << "to the nearest quarter";
    EXPECT_EQ(f(12, 4, 4), "1'-0\"");
    EXPECT_EQ(f(0.5, 4, 4), "0'-0 1/2\"");
    EXPECT_EQ(f(11.99, 4, 4), "1'-0\"") << "rounding carries into the feet";
    EXPECT_EQ(f(-15.5, 4, 4), "-1'-3 1/2\"");
    EXPECT_EQ(f(0.001, 4, 4), "0'-0\"");
    EXPECT_EQ(f(1234.0, 4, 0), "102'-10\"");
    EXPECT_EQ(f(3.0 / 256, 4, 8), "0'-0 3/256\"");
}

TEST(UnitFormat, FractionalIsAWholeNumberAndAFraction) {
    EXPECT_EQ(f(15.5, 5, 4), "15 1/2");
    EXPECT_EQ(f(0.375, 5, 3), "3/8");
    EXPECT_EQ(f(0.375, 5, 2), "1/2") << "3/8 to the nearest quarter is a half";
    EXPECT_EQ(f(0, 5, 4), "0");
    EXPECT_EQ(f(-0.25, 5, 2), "-1/4");
    EXPECT_EQ(f(-0.01, 5, 2), "0");
}

TEST(UnitFormat, PrecisionIsClampedAndOddValuesAreSafe) {
    EXPECT_EQ(f(1.0 / 3, 2, 20), "0.33333333");
    EXPECT_EQ(f(1.0 / 3, 2, -3), "0");
    EXPECT_EQ(f(std::nan(""), 4, 4), "?");
    EXPECT_EQ(f(INFINITY, 2, 4), "?");
    EXPECT_FALSE(f(1e300, 4, 8).empty());
}

TEST(UnitFormat, TheHeaderSaysWhichFormat) {
    Header h;
    EXPECT_EQ(linearUnitFormat(h).units, 2);
    EXPECT_EQ(linearUnitFormat(h).precision, 4);
    h.linearUnits = 4;
    h.linearPrecision = 3;
    EXPECT_EQ(formatLength(15.5, linearUnitFormat(h)), "1'-3 1/2\"");
}

TEST(UnitFormat, AnglesInDegrees) {
    EXPECT_EQ(formatAngleDegrees(std::atan2(1.0, 1.0), 2), "45.00\xC2\xB0");
    EXPECT_EQ(formatAngleDegrees(-std::atan2(1.0, 1.0), 0), "315\xC2\xB0");
    EXPECT_EQ(formatAngleDegrees(-1e-12, 2), "0.00\xC2\xB0");
}

TEST(UnitFormat, ReadersTakeTheUnitsFromTheHeader) {
    const std::filesystem::path dir = vexor::test::scratchDir("units");
    const std::filesystem::path file = dir / "units.dxf";
    std::ofstream(file) << "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1015\n9\n$LUNITS\n70\n4\n"
                           "9\n$LUPREC\n70\n3\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n0\nENDSEC\n"
                           "0\nEOF\n";
    const Drawing d = readDrawingFile(file.string());
    std::filesystem::remove_all(dir);
    EXPECT_EQ(d.header.linearUnits, 4);
    EXPECT_EQ(d.header.linearPrecision, 3);
    EXPECT_EQ(formatLength(15.5, linearUnitFormat(d.header)), "1'-3 1/2\"");
}

TEST(UnitFormat, DwgHeadersOfEveryReleaseGiveTheUnitsTheirDxfTwinsSay) {
    VEXOR_REQUIRE_CORPUS();
    // Their DXF twins say decimal with four places.
    for (const char* name :
         {"AC1014/acadsharp__sample_AC1014.dwg", "AC1015/acadsharp__sample_AC1015.dwg",
          "AC1018/acadsharp__sample_AC1018.dwg", "AC1021/acadsharp__sample_AC1021.dwg",
          "AC1024/acadsharp__sample_AC1024.dwg", "AC1027/acadsharp__sample_AC1027.dwg",
          "AC1032/acadsharp__sample_AC1032.dwg"}) {
        SCOPED_TRACE(name);
        const Drawing d = readDrawingFile((*vexor::test::corpusDir() / "dwg" / name).string());
        EXPECT_EQ(d.header.linearUnits, 2);
        EXPECT_EQ(d.header.linearPrecision, 4);
    }
}
