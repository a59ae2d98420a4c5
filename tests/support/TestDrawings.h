#pragma once

#include "cad/model/Drawing.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <filesystem>
#include <functional>

namespace vexor::control::test {

// Two filled squares side by side on a 100 x 50 drawing in millimetres: a red one (10, 10)-(40,
// 40) on layer "Red" and a blue one (60, 10)-(90, 40) on layer "Blue"; layer "Off" is off.
cad::Drawing twoSquares();

// A small text DXF file with layers "0", "Walls" (colour 1), "Doors" (off, colour 5) and
// "Frozen" (frozen, colour 3), a line on "Walls" and one on "Doors"; units millimetres.
std::filesystem::path writeLayerDxf(const std::filesystem::path& dir);

// Pixels of `image` (at its device pixels) for which `match` holds.
int countPixels(const QImage& image, const std::function<bool(QColor)>& match);
// The bounding rectangle of those pixels; empty when there are none.
QRect pixelBounds(const QImage& image, const std::function<bool(QColor)>& match);

bool isReddish(QColor c);
bool isBluish(QColor c);
bool isGreenish(QColor c);
bool isInk(QColor c); // anything clearly not white

} // namespace vexor::control::test
