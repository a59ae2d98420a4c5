#pragma once

#include "cad/geometry/DisplayList.h"

#include <QImage>
#include <QString>

namespace vexor::control {

// Raster pictures drawings refer to, read once through Qt's image readers and shared by every
// view (screen, overview, printing, export) in a process. A file that cannot be read gives a
// null image, so the caller draws the frame.
class ImageCache {
public:
    static ImageCache& instance();
    // The picture in `file`; null when it cannot be read.
    QImage image(const QString& file);
    // Reads every picture the list draws (model space, blocks), so that a load's worker pays
    // for decoding them and the first paint finds them ready.
    void readAll(const cad::DisplayList& list);

    // What the cache keeps before dropping the pictures used least recently.
    static constexpr qint64 kMaxBytes = 512LL * 1024 * 1024;

private:
    ImageCache() = default;
};

} // namespace vexor::control
