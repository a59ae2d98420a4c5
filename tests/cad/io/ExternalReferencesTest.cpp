#include "cad/geometry/DisplayList.h"
#include "cad/io/LoadBudget.h"
#include "cad/io/ReferencedFile.h"
#include "cad/load/DrawingReader.h"
#include "support/Corpus.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace vexor;

namespace {

// The sets of drawings written by make_reference_sets.py, once per run; empty when the
// writer (python3 with ezdxf) is not there.
const fs::path& referenceSets() {
    static const fs::path root = [] {
        const fs::path dir = test::scratchDir("reference-sets");
        const std::string python = fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
        const std::string command =
            python + " '" + (test::sourceDir() / "tests/cad/io/make_reference_sets.py").string() +
            "' '" + dir.string() + "' >/dev/null 2>&1";
        return std::system(command.c_str()) == 0 ? dir : fs::path();
    }();
    return root;
}

#define REQUIRE_SETS()                                                                             \
    do {                                                                                           \
        if (referenceSets().empty())                                                               \
            GTEST_SKIP() << "python3 with ezdxf is not installed";                                 \
    } while (0)

cad::Drawing read(const std::string& relative) {
    return cad::readDrawingFile((referenceSets() / relative).string());
}

const cad::ExternalReference* findReference(const cad::Drawing& d, const std::string& name) {
    for (const cad::ExternalReference& ref : d.references)
        if (ref.name == name)
            return &ref;
    return nullptr;
}

bool saysSomething(const cad::Drawing& d, const std::string& part) {
    return std::any_of(d.diagnostics.begin(), d.diagnostics.end(),
                       [&](const std::string& s) { return s.find(part) != std::string::npos; });
}

bool hasLayer(const cad::Drawing& d, const std::string& name) {
    return std::any_of(d.layers.begin(), d.layers.end(),
                       [&](const cad::Layer& l) { return l.name == name; });
}

cad::Box2 extents(const cad::Drawing& d) {
    return cad::compileDisplayList(d)->extents();
}

} // namespace

// A sheet whose plans are attached and overlaid drawings beside it, named as Windows stores them.
TEST(ExternalReferences, SheetDrawsItsAttachedAndOverlaidDrawings) {
    REQUIRE_SETS();
    const cad::Drawing sheet = read("project/Sheets/A-01.dxf");
    ASSERT_EQ(sheet.references.size(), 3u);
    const auto* grid = findReference(sheet, "Grid Plan");
    ASSERT_TRUE(grid);
    EXPECT_TRUE(grid->found);
    EXPECT_FALSE(grid->overlay);
    EXPECT_EQ(grid->depth, 1);
    EXPECT_EQ(grid->path, "..\\Res\\Grid Plan.dxf");
    EXPECT_EQ(fs::path(grid->file).filename(), "Grid Plan.dxf");
    const auto* wall = findReference(sheet, "Wall Base");
    ASSERT_TRUE(wall);
    EXPECT_TRUE(wall->found);
    EXPECT_TRUE(wall->overlay); // an overlay of the drawing itself is shown
    EXPECT_TRUE(findReference(sheet, "Grid Again") && findReference(sheet, "Grid Again")->found);
    EXPECT_FALSE(saysSomething(sheet, "not found"));

    // The referenced drawings' tables under REFNAME|NAME, their own definitions kept.
    const auto gridLayer =
        std::find_if(sheet.layers.begin(), sheet.layers.end(),
                     [](const cad::Layer& l) { return l.name == "Grid Plan|A-GRID"; });
    ASSERT_NE(gridLayer, sheet.layers.end());
    EXPECT_EQ(gridLayer->color.index, 3);
    EXPECT_TRUE(hasLayer(sheet, "Wall Base|WALLS"));
    EXPECT_FALSE(hasLayer(sheet, "Grid Plan|0"));
    EXPECT_NE(sheet.findTextStyle("Grid Plan|NOTES"), cad::kNoIndex);

    // Read once per file: one model block for the two blocks naming Grid Plan.
    const auto models =
        std::count_if(sheet.blocks.begin(), sheet.blocks.end(),
                      [](const cad::Block& b) { return b.name.ends_with("|*Model_Space"); });
    EXPECT_EQ(models, 2);

    // Drawn through every insert: the hundredth copy ends at 1000 + 99 * 20 + 10, the second
    // block's copy reaches 500 + 10, the title's line starts at -2.
    const cad::Box2 box = extents(sheet);
    EXPECT_NEAR(box.maxX, 2990, 1e-6);
    EXPECT_NEAR(box.maxY, 510, 1e-6);
    EXPECT_NEAR(box.minX, -2, 1e-6);
}

// Attached references inside references are drawn, overlaid ones are not.
TEST(ExternalReferences, NestedAttachmentsFollowedOverlaysNot) {
    REQUIRE_SETS();
    const cad::Drawing host = read("nested/host.dxf");
    const auto* a = findReference(host, "A");
    const auto* b = findReference(host, "B");
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->depth, 1);
    EXPECT_EQ(b->depth, 2);
    EXPECT_TRUE(b->found);
    EXPECT_FALSE(findReference(host, "C"));
    EXPECT_TRUE(saysSomething(host, "overlay C"));
    EXPECT_TRUE(hasLayer(host, "A|A-LINES"));
    EXPECT_TRUE(hasLayer(host, "B|B-LINES"));
    EXPECT_FALSE(hasLayer(host, "C|C-LINES"));
    // B's line ends at 1000 + 50 + 1; C's would reach 1062.
    EXPECT_NEAR(extents(host).maxX, 1051, 1e-6);
}

// Names stored in another case, units of the two drawings, cycles.
TEST(ExternalReferences, CaseUnitsAndCycles) {
    REQUIRE_SETS();
    const cad::Drawing site = read("case/host.dxf");
    ASSERT_EQ(site.references.size(), 1u);
    EXPECT_TRUE(site.references[0].found);
    EXPECT_EQ(fs::path(site.references[0].file).filename(), "site plan.dxf");
    EXPECT_NEAR(extents(site).maxX, 17, 1e-6);

    // 1000 mm drawn in a host in metres is 1 unit long, placed by its middle (the base point).
    const cad::Drawing units = read("units/host.dxf");
    const cad::Box2 box = extents(units);
    EXPECT_NEAR(box.minX, 4.5, 1e-6);
    EXPECT_NEAR(box.maxX, 5.5, 1e-6);

    const cad::Drawing self = read("cycle/self.dxf");
    EXPECT_TRUE(saysSomething(self, "reference cycle"));
    EXPECT_NEAR(extents(self).maxX, 1, 1e-6); // its own line only

    const cad::Drawing left = read("cycle/left.dxf");
    ASSERT_EQ(left.references.size(), 2u); // RIGHT, and LEFT inside it
    const auto cycle =
        std::find_if(left.diagnostics.begin(), left.diagnostics.end(),
                     [](const std::string& s) { return s.starts_with("reference cycle"); });
    ASSERT_NE(cycle, left.diagnostics.end());
    EXPECT_NE(cycle->find("right.dxf"), std::string::npos) << *cycle;
    EXPECT_NE(cycle->find("left.dxf"), std::string::npos) << *cycle;
    EXPECT_NEAR(extents(left).maxX, 11, 1e-6); // left's line, right's at 10, not left again
}

// The referenced drawing's INSBASE lands at the insertion point, whatever base point the
// host's block keeps.
TEST(ExternalReferences, InsertionBaseOfTheReferencedDrawing) {
    REQUIRE_SETS();
    const cad::Drawing host = read("insbase/host.dxf");
    ASSERT_EQ(host.references.size(), 1u);
    EXPECT_TRUE(host.references[0].found);
    const cad::Box2 box = extents(host);
    EXPECT_NEAR(box.minX, 10, 1e-9);
    EXPECT_NEAR(box.maxX, 11, 1e-9);
    EXPECT_NEAR(box.minY, 10, 1e-9);
    EXPECT_NEAR(box.maxY, 10, 1e-9);
}

// Clipped inserts show their block only inside the clip boundary: lines are cut at it, what
// lies wholly outside is gone, a text crossing it is left out and counted; an unclipped insert
// of the same block shows all of it. A reference clipped by a triangle is cut the same way.
TEST(ExternalReferences, ClippedInsertsShowOnlyInsideTheirBoundary) {
    REQUIRE_SETS();
    const cad::Drawing host = read("clip/host.dxf");
    const auto clipped =
        std::find_if(host.modelSpace.begin(), host.modelSpace.end(), [](const cad::Entity& e) {
            const auto* insert = cad::dataIf<cad::Insert>(&e.data);
            return insert && !insert->clip.empty();
        });
    ASSERT_NE(clipped, host.modelSpace.end());
    // Two corners stored where the insert stood, taken into the block by the inverse transform.
    const auto& boundary = cad::dataOf<cad::Insert>(clipped->data).clip;
    ASSERT_EQ(boundary.size(), 4u);
    EXPECT_NEAR(boundary[0].x, 0, 1e-9);
    EXPECT_NEAR(boundary[2].x, 5, 1e-9);
    EXPECT_NEAR(boundary[2].y, 6, 1e-9);

    const auto list = cad::compileDisplayList(host);
    const cad::Box2 box = list->extents();
    EXPECT_NEAR(box.maxX, 105, 1e-9); // the lines at 100..110 end at the boundary
    EXPECT_GT(box.maxY, 108);         // the unclipped copy at (0, 100) shows its texts
    EXPECT_TRUE(std::any_of(list->diagnostics().begin(), list->diagnostics().end(),
                            [](const std::string& s) {
                                return s == "1 text entity left out: it crosses the clip "
                                            "boundary of a clipped insert";
                            }));

    const cad::Drawing reference = read("clip/reference.dxf");
    ASSERT_EQ(reference.references.size(), 1u);
    const cad::Box2 cut = extents(reference);
    EXPECT_NEAR(cut.maxX, 5, 1e-9);
    EXPECT_NEAR(cut.maxY, 5, 1e-9);
}

// References nest as deep as the reference cap: a chain of twelve is drawn whole, and of a
// longer chain every link up to the sixteenth, the next cut with a diagnostic.
TEST(ExternalReferences, ChainsNestUpToTheReferenceCap) {
    REQUIRE_SETS();
    const cad::Drawing twelve = read("chain/c5.dxf");
    ASSERT_EQ(twelve.references.size(), 12u);
    for (const cad::ExternalReference& ref : twelve.references)
        EXPECT_TRUE(ref.found) << ref.name;
    const auto twelveList = cad::compileDisplayList(twelve);
    EXPECT_NEAR(twelveList->extents().maxX, 121, 1e-9);
    EXPECT_TRUE(twelveList->diagnostics().empty());

    const cad::Drawing longer = read("chain/c0.dxf");
    EXPECT_TRUE(saysSomething(longer, "reference LINK17 not followed"));
    const auto longerList = cad::compileDisplayList(longer);
    EXPECT_NEAR(longerList->extents().maxX, 161, 1e-9);
    for (const std::string& note : longerList->diagnostics())
        EXPECT_EQ(note.find("nested too deep"), std::string::npos) << note;
}

// A missing file and a FIFO under the referenced name: listed as not found, nothing hangs.
TEST(ExternalReferences, MissingFilesAndFifosAreSaidNotRead) {
    REQUIRE_SETS();
    const fs::path fifo = referenceSets() / "missing/pipe.dwg";
    fs::remove(fifo);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const cad::Drawing host = read("missing/host.dxf");
    ASSERT_EQ(host.references.size(), 2u);
    for (const cad::ExternalReference& ref : host.references) {
        EXPECT_FALSE(ref.found) << ref.name;
        EXPECT_TRUE(ref.file.empty());
    }
    EXPECT_TRUE(saysSomething(host, "reference Grid Plan not found: ..\\Res\\Grid Plan.dwg"));
    EXPECT_TRUE(saysSomething(host, "reference PIPE not found: pipe.dwg"));
    EXPECT_NEAR(extents(host).maxX, 1, 1e-6);
}

// The resolver's order and its refusals.
TEST(ExternalReferences, ResolverOrderAndSafety) {
    const fs::path dir = test::scratchDir("reference-resolver");
    fs::create_directories(dir / "host" / "sub");
    fs::create_directories(dir / "library");
    fs::create_directories(dir / "host" / "folder.dwg");
    auto touch = [](const fs::path& p) { std::ofstream(p) << "x"; };
    touch(dir / "host" / "plan.dwg");
    touch(dir / "library" / "Legend.DWG");
    touch(dir / "host" / "sub" / "detail.dwg");
    const std::string drawing = (dir / "host" / "a.dwg").string();
    const cad::ReferenceSearch search{drawing, {(dir / "library").string()}, {}};

    // A drive letter is never a local path: the bare name beside the drawing is used.
    EXPECT_EQ(cad::locateReferencedFile("C:\\Projects\\plan.dwg", search).file,
              (dir / "host" / "plan.dwg").string());
    EXPECT_EQ(cad::locateReferencedFile("\\\\server\\share\\plan.dwg", search).file,
              (dir / "host" / "plan.dwg").string());
    EXPECT_EQ(cad::locateReferencedFile(".\\SUB\\Detail.dwg", search).file,
              (dir / "host" / "sub" / "detail.dwg").string());
    EXPECT_EQ(cad::locateReferencedFile((dir / "host" / "plan.dwg").string(), search).file,
              (dir / "host" / "plan.dwg").string());
    // The user's search folders, ignoring case.
    EXPECT_EQ(cad::locateReferencedFile("..\\elsewhere\\legend.dwg", search).file,
              (dir / "library" / "Legend.DWG").string());
    // A folder is not a drawing.
    EXPECT_TRUE(cad::locateReferencedFile("folder.dwg", search).file.empty());

    // Confined to the drawing's folder: files outside are refused with the reason.
    const cad::ReferenceSearch confined{drawing, {}, (dir / "host").string()};
    EXPECT_FALSE(cad::locateReferencedFile("sub/detail.dwg", confined).file.empty());
    const cad::FoundFile outside =
        cad::locateReferencedFile((dir / "library" / "Legend.DWG").string(), confined);
    EXPECT_TRUE(outside.file.empty());
    EXPECT_NE(outside.problem.find("outside"), std::string::npos);
    fs::create_symlink(dir / "library" / "Legend.DWG", dir / "host" / "link.dwg");
    EXPECT_TRUE(cad::locateReferencedFile("link.dwg", confined).file.empty());

    // A symbolic-link loop ends with a reason.
    fs::create_symlink(dir / "host" / "loop2.dwg", dir / "host" / "loop1.dwg");
    fs::create_symlink(dir / "host" / "loop1.dwg", dir / "host" / "loop2.dwg");
    const cad::FoundFile loop = cad::locateReferencedFile("loop1.dwg", search);
    EXPECT_TRUE(loop.file.empty());
    EXPECT_NE(loop.problem.find("symbolic-link loop"), std::string::npos) << loop.problem;
}

// The search list of the user's configuration and environment.
TEST(ExternalReferences, UserSearchFolders) {
    const fs::path dir = test::scratchDir("reference-config");
    fs::create_directories(dir / "vexor");
    std::ofstream(dir / "vexor" / "vexor.conf") << "# folders\nReferencePaths = /srv/a:/srv/b\n";
    ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    ::setenv("VEXOR_REFERENCE_PATH", "/srv/c", 1);
    EXPECT_EQ(cad::userReferenceFolders(),
              (std::vector<std::string>{"/srv/a", "/srv/b", "/srv/c"}));
    ::unsetenv("VEXOR_REFERENCE_PATH");
    ::unsetenv("XDG_CONFIG_HOME");
}

// A DWG host whose reference is stored as .\xref_bl.dwg, with another drawing under that name
// beside it: the reference is found and drawn.
TEST(ExternalReferences, CorpusDwgHostDrawsItsReference) {
    VEXOR_REQUIRE_CORPUS();
    const fs::path dir = test::scratchDir("reference-dwg-host");
    fs::copy_file(*test::corpusDir() / "dwg/AC1032/librecad__dynblock_r2018.dwg", dir / "host.dwg");
    const cad::Drawing alone = cad::readDrawingFile((dir / "host.dwg").string());
    ASSERT_FALSE(alone.references.empty());
    EXPECT_EQ(alone.references[0].path, ".\\xref_bl.dwg");
    EXPECT_FALSE(alone.references[0].found);
    EXPECT_TRUE(saysSomething(alone, "not found: .\\xref_bl.dwg"));

    fs::copy_file(*test::corpusDir() / "dwg/AC1027/librecad__t1.dwg", dir / "xref_bl.dwg");
    const cad::Drawing host = cad::readDrawingFile((dir / "host.dwg").string());
    ASSERT_FALSE(host.references.empty());
    EXPECT_TRUE(host.references[0].found);
    EXPECT_EQ(fs::path(host.references[0].file).filename(), "xref_bl.dwg");
    const auto model =
        std::find_if(host.blocks.begin(), host.blocks.end(),
                     [](const cad::Block& b) { return b.name.ends_with("|*Model_Space"); });
    ASSERT_NE(model, host.blocks.end());
    EXPECT_FALSE(model->entities.empty());
    // The Layers menu's table lists the host's layers, then the reference's as xref_bl|LAYER.
    const auto hostTable = cad::readLayerTable((dir / "host.dwg").string());
    const auto refTable = cad::readLayerTable((dir / "xref_bl.dwg").string());
    std::size_t own = 0;
    while (own < hostTable.size() && hostTable[own].name.find('|') == std::string::npos)
        ++own;
    ASSERT_GT(own, 0u);
    for (const cad::LayerTableEntry& layer : refTable) {
        if (layer.name == "0")
            continue;
        const auto listed = std::find_if(
            hostTable.begin() + static_cast<std::ptrdiff_t>(own), hostTable.end(),
            [&](const cad::LayerTableEntry& e) { return e.name == "xref_bl|" + layer.name; });
        ASSERT_NE(listed, hostTable.end()) << layer.name;
        EXPECT_EQ(listed->state, layer.state);
    }
    // The referenced drawing adds to what is drawn.
    const cad::Box2 before = extents(alone), after = extents(host);
    EXPECT_TRUE(after.minX < before.minX || after.maxX > before.maxX || after.minY < before.minY ||
                after.maxY > before.maxY);
}

// The thumbnailer's policy: only the drawing's folder, and only so many drawings.
TEST(ExternalReferences, ConfinedPolicyReadsOnlyInsideTheFolder) {
    REQUIRE_SETS();
    cad::setReferencePolicy({.confineToDrawingFolder = true, .maxReferencedDrawings = 1});
    const cad::Drawing sheet = read("project/Sheets/A-01.dxf"); // its plans lie in ../Res
    const cad::Drawing nested = read("nested/host.dxf");
    cad::setReferencePolicy({});
    for (const cad::ExternalReference& ref : sheet.references)
        EXPECT_FALSE(ref.found) << ref.name;
    EXPECT_TRUE(saysSomething(sheet, "outside"));
    EXPECT_TRUE(saysSomething(nested, "no more than 1 referenced drawings"));
    EXPECT_FALSE(hasLayer(nested, "B|B-LINES"));
}

// One budget serves the whole set: each referenced drawing adds what its size may use, never
// past the ceiling a single drawing has.
TEST(ExternalReferences, BudgetGrowsForEachReferencedFile) {
    cad::LoadBudget budget(1000);
    budget.allowFurtherFile(100);
    EXPECT_EQ(budget.maxBytes(), 1000u + 64u * 100u);
    budget.allowFurtherFile(UINT64_MAX / 2);
    EXPECT_EQ(budget.maxBytes(), cad::LoadBudget::allowedBytes(UINT64_MAX / 2));
}
