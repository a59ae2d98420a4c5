#include "ToolbarPictures.h"

#include "view/VectorIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vexor::app {
namespace {

const QColor kInk(40, 52, 70);
const QColor kAccent(30, 120, 200);
const QColor kPaper(250, 250, 245);

// All pictures are drawn on a 32 x 32 design grid and scaled.
void magnifier(QPainter& p) {
    p.setPen(QPen(kInk, 2.5));
    p.setBrush(QColor(220, 235, 250));
    p.drawEllipse(QPointF(13, 13), 9, 9);
    p.setPen(QPen(kInk, 4.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(20, 20), QPointF(28, 28));
}

void arrowHead(QPainter& p, QPointF tip, QPointF dir) {
    const QPointF n(-dir.y(), dir.x());
    QPolygonF head;
    head << tip << tip - dir * 5 + n * 3.5 << tip - dir * 5 - n * 3.5;
    p.setBrush(p.pen().color());
    p.drawPolygon(head);
}

void drawPicture(QPainter& p, int k) {
    p.setRenderHint(QPainter::Antialiasing);
    switch (k) {
    case 1: { // open: a folder with a drawing sheet
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(QColor(240, 200, 90));
        QPainterPath back;
        back.moveTo(3, 8);
        back.lineTo(12, 8);
        back.lineTo(14, 11);
        back.lineTo(28, 11);
        back.lineTo(28, 27);
        back.lineTo(3, 27);
        back.closeSubpath();
        p.drawPath(back);
        p.setBrush(kPaper);
        p.drawRect(QRectF(8, 5, 16, 14));
        p.setPen(QPen(kAccent, 1.5));
        p.drawLine(QPointF(11, 9), QPointF(21, 9));
        p.drawLine(QPointF(11, 13), QPointF(18, 13));
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(QColor(250, 215, 110));
        QPolygonF front;
        front << QPointF(3, 27) << QPointF(7, 15) << QPointF(31, 15) << QPointF(28, 27);
        p.drawPolygon(front);
        break;
    }
    case 2:
    case 3: // zoom in, zoom out
        magnifier(p);
        p.setPen(QPen(kAccent, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8.5, 13), QPointF(17.5, 13));
        if (k == 2)
            p.drawLine(QPointF(13, 8.5), QPointF(13, 17.5));
        break;
    case 4: // zoom a selected area
        p.setPen(QPen(kAccent, 1.8, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(2, 2, 20, 16));
        p.scale(0.8, 0.8);
        p.translate(8, 10);
        magnifier(p);
        break;
    case 5: { // undo zoom: a curved arrow turning back
        p.setPen(QPen(kInk, 3, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        QPainterPath path;
        path.moveTo(9, 12);
        path.cubicTo(14, 5, 28, 7, 27, 18);
        path.cubicTo(26, 25, 18, 28, 12, 26);
        p.drawPath(path);
        p.setPen(QPen(kInk, 1));
        arrowHead(p, QPointF(5, 15), QPointF(-0.6, 0.8));
        break;
    }
    case 6: { // actual size: 1:1 on a ruler
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(kPaper);
        p.drawRect(QRectF(2, 20, 28, 9));
        for (int x = 5; x < 30; x += 4)
            p.drawLine(QPointF(x, 20), QPointF(x, x % 8 == 5 ? 26 : 23));
        QFont font("DejaVu Sans");
        font.setPixelSize(14);
        font.setBold(true);
        p.setFont(font);
        p.setPen(kAccent);
        p.drawText(QRectF(0, 0, 32, 19), Qt::AlignCenter, "1:1");
        break;
    }
    case 7: { // redraw: two circular arrows
        p.setPen(QPen(kAccent, 3, Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        const QRectF circle(6, 6, 20, 20);
        p.drawArc(circle, 30 * 16, 150 * 16);
        p.drawArc(circle, 210 * 16, 150 * 16);
        p.setPen(QPen(kAccent, 1));
        arrowHead(p, QPointF(25.5, 9), QPointF(0.5, 0.9));
        arrowHead(p, QPointF(6.5, 23), QPointF(-0.5, -0.9));
        break;
    }
    case 8:
    case 9: { // zoom width, zoom height: arrows between two bars
        if (k == 9) {
            p.translate(32, 0);
            p.rotate(90);
        }
        p.setPen(QPen(kInk, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3, 6), QPointF(3, 26));
        p.drawLine(QPointF(29, 6), QPointF(29, 26));
        p.setPen(QPen(kAccent, 2.5));
        p.drawLine(QPointF(8, 16), QPointF(24, 16));
        p.setPen(QPen(kAccent, 1));
        arrowHead(p, QPointF(26, 16), QPointF(1, 0));
        arrowHead(p, QPointF(6, 16), QPointF(-1, 0));
        break;
    }
    case 10: { // bird's eye: a small overview frame with a view rectangle
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(kPaper);
        p.drawRect(QRectF(3, 5, 26, 22));
        p.setPen(QPen(QColor(120, 130, 140), 1.2));
        p.drawLine(QPointF(6, 22), QPointF(14, 10));
        p.drawLine(QPointF(14, 10), QPointF(20, 18));
        p.drawLine(QPointF(20, 18), QPointF(26, 9));
        p.setPen(QPen(QColor(210, 40, 40), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(12, 12, 10, 8));
        break;
    }
    case 11: { // print: a printer with a sheet
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(kPaper);
        p.drawRect(QRectF(9, 3, 14, 10));
        p.setBrush(QColor(150, 160, 175));
        p.drawRoundedRect(QRectF(3, 12, 26, 11), 2, 2);
        p.setBrush(kPaper);
        p.drawRect(QRectF(9, 19, 14, 10));
        p.setPen(QPen(kAccent, 1.2));
        p.drawLine(QPointF(11, 23), QPointF(21, 23));
        p.drawLine(QPointF(11, 26), QPointF(18, 26));
        break;
    }
    case 12: { // pan: an open hand
        p.setPen(QPen(kInk, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(QColor(255, 236, 210));
        QPainterPath hand;
        hand.moveTo(9, 29);
        hand.lineTo(6, 19);
        hand.quadTo(5, 16, 8, 16.5);
        hand.lineTo(10, 20);
        hand.lineTo(10, 7);
        hand.quadTo(12, 4.5, 14, 7);
        hand.lineTo(14, 15);
        hand.lineTo(14, 5);
        hand.quadTo(16, 2.5, 18, 5);
        hand.lineTo(18, 15);
        hand.lineTo(18, 6);
        hand.quadTo(20, 3.5, 22, 6);
        hand.lineTo(22, 16);
        hand.lineTo(22, 9);
        hand.quadTo(24, 6.5, 26, 9);
        hand.lineTo(26, 21);
        hand.quadTo(26, 26, 23, 29);
        hand.closeSubpath();
        p.drawPath(hand);
        break;
    }
    default:
        break;
    }
}

} // namespace

std::vector<QIcon> makeToolbarPictures() {
    std::vector<QIcon> pictures;
    for (int k = 1; k <= 12; ++k)
        pictures.push_back(view::vectorIcon([k](QPainter& p, const QRect& rect, QIcon::Mode mode) {
            p.translate(rect.topLeft());
            p.scale(rect.width() / 32.0, rect.height() / 32.0);
            if (mode == QIcon::Disabled)
                p.setOpacity(0.35);
            drawPicture(p, k);
        }));
    return pictures;
}

QPixmap toolbarPicture(int k, int side, qreal devicePixelRatio) {
    const int pixels = static_cast<int>(side * devicePixelRatio);
    QPixmap pm(pixels, pixels);
    pm.fill(Qt::transparent);
    {
        QPainter painter(&pm);
        painter.scale(pixels / 32.0, pixels / 32.0);
        drawPicture(painter, k);
    }
    pm.setDevicePixelRatio(devicePixelRatio);
    return pm;
}

} // namespace vexor::app
