// libFuzzer target for the raster pictures drawings refer to (IMAGE entities): any bytes give a
// picture within the side limit, or none. Qt's decoders themselves are not instrumented; what
// is checked is our path around them: format guessing, the allocation limit, scaling down.
#include "control/render/PictureReader.h"

#include <QBuffer>
#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const QImage image = vexor::control::readPicture(&buffer);
    if (image.width() > vexor::control::kMaxPictureSide ||
        image.height() > vexor::control::kMaxPictureSide)
        __builtin_trap();
    if (!image.isNull() && image.format() != QImage::Format_RGB32 &&
        image.format() != QImage::Format_ARGB32_Premultiplied)
        __builtin_trap();
    return 0;
}
