#pragma once

#include "../model/Color.h"
#include "../model/Math.h"
#include "DwgVersion.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string>

namespace vexor::cad::dwg {

// A read past the end of the data or a value the format does not allow. Carries the byte and
// bit position (absolute, as the bytes given to the reader were numbered) where it happened.
class DwgFormatError : public std::runtime_error {
public:
    DwgFormatError(const std::string& what, std::uint64_t byteOffset, int bit)
        : std::runtime_error(what), byteOffset_(byteOffset), bit_(bit) {}
    std::uint64_t byteOffset() const { return byteOffset_; }
    int bit() const { return bit_; }

private:
    std::uint64_t byteOffset_;
    int bit_;
};

// A handle reference as stored: the code says how it relates to the referring object.
struct HandleRef {
    std::uint8_t code = 0;
    std::uint64_t value = 0;

    // The handle it points to; codes 6, 8, 0xA and 0xC count from the referring object's handle.
    std::uint64_t resolve(std::uint64_t ownHandle) const;
};

// Reads DWG's bit-packed values (bits MSB first, multi-byte values little-endian) from a byte
// buffer. Every read checks what remains and throws DwgFormatError instead of reading beyond
// the end or the limit set with limitTo().
class BitReader {
public:
    // `baseOffset` is the absolute position of data[0], used only in error positions.
    explicit BitReader(std::span<const std::uint8_t> data, std::uint64_t baseOffset = 0)
        : data_(data), endBit_(data.size() * 8), baseOffset_(baseOffset) {}

    std::size_t bitPosition() const { return bit_; }
    std::size_t bytePosition() const { return bit_ / 8; }
    std::size_t remainingBits() const { return endBit_ > bit_ ? endBit_ - bit_ : 0; }
    std::size_t endBit() const { return endBit_; }
    void seekBit(std::size_t bit);
    // Reads stop at this bit position (clamped to the data).
    void limitTo(std::size_t endBit);
    void alignToByte() { bit_ = (bit_ + 7) & ~std::size_t{7}; }
    [[noreturn]] void fail(const std::string& what) const;

    // Raw values.
    // Up to 64 bits, MSB first. Inline: a DWG object is read a few bits at a time.
    std::uint64_t bits(int count) {
        const std::size_t byteIndex = bit_ / 8;
        if (count <= 0 || static_cast<std::size_t>(count) > remainingBits() ||
            byteIndex + 9 > data_.size())
            return bitsNearEnd(count);
        // A big-endian window of eight bytes, plus a ninth when the bits straddle it.
        const int offset = static_cast<int>(bit_ % 8);
        std::uint64_t window;
        std::memcpy(&window, data_.data() + byteIndex, 8);
        if constexpr (std::endian::native == std::endian::little)
            window = __builtin_bswap64(window);
        std::uint64_t value = (window << offset) >> (64 - count);
        const int spill = offset + count - 64;
        if (spill > 0)
            value |= data_[byteIndex + 8] >> (8 - spill);
        bit_ += static_cast<std::size_t>(count);
        return value;
    }
    bool bit() { return bits(1) != 0; }
    std::uint8_t twoBits() { return static_cast<std::uint8_t>(bits(2)); }
    std::uint8_t rawChar() { return static_cast<std::uint8_t>(bits(8)); }
    std::int16_t rawShort();
    std::int32_t rawLong();
    double rawDouble();
    Vec2 rawPoint2() { return {rawDouble(), rawDouble()}; }
    Vec3 rawPoint3() { return {rawDouble(), rawDouble(), rawDouble()}; }
    void skipBytes(std::size_t count);

    // Compressed values.
    std::uint8_t threeBits(); // 3B: 0, 10, 110, 111 prefix code
    std::int16_t bitShort();
    std::int32_t bitLong();
    std::uint64_t bitLongLong();
    double bitDouble();
    double defaultDouble(double defaultValue);
    Vec2 point2() { return {bitDouble(), bitDouble()}; }
    Vec3 point3() { return {bitDouble(), bitDouble(), bitDouble()}; }
    Vec2 defaultPoint2(Vec2 d) { return {defaultDouble(d.x), defaultDouble(d.y)}; }
    Vec3 defaultPoint3(Vec3 d) {
        return {defaultDouble(d.x), defaultDouble(d.y), defaultDouble(d.z)};
    }
    double thickness(DwgVersion v);   // BT
    Vec3 extrusion(DwgVersion v);     // BE
    std::uint64_t modularChar();      // MC, unsigned
    std::int64_t signedModularChar(); // MC, signed
    std::uint32_t modularShort();     // MS
    HandleRef handle();
    // T: a bit-short length and that many 8-bit characters, as stored (code page not applied).
    std::string text8();
    // TU: a bit-short length and that many UTF-16 units, returned as UTF-8.
    std::string textUtf16();
    // CMC up to R2000: a colour index; 256 by layer, 0 by block, negative marks a layer off.
    std::int16_t colorIndex() { return bitShort(); }
    // ENC (R2004+ entity colour): index, true colour or colour book reference.
    Color encodedColor(bool* hasColorBookHandle);

private:
    // bits() bit by bit, for the last bytes of the data (and a count of 0 or past the end).
    std::uint64_t bitsNearEnd(int count);
    void need(std::size_t count) const;

    std::span<const std::uint8_t> data_;
    std::size_t bit_ = 0;
    std::size_t endBit_;
    std::uint64_t baseOffset_;
};

// The colour of a packed 32-bit value whose top byte says how to read it (0xC0 by layer, 0xC1 by
// block, 0xC2 RGB, 0xC3 index); `fallbackIndex` when the top byte says none of these.
Color colorOfPacked(std::uint32_t packed, int fallbackIndex);

// DWG's 16-bit CRC (reflected polynomial 0xA001) over the bytes, starting from `seed`.
std::uint16_t dwgCrc16(std::span<const std::uint8_t> bytes, std::uint16_t seed);

} // namespace vexor::cad::dwg
