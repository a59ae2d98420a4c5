// Coordinates that are not numbers (NaN, infinities) from a damaged or hostile file: the entity
// holding one is turned away as it is read, with a diagnostic naming it, and never reaches the
// model where it would be dropped unseen later.
#include "cad/dxf/DxfFixture.h"
#include "cad/load/DrawingReader.h"
#include "cad/io/FiniteCoordinates.h"
#include "cad/model/MultiLeader.h"
#include "support/Corpus.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <limits>

using namespace vexor;
using namespace vexor::cad;
using namespace vexor::test;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

bool mentions(const std::vector<std::string>& diagnostics, const std::string& text) {
    return std::any_of(diagnostics.begin(), diagnostics.end(),
                       [&text](const std::string& d) { return d.find(text) != std::string::npos; });
}

} // namespace

TEST(NonFiniteCoordinates, EveryKindIsCheckedWhereverItKeepsItsPoints) {
    EXPECT_TRUE(hasFiniteCoordinates({{}, Line{{0, 0, 0}, {1, 1, 0}}}));
    EXPECT_FALSE(hasFiniteCoordinates({{}, Line{{0, kNaN, 0}, {1, 1, 0}}}));
    EXPECT_FALSE(hasFiniteCoordinates({{}, Circle{{0, 0, 0}, kInf}}));

    Polyline polyline;
    polyline.vertices = {{{0, 0, 0}}, {{1, 0, 0}, kNaN}};
    EXPECT_FALSE(hasFiniteCoordinates({{}, polyline})) << "a bulge";

    Insert insert;
    insert.scale = {1, -kInf, 1};
    EXPECT_FALSE(hasFiniteCoordinates({{}, insert}));
    insert.scale = {1, 1, 1};
    insert.attributes.push_back({{}, Text{}});
    insert.attributes.back().text.insert.x = kNaN;
    EXPECT_FALSE(hasFiniteCoordinates({{}, insert})) << "an attribute";

    Hatch hatch;
    hatch.loops.push_back({});
    hatch.loops.back().edges.push_back({});
    hatch.loops.back().edges.back().spline.controlPoints = {{0, 0, 0}, {kNaN, 0, 0}};
    EXPECT_FALSE(hasFiniteCoordinates({{}, hatch})) << "a spline edge";

    auto leader = std::make_shared<MultiLeaderData>();
    leader->branches.push_back({});
    leader->branches.back().lines.push_back({});
    leader->branches.back().lines.back().vertices = {{0, 0, 0}, {kInf, 0, 0}};
    EXPECT_FALSE(hasFiniteCoordinates({{}, MultiLeader{leader}}));

    auto standIn = std::make_shared<StandInData>();
    standIn->entities.push_back({{}, Point{{kNaN, 0, 0}}});
    EXPECT_FALSE(hasFiniteCoordinates({{}, StandIn{standIn}})) << "a part of its picture";

    Entity tilted{{}, Point{{0, 0, 0}}};
    tilted.common.setExtrusion({0, kNaN, 1});
    EXPECT_FALSE(hasFiniteCoordinates(tilted));
}

TEST(NonFiniteCoordinates, TheFirstAreNamedAndAllCountedByKind) {
    NonFiniteEntities rejected;
    Entity bad{{}, Line{{kNaN, 0, 0}, {1, 1, 0}}};
    bad.common.handle = 0x2F;
    EXPECT_FALSE(rejected.admit(bad));
    EXPECT_TRUE(rejected.admit({{}, Line{{0, 0, 0}, {1, 1, 0}}}));
    std::vector<std::string> diagnostics;
    rejected.report(diagnostics);
    EXPECT_EQ(diagnostics,
              std::vector<std::string>{"LINE 2F skipped: a coordinate is not a finite number"});

    NonFiniteEntities many;
    for (int i = 0; i < 40; ++i)
        many.admit({{}, Point{{kInf, 0, 0}}});
    diagnostics.clear();
    many.report(diagnostics);
    EXPECT_LT(diagnostics.size(), 40u) << "a flood of them is counted, not listed";
    EXPECT_TRUE(mentions(diagnostics, "skipped 40 POINT entities in all"));
}

TEST(NonFiniteCoordinates, ADxfFileKeepsItsGoodEntitiesAndNamesTheBadOnes) {
    const auto dir = test::scratchDir("non-finite");
    const auto path = dir / "nan.dxf";
    {
        DxfText f;
        f.begin("ENTITIES")
            .g(0, "LINE")
            .g(5, "2F")
            .g(10, "nan")
            .g(20, 0.0)
            .g(11, 1.0)
            .g(21, 1.0)
            .g(0, "CIRCLE")
            .g(5, "30")
            .g(10, 1.0)
            .g(20, 1.0)
            .g(40, "inf")
            .g(0, "POLYLINE")
            .g(5, "31")
            .g(66, 1)
            .g(70, 0)
            .g(0, "VERTEX")
            .g(10, 0.0)
            .g(20, 0.0)
            .g(0, "VERTEX")
            .g(10, "-inf")
            .g(20, 1.0)
            .g(0, "SEQEND")
            .g(0, "LINE")
            .g(5, "32")
            .g(10, 0.0)
            .g(20, 0.0)
            .g(11, 5.0)
            .g(21, 5.0)
            .end()
            .eof();
        std::ofstream(path, std::ios::binary) << f.str();
    }
    const Drawing d = readDrawingFile(path.string());
    ASSERT_EQ(d.modelSpace.size(), 1u);
    EXPECT_EQ(d.modelSpace[0].common.handle, 0x32u);
    EXPECT_TRUE(mentions(d.diagnostics, "LINE 2F skipped: a coordinate is not a finite number"));
    EXPECT_TRUE(mentions(d.diagnostics, "CIRCLE 30 skipped"));
    EXPECT_TRUE(mentions(d.diagnostics, "POLYLINE 31 skipped")) << "a vertex of it";
    std::filesystem::remove_all(dir);
}
