// Each entity kind's fields as the reader fills them from small DXF files.
#include "DxfFixture.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace vexor;
using test::DxfText;
using test::readEntities;

namespace {

constexpr double kPi = 3.14159265358979323846;

template <typename T> const T& only(const cad::Drawing& d, std::size_t i = 0) {
    EXPECT_GT(d.modelSpace.size(), i);
    const T* data = cad::dataIf<T>(&d.modelSpace.at(i).data);
    EXPECT_NE(data, nullptr) << cad::dxfTypeName(d.modelSpace.at(i));
    static const T empty{};
    return data ? *data : empty;
}

} // namespace

TEST(DxfEntities, CurvesKeepTheirGeometryWithAnglesInRadians) {
    const auto d = readEntities(DxfText()
                                    .g(0, "LINE")
                                    .g(8, "L1")
                                    .point(10, 1, 2, 3)
                                    .point(11, 4, 5, 6)
                                    .g(0, "CIRCLE")
                                    .point(10, 7, 8)
                                    .g(40, 2.5)
                                    .g(0, "ARC")
                                    .point(10, 1, 1)
                                    .g(40, 3.0)
                                    .g(50, 90.0)
                                    .g(51, 180.0)
                                    .g(0, "ELLIPSE")
                                    .point(10, 0, 0)
                                    .point(11, 4, 0)
                                    .g(40, 0.5)
                                    .g(41, 0.0)
                                    .g(42, 3.0)
                                    .g(0, "POINT")
                                    .point(10, 9, 9));
    ASSERT_EQ(d.modelSpace.size(), 5u);
    const auto& line = only<cad::Line>(d, 0);
    EXPECT_DOUBLE_EQ(line.a.z, 3);
    EXPECT_DOUBLE_EQ(line.b.y, 5);
    EXPECT_EQ(d.layers[d.modelSpace[0].common.layer].name, "L1");
    EXPECT_DOUBLE_EQ(only<cad::Circle>(d, 1).radius, 2.5);
    const auto& arc = only<cad::Arc>(d, 2);
    EXPECT_NEAR(arc.startAngle, kPi / 2, 1e-12);
    EXPECT_NEAR(arc.endAngle, kPi, 1e-12);
    const auto& ellipse = only<cad::Ellipse>(d, 3);
    EXPECT_DOUBLE_EQ(ellipse.majorAxis.x, 4);
    EXPECT_DOUBLE_EQ(ellipse.ratio, 0.5);
    EXPECT_DOUBLE_EQ(ellipse.endParam, 3.0); // ellipse parameters are radians already
    EXPECT_DOUBLE_EQ(only<cad::Point>(d, 4).p.x, 9);
}

TEST(DxfEntities, CommonPropertiesAndOcsExtrusionAreKept) {
    const auto d = readEntities(DxfText()
                                    .g(0, "LTYPE-USER-LINE-NOT-DEFINED")
                                    .g(8, "0")
                                    .g(0, "CIRCLE")
                                    .g(5, "1F")
                                    .g(8, "Walls")
                                    .g(62, 0)
                                    .g(6, "BYBLOCK")
                                    .g(370, 50)
                                    .g(39, 2.0)
                                    .g(48, 0.5)
                                    .g(60, 1)
                                    .point(210, 0, 0, -1)
                                    .point(10, 5, 6)
                                    .g(40, 1.0)
                                    .g(0, "LINE")
                                    .g(62, 3)
                                    .g(420, 0x123456)
                                    .g(6, "Continuous")
                                    .g(0, "LINE")
                                    .g(8, "walls")
                                    .g(62, 256));
    const auto& c = d.modelSpace.at(1).common;
    EXPECT_EQ(cad::dxfTypeName(d.modelSpace[0]), std::string("LTYPE-USER-LINE-NOT-DEFINED"));
    EXPECT_EQ(c.handle, 0x1Fu);
    EXPECT_EQ(c.color.kind, cad::Color::Kind::ByBlock);
    EXPECT_EQ(c.linetype, cad::kLinetypeByBlock);
    EXPECT_EQ(c.lineweight, 50);
    EXPECT_DOUBLE_EQ(c.thickness(), 2);
    EXPECT_DOUBLE_EQ(c.linetypeScale, 0.5);
    EXPECT_TRUE(c.invisible);
    EXPECT_DOUBLE_EQ(c.extrusion().z, -1);
    EXPECT_DOUBLE_EQ(only<cad::Circle>(d, 1).center.x, 5); // OCS coordinates stay as stored
    const auto& second = d.modelSpace.at(2).common;
    EXPECT_EQ(second.color, cad::Color::trueColor(0x123456));
    EXPECT_EQ(second.linetype, cad::kLinetypeContinuous);
    EXPECT_EQ(second.layer, d.modelSpace[0].common.layer); // no layer: "0"
    // Layer names are case-insensitive: "walls" is the layer "Walls".
    EXPECT_EQ(d.modelSpace.at(3).common.layer, c.layer);
    EXPECT_EQ(d.modelSpace[3].common.color.kind, cad::Color::Kind::ByLayer);
}

TEST(DxfEntities, LightPolylineHasBulgesWidthsAndElevation) {
    const auto d = readEntities(DxfText()
                                    .g(0, "LWPOLYLINE")
                                    .g(90, 3)
                                    .g(70, 1)
                                    .g(38, 7.5)
                                    .g(43, 0.25)
                                    .g(10, 0.0)
                                    .g(20, 0.0)
                                    .g(42, 1.0)
                                    .g(10, 10.0)
                                    .g(20, 0.0)
                                    .g(40, 1.0)
                                    .g(41, 2.0)
                                    .g(10, 10.0)
                                    .g(20, 5.0));
    const auto& p = only<cad::Polyline>(d);
    EXPECT_EQ(p.kind, cad::Polyline::Kind::Light);
    EXPECT_TRUE(p.closed);
    ASSERT_EQ(p.vertices.size(), 3u);
    EXPECT_DOUBLE_EQ(p.vertices[0].bulge, 1);
    EXPECT_DOUBLE_EQ(p.vertices[0].startWidth, 0.25);
    EXPECT_DOUBLE_EQ(p.vertices[1].endWidth, 2);
    EXPECT_DOUBLE_EQ(p.vertices[2].p.y, 5);
    EXPECT_DOUBLE_EQ(p.vertices[2].p.z, 7.5);
}

// A POLYLINE's default widths go to every vertex that has no widths of its own, tapered or not.
TEST(DxfEntities, VerticesWithoutWidthsTakeThePolylinesDefaultWidths) {
    const auto d = readEntities(DxfText()
                                    .g(0, "POLYLINE")
                                    .g(66, 1)
                                    .g(40, 0.5)
                                    .g(41, 2.0)
                                    .g(0, "VERTEX")
                                    .point(10, 0, 0)
                                    .g(0, "VERTEX")
                                    .point(10, 5, 0)
                                    .g(40, 0.0)
                                    .g(41, 0.0)
                                    .g(0, "VERTEX")
                                    .point(10, 5, 5)
                                    .g(41, 3.0)
                                    .g(0, "SEQEND"));
    const auto& p = only<cad::Polyline>(d);
    ASSERT_EQ(p.vertices.size(), 3u);
    EXPECT_DOUBLE_EQ(p.vertices[0].startWidth, 0.5);
    EXPECT_DOUBLE_EQ(p.vertices[0].endWidth, 2);
    EXPECT_DOUBLE_EQ(p.vertices[1].startWidth, 0); // its own widths: none
    EXPECT_DOUBLE_EQ(p.vertices[1].endWidth, 0);
    EXPECT_DOUBLE_EQ(p.vertices[2].startWidth, 0.5);
    EXPECT_DOUBLE_EQ(p.vertices[2].endWidth, 3);
}

TEST(DxfEntities, PolylinesCollectVerticesAndFacesUntilSeqend) {
    const auto d = readEntities(DxfText()
                                    .g(0, "POLYLINE")
                                    .g(66, 1)
                                    .point(10, 0, 0, 2.0)
                                    .g(70, 1)
                                    .g(0, "VERTEX")
                                    .point(10, 1, 1, 0)
                                    .g(42, 0.5)
                                    .g(0, "VERTEX")
                                    .point(10, 2, 1, 0)
                                    .g(70, 16) // spline frame point, not drawn
                                    .g(0, "VERTEX")
                                    .point(10, 3, 1, 0)
                                    .g(0, "SEQEND")
                                    .g(0, "POLYLINE")
                                    .g(70, 64)
                                    .g(71, 3)
                                    .g(72, 1)
                                    .g(0, "VERTEX")
                                    .point(10, 0, 0, 0)
                                    .g(70, 192)
                                    .g(0, "VERTEX")
                                    .point(10, 1, 0, 0)
                                    .g(70, 192)
                                    .g(0, "VERTEX")
                                    .point(10, 0, 1, 0)
                                    .g(70, 192)
                                    .g(0, "VERTEX")
                                    .point(10, 0, 0, 0)
                                    .g(70, 128)
                                    .g(71, 1)
                                    .g(72, -2)
                                    .g(73, 3)
                                    .g(0, "SEQEND")
                                    .g(0, "POLYLINE")
                                    .g(70, 8)
                                    .g(0, "VERTEX")
                                    .point(10, 1, 2, 3)
                                    .g(70, 32)
                                    .g(0, "SEQEND")
                                    .g(0, "VERTEX")
                                    .point(10, 1, 2, 3));
    ASSERT_EQ(d.modelSpace.size(), 3u);
    const auto& p2d = only<cad::Polyline>(d, 0);
    EXPECT_EQ(p2d.kind, cad::Polyline::Kind::Poly2d);
    EXPECT_TRUE(p2d.closed);
    ASSERT_EQ(p2d.vertices.size(), 2u);
    EXPECT_DOUBLE_EQ(p2d.vertices[0].bulge, 0.5);
    EXPECT_DOUBLE_EQ(p2d.vertices[1].p.z, 2.0); // the polyline's elevation
    const auto& face = only<cad::Polyline>(d, 1);
    EXPECT_EQ(face.kind, cad::Polyline::Kind::PolyfaceMesh);
    EXPECT_EQ(face.vertices.size(), 3u);
    EXPECT_EQ(face.faces, (std::vector<std::int32_t>{1, -2, 3, 0}));
    EXPECT_EQ(only<cad::Polyline>(d, 2).kind, cad::Polyline::Kind::Poly3d);
    EXPECT_FALSE(d.diagnostics.empty()); // the stray VERTEX
}

TEST(DxfEntities, SplineKeepsKnotsWeightsAndFitPoints) {
    const auto d = readEntities(DxfText()
                                    .g(0, "SPLINE")
                                    .g(70, 4 | 1)
                                    .g(71, 2)
                                    .g(72, 6)
                                    .g(73, 3)
                                    .g(40, 0.0)
                                    .g(40, 0.0)
                                    .g(40, 0.0)
                                    .g(40, 1.0)
                                    .g(40, 1.0)
                                    .g(40, 1.0)
                                    .g(41, 1.0)
                                    .g(41, 0.5)
                                    .g(41, 1.0)
                                    .point(10, 0, 0)
                                    .point(10, 1, 1)
                                    .point(10, 2, 0)
                                    .g(0, "SPLINE")
                                    .g(71, 3)
                                    .point(11, 0, 0)
                                    .point(11, 5, 5, 1));
    const auto& s = only<cad::Spline>(d, 0).data;
    EXPECT_EQ(s.degree, 2);
    EXPECT_TRUE(s.closed);
    EXPECT_TRUE(s.rational);
    EXPECT_EQ(s.knots.size(), 6u);
    ASSERT_EQ(s.controlPoints.size(), 3u);
    EXPECT_DOUBLE_EQ(s.controlPoints[1].y, 1);
    EXPECT_EQ(s.weights, (std::vector<double>{1, 0.5, 1}));
    const auto& fit = only<cad::Spline>(d, 1).data;
    EXPECT_TRUE(fit.weights.empty());
    ASSERT_EQ(fit.fitPoints.size(), 2u);
    EXPECT_DOUBLE_EQ(fit.fitPoints[1].z, 1);
}

TEST(DxfEntities, TextAndAttributeDefinitionAlignment) {
    const auto d = readEntities(DxfText()
                                    .g(0, "TEXT")
                                    .point(10, 1, 2)
                                    .point(11, 5, 2)
                                    .g(40, 2.5)
                                    .g(1, "%%c10")
                                    .g(50, 30.0)
                                    .g(41, 0.8)
                                    .g(51, 15.0)
                                    .g(71, 6)
                                    .g(72, 1)
                                    .g(73, 2)
                                    .g(0, "ATTDEF")
                                    .point(10, 0, 0)
                                    .g(1, "default")
                                    .g(2, "TAG")
                                    .g(3, "prompt")
                                    .g(70, 1)
                                    .g(72, 2)
                                    .g(73, 12)
                                    .g(74, 3));
    const auto& t = only<cad::Text>(d, 0);
    EXPECT_EQ(t.text, "%%c10");
    EXPECT_NEAR(t.rotation, kPi / 6, 1e-12);
    EXPECT_NEAR(t.oblique, kPi / 12, 1e-12);
    EXPECT_DOUBLE_EQ(t.widthFactor, 0.8);
    EXPECT_TRUE(t.mirrorX);
    EXPECT_TRUE(t.mirrorY);
    EXPECT_EQ(t.hAlign, 1);
    EXPECT_EQ(t.vAlign, 2);
    EXPECT_DOUBLE_EQ(t.alignPoint.x, 5);
    const auto& def = only<cad::Text>(d, 1);
    EXPECT_EQ(def.kind, cad::TextKind::AttributeDefinition);
    EXPECT_EQ(def.tag.str(), "TAG");
    EXPECT_EQ(def.hAlign, 2);
    EXPECT_EQ(def.vAlign, 3); // 74 for attributes; 73 is the field length
    EXPECT_TRUE(d.modelSpace[1].common.invisible);
    EXPECT_STREQ(cad::dxfTypeName(d.modelSpace[1]), "ATTDEF");
}

TEST(DxfEntities, MTextJoinsChunksInOrder) {
    const auto d = readEntities(DxfText()
                                    .g(0, "MTEXT")
                                    .point(10, 1, 1)
                                    .g(40, 3.0)
                                    .g(41, 50.0)
                                    .g(71, 5)
                                    .g(44, 1.5)
                                    .g(3, "first \\P")
                                    .g(3, "second ")
                                    .g(1, "{\\fArial;last}")
                                    .g(50, 90.0)
                                    .g(0, "MTEXT")
                                    .point(11, 0, 1)
                                    .g(71, 42)
                                    .g(1, "x"));
    const auto& m = only<cad::MText>(d, 0);
    EXPECT_EQ(m.text, "first \\Psecond {\\fArial;last}");
    EXPECT_EQ(m.attachment, 5);
    EXPECT_DOUBLE_EQ(m.referenceWidth, 50);
    EXPECT_DOUBLE_EQ(m.lineSpacingFactor, 1.5);
    EXPECT_NEAR(m.xDirection.x, 0, 1e-12); // from the rotation
    EXPECT_NEAR(m.xDirection.y, 1, 1e-12);
    const auto& second = only<cad::MText>(d, 1);
    EXPECT_DOUBLE_EQ(second.xDirection.y, 1);
    EXPECT_EQ(second.attachment, 9); // clamped
}

TEST(DxfEntities, SolidsTracesAndFaces) {
    const auto d = readEntities(DxfText()
                                    .g(0, "SOLID")
                                    .point(10, 0, 0)
                                    .point(11, 1, 0)
                                    .point(12, 0, 1)
                                    .g(0, "TRACE")
                                    .point(10, 0, 0)
                                    .point(11, 1, 0)
                                    .point(12, 0, 1)
                                    .point(13, 1, 1)
                                    .g(0, "3DFACE")
                                    .point(10, 0, 0, 1)
                                    .point(11, 1, 0, 1)
                                    .point(12, 1, 1, 1)
                                    .point(13, 0, 1, 1)
                                    .g(70, 5));
    const auto& solid = only<cad::Solid>(d, 0);
    EXPECT_DOUBLE_EQ(solid.corners[3].y, 1); // three corners: the fourth repeats the third
    EXPECT_EQ(only<cad::Solid>(d, 1).kind, cad::Solid::Kind::Trace);
    const auto& face = only<cad::Face3d>(d, 2);
    EXPECT_EQ(face.invisibleEdges, 5);
    EXPECT_DOUBLE_EQ(face.corners[3].z, 1);
}

TEST(DxfEntities, DimensionLeaderRaysImagesAndUnsupportedKinds) {
    const auto d = readEntities(DxfText()
                                    .g(0, "DIMENSION")
                                    .g(2, "*D7")
                                    .point(10, 1, 2)
                                    .point(11, 3, 4)
                                    .g(70, 32 + 1)
                                    .g(42, 12.5)
                                    .g(1, "<> mm")
                                    .g(0, "LEADER")
                                    .g(71, 0)
                                    .g(72, 1)
                                    .g(76, 2)
                                    .point(10, 0, 0)
                                    .point(10, 5, 5)
                                    .g(0, "RAY")
                                    .point(10, 1, 1)
                                    .point(11, 0, 1)
                                    .g(0, "XLINE")
                                    .point(10, 1, 1)
                                    .point(11, 1, 0)
                                    .g(0, "IMAGE")
                                    .point(10, 0, 0)
                                    .point(11, 0.1, 0)
                                    .point(12, 0, 0.1)
                                    .g(13, 640.0)
                                    .g(23, 480.0)
                                    .g(71, 1)
                                    .g(91, 2)
                                    .g(14, -0.5)
                                    .g(24, -0.5)
                                    .g(14, 639.5)
                                    .g(24, 479.5)
                                    .g(0, "WIPEOUT")
                                    .point(10, 0, 0)
                                    .g(0, "MLINE")
                                    .g(8, "0"));
    const auto& dim = only<cad::Dimension>(d, 0);
    ASSERT_NE(dim.block, cad::kNoIndex);
    EXPECT_EQ(d.blocks[dim.block].name, "*D7");
    EXPECT_EQ(dim.dimType, 1);
    EXPECT_DOUBLE_EQ(dim.measurement, 12.5);
    EXPECT_EQ(dim.text, "<> mm");
    const auto& leader = only<cad::Leader>(d, 1);
    EXPECT_FALSE(leader.arrowhead);
    EXPECT_TRUE(leader.spline);
    ASSERT_EQ(leader.points.size(), 2u);
    EXPECT_DOUBLE_EQ(leader.points[1].y, 5);
    EXPECT_EQ(only<cad::Ray>(d, 2).kind, cad::Ray::Kind::Ray);
    EXPECT_EQ(only<cad::Ray>(d, 3).kind, cad::Ray::Kind::ConstructionLine);
    const auto& image = only<cad::ImageFrame>(d, 4);
    EXPECT_DOUBLE_EQ(image.sizePixels.x, 640);
    EXPECT_EQ(image.clip.size(), 4u); // the rectangle as a polygon
    EXPECT_STREQ(cad::dxfTypeName(d.modelSpace[5]), "WIPEOUT");
    EXPECT_STREQ(cad::dxfTypeName(d.modelSpace[6]), "MLINE");
}

TEST(DxfEntities, TablesAndDimensionSubclassesAreDrawnFromTheirBlocks) {
    // A table's groups 41-43 and 70-71 describe its cells, not a scale or an array.
    const auto d = readEntities(DxfText()
                                    .g(0, "ACAD_TABLE")
                                    .g(2, "*T3")
                                    .point(10, 5, 6)
                                    .point(11, 0, 1)
                                    .g(41, 7.0)
                                    .g(70, 4)
                                    .g(71, 9)
                                    .g(0, "ARC_DIMENSION")
                                    .g(2, "*D4")
                                    .g(0, "LARGE_RADIAL_DIMENSION")
                                    .g(2, "*D5"));
    const auto& table = only<cad::Insert>(d, 0);
    EXPECT_TRUE(table.table);
    ASSERT_NE(table.block, cad::kNoIndex);
    EXPECT_EQ(d.blocks[table.block].name, "*T3");
    EXPECT_DOUBLE_EQ(table.insert.x, 5);
    EXPECT_DOUBLE_EQ(table.rotation, M_PI / 2);
    EXPECT_DOUBLE_EQ(table.scale.x, 1);
    EXPECT_EQ(table.columns * table.rows, 1);
    EXPECT_STREQ(cad::dxfTypeName(d.modelSpace[0]), "ACAD_TABLE");
    EXPECT_EQ(only<cad::Dimension>(d, 1).kind, cad::Dimension::Kind::ArcLength);
    EXPECT_EQ(d.blocks[only<cad::Dimension>(d, 2).block].name, "*D5");
    EXPECT_STREQ(cad::dxfTypeName(d.modelSpace[1]), "ARC_DIMENSION");
    EXPECT_STREQ(cad::dxfTypeName(d.modelSpace[2]), "LARGE_RADIAL_DIMENSION");
}

TEST(DxfEntities, HatchBoundariesOfEveryEdgeKindAndPatternLines) {
    const auto d = readEntities(
        DxfText()
            .g(0, "HATCH")
            .point(10, 0, 0, 4.0)
            .point(210, 0, 0, 1)
            .g(2, "ANSI31")
            .g(70, 0)
            .g(71, 0)
            .g(91, 2)
            // A polyline loop with a bulge.
            .g(92, 2)
            .g(72, 1)
            .g(73, 1)
            .g(93, 2)
            .g(10, 0.0)
            .g(20, 0.0)
            .g(42, 0.5)
            .g(10, 10.0)
            .g(20, 0.0)
            .g(97, 0)
            // An edge loop: line, arc, ellipse arc and spline, then two source handles.
            .g(92, 1)
            .g(93, 4)
            .g(72, 1)
            .g(10, 0.0)
            .g(20, 0.0)
            .g(11, 1.0)
            .g(21, 0.0)
            .g(72, 2)
            .g(10, 1.0)
            .g(20, 1.0)
            .g(40, 1.0)
            .g(50, 270.0)
            .g(51, 90.0)
            .g(73, 0)
            .g(72, 3)
            .g(10, 0.0)
            .g(20, 2.0)
            .g(11, 2.0)
            .g(21, 0.0)
            .g(40, 0.5)
            .g(50, 0.0)
            .g(51, 180.0)
            .g(73, 1)
            .g(72, 4)
            .g(94, 3)
            .g(73, 0)
            .g(74, 0)
            .g(95, 8)
            .g(96, 4)
            .g(40, 0.0)
            .g(40, 0.0)
            .g(40, 0.0)
            .g(40, 0.0)
            .g(40, 1.0)
            .g(40, 1.0)
            .g(40, 1.0)
            .g(40, 1.0)
            .g(10, 0.0)
            .g(20, 0.0)
            .g(10, 1.0)
            .g(20, 1.0)
            .g(10, 2.0)
            .g(20, 1.0)
            .g(10, 3.0)
            .g(20, 0.0)
            .g(97, 2)
            .g(11, 0.0)
            .g(21, 0.0)
            .g(11, 3.0)
            .g(21, 0.0)
            .g(97, 2)
            .g(330, "1A")
            .g(330, "1B")
            .g(75, 0)
            .g(76, 1)
            .g(52, 45.0)
            .g(41, 2.0)
            .g(77, 0)
            .g(78, 2)
            .g(53, 45.0)
            .g(43, 0.0)
            .g(44, 0.0)
            .g(45, -2.2)
            .g(46, 2.2)
            .g(79, 0)
            .g(53, 135.0)
            .g(43, 1.0)
            .g(44, 0.0)
            .g(45, -2.2)
            .g(46, 2.2)
            .g(79, 2)
            .g(49, 3.0)
            .g(49, -1.5)
            .g(98, 1)
            .g(10, 5.0)
            .g(20, 5.0)
            .g(0, "HATCH")
            .g(2, "SOLID")
            .g(70, 1)
            .g(91, 0));
    const auto& h = only<cad::Hatch>(d, 0);
    EXPECT_EQ(h.patternName, "ANSI31");
    EXPECT_FALSE(h.solid);
    EXPECT_DOUBLE_EQ(h.elevation, 4);
    ASSERT_EQ(h.loops.size(), 2u);
    const auto& poly = h.loops[0];
    EXPECT_TRUE(poly.isPolyline);
    ASSERT_EQ(poly.polyline.size(), 2u);
    EXPECT_DOUBLE_EQ(poly.polyline[0].bulge, 0.5);
    const auto& edges = h.loops[1].edges;
    ASSERT_EQ(edges.size(), 4u);
    EXPECT_EQ(edges[0].kind, cad::HatchEdge::Kind::Line);
    EXPECT_DOUBLE_EQ(edges[0].p1.x, 1);
    EXPECT_EQ(edges[1].kind, cad::HatchEdge::Kind::Arc);
    EXPECT_NEAR(edges[1].start, 1.5 * kPi, 1e-12);
    EXPECT_FALSE(edges[1].ccw);
    EXPECT_EQ(edges[2].kind, cad::HatchEdge::Kind::EllipseArc);
    EXPECT_DOUBLE_EQ(edges[2].majorAxis.x, 2);
    EXPECT_DOUBLE_EQ(edges[2].ratio, 0.5);
    EXPECT_EQ(edges[3].kind, cad::HatchEdge::Kind::Spline);
    EXPECT_EQ(edges[3].spline.knots.size(), 8u);
    ASSERT_EQ(edges[3].spline.controlPoints.size(), 4u);
    EXPECT_DOUBLE_EQ(edges[3].spline.controlPoints[2].y, 1);
    EXPECT_EQ(edges[3].spline.fitPoints.size(), 2u);
    ASSERT_EQ(h.patternLines.size(), 2u);
    EXPECT_NEAR(h.patternLines[1].angle, 0.75 * kPi, 1e-12);
    EXPECT_DOUBLE_EQ(h.patternLines[1].base.x, 1);
    EXPECT_DOUBLE_EQ(h.patternLines[1].offset.y, 2.2);
    EXPECT_EQ(h.patternLines[1].dashes, (std::vector<double>{3.0, -1.5}));
    EXPECT_TRUE(only<cad::Hatch>(d, 1).solid);
}
