#include "TestDrawings.h"

#include <fstream>

namespace vexor::control::test {
namespace {

cad::Entity square(std::uint32_t layer, double x0, double y0, double side) {
    cad::Solid solid;
    solid.corners[0] = {x0, y0, 0};
    solid.corners[1] = {x0 + side, y0, 0};
    solid.corners[2] = {x0, y0 + side, 0};
    solid.corners[3] = {x0 + side, y0 + side, 0};
    cad::Entity e{{}, solid};
    e.common.layer = layer;
    return e;
}

} // namespace

cad::Drawing twoSquares() {
    cad::Drawing d;
    d.header.insUnits = 4;
    d.header.extMin = cad::Vec3{0, 0, 0};
    d.header.extMax = cad::Vec3{100, 50, 0};
    const std::uint32_t red = d.layerIndex("Red");
    d.layers[red].color = cad::Color::indexed(1);
    const std::uint32_t blue = d.layerIndex("Blue");
    d.layers[blue].color = cad::Color::indexed(5);
    const std::uint32_t off = d.layerIndex("Off");
    d.layers[off].off = true;
    d.modelSpace.push_back(square(red, 10, 10, 30));
    d.modelSpace.push_back(square(blue, 60, 10, 30));
    // Corner marks so that the drawing's frame is (0, 0)-(100, 50) whatever is filled.
    d.modelSpace.push_back({{}, cad::Point{{0, 0, 0}}});
    d.modelSpace.push_back({{}, cad::Point{{100, 50, 0}}});
    d.modelSpace[2].common.layer = d.modelSpace[3].common.layer = off;
    return d;
}

std::filesystem::path writeLayerDxf(const std::filesystem::path& dir) {
    const auto path = dir / "layers.dxf";
    std::ofstream out(path, std::ios::binary);
    const char* groups[] = {
        "0",  "SECTION", "2",  "HEADER",  "9",  "$ACADVER", "1",  "AC1009",   "9",  "$INSUNITS",
        "70", "4",       "9",  "$EXTMIN", "10", "0.0",      "20", "0.0",      "30", "0.0",
        "9",  "$EXTMAX", "10", "100.0",   "20", "50.0",     "30", "0.0",      "0",  "ENDSEC",
        "0",  "SECTION", "2",  "TABLES",  "0",  "TABLE",    "2",  "LAYER",    "70", "4",
        "0",  "LAYER",   "2",  "0",       "70", "0",        "62", "7",        "6",  "CONTINUOUS",
        "0",  "LAYER",   "2",  "Walls",   "70", "0",        "62", "1",        "6",  "CONTINUOUS",
        "0",  "LAYER",   "2",  "Doors",   "70", "0",        "62", "-5",       "6",  "CONTINUOUS",
        "0",  "LAYER",   "2",  "Frozen",  "70", "1",        "62", "3",        "6",  "CONTINUOUS",
        "0",  "ENDTAB",  "0",  "ENDSEC",  "0",  "SECTION",  "2",  "ENTITIES", "0",  "LINE",
        "8",  "Walls",   "10", "0.0",     "20", "0.0",      "30", "0.0",      "11", "100.0",
        "21", "50.0",    "31", "0.0",     "0",  "LINE",     "8",  "Doors",    "10", "0.0",
        "20", "50.0",    "30", "0.0",     "11", "100.0",    "21", "0.0",      "31", "0.0",
        "0",  "ENDSEC",  "0",  "EOF"};
    for (const char* g : groups)
        out << g << "\r\n";
    return path;
}

int countPixels(const QImage& image, const std::function<bool(QColor)>& match) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += match(image.pixelColor(x, y));
    return n;
}

QRect pixelBounds(const QImage& image, const std::function<bool(QColor)>& match) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (match(image.pixelColor(x, y)))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

bool isReddish(QColor c) {
    return c.red() > 180 && c.green() < 90 && c.blue() < 90;
}
bool isBluish(QColor c) {
    return c.blue() > 180 && c.red() < 90 && c.green() < 90;
}
bool isGreenish(QColor c) {
    return c.green() > 180 && c.red() < 90 && c.blue() < 90;
}
bool isInk(QColor c) {
    return c.red() < 200 || c.green() < 200 || c.blue() < 200;
}

} // namespace vexor::control::test
