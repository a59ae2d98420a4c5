#pragma once

#include <QColor>
#include <QPointF>
#include <QString>
#include <QTransform>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class QImage;
class QPainter;
class QRawFont;

namespace vexor::control {

// How a stroke is drawn: colour, width in device pixels (0 = thinnest line the device has) and
// dash pattern in device pixels (dash, gap, dash, gap ...; empty = solid).
struct StrokeStyle {
    QColor color;
    double width = 0;
    std::vector<double> dashes;
};

// How a text run is drawn. `transform` maps the run's frame (x along the baseline, y up, one
// unit = cap height) into device coordinates; `align` 0 left, 1 centre, 2 right puts the
// frame's origin on the run; fitWidth > 0 stretches the run to that many frame units.
// `fontPath` names the TrueType file to draw with (empty: the device's own face) and
// `widthScale` narrows it (a narrow face drawn from a normal one).
struct TextStyle {
    QColor color;
    QTransform transform;
    int align = 0;
    double fitWidth = 0;
    bool fitUniform = false; // aligned text: height scales with the width
    QString fontPath;
    double widthScale = 1;
};

// The pixels of a 32-bit image that a device draws into with at most a scale (high-density
// screens) and a translation: dots
// written here are exactly the dots drawDots would draw, without going through a batch.
struct PixelCanvas {
    std::uint32_t* bits = nullptr;
    std::ptrdiff_t stride = 0; // pixels per line
    int width = 0, height = 0;
    double sx = 1, sy = 1, dx = 0, dy = 0; // device to image pixels

    void put(double x, double y, std::uint32_t argb) const {
        // Truncation equals flooring once negative positions are rejected.
        const double fx = x * sx + dx, fy = y * sy + dy;
        if (!(fx >= 0 && fy >= 0 && fx < width && fy < height))
            return;
        bits[static_cast<std::ptrdiff_t>(fy) * stride + static_cast<int>(fx)] = argb;
    }
};

// The single drawing path: screen, overview, printer and image export all draw through a
// Device, so they cannot disagree. Coordinates are device coordinates (y down).
class Device {
public:
    virtual ~Device() = default;
    virtual void strokePolyline(std::span<const QPointF> points, bool closed,
                                const StrokeStyle& style) = 0;
    // Independent lines: points[0]-points[1], points[2]-points[3] ...
    virtual void strokeSegments(std::span<const QPointF> points, const StrokeStyle& style) = 0;
    // Rings (ring sizes in `rings`) filled together, even-odd or non-zero winding.
    virtual void fillPolygon(std::span<const QPointF> points, std::span<const std::uint32_t> rings,
                             const QColor& color, bool evenOdd = true) = 0;
    virtual void drawText(const QString& text, const TextStyle& style) = 0;
    // Dots of one device pixel (or the smallest visible mark of the device).
    virtual void drawDots(std::span<const QPointF> points, const QColor& color) = 0;
    // A raster picture: `toDevice` maps its pixels (x right, y down, one unit a pixel) to the
    // device, and only what lies inside `clip` is drawn (the rings in `rings` taken together,
    // even-odd). Devices that show no pictures ignore it.
    virtual void drawImage(const QImage& /*image*/, const QTransform& /*toDevice*/,
                           std::span<const QPointF> /*clip*/,
                           std::span<const std::uint32_t> /*rings*/) {}
    // Limits drawing to the inside of a ring (device coordinates) until clearClip(). Devices
    // that cannot clip draw everything (a recording device, for example).
    virtual void setClip(std::span<const QPointF> /*ring*/) {}
    virtual void clearClip() {}
    // The device's resolution relative to a screen pixel; level-of-detail thresholds scale by it.
    virtual double pixelScale() const { return 1.0; }
    // Direct access to the pixels, when the device draws into a plain image; valid until the
    // next call of another drawing function.
    virtual std::optional<PixelCanvas> pixelCanvas() { return std::nullopt; }
};

// Draws through a QPainter: widgets, images, printers, PDF and SVG.
class PainterDevice : public Device {
public:
    explicit PainterDevice(QPainter& painter);
    void strokePolyline(std::span<const QPointF> points, bool closed,
                        const StrokeStyle& style) override;
    void strokeSegments(std::span<const QPointF> points, const StrokeStyle& style) override;
    void fillPolygon(std::span<const QPointF> points, std::span<const std::uint32_t> rings,
                     const QColor& color, bool evenOdd = true) override;
    void drawText(const QString& text, const TextStyle& style) override;
    void drawDots(std::span<const QPointF> points, const QColor& color) override;
    void drawImage(const QImage& image, const QTransform& toDevice, std::span<const QPointF> clip,
                   std::span<const std::uint32_t> rings) override;
    void setClip(std::span<const QPointF> ring) override;
    void clearClip() override;
    double pixelScale() const override { return pixelScale_; }
    std::optional<PixelCanvas> pixelCanvas() override;

    // Width of a text run in frame units (cap height = 1), as drawText lays it out.
    static double textWidth(const QString& text);

private:
    void applyPen(const StrokeStyle& style);
    void drawFaceText(const QRawFont& face, const QString& text, const TextStyle& style);

    QPainter& painter_;
    double pixelScale_ = 1.0;
    bool clipped_ = false;
};

} // namespace vexor::control
