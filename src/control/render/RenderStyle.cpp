#include "RenderStyle.h"

#include "cad/geometry/DisplayList.h"

namespace vexor::control {

QColor paletteColor(int code) {
    static const QRgb kPalette[14] = {qRgb(255, 0, 0),   qRgb(255, 255, 0),  qRgb(0, 255, 0),
                                      qRgb(0, 255, 255), qRgb(0, 0, 255),    qRgb(255, 0, 255),
                                      qRgb(0, 0, 0),     qRgb(128, 0, 0),    qRgb(128, 128, 0),
                                      qRgb(0, 128, 0),   qRgb(0, 128, 128),  qRgb(0, 0, 128),
                                      qRgb(128, 0, 128), qRgb(255, 255, 255)};
    if (!isForeColorCode(code))
        return {};
    return QColor(kPalette[code - 1]);
}

std::vector<char> layersHiddenInFile(const cad::DisplayList& list) {
    std::vector<char> hidden(list.layers().size(), 0);
    for (std::size_t i = 0; i < hidden.size(); ++i)
        hidden[i] = list.layers()[i].frozenInFile ? 2 : list.layers()[i].initiallyHidden ? 1 : 0;
    return hidden;
}

} // namespace vexor::control
