#include "control/DrawingWidget.h"

#include "cad/query/Snap.h"
#include "support/Corpus.h"
#include "support/TestDrawings.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QScreen>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <vector>

namespace vexor::control {
namespace {

namespace fs = std::filesystem;

struct RecordedEvent {
    char kind; // 'D'own, 'M'ove, 'U'p, double 'C'lick
    std::int32_t value;
    double x, y;
};

class RecordingSink : public DrawingControlEvents {
public:
    void PointerDown(std::int32_t value, double x, double y) override {
        events.push_back({'D', value, x, y});
    }
    void PointerMove(double x, double y) override { events.push_back({'M', 0, x, y}); }
    void PointerUp(std::int32_t value, double x, double y) override {
        events.push_back({'U', value, x, y});
    }
    void PointerDoubleClick(std::int32_t value, double x, double y) override {
        events.push_back({'C', value, x, y});
    }
    std::vector<RecordedEvent> events;
};

void sendMouse(QWidget& w, QEvent::Type type, QPointF pos, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
    QMouseEvent event(type, pos, w.mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &event);
}

struct View {
    double x1, y1, x2, y2, e1, e2;
};

View viewOf(DrawingControl& c) {
    View v{};
    c.GetView(v.x1, v.y1, v.x2, v.y2, v.e1, v.e2);
    return v;
}

// A layout "Sheet" (A4 landscape) with one viewport 100 x 50 at (100, 100) on paper, showing
// 5000 x 2500 of the model about (1000, 500): 1:50.
void addSheetAtOneToFifty(cad::Drawing& d) {
    const std::uint32_t paper = d.blockIndex("*Paper_Space");
    cad::Viewport v;
    v.id = 2;
    v.centre = {100, 100, 0};
    v.width = 100;
    v.height = 50;
    v.viewCentre = {1000, 500};
    v.viewHeight = 2500;
    d.blocks[paper].viewports.push_back(v);
    cad::Layout layout;
    layout.name = "Sheet";
    layout.block = paper;
    layout.paperSize = {297, 210};
    d.layouts.push_back(layout);
}

class DrawingWidgetTest : public ::testing::Test {
protected:
    void SetUp() override {
        widget.resize(400, 200);
        dir = vexor::test::scratchDir("control");
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path writeFile(const std::string& name, const std::string& bytes) {
        const fs::path p = dir / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }

    DrawingWidget widget;
    fs::path dir;
};

TEST_F(DrawingWidgetTest, BadFilesShowAMessageAndTheNextLoadWorks) {
    const fs::path missing = dir / "missing.dwg";
    const fs::path empty = writeFile("empty.dwg", "");
    const fs::path garbage = writeFile("garbage.dwg", std::string(4000, '\x7f') + "nonsense");
    for (const fs::path& bad : {missing, empty, garbage}) {
        widget.CreateDrawing(bad.string(), 0, "");
        EXPECT_NO_THROW(widget.LoadDwg(bad.string())) << bad;
        EXPECT_FALSE(widget.IsDrawingOpen()) << bad;
        EXPECT_TRUE(widget.errorMessage().contains(QString::fromStdString(bad.filename().string())))
            << widget.errorMessage().toStdString();
        EXPECT_EQ(widget.ItemCount(), 0);
        widget.SelectItem("V100");
        EXPECT_EQ(widget.ItemFound(), 0);
    }
    // The import road reports the same way.
    widget.CreateDrawing(garbage.string(), 0, "");
    EXPECT_NO_THROW(widget.DgnImport(garbage.string(), widget.DrawingHandle(), ""));
    EXPECT_FALSE(widget.IsDrawingOpen());
    EXPECT_FALSE(widget.errorMessage().isEmpty());

    const fs::path good = test::writeLayerDxf(dir);
    widget.CreateDrawing(good.string(), 0, "");
    widget.LoadDwg(good.string());
    EXPECT_TRUE(widget.IsDrawingOpen());
    EXPECT_TRUE(widget.errorMessage().isEmpty()) << widget.errorMessage().toStdString();
    EXPECT_EQ(widget.ItemCount(), 6); // four layers and two corners
}

TEST_F(DrawingWidgetTest, TheProgramsLoadSequenceWorksAndContentDecidesTheFormat) {
    // A DXF named .dgn goes through the import road like any non-.dwg file.
    const fs::path dxf = test::writeLayerDxf(dir);
    const fs::path named = dir / "plan.dgn";
    fs::copy_file(dxf, named);

    if (widget.IsDrawingOpen())
        widget.CloseDrawing();
    widget.ResetDrawing();
    widget.SetColorMode(2);
    widget.SetDisplayMode(6);
    widget.SetRedrawMode(1);
    widget.ClearView();
    widget.SetFilter("");
    widget.SetViewTransform(0, 0, 0, 0, 1, 1, 1, 1);
    widget.SetBackgroundColor(0, 0, 255);
    widget.AttachLibrary("dbcmem32.dll", "", 0);
    widget.SetWorkFile("/tmp/temp.mgb", 255);
    EXPECT_NE(widget.WindowHandle(), 0u);
    widget.SetImportLibrary("/opt/dbcdgn32.dll");
    widget.CreateDrawing(named.string(), 0, "");
    EXPECT_TRUE(widget.IsDrawingOpen());
    const std::int32_t handle = widget.DrawingHandle();
    EXPECT_NE(handle, 0);
    widget.DgnImport(named.string(), handle, "");
    ASSERT_TRUE(widget.IsDrawingOpen()) << widget.errorMessage().toStdString();
    EXPECT_EQ(widget.DrawingHandle(), handle);

    widget.SelectItem("V100");
    ASSERT_NE(widget.ItemFound(), 0);
    const double x1 = std::strtod(widget.ItemValue("VX1").c_str(), nullptr);
    const double y1 = std::strtod(widget.ItemValue("VY1").c_str(), nullptr);
    widget.SelectItem("V101");
    ASSERT_NE(widget.ItemFound(), 0);
    const double x2 = std::strtod(widget.ItemValue("VX1").c_str(), nullptr);
    const double y2 = std::strtod(widget.ItemValue("VY1").c_str(), nullptr);
    EXPECT_DOUBLE_EQ(x1, 0);
    EXPECT_DOUBLE_EQ(y1, 0);
    EXPECT_DOUBLE_EQ(x2, 100);
    EXPECT_DOUBLE_EQ(y2, 50);

    widget.SetZoomOptions(0.5, 1, 1);
    widget.ZoomWindow(10, 10, 30, 20);
    const View v = viewOf(widget);
    EXPECT_NEAR(v.x1, 10, 1e-9);
    EXPECT_NEAR(v.x2, 30, 1e-9);
    widget.SetForeColor("#", 7);
    EXPECT_EQ(widget.scene().style.foreColor, 7);
    EXPECT_EQ(widget.scene().style.background, QColor(0, 0, 255));
    EXPECT_THROW(widget.DgnImport(named.string(), handle + 1, ""), DrawingControlError);
}

TEST_F(DrawingWidgetTest, FirstViewIsTheWholeDrawingWithASmallMargin) {
    widget.showDrawing(test::twoSquares());
    const View v = viewOf(widget);
    EXPECT_LE(v.x1, 0);
    EXPECT_GE(v.x2, 100);
    EXPECT_LE(v.y1, 0);
    EXPECT_GE(v.y2, 50);
    // Width decides on a 2:1 control for a 2:1 drawing: the margin is small.
    EXPECT_LT(v.x2 - v.x1, 100 * 1.1);
    EXPECT_DOUBLE_EQ(v.e1, 400);
    EXPECT_DOUBLE_EQ(v.e2, 200);
}

TEST_F(DrawingWidgetTest, ADrawingMadeOnPaperOpensOnItsSheet) {
    // Model space empty, the two squares on the second layout's sheet: that sheet is shown.
    cad::Drawing paper = test::twoSquares();
    const std::uint32_t empty = paper.blockIndex("*Paper_Space");
    const std::uint32_t drawn = paper.blockIndex("*Paper_Space0");
    paper.blocks[drawn].entities = std::move(paper.modelSpace);
    paper.modelSpace.clear();
    for (const auto& [name, block] : {std::pair{"Empty", empty}, std::pair{"Drawn", drawn}}) {
        cad::Layout layout;
        layout.name = name;
        layout.block = block;
        layout.paperSize = {297, 210};
        paper.layouts.push_back(layout);
    }
    widget.showDrawing(paper);
    EXPECT_EQ(widget.ShownLayout(), 2);
    EXPECT_EQ(widget.LayoutName(widget.ShownLayout()), "Drawn");

    // Anything in model space, and the drawing opens on it as usual.
    widget.showDrawing(test::twoSquares());
    EXPECT_EQ(widget.ShownLayout(), 0);
}

TEST_F(DrawingWidgetTest, LayerRecordsAndCornerItems) {
    widget.showDrawing(test::twoSquares());
    ASSERT_EQ(widget.ItemCount(), 5);
    std::vector<std::string> layers;
    for (int j = 0; j < widget.ItemCount(); ++j) {
        widget.SelectItemAt(j);
        if (widget.ItemValue("SECTION") == "L")
            layers.push_back(widget.ItemValue("DESCR") + "=" + widget.ItemValue("ECOLOR"));
    }
    EXPECT_EQ(layers, (std::vector<std::string>{"Red=1", "Blue=5", "Off=-7"}));
    widget.SelectItem("V101");
    EXPECT_EQ(widget.ItemValue("VX1"), "100");
    EXPECT_EQ(widget.ItemValue("VY1"), "50");
    widget.SelectItem("v101");
    EXPECT_EQ(widget.ItemFound(), 0);
}

TEST_F(DrawingWidgetTest, ZoomCodesStepUndoAndRejectUnknownCodes) {
    widget.showDrawing(test::twoSquares());
    widget.ZoomWindow(0, 0, 90, 45);
    widget.SetZoomOptions(0.5, 1, 1);
    widget.Zoom(1);
    View v = viewOf(widget);
    EXPECT_NEAR(v.x2 - v.x1, 60, 1e-9);
    EXPECT_NEAR((v.x1 + v.x2) / 2, 45, 1e-9);
    widget.Zoom(-1);
    v = viewOf(widget);
    EXPECT_NEAR(v.x2 - v.x1, 90, 1e-9);
    widget.SetZoomOptions(1.0, 1, 1); // step 1: twice
    widget.Zoom(1);
    EXPECT_NEAR(viewOf(widget).x2 - viewOf(widget).x1, 45, 1e-9);

    widget.Zoom(-2); // history: home, 90 wide, 60 wide, 90 wide
    EXPECT_NEAR(viewOf(widget).x2 - viewOf(widget).x1, 90, 1e-9);
    widget.Zoom(-2);
    EXPECT_NEAR(viewOf(widget).x2 - viewOf(widget).x1, 60, 1e-9);
    widget.Zoom(-2);
    v = viewOf(widget);
    EXPECT_NEAR(v.x1, 0, 1e-9);
    EXPECT_NEAR(v.x2, 90, 1e-9);
    widget.Zoom(-2);
    const View home = viewOf(widget);
    EXPECT_LT(home.x1, 0);
    EXPECT_GT(home.x2, 100);
    widget.Zoom(-2); // history empty: nothing happens
    widget.Zoom(-2);
    v = viewOf(widget);
    EXPECT_DOUBLE_EQ(v.x1, home.x1);
    EXPECT_DOUBLE_EQ(v.x2, home.x2);
    EXPECT_THROW(widget.Zoom(3), DrawingControlError);
    EXPECT_THROW(widget.SetZoomOptions(0, 1, 1), DrawingControlError);
}

TEST_F(DrawingWidgetTest, PanToKeepsTheScale) {
    widget.showDrawing(test::twoSquares());
    const View a = viewOf(widget);
    widget.PanTo(1000, -500);
    const View b = viewOf(widget);
    EXPECT_NEAR(b.x2 - b.x1, a.x2 - a.x1, 1e-9);
    EXPECT_NEAR(b.y2 - b.y1, a.y2 - a.y1, 1e-9);
    EXPECT_NEAR((b.x1 + b.x2) / 2, 1000, 1e-9);
    EXPECT_NEAR((b.y1 + b.y2) / 2, -500, 1e-9);
}

TEST_F(DrawingWidgetTest, ActualSizeFollowsTheDrawingUnitsAndScreenResolution) {
    const double dpi = widget.screen()->physicalDotsPerInch();
    ASSERT_GT(dpi, 0);
    cad::Drawing mm = test::twoSquares();
    widget.showDrawing(mm);
    widget.Zoom(100);
    View v = viewOf(widget);
    EXPECT_NEAR(v.x2 - v.x1, 400 / dpi * 25.4, 1e-6); // millimetres across 400 pixels

    cad::Drawing inches = test::twoSquares();
    inches.header.insUnits = 1;
    widget.showDrawing(inches);
    widget.Zoom(100);
    v = viewOf(widget);
    EXPECT_NEAR(v.x2 - v.x1, 400 / dpi, 1e-9);
    widget.Zoom(-2); // actual size is in the history
    EXPECT_GT(viewOf(widget).x2 - viewOf(widget).x1, 100);
}

TEST_F(DrawingWidgetTest, PointerEventsReachTheSinkInDrawingUnits) {
    widget.showDrawing(test::twoSquares());
    widget.ZoomWindow(0, 0, 100, 50); // 4 pixels per unit
    RecordingSink sink;
    widget.SetEventSink(&sink);
    sendMouse(widget, QEvent::MouseButtonPress, {200, 100}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(widget, QEvent::MouseMove, {240, 60}, Qt::NoButton, Qt::LeftButton);
    sendMouse(widget, QEvent::MouseButtonRelease, {240, 60}, Qt::RightButton, Qt::NoButton);
    ASSERT_EQ(sink.events.size(), 3u);
    EXPECT_EQ(sink.events[0].kind, 'D');
    EXPECT_EQ(sink.events[0].value, 1);
    EXPECT_NEAR(sink.events[0].x, 50, 1e-9);
    EXPECT_NEAR(sink.events[0].y, 25, 1e-9);
    EXPECT_EQ(sink.events[1].kind, 'M');
    EXPECT_NEAR(sink.events[1].x, 60, 1e-9);
    EXPECT_NEAR(sink.events[1].y, 35, 1e-9);
    EXPECT_EQ(sink.events[2].kind, 'U');
    EXPECT_EQ(sink.events[2].value, 2);
    widget.SetEventSink(nullptr);
    sendMouse(widget, QEvent::MouseMove, {10, 10}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(sink.events.size(), 3u);
}

TEST_F(DrawingWidgetTest, ZoomToSelectedAreaTakesThePointerAndZoomsToTheRectangle) {
    widget.showDrawing(test::twoSquares());
    widget.ZoomWindow(0, 0, 100, 50); // 4 pixels per unit, y up from pixel 200
    RecordingSink sink;
    widget.SetEventSink(&sink);
    widget.Zoom(2);
    EXPECT_TRUE(widget.selectingArea());
    sendMouse(widget, QEvent::MouseButtonPress, {40, 120}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(widget, QEvent::MouseMove, {100, 150}, Qt::NoButton, Qt::LeftButton);
    sendMouse(widget, QEvent::MouseMove, {200, 160}, Qt::NoButton, Qt::LeftButton);
    sendMouse(widget, QEvent::MouseButtonRelease, {200, 160}, Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(sink.events.empty());
    EXPECT_FALSE(widget.selectingArea());
    // Pixels (40, 120)-(200, 160) are drawing (10, 10)-(50, 20): 40 x 10 on a 2:1 control.
    const View v = viewOf(widget);
    EXPECT_NEAR(v.x1, 10, 0.5);
    EXPECT_NEAR(v.x2, 50, 0.5);
    EXPECT_NEAR((v.y1 + v.y2) / 2, 15, 0.5);
    widget.Zoom(-2);
    EXPECT_NEAR(viewOf(widget).x2, 100, 1e-9);
    // After the gesture the pointer belongs to the program again.
    sendMouse(widget, QEvent::MouseMove, {10, 10}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(sink.events.size(), 1u);
}

TEST_F(DrawingWidgetTest, ASelectionCanBeCancelledWithoutZooming) {
    widget.showDrawing(test::twoSquares());
    const View before = viewOf(widget);
    widget.Zoom(2);
    sendMouse(widget, QEvent::MouseButtonPress, {40, 120}, Qt::RightButton, Qt::RightButton);
    EXPECT_FALSE(widget.selectingArea());
    widget.Zoom(2);
    sendMouse(widget, QEvent::MouseButtonPress, {40, 120}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(widget, QEvent::MouseButtonRelease, {41, 121}, Qt::LeftButton, Qt::NoButton);
    EXPECT_NEAR(viewOf(widget).x1, before.x1, 1e-9);
}

TEST_F(DrawingWidgetTest, CloseAndResetEmptyTheControl) {
    widget.showDrawing(test::twoSquares());
    EXPECT_TRUE(widget.IsDrawingOpen());
    widget.ResetDrawing();
    EXPECT_EQ(widget.ItemCount(), 0);
    widget.showDrawing(test::twoSquares());
    widget.CloseDrawing();
    EXPECT_FALSE(widget.IsDrawingOpen());
    EXPECT_EQ(widget.DrawingHandle(), 0);
    EXPECT_EQ(widget.ItemCount(), 0);
    EXPECT_NO_THROW(widget.Zoom(1)); // zooming with no drawing is harmless
    EXPECT_NO_THROW(widget.Zoom(100));
}

TEST_F(DrawingWidgetTest, PlacementIsInTheHostsPixels) {
    QWidget host;
    host.resize(800, 600);
    DrawingWidget control(&host);
    control.SetTop(40);
    control.SetWidth(700);
    control.SetHeight(500);
    EXPECT_EQ(control.Top(), 40);
    EXPECT_EQ(control.Width(), 700);
    EXPECT_EQ(control.Height(), 500);
    control.SetVisible(false);
    EXPECT_FALSE(control.Visible());
    control.SetVisible(true);
    EXPECT_TRUE(control.Visible());
    double x1, y1, x2, y2, e1, e2;
    control.GetView(x1, y1, x2, y2, e1, e2);
    EXPECT_EQ(e1, 700);
    EXPECT_EQ(e2, 500);
}

TEST_F(DrawingWidgetTest, CorpusDrawingsLoadOrReportWithoutThrowing) {
    VEXOR_REQUIRE_CORPUS();
    const auto files = vexor::test::corpusFiles("dxf/negative", {".dxf"});
    for (const fs::path& file : files) {
        EXPECT_NO_THROW(widget.LoadDwg(file.string())) << file;
        if (!widget.IsDrawingOpen()) {
            EXPECT_FALSE(widget.errorMessage().isEmpty()) << file;
        }
    }
}

// A drawing whose external references are drawn through it: the one found shows its layers as
// REF|LAYER (the host's stored state first, switching them works), the one missing is named
// once in a line along the bottom, and a drawing without references clears that line.
TEST_F(DrawingWidgetTest, ReferencesAreDrawnAndMissingOnesNamed) {
    std::ofstream(dir / "ref.dxf")
        << "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n70\n1\n"
           "0\nLAYER\n2\nWALLS\n70\n0\n62\n1\n6\nCONTINUOUS\n0\nENDTAB\n0\nENDSEC\n"
           "0\nSECTION\n2\nENTITIES\n"
           "0\nLINE\n8\nWALLS\n10\n0\n20\n0\n30\n0\n11\n100\n21\n0\n31\n0\n"
           "0\nLINE\n8\nWALLS\n10\n0\n20\n10\n30\n0\n11\n100\n21\n10\n31\n0\n"
           "0\nENDSEC\n0\nEOF\n";
    const fs::path host = dir / "host.dxf";
    std::ofstream(host)
        << "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n70\n2\n"
           "0\nLAYER\n2\n0\n70\n0\n62\n7\n6\nCONTINUOUS\n"
           "0\nLAYER\n2\nREF|WALLS\n70\n48\n62\n-1\n6\nCONTINUOUS\n0\nENDTAB\n0\nENDSEC\n"
           "0\nSECTION\n2\nBLOCKS\n"
           "0\nBLOCK\n8\n0\n2\nREF\n70\n4\n10\n0\n20\n0\n30\n0\n3\nREF\n1\n.\\ref.dxf\n"
           "0\nENDBLK\n8\n0\n"
           "0\nBLOCK\n8\n0\n2\nGONE\n70\n4\n10\n0\n20\n0\n30\n0\n3\nGONE\n1\n..\\gone.dwg\n"
           "0\nENDBLK\n8\n0\n0\nENDSEC\n"
           "0\nSECTION\n2\nENTITIES\n"
           "0\nINSERT\n8\n0\n2\nREF\n10\n0\n20\n0\n30\n0\n"
           "0\nINSERT\n8\n0\n2\nGONE\n10\n0\n20\n0\n30\n0\n"
           "0\nLINE\n8\n0\n10\n0\n20\n-50\n30\n0\n11\n100\n21\n50\n31\n0\n"
           "0\nENDSEC\n0\nEOF\n";
    widget.LoadDwg(host.string());
    ASSERT_TRUE(widget.IsDrawingOpen()) << widget.errorMessage().toStdString();
    EXPECT_EQ(widget.notice().toStdString(), "reference GONE not found: ..\\gone.dwg");
    widget.SetBackgroundColor(255, 255, 255);
    const QImage hostOnly = widget.viewImage().copy(); // REF|WALLS is off in the host
    widget.ShowLayer("REF|WALLS");
    const QImage shown = widget.viewImage().copy();
    EXPECT_NE(hostOnly, shown);
    widget.HideLayer("REF|WALLS");
    EXPECT_EQ(widget.viewImage(), hostOnly);

    widget.LoadDwg(test::writeLayerDxf(dir).string());
    ASSERT_TRUE(widget.IsDrawingOpen());
    EXPECT_TRUE(widget.notice().isEmpty());
}

TEST_F(DrawingWidgetTest, ADoubleClickIsAPressAndThenADoubleClick) {
    widget.showDrawing(test::twoSquares());
    RecordingSink sink;
    widget.SetEventSink(&sink);
    sendMouse(widget, QEvent::MouseButtonDblClick, {200, 100}, Qt::MiddleButton, Qt::MiddleButton);
    ASSERT_EQ(sink.events.size(), 2u);
    EXPECT_EQ(sink.events[0].kind, 'D');
    EXPECT_EQ(sink.events[1].kind, 'C');
    EXPECT_EQ(sink.events[1].value, 4) << "the middle button";
    widget.SetEventSink(nullptr);
}

TEST_F(DrawingWidgetTest, ToolsReadUnitsTextsViewportsAndMarkWindows) {
    cad::Drawing d = test::twoSquares();
    std::int32_t units = 0, precision = 0;
    widget.GetUnits(units, precision);
    EXPECT_EQ(units, 2) << "decimal without a drawing";
    EXPECT_EQ(precision, 4);
    d.header.linearUnits = 4;
    d.header.linearPrecision = 2;
    cad::Text text;
    text.text = "Room 101";
    text.insert = {20, 30, 0};
    text.height = 5;
    cad::Entity e;
    e.common.layer = d.layerIndex("Red");
    e.data = cad::Boxed<cad::Text>(text);
    d.modelSpace.push_back(e);
    addSheetAtOneToFifty(d);
    widget.showDrawing(d);

    widget.GetUnits(units, precision);
    EXPECT_EQ(units, 4);
    EXPECT_EQ(precision, 2);

    const std::vector<FoundText> found = widget.FindText("ROOM", true);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].layout, 0);
    EXPECT_EQ(found[0].kind, "TEXT");
    EXPECT_EQ(found[0].layer, "Red");
    EXPECT_EQ(found[0].text, "Room 101");
    EXPECT_DOUBLE_EQ(found[0].x, 20);
    EXPECT_DOUBLE_EQ(found[0].height, 5);
    EXPECT_TRUE(widget.FindText("roo", true).empty());

    double mx = 0, my = 0, scale = 0;
    EXPECT_FALSE(widget.ModelPointAt(110, 100, mx, my, scale)) << "model space is shown";
    widget.MarkWindow(15, 25, 60, 40);
    EXPECT_FALSE(widget.markedWindow().empty());
    widget.ShowLayout(1);
    EXPECT_TRUE(widget.markedWindow().empty()) << "another layout drops the frame";
    ASSERT_TRUE(widget.ModelPointAt(110, 100, mx, my, scale));
    EXPECT_NEAR(mx, 1500, 1e-6);
    EXPECT_NEAR(my, 500, 1e-6);
    EXPECT_NEAR(scale, 0.02, 1e-12);
    EXPECT_FALSE(widget.ModelPointAt(10, 10, mx, my, scale)) << "outside the viewport";

    widget.MarkWindow(5, 5, 1, 1);
    EXPECT_TRUE(widget.markedWindow().empty()) << "x1 > x2 removes the frame";
    widget.Zoom(2);
    EXPECT_TRUE(widget.selectingArea());
    widget.CancelInput();
    EXPECT_FALSE(widget.selectingArea());
}

TEST_F(DrawingWidgetTest, SnapPointsAreFoundAndMarked) {
    widget.showDrawing(test::twoSquares());
    double x = 0, y = 0;
    // The red square's corner at (10, 10); eight pixels are about two drawing units here.
    EXPECT_EQ(widget.SnapPoint(10.4, 10.3, 8, 1 | 2, x, y), 1);
    EXPECT_DOUBLE_EQ(x, 10);
    EXPECT_DOUBLE_EQ(y, 10);
    EXPECT_EQ(widget.markedSnap(), 1);
    EXPECT_EQ(widget.SnapPoint(25.3, 10.2, 8, 1 | 2, x, y), 2) << "the middle of its lower side";
    EXPECT_DOUBLE_EQ(x, 25);
    EXPECT_EQ(widget.SnapPoint(10.4, 10.3, 8, 0, x, y), 0);
    EXPECT_EQ(widget.markedSnap(), 0) << "no kinds: the mark goes";
    EXPECT_EQ(widget.SnapPoint(50, 45, 8, 63, x, y), 0) << "nothing near";
}

TEST_F(DrawingWidgetTest, CurvesSnapAndMeasureThroughAViewportAtOneToFifty) {
    // A circle of radius 500 about (1000, 500) in the model, seen on a sheet through a viewport
    // at 1:50 centred on it at (100, 100): on paper a circle of radius 10.
    cad::Drawing d = test::twoSquares();
    cad::Entity circle;
    circle.common.layer = d.layerIndex("0");
    circle.common.handle = 0x2A;
    circle.data = cad::Circle{{1000, 500, 0}, 500};
    d.modelSpace.push_back(circle);
    addSheetAtOneToFifty(d);
    widget.showDrawing(d);
    widget.ShowLayout(1);
    // The widget is small: a pixel is about a unit of paper here.
    const double tolerance = 1 / widget.viewport().scale();
    ASSERT_LT(tolerance, 2) << "a pixel stays well inside the circle";
    double x = 0, y = 0;
    const double r45 = 10 / std::sqrt(2.0);
    EXPECT_EQ(
        widget.SnapPoint(100 + r45, 100 + r45, 1, cad::kSnapCentre | cad::kSnapQuadrant, x, y),
        cad::kSnapCentre);
    EXPECT_NEAR(x, 100, 1e-9);
    EXPECT_NEAR(y, 100, 1e-9);
    EXPECT_EQ(widget.SnapPoint(110.2, 100.1, 1, cad::kSnapQuadrant, x, y), cad::kSnapQuadrant);
    EXPECT_NEAR(x, 110, 1e-9);
    EXPECT_NEAR(y, 100, 1e-9);
    // Tangent from a point picked on paper 20 right of the centre: at acos(1/2) = 60 degrees.
    widget.SetSnapBase(true, 120, 100);
    EXPECT_EQ(widget.SnapPoint(105.2, 108.5, 1, cad::kSnapTangent, x, y), cad::kSnapTangent);
    EXPECT_NEAR(x, 105, 1e-9);
    EXPECT_NEAR(y, 100 + 10 * std::sin(M_PI / 3), 1e-9);
    widget.SetSnapBase(false, 0, 0);
    EXPECT_EQ(widget.SnapPoint(105.2, 108.5, 1, cad::kSnapTangent, x, y), 0);
    // Its figures are the model's, in the drawing's units.
    std::map<std::string, std::string> figures;
    for (const ObjectProperties& object : widget.ObjectsAt(110, 100, 1))
        for (const auto& [name, value] : object)
            figures.emplace(name, value);
    EXPECT_EQ(figures["Type"], "CIRCLE");
    EXPECT_EQ(figures["Handle"], "2A");
    EXPECT_EQ(figures["Radius"], "500.0000");
    EXPECT_EQ(figures["Diameter"], "1000.0000");
}

} // namespace
} // namespace vexor::control
