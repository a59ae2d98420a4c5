#include "RenderStyle.h"

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

} // namespace vexor::control
