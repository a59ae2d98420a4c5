// The frame of a clipped insert: drawn round its clip boundary when the drawing's XCLIPFRAME
// asks for it, read from DXF and DWG headers alike, through the viewer's reader and compile.
#include "cad/geometry/DisplayList.h"
#include "cad/load/DrawingReader.h"
#include "support/Corpus.h"

#include <gtest/gtest.h>

using namespace vexor;

namespace {

std::size_t polylinesOf(const cad::Drawing& d, std::size_t* screenOnly = nullptr) {
    const auto list = cad::compileDisplayList(d);
    std::size_t n = 0;
    for (const cad::DisplayItem& item : list->modelSpace().items)
        n += item.kind == cad::ItemKind::Polyline && item.closed;
    if (screenOnly)
        *screenOnly = list->modelSpace().screenOnly.size();
    return n;
}

} // namespace

TEST(ClipFrames, DrawnRoundEachClippedInsertWhenTheDrawingAsks) {
    VEXOR_REQUIRE_CORPUS();
    cad::Drawing d =
        cad::readDrawingFile((*test::corpusDir() / "dxf/ascii/AC1027/ezdxf__xclip.dxf").string());
    ASSERT_EQ(d.header.clipFrame, 2);
    std::size_t screenOnly = 0;
    const std::size_t framed = polylinesOf(d, &screenOnly);
    d.header.clipFrame = 0;
    const std::size_t bare = polylinesOf(d);
    // Six inserts clipped to show their inside, one framed by the inner ring of a boundary
    // that hides it, and one whose saved boundary holds no inner ring.
    EXPECT_EQ(framed - bare, 7u);
    EXPECT_EQ(screenOnly, 7u); // 2: shown, not plotted
    d.header.clipFrame = 1;    // shown and plotted
    EXPECT_EQ(polylinesOf(d, &screenOnly), framed);
    EXPECT_EQ(screenOnly, 0u);
    d.header.clipFrame.reset(); // a file that does not say shows none
    EXPECT_EQ(polylinesOf(d), bare);
}

// From R2010 on a DXF file gives the header's value as it is (group 280); the R2004 and R2007
// ones give only a flag (group 290), so those are not compared.
TEST(ClipFrames, DwgHeadersSayWhatTheirDxfTwinsSay) {
    VEXOR_REQUIRE_CORPUS();
    for (const std::string version : {"AC1024", "AC1027", "AC1032"}) {
        const auto root = *test::corpusDir();
        const cad::Drawing dwg = cad::readDrawingFile(
            (root / "dwg" / version / ("acadsharp__sample_" + version + ".dwg")).string());
        const cad::Drawing dxf = cad::readDrawingFile(
            (root / "dxf/ascii" / version / ("acadsharp__sample_" + version + "_ascii.dxf"))
                .string());
        ASSERT_TRUE(dxf.header.clipFrame) << version;
        EXPECT_EQ(dwg.header.clipFrame, dxf.header.clipFrame) << version;
    }
}

// Wipeout and image frames follow the same rule: at 2 they are shown on screen only, but for
// the frame of a picture that is not shown, which stands in for it on paper too.
TEST(ClipFrames, WipeoutAndImageFramesAtTwoStayOffPaper) {
    cad::Drawing d;
    d.layerIndex("0");
    for (const auto kind : {cad::ImageFrame::Kind::Wipeout, cad::ImageFrame::Kind::Image}) {
        cad::ImageFrame frame;
        frame.kind = kind;
        frame.sizePixels = {10, 10};
        frame.showImage = false; // an image: its frame alone
        cad::Entity e;
        e.data = frame;
        d.modelSpace.push_back(e);
    }
    for (const int setting : {1, 2}) {
        d.header.wipeoutFrame = d.header.imageFrame = setting;
        const auto list = cad::compileDisplayList(d);
        std::size_t frames = 0;
        for (const cad::DisplayItem& item : list->modelSpace().items)
            frames += item.kind == cad::ItemKind::Polyline;
        EXPECT_EQ(frames, 2u) << setting;
        EXPECT_EQ(list->modelSpace().screenOnly.size(), setting == 2 ? 1u : 0u) << setting;
    }
}
