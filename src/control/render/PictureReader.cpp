#include "PictureReader.h"

#include <QImageReader>
#include <QtEndian>

namespace vexor::control {

namespace {

// libpng allocates (and clears) the length a chunk claims before reading it: a 300-byte file
// claiming a 1.5 GB text chunk costs that much memory and seconds. A chunk longer than the
// rest of the file is damage, so such a file is refused before decoding. Other files pass.
bool pngChunksFitTheFile(QIODevice* device) {
    static const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
    if (device->isSequential() || device->peek(8) != signature)
        return true;
    const qint64 start = device->pos();
    const qint64 end = device->size();
    bool fits = true;
    for (qint64 at = start + 8; at + 12 <= end;) {
        char header[8];
        if (!device->seek(at) || device->read(header, 8) != 8)
            break;
        const qint64 length = qFromBigEndian<quint32>(header);
        if (length > end - at - 12) {
            fits = false;
            break;
        }
        if (QByteArrayView(header + 4, 4) == "IEND")
            break;
        at += 12 + length;
    }
    device->seek(start);
    return fits;
}

QImage readWith(QImageReader& reader, const PictureLimits& limits) {
    reader.setAllocationLimit(limits.allocationLimitMb);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && qint64{size.width()} * size.height() > limits.maxDecodedPixels &&
        reader.format() != "jpeg" && reader.format() != "jpg")
        return {};
    const int side = limits.maxSide;
    if (size.isValid() && (size.width() > side || size.height() > side))
        reader.setScaledSize(size.scaled(side, side, Qt::KeepAspectRatio));
    return reader.read();
}

} // namespace

QImage readPicture(QIODevice* device, const PictureLimits& limits) {
    if (!pngChunksFitTheFile(device))
        return {};
    const qint64 start = device->pos();
    QImage image;
    {
        QImageReader bySuffix(device);
        image = readWith(bySuffix, limits);
    }
    if (image.isNull() && !device->isSequential() && device->seek(start)) {
        QImageReader byContent(device);
        byContent.setDecideFormatFromContent(true);
        image = readWith(byContent, limits);
    }
    if (image.isNull())
        return {};
    // Some readers learn the size only while decoding; the limit holds for them too.
    if (image.width() > limits.maxSide || image.height() > limits.maxSide)
        image = image.scaled(limits.maxSide, limits.maxSide, Qt::KeepAspectRatio,
                             Qt::SmoothTransformation);
    if (image.format() != QImage::Format_ARGB32_Premultiplied &&
        image.format() != QImage::Format_RGB32)
        image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                              : QImage::Format_RGB32);
    return image;
}

} // namespace vexor::control
