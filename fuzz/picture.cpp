// libFuzzer target for the raster pictures drawings refer to (IMAGE entities): any bytes give a
// picture within the side limit, or none. Qt's decoders themselves are not instrumented; what
// is checked is our path around them: format guessing, the allocation limit, scaling down. The
// limits are a small fraction of the viewer's: with its own, one input claiming a picture at
// the pixel limit decodes 67 million pixels, and the fuzzer spends its time filling memory
// instead of exploring the readers' decisions, which do not depend on the numbers.
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
    constexpr vexor::control::PictureLimits limits{
        .maxSide = 256, .maxDecodedPixels = 512 * 512, .allocationLimitMb = 1};
    const QImage image = vexor::control::readPicture(&buffer, limits);
    if (image.width() > limits.maxSide || image.height() > limits.maxSide)
        __builtin_trap();
    if (!image.isNull() && image.format() != QImage::Format_RGB32 &&
        image.format() != QImage::Format_ARGB32_Premultiplied)
        __builtin_trap();
    return 0;
}
