// Entities drawn through a picture standing for them: proxy graphics of kinds the model does
// not read, OLE frames, R10's 3DLINE; from synthetic DXF and from corpus drawings opened the
// way the viewer opens them.
#include "cad/dxf/DxfFixture.h"
#include "cad/geometry/DisplayList.h"
#include "cad/load/DrawingReader.h"
#include "cad/model/ProxyGraphicsBytes.h"
#include "support/Corpus.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>

using namespace vexor;
using vexor::test::DxfText;
using vexor::test::Graphics;

namespace {

std::string hex(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t to) {
    std::string s;
    char digits[3];
    for (std::size_t i = from; i < to && i < bytes.size(); ++i) {
        std::snprintf(digits, sizeof digits, "%02X", bytes[i]);
        s += digits;
    }
    return s;
}

bool saysSomething(const std::vector<std::string>& diagnostics, const std::string& part) {
    return std::ranges::any_of(
        diagnostics, [&](const std::string& d) { return d.find(part) != std::string::npos; });
}

std::vector<const cad::Entity*> named(const std::vector<cad::Entity>& entities,
                                      const std::string& name) {
    std::vector<const cad::Entity*> out;
    for (const cad::Entity& e : entities)
        if (cad::dxfTypeName(e) == name)
            out.push_back(&e);
    return out;
}

} // namespace

TEST(DxfStandIns, ProxyGraphicsOfAnyKindAreDrawnOnTheirLayerWithTheirOwnName) {
    Graphics g;
    g.chunk(6).u32(2).vec(0, 0).vec(10, 0);
    g.chunk(14).u32(1);
    g.chunk(2).vec(5, 5).f64(2).vec(0, 0, 1);
    g.chunk(44).vec(0, 0).vec(1, 0); // elliptic arc cut short: the picture ends there, said
    const std::vector<std::uint8_t> bytes = g.bytes();
    // The bytes split over two 310 groups, as writers cut them at 127 bytes.
    DxfText t;
    t.g(0, "LAYER").g(2, "WALLS").g(62, 5);
    DxfText body;
    body.g(0, "AEC_WALL").g(8, "WALLS").g(100, "AcDbEntity").g(92, static_cast<int>(bytes.size()));
    body.g(310, hex(bytes, 0, 40)).g(310, hex(bytes, 40, bytes.size()));
    body.g(0, "ACAD_PROXY_ENTITY").g(8, "0").g(90, 498).g(92, 64).g(310, "00").g(93, 0);
    const cad::Drawing d = test::readEntities(body);

    const auto walls = named(d.modelSpace, "AEC_WALL");
    ASSERT_EQ(walls.size(), 1u);
    const auto& standIn = std::get<cad::StandIn>(walls[0]->data);
    ASSERT_TRUE(standIn.data);
    ASSERT_EQ(standIn.data->entities.size(), 2u);
    EXPECT_TRUE(holds<cad::Polyline>(standIn.data->entities[0].data));
    EXPECT_EQ(standIn.data->entities[0].common.layer, walls[0]->common.layer);
    EXPECT_EQ(standIn.data->entities[1].common.color, cad::Color::indexed(1));

    // A size that does not match its chunks is no picture: the entity stays not drawn.
    const auto proxies = named(d.modelSpace, "ACAD_PROXY_ENTITY");
    ASSERT_EQ(proxies.size(), 1u);
    EXPECT_TRUE(std::holds_alternative<cad::Unsupported>(proxies[0]->data));

    const auto list = cad::compileDisplayList(d);
    std::size_t items = 0;
    for (const auto& item : list->modelSpace().items)
        items += item.count > 0 ? 1 : 0;
    EXPECT_GE(items, 2u);
    EXPECT_TRUE(saysSomething(list->diagnostics(), "1 AEC_WALL entity drawn up to where their "
                                                   "proxy graphics are damaged"));
    EXPECT_TRUE(saysSomething(list->diagnostics(), "1 ACAD_PROXY_ENTITY entity not drawn"));
    EXPECT_FALSE(saysSomething(list->diagnostics(), "AEC_WALL entity not drawn"));
}

TEST(DxfStandIns, OleFramesAndThreeDimensionalLines) {
    DxfText body;
    body.g(0, "OLE2FRAME").g(8, "0").g(70, 2).point(10, 1, 8).point(11, 5, 2).g(90, 0);
    body.g(0, "3DLINE").g(8, "0").point(10, 0, 0, 1).point(11, 3, 4, 5);
    const cad::Drawing d = test::readEntities(body);
    ASSERT_EQ(d.modelSpace.size(), 2u);
    EXPECT_STREQ(cad::dxfTypeName(d.modelSpace[0]), "OLE2FRAME");
    const auto& frame = dataOf<cad::Polyline>(
        std::get<cad::StandIn>(d.modelSpace[0].data).data->entities.at(0).data);
    ASSERT_EQ(frame.vertices.size(), 4u);
    EXPECT_TRUE(frame.closed);
    EXPECT_DOUBLE_EQ(frame.vertices[1].p.x, 5);
    EXPECT_DOUBLE_EQ(frame.vertices[1].p.y, 8);
    EXPECT_DOUBLE_EQ(frame.vertices[3].p.x, 1);
    EXPECT_DOUBLE_EQ(frame.vertices[3].p.y, 2);

    EXPECT_STREQ(cad::dxfTypeName(d.modelSpace[1]), "3DLINE");
    const auto& line =
        std::get<cad::Line>(std::get<cad::StandIn>(d.modelSpace[1].data).data->entities.at(0).data);
    EXPECT_DOUBLE_EQ(line.b.z, 5);

    const auto list = cad::compileDisplayList(d);
    EXPECT_TRUE(saysSomething(list->diagnostics(), "1 OLE2FRAME entity drawn as a frame"));
    EXPECT_FALSE(saysSomething(list->diagnostics(), "3DLINE"));
}

TEST(DxfStandIns, CorpusProxiesAndOleFramesAreDrawnFromDwgAndDxfAlike) {
    VEXOR_REQUIRE_CORPUS();
    const auto dir = *test::corpusDir();
    // Walls, doors and windows of an architectural application, stored only as pictures.
    const cad::Drawing aec =
        cad::readDrawingFile((dir / "dwg/AC1032/acadsharp__AecObjects.dwg").string());
    std::size_t drawn = 0;
    for (const char* kind : {"AEC_WALL", "AEC_DOOR", "AEC_WINDOW"})
        for (const cad::Entity* e : named(aec.modelSpace, kind))
            if (const auto* s = std::get_if<cad::StandIn>(&e->data))
                drawn += s->data && !s->data->entities.empty() ? 1 : 0;
    EXPECT_EQ(drawn, 4u);
    EXPECT_FALSE(saysSomething(aec.diagnostics, "AEC_WALL entities that are not drawn"));

    const cad::Drawing floor =
        cad::readDrawingFile((dir / "dwg/AC1027/gdal__Building_A_Floor_0_Mapwize.dwg").string());
    std::size_t walls = 0;
    for (const cad::Entity* e : named(floor.modelSpace, "AEC_WALL"))
        walls += std::holds_alternative<cad::StandIn>(e->data) ? 1 : 0;
    EXPECT_EQ(walls, 30u);

    // The same OLE frame from a DWG and its DXF twin.
    for (const char* file :
         {"dwg/AC1015/libredwg__2000_TS1.dwg", "dxf/ascii/AC1015/libredwg__2000_TS1.dxf"}) {
        SCOPED_TRACE(file);
        const cad::Drawing d = cad::readDrawingFile((dir / file).string());
        std::vector<const cad::Entity*> frames = named(d.modelSpace, "OLE2FRAME");
        for (const cad::Block& b : d.blocks)
            for (const cad::Entity* e : named(b.entities, "OLE2FRAME"))
                frames.push_back(e);
        ASSERT_EQ(frames.size(), 1u);
        const auto* s = std::get_if<cad::StandIn>(&frames[0]->data);
        ASSERT_TRUE(s && s->data);
        const auto& frame = dataOf<cad::Polyline>(s->data->entities.at(0).data);
        ASSERT_EQ(frame.vertices.size(), 4u);
        EXPECT_NEAR(frame.vertices[0].p.x, 30.136, 1e-3);
        EXPECT_NEAR(frame.vertices[0].p.y, -18.989, 1e-3);
        EXPECT_NEAR(frame.vertices[2].p.x, 35.272, 1e-3);
        EXPECT_NEAR(frame.vertices[2].p.y, -22.393, 1e-3);
    }
}
