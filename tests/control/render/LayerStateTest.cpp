// A layer switched off hides what lies on it, but a block inserted on it still shows the parts
// that lie on layers of their own; a frozen layer hides the whole insert.
#include "cad/geometry/DisplayList.h"
#include "control/render/Renderer.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace vexor;
using namespace vexor::control;

namespace {

// Block "B": a line on layer 0 (drawn in the insert's layer, blue) and one on layer "Red";
// inserted once on layer "Holder".
cad::Drawing blockOnHolder(bool off, bool frozen) {
    cad::Drawing d;
    d.layerIndex("0");
    const std::uint32_t red = d.layerIndex("Red");
    d.layers[red].color = cad::Color::indexed(1);
    const std::uint32_t holder = d.layerIndex("Holder");
    d.layers[holder].color = cad::Color::indexed(5);
    d.layers[holder].off = off;
    d.layers[holder].frozen = frozen;
    const std::uint32_t b = d.blockIndex("B");
    cad::Entity onZero;
    onZero.data = cad::Line{{0, 0, 0}, {0, 40, 0}};
    cad::Entity onRed;
    onRed.common.layer = red;
    onRed.data = cad::Line{{20, 0, 0}, {20, 40, 0}};
    d.blocks[b].entities = {onZero, onRed};
    cad::Insert ins;
    ins.block = b;
    ins.insert = {30, 30, 0};
    cad::Entity insert;
    insert.common.layer = holder;
    insert.data = ins;
    d.modelSpace.push_back(insert);
    return d;
}

struct Ink {
    int red = 0, blue = 0;
};

Ink inkOf(const cad::Drawing& drawing) {
    const auto list = cad::compileDisplayList(drawing);
    RenderStyle style;
    style.hiddenLayers = layersHiddenInFile(*list);
    QImage image(200, 200, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    renderView(*list, painter, QRectF(0, 0, 200, 200), cad::Box2{0, 0, 100, 100}, style);
    painter.end();
    Ink ink;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x) {
            const QColor c = image.pixelColor(x, y);
            ink.red += c.red() > 200 && c.green() < 80 && c.blue() < 80;
            ink.blue += c.blue() > 200 && c.red() < 80 && c.green() < 80;
        }
    return ink;
}

} // namespace

TEST(LayerState, AnInsertOnALayerThatIsOffKeepsThePartsOnOtherLayers) {
    const Ink shown = inkOf(blockOnHolder(false, false));
    ASSERT_GT(shown.red, 40);
    ASSERT_GT(shown.blue, 40);
    const Ink off = inkOf(blockOnHolder(true, false));
    EXPECT_EQ(off.red, shown.red) << "on a layer of its own: still drawn";
    EXPECT_EQ(off.blue, 0) << "on layer 0: takes the layer that is off";
    const Ink frozen = inkOf(blockOnHolder(false, true));
    EXPECT_EQ(frozen.red, 0);
    EXPECT_EQ(frozen.blue, 0);
}
