#include "ImageCache.h"

#include "PictureReader.h"
#include "cad/io/LoadBudget.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <list>

namespace vexor::control {
namespace {

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

QImage readPictureFile(const QString& file) {
    QFile device(file);
    if (!device.open(QIODevice::ReadOnly))
        return {};
    return readPicture(&device);
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
    QImage image = readPictureFile(file);
    QMutexLocker lock(&s.mutex);
    s.entries.push_front({file, modified, image});
    s.bytes += image.sizeInBytes();
    while (s.bytes > kMaxBytes && s.entries.size() > 1) {
        s.bytes -= s.entries.back().image.sizeInBytes();
        s.entries.pop_back();
    }
    return image;
}

void ImageCache::readAll(const cad::DisplayList& list) {
    auto readList = [this](const cad::ItemList& items) {
        for (const cad::RasterImage& ref : items.images) {
            cad::loadCheckpoint();
            image(QString::fromStdString(ref.file));
        }
    };
    readList(list.modelSpace());
    for (std::size_t i = 0; i < list.blockCount(); ++i)
        readList(list.block(static_cast<std::uint32_t>(i)));
}

} // namespace vexor::control
