#include "cad/compare/DrawingComparison.h"

#include "cad/compare/ComparisonDrawing.h"
#include "cad/load/DrawingReader.h"
#include "support/Corpus.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <set>
#include <string>

namespace vexor {
namespace {

namespace fs = std::filesystem;
using cad::Change;

// Two revisions written by ezdxf from one document, so handles carry over: the second moves
// a line, deletes a circle, adds a line, recolours a line, changes a text and edits the
// definition of a block inserted twice.
constexpr const char* kRevisions = R"PY(
import sys, ezdxf
out = sys.argv[1]
doc = ezdxf.new("R2010")
msp = doc.modelspace()
doc.layers.add("WALLS", color=3)
doc.layers.add("NOTES", color=2)
door = doc.blocks.new("DOOR")
door.add_line((0, 0), (0, 9))
door.add_arc((0, 0), 9, 0, 90)
moved = msp.add_line((0, 0), (100, 0), dxfattribs={"layer": "WALLS"})
gone = msp.add_circle((50, 50), 5, dxfattribs={"layer": "WALLS"})
recoloured = msp.add_line((0, 100), (100, 100), dxfattribs={"layer": "WALLS"})
note = msp.add_text("REV B", dxfattribs={"layer": "NOTES", "height": 2.5})
note.set_placement((10, 80))
for i in range(20):
    msp.add_line((i * 5, 20), (i * 5, 40), dxfattribs={"layer": "WALLS"})
msp.add_blockref("DOOR", (20, 0))
msp.add_blockref("DOOR", (60, 0), dxfattribs={"rotation": 90})
doc.saveas(out + "/old.dxf")
moved.dxf.start = (0, 10)
moved.dxf.end = (100, 10)
msp.delete_entity(gone)
msp.add_line((0, 60), (100, 60), dxfattribs={"layer": "WALLS"})
recoloured.dxf.color = 1
note.dxf.text = "REV C"
door.add_line((0, 9), (4, 9))
doc.saveas(out + "/new.dxf")
)PY";

bool writeRevisions(const fs::path& dir) {
    const fs::path script = dir / "revisions.py";
    std::ofstream(script) << kRevisions;
    const std::string command =
        "/usr/bin/python3 '" + script.string() + "' '" + dir.string() + "' 2>/dev/null";
    return std::system(command.c_str()) == 0 && fs::exists(dir / "new.dxf");
}

std::multiset<std::string> differencesOf(const cad::Comparison& c) {
    std::multiset<std::string> out;
    for (const cad::Difference& d : c.differences)
        out.insert(std::string(cad::changeName(d.change)) + " " + d.kind + " " + d.layer);
    return out;
}

TEST(DrawingComparison, RevisionsFromOneDocumentReportEachEditAndNothingElse) {
    const fs::path dir = test::scratchDir("compare-revisions");
    if (!writeRevisions(dir))
        GTEST_SKIP() << "python3 with ezdxf is not available";
    const cad::Drawing oldDrawing = cad::readDrawingFile((dir / "old.dxf").string());
    const cad::Drawing newDrawing = cad::readDrawingFile((dir / "new.dxf").string());
    const cad::Comparison c = cad::compareDrawings(oldDrawing, newDrawing);

    const std::multiset<std::string> expected = {
        "changed LINE WALLS",   // moved
        "removed CIRCLE WALLS", // deleted
        "added LINE WALLS",     // added
        "changed LINE WALLS",   // recoloured
        "changed TEXT NOTES",   // new text
        "changed INSERT 0",     // the edited block, at both its inserts
        "changed INSERT 0"};
    EXPECT_EQ(differencesOf(c), expected);
    EXPECT_EQ(c.total[Change::Same], 20u);
    EXPECT_EQ(c.total[Change::Changed], 5u);
    EXPECT_EQ(c.total[Change::Removed], 1u);
    EXPECT_EQ(c.total[Change::Added], 1u);
    EXPECT_FALSE(c.same());
    EXPECT_EQ(c.matchedByHandle, 25u); // all but the deleted and the added
    EXPECT_EQ(c.byKind.at("LINE")[Change::Same], 20u);
    EXPECT_EQ(c.byLayer.at("WALLS")[Change::Removed], 1u);

    // Each difference names its handle in each file it is in, and a box round what it drew.
    for (const cad::Difference& d : c.differences) {
        SCOPED_TRACE(d.kind);
        EXPECT_EQ(d.oldHandle != 0, d.change != Change::Added);
        EXPECT_EQ(d.newHandle != 0, d.change != Change::Removed);
        if (d.change == Change::Changed) {
            EXPECT_EQ(d.oldHandle, d.newHandle);
        }
        EXPECT_FALSE(d.box.empty());
    }
    const auto moved =
        std::find_if(c.differences.begin(), c.differences.end(), [](const cad::Difference& d) {
            return d.kind == "LINE" && d.change == Change::Changed && d.box.minY < 1;
        });
    ASSERT_NE(moved, c.differences.end());
    EXPECT_NEAR(moved->box.maxY, 10, 1e-9);
    EXPECT_NEAR(moved->box.maxX, 100, 1e-9);

    // A drawing against itself is the same everywhere.
    const cad::Comparison self = cad::compareDrawings(newDrawing, newDrawing);
    EXPECT_TRUE(self.same());
    EXPECT_TRUE(self.differences.empty());
    EXPECT_EQ(self.total[Change::Same], newDrawing.modelSpace.size());
}

// Entities without handles (or whose handles do not match) pair by kind, layer and geometry;
// a moved one is then removed and added, a recoloured one changed.
TEST(DrawingComparison, EntitiesWithoutHandlesPairByGeometry) {
    auto line = [](double x, std::uint32_t layer, cad::Color colour) {
        cad::Entity e;
        e.common.layer = layer;
        e.common.color = colour;
        e.data = cad::Line{{x, 0, 0}, {x, 50, 0}};
        return e;
    };
    cad::Drawing a, b;
    for (cad::Drawing* d : {&a, &b}) {
        d->layerIndex("0");
        d->layerIndex("GRID");
    }
    for (int i = 0; i < 100; ++i)
        a.modelSpace.push_back(line(i, 1, cad::Color::byLayer()));
    // The new revision lists them backwards and a hair off, moves one, recolours one and
    // puts one on another layer.
    for (int i = 99; i >= 0; --i)
        b.modelSpace.push_back(line(i + (i % 2 ? 1e-12 : 0), 1, cad::Color::byLayer()));
    std::get<cad::Line>(b.modelSpace[0].data).a.y = 5;     // x = 99 moved
    b.modelSpace[1].common.color = cad::Color::indexed(1); // x = 98 recoloured
    b.modelSpace[2].common.layer = 0;                      // x = 97 to layer 0

    const cad::Comparison c = cad::compareDrawings(a, b);
    EXPECT_EQ(c.matchedByHandle, 0u);
    EXPECT_EQ(differencesOf(c), (std::multiset<std::string>{"removed LINE GRID", "added LINE GRID",
                                                            "changed LINE GRID",
                                                            "removed LINE GRID", "added LINE 0"}));
    EXPECT_EQ(c.total[Change::Same], 97u);

    // The picture of it: everything old in the colour of what became of it, then the new
    // selves of what was added or changed; same-kind entities drawn once.
    const cad::Drawing shown = cad::buildComparisonDrawing(a, b, c);
    ASSERT_EQ(shown.modelSpace.size(), 100u + 3u);
    std::map<std::uint32_t, int> byColour;
    for (const cad::Entity& e : shown.modelSpace) {
        ASSERT_EQ(e.common.color.kind, cad::Color::Kind::True);
        ++byColour[e.common.color.rgb];
    }
    EXPECT_EQ(byColour[cad::kSameRgb], 97);
    EXPECT_EQ(byColour[cad::kRemovedRgb], 2);
    EXPECT_EQ(byColour[cad::kAddedRgb], 2);
    EXPECT_EQ(byColour[cad::kChangedRgb], 2);
    EXPECT_EQ(shown.layers.size(), 2u);
}

// A drawing of one point has no extent: the tolerance still follows how far out it lies, so
// the same point written by two programs to the last digit or two is the same. Coordinates
// too large for any grid, or not numbers at all, compare without fault.
TEST(DrawingComparison, TinyAndHugeDrawingsCompareSoundly) {
    auto drawing = [](double x, double y) {
        cad::Drawing d;
        d.layerIndex("0");
        cad::Entity e;
        e.common.handle = 0x23A;
        e.data = cad::Point{{x, y, 0}};
        d.modelSpace.push_back(e);
        return d;
    };
    EXPECT_TRUE(cad::compareDrawings(drawing(0.526295567410898, 1.6561597898006752),
                                     drawing(0.526295567410898, 1.656159789800675))
                    .same());
    EXPECT_FALSE(cad::compareDrawings(drawing(0.5263, 1.6561), drawing(0.5263, 1.6562)).same());
    for (double odd : {1e300, -1e300, std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity()}) {
        const cad::Comparison c = cad::compareDrawings(drawing(odd, 1), drawing(odd, 1));
        EXPECT_EQ(c.total[Change::Same], 1u) << odd;
        EXPECT_TRUE(std::isfinite(c.tolerance));
    }
}

// Unrelated drawings number their entities alike; those numbers are not taken for identity.
TEST(DrawingComparison, HandlesOfUnrelatedDrawingsAreNotTrusted) {
    cad::Drawing a, b;
    a.layerIndex("0");
    b.layerIndex("0");
    for (int i = 0; i < 50; ++i) {
        cad::Entity e;
        e.common.handle = 0x100 + i;
        e.data = cad::Line{{0, double(i), 0}, {10, double(i), 0}};
        a.modelSpace.push_back(e);
        e.data = cad::Line{{100, double(i), 0}, {110, double(i), 0}};
        b.modelSpace.push_back(e);
    }
    const cad::Comparison c = cad::compareDrawings(a, b);
    EXPECT_EQ(c.matchedByHandle, 0u);
    EXPECT_EQ(c.total[Change::Removed], 50u);
    EXPECT_EQ(c.total[Change::Added], 50u);
    EXPECT_EQ(c.total[Change::Changed], 0u);
}

// A DWG and its DXF twin written by one program pair almost entirely by handle where the files
// give handles, and mostly compare the same (what differs is what the two readers make of
// the same object: a proxy's picture, a table as its block).
TEST(DrawingComparison, CorpusTwinsMatchByHandle) {
    VEXOR_REQUIRE_CORPUS();
    int pairs = 0, withHandles = 0;
    for (const auto& row : test::corpusPairRows()) {
        if (row.size() < 6 || row[0] != "DWG+DXF" || row[5] != "yes")
            continue;
        SCOPED_TRACE(row[1] + " / " + row[3]);
        const fs::path dir = *test::corpusDir();
        cad::Drawing dwg, dxf;
        try {
            dwg = cad::readDrawingFile((dir / row[1]).string());
            dxf = cad::readDrawingFile((dir / row[3]).string());
        } catch (const std::exception& e) {
            ADD_FAILURE() << e.what();
            continue;
        }
        ++pairs;
        const cad::Comparison c = cad::compareDrawings(dwg, dxf);
        std::size_t entities = 0;
        for (const cad::SpaceComparison& s : c.spaces)
            entities += std::max(s.oldChanges.size(), s.newChanges.size());
        const bool handles = std::any_of(dwg.modelSpace.begin(), dwg.modelSpace.end(),
                                         [](const cad::Entity& e) { return e.common.handle; });
        if (handles) {
            ++withHandles;
            EXPECT_GE(c.matchedByHandle * 10, entities * 9)
                << c.matchedByHandle << " of " << entities << " by handle";
        }
        const std::size_t paired = c.total[Change::Same] + c.total[Change::Changed];
        EXPECT_GE(paired * 2, entities) << paired << " of " << entities << " paired";
        // Comparing is symmetric: the other way round finds as many of each.
        const cad::Comparison back = cad::compareDrawings(dxf, dwg);
        EXPECT_EQ(back.total[Change::Same], c.total[Change::Same]);
        EXPECT_EQ(back.total[Change::Removed], c.total[Change::Added]);
        EXPECT_EQ(back.total[Change::Changed], c.total[Change::Changed]);
        // The library's own sample, written twice by it, is the same but for the few objects
        // our two readers make different pictures of (a spline by its fit or control points,
        // a solid whose modeler data a DWG keeps apart, a hatch's colour).
        if (row[1].find("acadsharp__sample") != std::string::npos) {
            EXPECT_LE(c.differences.size() * 16, entities)
                << c.differences.size() << " differ, the first a "
                << (c.differences.empty() ? "" : c.differences[0].kind);
        }
    }
    EXPECT_GT(pairs, 10);
    EXPECT_GT(withHandles, 5);
}

} // namespace
} // namespace vexor
