#include "VectorIcon.h"

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>

namespace vexor::view {
namespace {

class VectorIconEngine : public QIconEngine {
public:
    explicit VectorIconEngine(IconPainter draw) : draw_(std::move(draw)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        draw_(*painter, rect, mode);
        painter->restore();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter painter(&pm);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }
    QIconEngine* clone() const override { return new VectorIconEngine(draw_); }

private:
    IconPainter draw_;
};

} // namespace

QIcon vectorIcon(IconPainter draw) {
    return QIcon(new VectorIconEngine(std::move(draw)));
}

} // namespace vexor::view
