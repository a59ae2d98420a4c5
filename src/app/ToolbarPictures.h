#pragma once

#include <QIcon>
#include <vector>

namespace vexor::app {

// The twelve pictures of the toolbar's image list, drawn as vector art so they stay crisp at
// any size and screen density: open, zoom in, zoom out, zoom area, undo zoom, actual size,
// redraw, zoom width, zoom height, bird's eye, print, and the pan hand used as the cursor.
std::vector<QIcon> makeToolbarPictures();

// Picture number k (1-based) drawn into a square of the given side in device pixels.
QPixmap toolbarPicture(int k, int side, qreal devicePixelRatio = 1.0);

} // namespace vexor::app
