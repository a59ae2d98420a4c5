#include "BitReader.h"

#include "../io/Codepage.h"

#include <array>
#include <bit>
#include <cstring>

namespace vexor::cad::dwg {

std::uint64_t HandleRef::resolve(std::uint64_t ownHandle) const {
    switch (code) {
    case 0x6:
        return ownHandle + 1;
    case 0x8:
        return ownHandle - 1;
    case 0xA:
        return ownHandle + value;
    case 0xC:
        return ownHandle - value;
    default:
        return value;
    }
}

void BitReader::fail(const std::string& what) const {
    throw DwgFormatError(what, baseOffset_ + bit_ / 8, static_cast<int>(bit_ % 8));
}

void BitReader::need(std::size_t count) const {
    if (count > remainingBits())
        fail("unexpected end of data");
}

void BitReader::seekBit(std::size_t bit) {
    if (bit > endBit_)
        fail("position beyond the end of the data");
    bit_ = bit;
}

void BitReader::limitTo(std::size_t endBit) {
    endBit_ = std::min(endBit, data_.size() * 8);
}

std::uint64_t BitReader::bitsNearEnd(int count) {
    need(static_cast<std::size_t>(count));
    std::uint64_t value = 0;
    std::size_t at = bit_;
    for (int i = 0; i < count; ++i, ++at)
        value = (value << 1) | ((data_[at / 8] >> (7 - at % 8)) & 1u);
    bit_ += static_cast<std::size_t>(count);
    return value;
}

std::int16_t BitReader::rawShort() {
    return static_cast<std::int16_t>(__builtin_bswap16(static_cast<std::uint16_t>(bits(16))));
}

std::int32_t BitReader::rawLong() {
    return static_cast<std::int32_t>(__builtin_bswap32(static_cast<std::uint32_t>(bits(32))));
}

double BitReader::rawDouble() {
    const std::uint64_t v = __builtin_bswap64(bits(64));
    double d;
    std::memcpy(&d, &v, sizeof d);
    return d;
}

void BitReader::skipBytes(std::size_t count) {
    if (count > remainingBits() / 8)
        fail("unexpected end of data");
    bit_ += count * 8;
}

std::uint8_t BitReader::threeBits() {
    std::uint8_t v = 0;
    for (int i = 0; i < 3; ++i) {
        v = static_cast<std::uint8_t>((v << 1) | (bit() ? 1 : 0));
        if ((v & 1) == 0)
            break;
    }
    return v;
}

std::int16_t BitReader::bitShort() {
    switch (twoBits()) {
    case 0:
        return rawShort();
    case 1:
        return rawChar();
    case 2:
        return 0;
    default:
        return 256;
    }
}

std::int32_t BitReader::bitLong() {
    switch (twoBits()) {
    case 0:
        return rawLong();
    case 1:
        return rawChar();
    case 2:
        return 0;
    default:
        fail("invalid bit long code");
    }
}

std::uint64_t BitReader::bitLongLong() {
    const int count = static_cast<int>(bits(3));
    std::uint64_t v = 0;
    for (int i = 0; i < count; ++i)
        v |= static_cast<std::uint64_t>(rawChar()) << (8 * i);
    return v;
}

double BitReader::bitDouble() {
    switch (twoBits()) {
    case 0:
        return rawDouble();
    case 1:
        return 1.0;
    case 2:
        return 0.0;
    default:
        fail("invalid bit double code");
    }
}

double BitReader::defaultDouble(double defaultValue) {
    const std::uint8_t code = twoBits();
    if (code == 0)
        return defaultValue;
    if (code == 3)
        return rawDouble();
    std::array<std::uint8_t, 8> b;
    std::memcpy(b.data(), &defaultValue, 8);
    if (code == 1) {
        for (int i = 0; i < 4; ++i)
            b[static_cast<std::size_t>(i)] = rawChar();
    } else {
        b[4] = rawChar();
        b[5] = rawChar();
        for (int i = 0; i < 4; ++i)
            b[static_cast<std::size_t>(i)] = rawChar();
    }
    double d;
    std::memcpy(&d, b.data(), 8);
    return d;
}

double BitReader::thickness(DwgVersion v) {
    if (v >= DwgVersion::R2000 && bit())
        return 0.0;
    return bitDouble();
}

Vec3 BitReader::extrusion(DwgVersion v) {
    if (v >= DwgVersion::R2000 && bit())
        return {0, 0, 1};
    Vec3 e = point3();
    // Some writers store a zero vector for the default extrusion.
    if (e.x == 0 && e.y == 0 && e.z == 0)
        return {0, 0, 1};
    return e;
}

std::uint64_t BitReader::modularChar() {
    std::uint64_t value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        const std::uint8_t b = rawChar();
        value |= static_cast<std::uint64_t>(b & 0x7F) << shift;
        if ((b & 0x80) == 0)
            return value;
    }
    fail("modular char too long");
}

std::int64_t BitReader::signedModularChar() {
    std::uint64_t value = 0;
    for (int shift = 0; shift < 63; shift += 7) {
        const std::uint8_t b = rawChar();
        if ((b & 0x80) == 0) {
            value |= static_cast<std::uint64_t>(b & 0x3F) << shift;
            const auto magnitude = static_cast<std::int64_t>(value);
            return (b & 0x40) ? -magnitude : magnitude;
        }
        value |= static_cast<std::uint64_t>(b & 0x7F) << shift;
    }
    fail("modular char too long");
}

std::uint32_t BitReader::modularShort() {
    std::uint32_t value = 0;
    for (int shift = 0; shift < 32; shift += 15) {
        const auto word = static_cast<std::uint16_t>(rawShort());
        value |= static_cast<std::uint32_t>(word & 0x7FFF) << shift;
        if ((word & 0x8000) == 0)
            return value;
    }
    fail("modular short too long");
}

HandleRef BitReader::handle() {
    const std::uint8_t head = rawChar();
    HandleRef ref;
    ref.code = head >> 4;
    const int counter = head & 0x0F;
    if (counter > 8)
        fail("handle longer than 8 bytes");
    for (int i = 0; i < counter; ++i)
        ref.value = (ref.value << 8) | rawChar();
    return ref;
}

std::string BitReader::text8() {
    const auto length = static_cast<std::uint16_t>(bitShort());
    if (static_cast<std::size_t>(length) * 8 > remainingBits())
        fail("text longer than its object");
    std::string s(length, '\0');
    for (auto& c : s)
        c = static_cast<char>(rawChar());
    // Writers often store the terminating zero as part of the text.
    while (!s.empty() && s.back() == '\0')
        s.pop_back();
    return s;
}

std::string BitReader::textUtf16() {
    const auto length = static_cast<std::uint16_t>(bitShort());
    if (static_cast<std::size_t>(length) * 16 > remainingBits())
        fail("text longer than its object");
    std::u16string s(length, u'\0');
    for (auto& c : s)
        c = static_cast<char16_t>(static_cast<std::uint16_t>(rawShort()));
    while (!s.empty() && s.back() == u'\0')
        s.pop_back();
    return utf16ToUtf8(s);
}

Color colorOfPacked(std::uint32_t value, int fallbackIndex) {
    switch (value >> 24) {
    case 0xC0:
    case 0xC1:
        return (value >> 24) == 0xC0 ? Color::byLayer() : Color::byBlock();
    case 0xC2:
        return Color::trueColor(value & 0xFFFFFF);
    case 0xC3:
        return Color::indexed(static_cast<int>(value & 0xFF));
    default:
        if (fallbackIndex == 256)
            return Color::byLayer();
        if (fallbackIndex == 0)
            return Color::byBlock();
        return Color::indexed(fallbackIndex);
    }
}

Color BitReader::encodedColor(bool* hasColorBookHandle) {
    const auto flags = static_cast<std::uint16_t>(bitShort());
    const int index = flags & 0x1FF;
    // A colour-book colour lives in the object its handle names; the data keeps only the
    // nearest index, and no RGB value even when the RGB flag is set as well.
    const bool fromColorBook = (flags & 0x4000) != 0;
    std::uint32_t rgb = 0;
    if ((flags & 0x8000) && !fromColorBook)
        rgb = static_cast<std::uint32_t>(bitLong());
    if (flags & 0x2000)
        bitLong(); // transparency
    if (hasColorBookHandle)
        *hasColorBookHandle = fromColorBook;
    return colorOfPacked(rgb, index);
}

std::uint16_t dwgCrc16(std::span<const std::uint8_t> bytes, std::uint16_t seed) {
    static const auto table = [] {
        std::array<std::uint16_t, 256> t{};
        for (unsigned i = 0; i < 256; ++i) {
            unsigned c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? (c >> 1) ^ 0xA001 : c >> 1;
            t[i] = static_cast<std::uint16_t>(c);
        }
        return t;
    }();
    std::uint16_t crc = seed;
    for (std::uint8_t b : bytes)
        crc = static_cast<std::uint16_t>((crc >> 8) ^ table[(crc ^ b) & 0xFF]);
    return crc;
}

} // namespace vexor::cad::dwg
