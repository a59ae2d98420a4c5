#include "LayerIcons.h"

#include "control/render/RenderStyle.h"

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>

namespace vexor::view {
namespace {

// A colour swatch drawn at any size: solid for a shown layer; for a hidden one, a faded
// outline struck through, so the two variants differ at a glance and not only by colour.
class SwatchEngine : public QIconEngine {
public:
    SwatchEngine(QColor colour, bool hidden) : colour_(colour), hidden_(hidden) {}

    void paint(QPainter* p, const QRect& rect, QIcon::Mode, QIcon::State) override {
        p->save();
        p->setRenderHint(QPainter::Antialiasing);
        const qreal s = std::min(rect.width(), rect.height());
        const QRectF box(rect.x() + s * 0.12, rect.y() + s * 0.12, s * 0.76, s * 0.76);
        if (hidden_) {
            QColor faded = colour_;
            faded.setAlpha(90);
            p->setBrush(faded);
            p->setPen(QPen(QColor(110, 110, 110), std::max<qreal>(1.0, s / 16), Qt::DashLine));
            p->drawRoundedRect(box, s * 0.12, s * 0.12);
            p->setPen(QPen(QColor(60, 60, 60), std::max<qreal>(1.2, s / 10)));
            p->drawLine(box.bottomLeft(), box.topRight());
        } else {
            p->setBrush(colour_);
            p->setPen(QPen(QColor(40, 40, 40), std::max<qreal>(1.0, s / 16)));
            p->drawRoundedRect(box, s * 0.12, s * 0.12);
        }
        p->restore();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter painter(&pm);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }
    QIconEngine* clone() const override { return new SwatchEngine(colour_, hidden_); }

private:
    QColor colour_;
    bool hidden_;
};

} // namespace

std::vector<QIcon> makeLayerIcons() {
    std::vector<QIcon> icons;
    icons.emplace_back(new SwatchEngine(control::paletteColor(1), false));
    for (const bool hidden : {false, true})
        for (int code = 1; code <= 14; ++code)
            icons.emplace_back(new SwatchEngine(control::paletteColor(code), hidden));
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

} // namespace vexor::view
