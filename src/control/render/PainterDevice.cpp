#include "Device.h"
#include "TrueTypeFaces.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace vexor::control {

namespace {

// Glyphs are laid out at this pixel size and scaled by the text's transform.
constexpr double kLayoutPixelSize = 100.0;

const QFont& textFont() {
    static const QFont font = [] {
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(static_cast<int>(kLayoutPixelSize));
        f.setHintingPreference(QFont::PreferNoHinting);
        f.setKerning(true);
        return f;
    }();
    return font;
}

double capHeight() {
    static const double cap = [] {
        const double h = QFontMetricsF(textFont()).capHeight();
        return h > 0 ? h : kLayoutPixelSize * 0.73;
    }();
    return cap;
}

// The run's frame: cap height 1, origin at the alignment point on the baseline, or the text
// stretched to its fitted width.
QTransform runFrame(double width, const TextStyle& style) {
    QTransform frame;
    if (style.fitWidth > 0 && width > 0) {
        const double sx = style.fitWidth / width;
        frame.scale(sx, style.fitUniform ? sx : 1.0);
    } else {
        frame.translate(-width * style.align / 2.0, 0);
    }
    return frame;
}

} // namespace

PainterDevice::PainterDevice(QPainter& painter) : painter_(painter) {
    if (QPaintDevice* device = painter.device())
        pixelScale_ = std::max(1.0, device->logicalDpiX() / 96.0);
    if (painter.device() && painter.device()->devType() == QInternal::Image)
        pixelScale_ = 1.0;
}

void PainterDevice::applyPen(const StrokeStyle& style) {
    QPen pen(style.color);
    pen.setCosmetic(true);
    pen.setWidthF(style.width > 1 ? style.width : 1.0);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    if (!style.dashes.empty()) {
        QList<qreal> pattern;
        const double unit = pen.widthF();
        for (double d : style.dashes)
            pattern.append(std::max(d / unit, 0.01));
        pen.setDashPattern(pattern);
    }
    painter_.setPen(pen);
    painter_.setBrush(Qt::NoBrush);
}

void PainterDevice::strokePolyline(std::span<const QPointF> points, bool closed,
                                   const StrokeStyle& style) {
    if (points.empty())
        return;
    applyPen(style);
    const int n = static_cast<int>(points.size());
    if (n == 1) {
        painter_.drawPoint(points[0]);
    } else if (n == 2 && !closed) {
        painter_.drawLine(points[0], points[1]);
    } else if (closed) {
        painter_.drawPolygon(points.data(), n);
    } else {
        painter_.drawPolyline(points.data(), n);
    }
}

void PainterDevice::strokeSegments(std::span<const QPointF> points, const StrokeStyle& style) {
    if (points.size() < 2)
        return;
    applyPen(style);
    painter_.drawLines(points.data(), static_cast<int>(points.size() / 2));
}

void PainterDevice::fillPolygon(std::span<const QPointF> points,
                                std::span<const std::uint32_t> rings, const QColor& color,
                                bool evenOdd) {
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(color);
    if (rings.size() == 1 && rings[0] == points.size()) {
        painter_.drawPolygon(points.data(), static_cast<int>(points.size()),
                             evenOdd ? Qt::OddEvenFill : Qt::WindingFill);
        return;
    }
    QPainterPath path;
    path.setFillRule(evenOdd ? Qt::OddEvenFill : Qt::WindingFill);
    std::size_t at = 0;
    for (std::uint32_t size : rings) {
        if (at + size > points.size() || size == 0)
            break;
        path.moveTo(points[at]);
        for (std::size_t k = 1; k < size; ++k)
            path.lineTo(points[at + k]);
        path.closeSubpath();
        at += size;
    }
    painter_.drawPath(path);
}

double PainterDevice::textWidth(const QString& text) {
    return QFontMetricsF(textFont()).horizontalAdvance(text) / capHeight();
}

void PainterDevice::drawText(const QString& text, const TextStyle& style) {
    if (text.isEmpty())
        return;
    if (!style.fontPath.isEmpty())
        if (const QRawFont* face = trueTypeFace(style.fontPath)) {
            drawFaceText(*face, text, style);
            return;
        }
    const double cap = capHeight();
    // Glyph space (pixels of the layout font, y down) to the frame (y up, cap height 1).
    const QTransform glyphs = QTransform::fromScale(1.0 / cap, -1.0 / cap) *
                              runFrame(textWidth(text), style) * style.transform;
    painter_.save();
    painter_.setTransform(glyphs, true);
    painter_.setFont(textFont());
    painter_.setPen(style.color);
    painter_.drawText(QPointF(0, 0), text);
    painter_.restore();
}

// TrueType text: shaped with the face the engine measured it with, so alignments agree.
void PainterDevice::drawFaceText(const QRawFont& face, const QString& text,
                                 const TextStyle& style) {
    const ShapedText shaped = shapeText(face, text);
    const double cap = faceCapHeight(face);
    const double width = shaped.width / cap * style.widthScale;
    const QTransform glyphs = QTransform::fromScale(style.widthScale / cap, -1.0 / cap) *
                              runFrame(width, style) * style.transform;
    // PDF and printers embed the face as a font when the font engine knows its file: the text
    // is then text, found and selected in the document.
    const QPaintEngine* engine = painter_.paintEngine();
    const bool paged = (engine && engine->type() == QPaintEngine::Pdf) ||
                       (painter_.device() && painter_.device()->devType() == QInternal::Printer);
    const QRawFont* embedded = paged ? embeddableFace(style.fontPath) : nullptr;
    painter_.save();
    painter_.setTransform(glyphs, true);
    painter_.setPen(style.color);
    for (const ShapedText::Run& part : shaped.runs) {
        if (part.glyphs.isEmpty())
            continue;
        QGlyphRun run;
        run.setRawFont(embedded && part.face == &face ? *embedded : *part.face);
        run.setGlyphIndexes(part.glyphs);
        run.setPositions(part.positions);
        painter_.drawGlyphRun(QPointF(0, 0), run);
    }
    painter_.restore();
}

std::optional<PixelCanvas> PainterDevice::pixelCanvas() {
    QPaintDevice* device = painter_.device();
    if (!device || device->devType() != QInternal::Image || painter_.hasClipping())
        return std::nullopt;
    const QTransform& t = painter_.deviceTransform();
    if (t.type() > QTransform::TxScale)
        return std::nullopt;
    auto* image = static_cast<QImage*>(device);
    const QImage::Format format = image->format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
        format != QImage::Format_ARGB32_Premultiplied)
        return std::nullopt;
    PixelCanvas canvas;
    canvas.bits = reinterpret_cast<std::uint32_t*>(image->bits());
    canvas.stride = image->bytesPerLine() / 4;
    canvas.width = image->width();
    canvas.height = image->height();
    canvas.sx = t.m11();
    canvas.sy = t.m22();
    canvas.dx = t.dx();
    canvas.dy = t.dy();
    return canvas;
}

void PainterDevice::drawDots(std::span<const QPointF> points, const QColor& color) {
    if (points.empty())
        return;
    if (const auto canvas = pixelCanvas()) {
        const QRgb rgb = color.rgba() | 0xFF000000u;
        for (const QPointF& p : points)
            canvas->put(p.x(), p.y(), rgb);
        return;
    }
    QPen pen(color);
    pen.setCosmetic(true);
    pen.setWidthF(1.0);
    painter_.setPen(pen);
    painter_.drawPoints(points.data(), static_cast<int>(points.size()));
}

void PainterDevice::drawImage(const QImage& image, const QTransform& toDevice,
                              std::span<const QPointF> clip, std::span<const std::uint32_t> rings) {
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    std::size_t at = 0;
    for (const std::uint32_t n : rings) {
        if (n > clip.size() - at)
            break;
        path.addPolygon(QPolygonF(QList<QPointF>(clip.begin() + at, clip.begin() + at + n)));
        path.closeSubpath();
        at += n;
    }
    painter_.save();
    painter_.setClipPath(path, painter_.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    painter_.setTransform(toDevice, true);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter_.drawImage(QPointF(0, 0), image);
    painter_.restore();
}

void PainterDevice::setClip(std::span<const QPointF> ring) {
    clearClip();
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(ring.begin(), ring.end())));
    path.closeSubpath();
    painter_.save();
    painter_.setClipPath(path, Qt::IntersectClip);
    clipped_ = true;
}

void PainterDevice::clearClip() {
    if (clipped_)
        painter_.restore();
    clipped_ = false;
}

} // namespace vexor::control
