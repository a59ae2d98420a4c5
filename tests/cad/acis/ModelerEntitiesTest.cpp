// Solids, regions and meshes as the viewer reads them: DXF and DWG files through
// readDrawingFile, then compiled, with what is not drawn counted by reason.
#include "SabWriter.h"
#include "cad/acis/SatReader.h"
#include "cad/geometry/DisplayListCompiler.h"
#include "cad/load/DrawingReader.h"
#include "support/Corpus.h"

#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace vexor;
using namespace vexor::cad;

namespace {

std::vector<const Entity*> ofKind(const Drawing& d, std::string_view kind) {
    std::vector<const Entity*> out;
    for (const Entity& e : d.modelSpace)
        if (dxfTypeName(e) == kind)
            out.push_back(&e);
    return out;
}

std::string allDiagnostics(const Drawing& d) {
    std::string text;
    for (const std::string& s : d.diagnostics)
        text += s + "\n";
    const auto list = DisplayListCompiler(d).compile();
    for (const std::string& s : list->diagnostics())
        text += s + "\n";
    return text;
}

std::string dxfOf(const std::string& version, const std::string& entities) {
    return "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\n" + version +
           "\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n" + entities + "0\nENDSEC\n0\nEOF\n";
}

std::string write(const std::string& name, const std::string& content) {
    const fs::path path = test::scratchDir("modeler") / name;
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
}

// SAT lines of a region: one square loop of straight edges (0,0)-(2,0)-(2,2)-(0,2), moved by
// the body's transform to (10, 0).
std::vector<std::string> squareRegion() {
    std::vector<std::string> lines = {
        "400 30 1 0",
        "@7 Writer 1.0 @24 Mon Dec 07 10:00:00 2026",
        "1 1e-06 1e-10",
        "body $-1 $1 $-1 $2 #",
        "lump $-1 $-1 $3 $0 #",
        "transform $-1 1 0 0 0 1 0 0 0 1 10 0 0 1 no_rotate no_reflect no_shear #",
        "shell $-1 $-1 $-1 $4 $-1 $1 #",
        "face $-1 $-1 $5 $3 $-1 $-1 forward double out #",
        "loop $-1 $-1 $6 $4 #"};
    // Coedges 6..9, edges 10..13, vertices 14..17, points 18..21, curves 22..25.
    const char* corners[] = {"0 0 0", "2 0 0", "2 2 0", "0 2 0"};
    for (int i = 0; i < 4; ++i)
        lines.push_back("coedge $-1 $" + std::to_string(6 + (i + 1) % 4) + " $" +
                        std::to_string(6 + (i + 3) % 4) + " $-1 $" + std::to_string(10 + i) +
                        " forward $5 $-1 #");
    for (int i = 0; i < 4; ++i)
        lines.push_back("edge $-1 $" + std::to_string(14 + i) + " $" +
                        std::to_string(14 + (i + 1) % 4) + " $" + std::to_string(6 + i) + " $" +
                        std::to_string(22 + i) + " forward #");
    for (int i = 0; i < 4; ++i)
        lines.push_back("vertex $-1 $" + std::to_string(10 + i) + " $" + std::to_string(18 + i) +
                        " #");
    for (int i = 0; i < 4; ++i)
        lines.push_back(std::string("point $-1 ") + corners[i] + " #");
    for (int i = 0; i < 4; ++i)
        lines.push_back("straight-curve $-1 0 0 0 1 0 0 I I #");
    lines.push_back("End-of-ACIS-data");
    return lines;
}

TEST(ModelerEntities, DxfRegionOfAnR2000FileIsDrawnFromItsSubstitutedText) {
    std::string groups = "0\nREGION\n8\nWALLS\n62\n3\n100\nAcDbModelerGeometry\n70\n1\n";
    for (const std::string& line : squareRegion())
        groups += "1\n" + acis::decodeSatCharacters(line) + "\n";
    // A long line split over a group 3 is one line of the data.
    groups += "0\nREGION\n8\nWALLS\n70\n1\n";
    const std::vector<std::string> lines = squareRegion();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string encoded = acis::decodeSatCharacters(lines[i]);
        if (i == 3)
            groups += "1\n" + encoded.substr(0, 7) + "\n3\n" + encoded.substr(7) + "\n";
        else
            groups += "1\n" + encoded + "\n";
    }
    const Drawing d = readDrawingFile(write("region.dxf", dxfOf("AC1015", groups)));
    const auto regions = ofKind(d, "REGION");
    ASSERT_EQ(regions.size(), 2u);
    for (const Entity* e : regions) {
        const auto* w = std::get_if<Wireframe>(&e->data);
        ASSERT_TRUE(w && w->data);
        EXPECT_EQ(w->data->curves.size(), 4u);
        EXPECT_TRUE(w->data->incomplete.empty()) << w->data->incomplete;
        for (const auto& c : w->data->curves)
            for (const Vec3& p : c)
                EXPECT_TRUE(p.x >= 10 && p.x <= 12 && p.y >= 0 && p.y <= 2);
    }
    const auto list = DisplayListCompiler(d).compile();
    EXPECT_NEAR(list->extents().minX, 10, 1e-9);
    EXPECT_NEAR(list->extents().maxY, 2, 1e-9);
    EXPECT_EQ(allDiagnostics(d).find("REGION"), std::string::npos) << allDiagnostics(d);
}

TEST(ModelerEntities, DxfMeshIsDrawnAsTheEdgesOfItsFaces) {
    // Two triangles sharing an edge: five edges. Proxy graphics (92 before the subclass) must
    // not be taken for the vertex count.
    const std::string mesh = "0\nMESH\n8\n0\n92\n4\n310\n00112233\n100\nAcDbSubDMesh\n71\n2\n"
                             "72\n0\n91\n0\n92\n4\n"
                             "10\n0\n20\n0\n30\n0\n10\n1\n20\n0\n30\n0\n"
                             "10\n1\n20\n1\n30\n0\n10\n0\n20\n1\n30\n0\n"
                             "93\n8\n90\n3\n90\n0\n90\n1\n90\n2\n90\n3\n90\n0\n90\n2\n90\n3\n"
                             "94\n0\n95\n0\n";
    // And one whose face names a vertex it does not have.
    const std::string damaged = "0\nMESH\n100\nAcDbSubDMesh\n92\n2\n10\n0\n20\n0\n30\n0\n"
                                "10\n1\n20\n0\n30\n0\n93\n4\n90\n3\n90\n0\n90\n1\n90\n7\n";
    const Drawing d = readDrawingFile(write("mesh.dxf", dxfOf("AC1027", mesh + damaged)));
    const auto meshes = ofKind(d, "MESH");
    ASSERT_EQ(meshes.size(), 2u);
    EXPECT_EQ(std::get<Wireframe>(meshes[0]->data).data->curves.size(), 5u);
    EXPECT_NE(allDiagnostics(d).find("1 MESH entity drawn in part"), std::string::npos)
        << allDiagnostics(d);
}

// Binary data of one straight edge from (1,2) to (4,6), moved by (10,20).
std::string oneEdgeSolid() {
    acis::SabWriter w;
    w.solid(10, 20).edge({1, 2, 0}, {4, 6, 0}, false);
    w.record("straight-curve").position(1, 2, 0).vector(0.6, 0.8, 0).logical(false).end();
    return w.finish();
}

// 310 groups of hexadecimal digits, 127 bytes each.
std::string hexChunks(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 127) {
        out += "310\n";
        for (std::size_t k = i; k < std::min(bytes.size(), i + 127); ++k) {
            const auto b = static_cast<unsigned char>(bytes[k]);
            out += digits[b >> 4];
            out += digits[b & 15];
        }
        out += '\n';
    }
    return out;
}

void expectOneEdge(const Entity& e) {
    const auto* w = dataIf<Wireframe>(&e.data);
    ASSERT_TRUE(w && w->data);
    EXPECT_EQ(w->data->incomplete, "");
    ASSERT_EQ(w->data->curves.size(), 1u);
    EXPECT_LT(length(w->data->curves[0].front() - Vec3{11, 22, 0}), 1e-12);
    EXPECT_LT(length(w->data->curves[0].back() - Vec3{14, 26, 0}), 1e-12);
}

TEST(ModelerEntities, BinaryDataInTheEntityIsDrawn) {
    const std::string solid =
        "0\n3DSOLID\n5\n2A\n8\n0\n100\nAcDbModelerGeometry\n70\n1\n" + hexChunks(oneEdgeSolid());
    const Drawing d = readDrawingFile(write("binary.dxf", dxfOf("AC1018", solid)));
    const auto solids = ofKind(d, "3DSOLID");
    ASSERT_EQ(solids.size(), 1u);
    expectOneEdge(*solids[0]);
}

TEST(ModelerEntities, DataKeptInTheDataSectionIsDrawnOrCountedWithItsReason) {
    // R2013+ DXF keeps the data in a section of its own, by the entity's handle: 2A has its
    // record, 2B none, 2C one whose size does not match its chunks.
    auto solid = [](const char* handle) {
        return std::string("0\n3DSOLID\n5\n") + handle +
               "\n8\n0\n100\nAcDbModelerGeometry\n290\n0\n2\n{00}\n";
    };
    const std::string data = oneEdgeSolid();
    auto record = [&](const char* handle, std::size_t size) {
        return std::string("0\nACDSRECORD\n90\n1\n2\nAcDbDs::ID\n280\n10\n320\n") + handle +
               "\n2\nASM_Data\n280\n15\n94\n" + std::to_string(size) + "\n" + hexChunks(data);
    };
    std::string text = dxfOf("AC1027", solid("2A") + solid("2B") + solid("2C"));
    text.insert(text.rfind("0\nEOF"),
                "0\nSECTION\n2\nACDSDATA\n70\n2\n71\n2\n"
                "0\nACDSSCHEMA\n90\n0\n1\nAcDb3DSolid_ASM_Data\n2\nAcDbDs::ID\n280\n10\n91\n8\n" +
                    record("2A", data.size()) + record("2C", data.size() + 5) + "0\nENDSEC\n");
    const Drawing d = readDrawingFile(write("apart.dxf", text));
    const auto solids = ofKind(d, "3DSOLID");
    ASSERT_EQ(solids.size(), 3u);
    expectOneEdge(*solids[0]);
    EXPECT_NE(allDiagnostics(d).find("2 3DSOLID entities not drawn: its modeler data is stored "
                                     "apart from the entity"),
              std::string::npos)
        << allDiagnostics(d);
}

// The acadsharp sample drawings hold two solids and a region, saved by one program in every
// release: SAT text in the entity (DXF, DWG R2000), binary data in the entity (DWG
// R2004-R2010) and binary data in the ACDSDATA section (DXF R2013+) draw all three alike, with
// no diagnostic about them.
TEST(ModelerEntities, CorpusSolidsAndRegionsAreDrawnAsWireframes) {
    VEXOR_REQUIRE_CORPUS();
    const fs::path root = *test::corpusDir();
    const char* files[] = {
        "dxf/ascii/AC1015/acadsharp__sample_AC1015_ascii.dxf",
        "dxf/ascii/AC1018/acadsharp__sample_AC1018_ascii.dxf",
        "dxf/ascii/AC1021/acadsharp__sample_AC1021_ascii.dxf",
        "dxf/ascii/AC1024/acadsharp__sample_AC1024_ascii.dxf",
        "dxf/binary/AC1018/acadsharp__sample_AC1018_binary.dxf",
        "dwg/AC1015/acadsharp__sample_AC1015.dwg",
        "dwg/AC1018/acadsharp__sample_AC1018.dwg",
        "dwg/AC1021/acadsharp__sample_AC1021.dwg",
        "dwg/AC1024/acadsharp__sample_AC1024.dwg",
        "dxf/ascii/AC1027/acadsharp__sample_AC1027_ascii.dxf",
        "dxf/ascii/AC1032/acadsharp__sample_AC1032_ascii.dxf",
        "dxf/binary/AC1027/acadsharp__sample_AC1027_binary.dxf",
        "dxf/binary/AC1032/acadsharp__sample_AC1032_binary.dxf",
    };
    std::vector<std::vector<std::vector<Vec3>>> first; // each solid's curves in the first file
    for (const char* name : files) {
        SCOPED_TRACE(name);
        const fs::path path = root / name;
        if (!fs::exists(path))
            continue;
        const Drawing d = readDrawingFile(path.string());
        std::size_t solids = 0;
        for (const char* kind : {"3DSOLID", "REGION"})
            for (const Entity* e : ofKind(d, kind)) {
                const auto* w = dataIf<Wireframe>(&e->data);
                ASSERT_TRUE(w && w->data);
                EXPECT_TRUE(w->data->incomplete.empty()) << w->data->incomplete;
                EXPECT_GE(w->data->curves.size(), 3u);
                // The same edges, whichever form the data takes.
                if (first.size() <= solids)
                    first.push_back(w->data->curves);
                const auto& twin = first[solids];
                ASSERT_EQ(w->data->curves.size(), twin.size());
                for (std::size_t c = 0; c < twin.size(); ++c) {
                    ASSERT_EQ(w->data->curves[c].size(), twin[c].size());
                    for (std::size_t p = 0; p < twin[c].size(); ++p)
                        EXPECT_LT(length(w->data->curves[c][p] - twin[c][p]), 1e-9);
                }
                ++solids;
            }
        EXPECT_GE(solids, 3u);
        const std::string diagnostics = allDiagnostics(d);
        EXPECT_EQ(diagnostics.find("3DSOLID"), std::string::npos) << diagnostics;
        EXPECT_EQ(diagnostics.find("REGION"), std::string::npos) << diagnostics;
    }
}

// A drawing of 58 solids stored as binary data (R2007): all but one (which has no edges) are
// drawn, and their edges reach the extents the file itself records (1e-6 of its size).
TEST(ModelerEntities, CorpusBinarySolidsFillTheRecordedExtents) {
    VEXOR_REQUIRE_CORPUS();
    const fs::path path = *test::corpusDir() / "dwg/AC1021/libredwg__2007_ATMOS-DC22S.dwg";
    if (!fs::exists(path))
        GTEST_SKIP() << "not in this corpus";
    const Drawing d = readDrawingFile(path.string());
    std::size_t drawn = 0, total = 0;
    for (const Entity* e : ofKind(d, "3DSOLID")) {
        const auto* w = dataIf<Wireframe>(&e->data);
        ASSERT_TRUE(w && w->data);
        ++total;
        drawn += w->data->curves.empty() ? 0 : 1;
    }
    EXPECT_EQ(total, 58u);
    EXPECT_EQ(drawn, 57u);
    const Box2 box = DisplayListCompiler(d).compile()->extents();
    const double tolerance = 1e-6 * (1792.3697448850962 - 639.5250401824787);
    EXPECT_NEAR(box.minX, 639.5250401824787, tolerance);
    EXPECT_NEAR(box.minY, -30, tolerance);
    EXPECT_NEAR(box.maxX, 1792.3697448850962, tolerance);
    EXPECT_NEAR(box.maxY, 560, tolerance);
}

} // namespace
