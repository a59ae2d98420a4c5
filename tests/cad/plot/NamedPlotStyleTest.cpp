// Named plot styles of layers and entities, and the plot areas "view" and "display", read from
// drawings that ezdxf writes and compiled into sheets.
#include "cad/geometry/DisplayList.h"
#include "cad/load/DrawingReader.h"
#include "support/Corpus.h"
#include "support/Ezdxf.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>

using namespace vexor;

namespace {

bool mentions(const std::vector<std::string>& diagnostics, const std::string& part) {
    return std::any_of(diagnostics.begin(), diagnostics.end(),
                       [&](const std::string& d) { return d.find(part) != std::string::npos; });
}

std::uint64_t handleOf(const cad::Entity& entity) {
    return entity.common.handle;
}

} // namespace

TEST(NamedPlotStyles, LayersAndEntitiesNameTheirStylesThroughThePlotStyleDictionary) {
    const auto file = test::scratchDir("named-plot-styles") / "named.dxf";
    // The table is written by ezdxf's own plot style writer: "Heavy" plots black at 0.70 mm.
    ASSERT_TRUE(test::writeWithEzdxf(file, R"(
import os
from ezdxf.addons import acadctb
stb = acadctb.new_stb()
heavy = stb.new_style('Heavy')
heavy.color = (0, 0, 0)
heavy.set_lineweight(0.70)
stb.save(os.path.join(os.path.dirname(sys.argv[1]), 'named.stb'))
doc.header['$PSTYLEMODE'] = 0
names = doc.rootdict['ACAD_PLOTSTYLENAME']
def style(name):
    placeholder = doc.objects.add_placeholder(owner=names.dxf.handle)
    names[name] = placeholder
    return placeholder.dxf.handle
heavy, missing = style('Heavy'), style('Missing')
doc.layers.add('Walls', color=1).dxf.plotstyle_handle = heavy
msp.add_line((0, 0), (10, 0), dxfattribs={'layer': 'Walls'})
msp.add_line((0, 1), (10, 1), dxfattribs={'color': 1, 'plotstyle_handle': heavy})
msp.add_line((0, 2), (10, 2), dxfattribs={'color': 1, 'plotstyle_handle': missing})
msp.add_line((0, 3), (10, 3), dxfattribs={'color': 1, 'plotstyle_enum': 2})
msp.add_line((0, 4), (10, 4), dxfattribs={'color': 1, 'plotstyle_handle': 'FFFFF'})
sheet = doc.layouts.new('Sheet')
sheet.page_setup(size=(420, 297), margins=(0, 0, 0, 0), scale=16)
sheet.dxf_layout.dxf.current_style_sheet = 'named.stb'
)"));
    const cad::Drawing drawing = cad::readDrawingFile(file.string());
    EXPECT_TRUE(drawing.header.namedPlotStyles);
    // ezdxf gives its own layers the table's "Normal".
    for (const cad::Layer& layer : drawing.layers) {
        if (layer.name == "Walls" || layer.name == "0") {
            EXPECT_EQ(layer.plotStyle, layer.name == "Walls" ? "Heavy" : "Normal");
        }
    }
    ASSERT_EQ(drawing.modelSpace.size(), 5u);
    const auto& lines = drawing.modelSpace;
    EXPECT_EQ(lines[0].common.plotStyle, cad::PlotStyleRef::ByLayer);
    EXPECT_EQ(lines[1].common.plotStyle, cad::PlotStyleRef::Named);
    EXPECT_EQ(drawing.entityPlotStyles.at(handleOf(lines[1])), "Heavy");
    EXPECT_EQ(drawing.entityPlotStyles.at(handleOf(lines[2])), "Missing");
    EXPECT_EQ(lines[3].common.plotStyle, cad::PlotStyleRef::Default);
    // A handle the dictionary does not list is reported; that line plots in the default style.
    EXPECT_FALSE(drawing.entityPlotStyles.count(handleOf(lines[4])));
    EXPECT_TRUE(mentions(drawing.diagnostics, "1 plot style references name no entry"));

    const auto list = cad::compileDisplayList(drawing);
    ASSERT_EQ(list->sheets().size(), 2u); // ezdxf's "Layout1", then "Sheet"
    const cad::Sheet& sheet = list->sheets()[1];
    ASSERT_TRUE(sheet.plotStyles) << (list->diagnostics().empty() ? "" : list->diagnostics()[0]);
    EXPECT_FALSE(sheet.plotStyles->colorDependent);
    const cad::PlotStyle* heavy = sheet.plotStyles->byName("HEAVY");
    ASSERT_TRUE(heavy);
    EXPECT_EQ(heavy->plotColor(0xFF0000), 0u);
    ASSERT_TRUE(heavy->lineweightMm);
    EXPECT_NEAR(*heavy->lineweightMm, 0.70, 1e-6);
    // The table's "Normal" keeps the object's colour and lineweight.
    ASSERT_TRUE(sheet.plotStyles->byName("Normal"));
    EXPECT_EQ(sheet.plotStyles->byName("Normal")->plotColor(0xFF0000), 0xFF0000u);
    EXPECT_FALSE(sheet.plotStyles->byName("Normal")->lineweightMm);
    // A style the table lacks is named.
    EXPECT_TRUE(mentions(list->diagnostics(), "plot style \"Missing\" is not in table"));

    // Items and layers carry their styles into the compiled drawing.
    const auto& names = list->plotStyleNames();
    const auto code = [&](const std::string& name) {
        const auto it = std::find(names.begin(), names.end(), name);
        return it == names.end() ? -1
                                 : static_cast<int>(cad::kPlotStyleNamed + (it - names.begin()));
    };
    ASSERT_GE(code("Heavy"), 0);
    for (const cad::LayerStyle& layer : list->layers()) {
        if (layer.name == "Walls" || layer.name == "0") {
            EXPECT_EQ(layer.plotStyle, code(layer.name == "Walls" ? "Heavy" : "Normal"));
        }
    }
    std::vector<int> items;
    for (const cad::DisplayItem& item : list->modelSpace().items)
        items.push_back(item.plotStyle);
    std::sort(items.begin(), items.end());
    std::vector<int> expected{cad::kPlotStyleByLayer, cad::kPlotStyleDefault,
                              cad::kPlotStyleDefault, code("Heavy"), code("Missing")};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(items, expected);
}

TEST(PlotAreas, ANamedViewOrTheLastDisplayIsPlottedAtItsScale) {
    const auto file = test::scratchDir("plot-areas") / "areas.dxf";
    // "By view" plots the paper-space view "Detail" (centre 100, 50; 120 x 80); "By display"
    // what its paper viewport last showed (centre 300, 200; 100 high in a window twice as wide
    // as high). Both at 1:1 from the sheet's corner.
    ASSERT_TRUE(test::writeWithEzdxf(file, R"(
doc.views.new('Detail', dxfattribs={'center': (100, 50), 'height': 80, 'width': 120, 'flags': 1})
view = doc.layouts.new('By view')
view.page_setup(size=(420, 297), margins=(0, 0, 0, 0), scale=16)
view.dxf_layout.dxf.plot_type = 3
view.dxf_layout.dxf.plot_view_name = 'detail'
shown = doc.layouts.new('By display')
shown.page_setup(size=(420, 297), margins=(0, 0, 0, 0), scale=16)
shown.dxf_layout.dxf.plot_type = 0
paper = shown.main_viewport()
paper.dxf.view_center_point = (300, 200)
paper.dxf.view_height = 100
paper.dxf.width = 400
paper.dxf.height = 200
lost = doc.layouts.new('Lost view')
lost.page_setup(size=(420, 297), margins=(0, 0, 0, 0), scale=16)
lost.dxf_layout.dxf.plot_type = 3
lost.dxf_layout.dxf.plot_view_name = 'Nowhere'
)"));
    const cad::Drawing drawing = cad::readDrawingFile(file.string());
    const auto list = cad::compileDisplayList(drawing);
    auto sheet = [&](const std::string& name) -> const cad::Sheet& {
        for (const cad::Sheet& s : list->sheets())
            if (s.name == name)
                return s;
        ADD_FAILURE() << "no sheet " << name;
        return list->sheets().front();
    };
    const cad::Sheet& byView = sheet("By view");
    EXPECT_NEAR(byView.paper.minX, 40, 1e-9);
    EXPECT_NEAR(byView.paper.minY, 10, 1e-9);
    EXPECT_NEAR(byView.paper.width(), 420, 1e-9);
    const cad::Sheet& byDisplay = sheet("By display");
    EXPECT_NEAR(byDisplay.paper.minX, 200, 1e-9);
    EXPECT_NEAR(byDisplay.paper.minY, 150, 1e-9);
    // A view the drawing does not store is named; that sheet plots as the layout.
    EXPECT_TRUE(mentions(list->diagnostics(), "plots the view \"Nowhere\", which is not stored"));
    EXPECT_FALSE(mentions(list->diagnostics(), "\"detail\""));
    EXPECT_FALSE(mentions(list->diagnostics(), "last screen display"));
}

TEST(NamedPlotStyles, ADwgNamesItsLayersStylesAsItsDxfTwinDoes) {
    VEXOR_REQUIRE_CORPUS();
    // The same drawing saved by one writer as DWG (R2000 and R2018) and as DXF: the DWG's
    // layer handles and its header's dictionary give the names the DXF's groups give.
    const auto corpus = *test::corpusDir();
    const cad::Drawing dxf = cad::readDrawingFile(
        (corpus / "dxf/ascii/AC1015/acadsharp__sample_AC1015_ascii.dxf").string());
    std::map<std::string, std::string> expected;
    for (const cad::Layer& layer : dxf.layers)
        expected[layer.name] = layer.plotStyle;
    ASSERT_EQ(expected["0"], "Normal");
    for (const char* dwg :
         {"dwg/AC1015/acadsharp__sample_AC1015.dwg", "dwg/AC1032/acadsharp__sample_AC1032.dwg"}) {
        SCOPED_TRACE(dwg);
        const cad::Drawing drawing = cad::readDrawingFile((corpus / dwg).string());
        std::map<std::string, std::string> read;
        for (const cad::Layer& layer : drawing.layers)
            if (expected.count(layer.name))
                read[layer.name] = layer.plotStyle;
        EXPECT_GE(read.size(), 15u); // the layers both files hold
        for (const auto& [name, style] : read)
            EXPECT_EQ(style, expected[name]) << name;
        // Both say their plot styles are colour-dependent; entities with a material of their
        // own keep their plot style by layer, so every reference is found.
        EXPECT_EQ(drawing.header.namedPlotStyles, dxf.header.namedPlotStyles);
        EXPECT_FALSE(mentions(drawing.diagnostics, "plot style references"));
    }
    // A drawing in named plot style mode, its layers in "Style_1".
    const cad::Drawing named =
        cad::readDrawingFile((corpus / "dwg/AC1032/librecad__dynblock_r2018.dwg").string());
    EXPECT_TRUE(named.header.namedPlotStyles);
    for (const cad::Layer& layer : named.layers) {
        if (layer.name == "0") {
            EXPECT_EQ(layer.plotStyle, "Style_1");
        }
    }
    EXPECT_FALSE(mentions(named.diagnostics, "plot style references"));
}
