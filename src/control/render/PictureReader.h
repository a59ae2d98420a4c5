#pragma once

#include <QImage>

class QIODevice;

namespace vexor::control {

// Pictures larger than this many pixels a side are read scaled down to it.
inline constexpr int kMaxPictureSide = 8192;
// Decoding costs time for every pixel a file claims, whatever size the result is scaled to: a
// 3 MB PNG can claim a billion pixels and keep the viewer busy for a minute. Pictures claiming
// more are refused, except JPEG, whose decoder reads a reduced picture directly.
inline constexpr qint64 kMaxDecodedPixels = qint64{kMaxPictureSide} * kMaxPictureSide;
// Qt refuses pictures whose decoding would allocate more than this many megabytes: a decoded
// picture of kMaxPictureSide pixels square at four bytes a pixel.
inline constexpr int kPictureAllocationLimitMb = 256;

// The bounds one read keeps to. The viewer uses the defaults; a caller that only needs small
// pictures (a fuzzer exploring the decoders' paths rather than filling memory) passes smaller ones.
struct PictureLimits {
    int maxSide = kMaxPictureSide;
    qint64 maxDecodedPixels = kMaxDecodedPixels;
    int allocationLimitMb = kPictureAllocationLimitMb;
};

// Decodes the raster picture a drawing refers to (PNG, JPEG, TIFF, BMP ... whatever Qt's image
// readers know) from `device`. Picture files are hostile input like drawings: one larger than
// the side limit is read scaled down to it, one
// that claims too many pixels or cannot be read gives a null image. The result is in one of the two
// formats the renderer paints fastest (RGB32, or premultiplied ARGB32 when it has transparency). A
// file's suffix is tried first (some formats cannot be told by content), then the content decides:
// CAD users rename pictures freely.
QImage readPicture(QIODevice* device, const PictureLimits& limits = {});

} // namespace vexor::control
