#include "control/render/PictureReader.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace vexor::control;

namespace {

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format));
    return bytes;
}

QImage decoded(QByteArray bytes) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return readPicture(&buffer);
}

// The picture read from a file of this name holding these bytes.
QImage decodedFile(const QString& name, const QByteArray& bytes) {
    QTemporaryDir dir;
    QFile file(dir.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return readPicture(&file);
}

// The CRC-32 of PNG chunks (ISO 3309 polynomial, reflected).
quint32 crc32(const QByteArray& bytes) {
    quint32 crc = 0xffffffffu;
    for (const char c : bytes) {
        crc ^= static_cast<quint8>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A zlib stream of `count` zero bytes, small however large the count: one deflate block with
// the fixed codes, a literal zero, then copies of the previous 258 bytes.
QByteArray zlibZeros(quint64 count) {
    QByteArray out("\x78\x01", 2);
    quint32 bits = 0;
    int used = 0;
    auto put = [&](quint32 value, int length) { // LSB first
        bits |= value << used;
        used += length;
        for (; used >= 8; used -= 8, bits >>= 8)
            out.append(static_cast<char>(bits & 0xff));
    };
    auto code = [&](quint32 value, int length) { // Huffman codes go most significant bit first
        for (int i = length - 1; i >= 0; --i)
            put((value >> i) & 1, 1);
    };
    put(1, 1);     // the last block
    put(1, 2);     // fixed codes
    code(0x30, 8); // literal 0
    quint64 left = count - 1;
    for (; left >= 258; left -= 258) {
        code(0xc5, 8); // length 258
        code(0, 5);    // distance 1
    }
    for (; left > 0; --left)
        code(0x30, 8);
    code(0, 7); // end of block
    if (used > 0)
        put(0, 8 - used);
    const quint32 adler = static_cast<quint32>(count % 65521) << 16 | 1;
    char checksum[4];
    qToBigEndian(adler, checksum);
    out.append(checksum, 4);
    return out;
}

// A PNG of `width` x `height` RGBA pixels: with no data behind the header, or, when `whole`,
// every row present (transparent black).
QByteArray pngClaiming(quint32 width, quint32 height, bool whole = false) {
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    auto chunk = [&png](const char* type, const QByteArray& data) {
        char length[4];
        qToBigEndian(static_cast<quint32>(data.size()), length);
        png.append(length, 4);
        const QByteArray body = QByteArray(type, 4) + data;
        png.append(body);
        char crc[4];
        qToBigEndian(crc32(body), crc);
        png.append(crc, 4);
    };
    QByteArray header(13, '\0');
    qToBigEndian(width, header.data());
    qToBigEndian(height, header.data() + 4);
    header[8] = 8; // bits per sample
    header[9] = 6; // RGBA
    chunk("IHDR", header);
    // A row is its filter byte and its pixels.
    chunk("IDAT", whole ? zlibZeros(quint64{height} * (1 + 4ull * width)) : QByteArray());
    chunk("IEND", {});
    return png;
}

} // namespace

TEST(PictureReader, PicturesComeInTheFormatsTheRendererPaintsFastest) {
    QImage opaque(3, 2, QImage::Format_Indexed8);
    opaque.setColorTable({qRgb(10, 20, 30), qRgb(200, 100, 0)});
    opaque.fill(1);
    const QImage fromBmp = decoded(encoded(opaque, "BMP"));
    EXPECT_EQ(fromBmp.format(), QImage::Format_RGB32);
    EXPECT_EQ(fromBmp.pixel(2, 1), qRgb(200, 100, 0));

    QImage translucent(2, 2, QImage::Format_ARGB32);
    translucent.fill(qRgba(255, 0, 0, 128));
    const QImage fromPng = decoded(encoded(translucent, "PNG"));
    EXPECT_EQ(fromPng.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_NEAR(qAlpha(fromPng.pixel(0, 0)), 128, 1);
}

TEST(PictureReader, PicturesBeyondTheSideLimitAreReadScaledDown) {
    QImage wide(kMaxPictureSide * 2, 4, QImage::Format_RGB32);
    wide.fill(qRgb(0, 128, 255));
    const QImage read = decoded(encoded(wide, "PNG"));
    EXPECT_EQ(read.width(), kMaxPictureSide);
    EXPECT_EQ(read.height(), 2);
    EXPECT_EQ(read.pixel(100, 1), qRgb(0, 128, 255));
}

TEST(PictureReader, ACallersSmallerLimitsHold) {
    QImage square(300, 200, QImage::Format_RGB32);
    square.fill(qRgb(10, 20, 30));
    QByteArray bytes = encoded(square, "PNG");
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const QImage scaled = readPicture(&buffer, {.maxSide = 64, .maxDecodedPixels = 300 * 200});
    EXPECT_EQ(scaled.width(), 64);
    EXPECT_NEAR(scaled.height(), 43, 1);
    buffer.seek(0);
    EXPECT_TRUE(readPicture(&buffer, {.maxSide = 64, .maxDecodedPixels = 300 * 199}).isNull());
}

TEST(PictureReader, HostilePicturesGiveNoImage) {
    // A header claiming four billion pixels with no data behind it: refused, not allocated.
    EXPECT_TRUE(decoded(pngClaiming(65535, 65535)).isNull());
    EXPECT_TRUE(decoded(pngClaiming(0, 10)).isNull());
    // A whole picture of more pixels than are decoded at all (a 10 KB file, seconds of
    // decoding): refused before decoding.
    EXPECT_TRUE(decoded(pngClaiming(20000, 3400, true)).isNull());
    EXPECT_EQ(decoded(pngClaiming(300, 200, true)).size(), QSize(300, 200));
    // A picture cut in its header, and bytes that are no picture, also under a wrong suffix.
    const QByteArray png = encoded(QImage(4, 4, QImage::Format_RGB32), "PNG");
    EXPECT_TRUE(decoded(png.left(20)).isNull());
    EXPECT_TRUE(decodedFile("junk.jpg", QByteArray("this is not a picture")).isNull());
    EXPECT_TRUE(decoded(QByteArray()).isNull());
    // A GIF whose screen claims no height and whose frame is 34,048 rows tall (found by the
    // fuzzer): the side limit holds although the size was not known before decoding.
    const QImage tall =
        decoded(QByteArray::fromBase64("R0lGODlhBAAAhQAAACwAAAAABAAEAAACBISPCQUAOw=="));
    EXPECT_LE(tall.height(), kMaxPictureSide);
    // A picture followed by a text chunk claiming 1.5 GB that the file does not hold (found
    // by the fuzzer): refused rather than allocated (the decoder would take 1.5 GB).
    QByteArray textClaim = png.left(png.size() - 12); // up to IEND
    textClaim.append(QByteArray::fromHex("5b000025") + "tEXtdate:create");
    EXPECT_TRUE(decoded(textClaim).isNull());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    EXPECT_LT(usage.ru_maxrss / 1024, 1024) << "peak megabytes";
}

TEST(PictureReader, TheSuffixIsOnlyAHint) {
    // A PNG saved under a .jpg name still opens, as CAD users rename files freely.
    const QByteArray png = encoded(QImage(5, 3, QImage::Format_RGB32), "PNG");
    EXPECT_EQ(decodedFile("renamed.jpg", png).size(), QSize(5, 3));
    EXPECT_EQ(decodedFile("plain.png", png).size(), QSize(5, 3));
}
