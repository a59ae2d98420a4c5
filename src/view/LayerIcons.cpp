#include "LayerIcons.h"

#include "VectorIcon.h"
#include "cad/model/Color.h"
#include "control/render/RenderStyle.h"

#include <QPainter>

namespace vexor::view {
namespace {

// A colour swatch: solid for a shown layer; for a hidden one, a faded outline struck through,
// so the two variants differ at a glance and not only by colour.
void drawSwatch(QPainter& p, const QRect& rect, QColor colour, bool hidden) {
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = std::min(rect.width(), rect.height());
    const QRectF box(rect.x() + s * 0.12, rect.y() + s * 0.12, s * 0.76, s * 0.76);
    if (hidden) {
        QColor faded = colour;
        faded.setAlpha(90);
        p.setBrush(faded);
        p.setPen(QPen(QColor(110, 110, 110), std::max<qreal>(1.0, s / 16), Qt::DashLine));
        p.drawRoundedRect(box, s * 0.12, s * 0.12);
        p.setPen(QPen(QColor(60, 60, 60), std::max<qreal>(1.2, s / 10)));
        p.drawLine(box.bottomLeft(), box.topRight());
    } else {
        p.setBrush(colour);
        p.setPen(QPen(QColor(40, 40, 40), std::max<qreal>(1.0, s / 16)));
        p.drawRoundedRect(box, s * 0.12, s * 0.12);
    }
}

QIcon swatch(QColor colour, bool hidden) {
    return vectorIcon([colour, hidden](QPainter& p, const QRect& rect, QIcon::Mode) {
        drawSwatch(p, rect, colour, hidden);
    });
}

} // namespace

std::vector<QIcon> makeLayerIcons() {
    std::vector<QIcon> icons;
    icons.push_back(swatch(control::paletteColor(1), false));
    for (const bool hidden : {false, true})
        for (int code = 1; code <= 14; ++code)
            icons.push_back(swatch(control::paletteColor(code), hidden));
    return icons;
}

const std::vector<std::string>& layerIconKeys() {
    static const std::vector<std::string> keys = [] {
        const char* names[14] = {"RED",       "YELLOW",   "GREEN",       "CYANO",      "BLUE",
                                 "MAGENTA",   "BLACK",    "DARKRED",     "DARKYELLOW", "DARKGREEN",
                                 "DARKCYANO", "DARKBLUE", "DARKMAGENTA", "WHITE"};
        std::vector<std::string> k{"Red0"};
        for (const char* suffix : {"2", "1"})
            for (const char* name : names)
                k.push_back(std::string(name) + suffix);
        return k;
    }();
    return keys;
}

int nearestIconColour(std::uint32_t rgb) {
    const auto channel = [](std::uint32_t c, int shift) {
        return static_cast<long>((c >> shift) & 0xFF);
    };
    int best = 1;
    long bestDistance = -1;
    for (int code = 1; code <= 14; ++code) {
        const QRgb icon = control::paletteColor(code).rgb();
        const long dr = channel(rgb, 16) - qRed(icon);
        const long dg = channel(rgb, 8) - qGreen(icon);
        const long db = channel(rgb, 0) - qBlue(icon);
        const long d = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = code;
        }
    }
    return best;
}

int layerIconIndex(int colourNumber, std::optional<std::uint32_t> trueColour, bool shown) {
    constexpr int kForeground = 7; // drawn black on light backgrounds, white on dark ones
    int colour = 0;
    if (trueColour)
        colour = nearestIconColour(*trueColour & 0xFFFFFFu);
    else if (colourNumber == kForeground)
        colour = kForeground;
    else if (colourNumber >= 1 && colourNumber <= 255)
        colour = nearestIconColour(cad::colorIndexRgb(colourNumber));
    if (colour == 0)
        return shown ? 0 : 28;
    return shown ? colour : colour + 14;
}

} // namespace vexor::view
