#include "ImageCache.h"

#include <QDateTime>
#include <QFileInfo>
#include <QImageReader>
#include <QMutex>
#include <QMutexLocker>
#include <list>

namespace vexor::control {
namespace {

// A decoded picture of kMaxSide pixels square at four bytes a pixel.
constexpr int kAllocationLimitMb = 256;

struct Entry {
    QString file;
    QDateTime modified;
    QImage image;
};

struct Store {
    QMutex mutex;
    std::list<Entry> entries; // most recently used first
    qint64 bytes = 0;
};

Store& store() {
    static Store s;
    return s;
}

QImage readPicture(const QString& file) {
    QImageReader reader(file);
    // Qt refuses pictures whose decoding would allocate more than this many megabytes.
    reader.setAllocationLimit(kAllocationLimitMb);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() &&
        (size.width() > ImageCache::kMaxSide || size.height() > ImageCache::kMaxSide))
        reader.setScaledSize(
            size.scaled(ImageCache::kMaxSide, ImageCache::kMaxSide, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (image.isNull())
        return {};
    if (image.format() != QImage::Format_ARGB32_Premultiplied &&
        image.format() != QImage::Format_RGB32)
        image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                              : QImage::Format_RGB32);
    return image;
}

} // namespace

ImageCache& ImageCache::instance() {
    static ImageCache cache;
    return cache;
}

QImage ImageCache::image(const QString& file) {
    const QDateTime modified = QFileInfo(file).lastModified();
    Store& s = store();
    {
        QMutexLocker lock(&s.mutex);
        for (auto it = s.entries.begin(); it != s.entries.end(); ++it)
            if (it->file == file && it->modified == modified) {
                s.entries.splice(s.entries.begin(), s.entries, it);
                return it->image;
            }
    }
    // Read outside the lock: other views keep drawing meanwhile.
    QImage image = readPicture(file);
    QMutexLocker lock(&s.mutex);
    s.entries.push_front({file, modified, image});
    s.bytes += image.sizeInBytes();
    while (s.bytes > kMaxBytes && s.entries.size() > 1) {
        s.bytes -= s.entries.back().image.sizeInBytes();
        s.entries.pop_back();
    }
    return image;
}

} // namespace vexor::control
