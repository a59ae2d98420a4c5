#pragma once

#include "../BitReader.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace vexor::cad::dwg::r12 {

// Little-endian fields read one after the other from a window of the file. Every read checks
// the window first and throws DwgFormatError naming the file offset, so nothing reads past the
// record, section or file it was given.
class ByteReader {
public:
    // `base` is the file offset of bytes[0], for messages.
    ByteReader(std::span<const std::uint8_t> bytes, std::uint64_t base)
        : bytes_(bytes), base_(base) {}

    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return bytes_.size() - pos_; }
    std::uint64_t fileOffset() const { return base_ + pos_; }
    bool atEnd() const { return pos_ >= bytes_.size(); }

    void seek(std::size_t pos) {
        if (pos > bytes_.size())
            fail("position outside its section");
        pos_ = pos;
    }
    void skip(std::size_t n) {
        need(n);
        pos_ += n;
    }

    std::uint8_t u8() {
        need(1);
        return bytes_[pos_++];
    }
    std::int8_t i8() { return static_cast<std::int8_t>(u8()); }
    std::uint16_t u16() { return little<std::uint16_t>(); }
    std::int16_t i16() { return static_cast<std::int16_t>(u16()); }
    std::uint32_t u32() { return little<std::uint32_t>(); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    double f64() { return std::bit_cast<double>(little<std::uint64_t>()); }

    // A fixed-size text field, cut at its first NUL.
    std::string fixedText(std::size_t size) {
        need(size);
        std::string_view s(reinterpret_cast<const char*>(bytes_.data() + pos_), size);
        pos_ += size;
        return std::string(s.substr(0, s.find('\0')));
    }

    std::span<const std::uint8_t> bytes(std::size_t n) {
        need(n);
        const auto out = bytes_.subspan(pos_, n);
        pos_ += n;
        return out;
    }

    [[noreturn]] void fail(const std::string& why) const {
        throw DwgFormatError(why, base_ + pos_, 0);
    }

private:
    // An unsigned little-endian field, copied whole: these readers run once per coordinate.
    template <class T> T little() {
        need(sizeof(T));
        T v = 0;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(&v, bytes_.data() + pos_, sizeof(T));
        } else {
            for (std::size_t i = sizeof(T); i-- > 0;)
                v = static_cast<T>(v << 8 | bytes_[pos_ + i]);
        }
        pos_ += sizeof(T);
        return v;
    }

    void need(std::size_t n) const {
        if (n > bytes_.size() - pos_)
            fail("record ends early");
    }

    std::span<const std::uint8_t> bytes_;
    std::uint64_t base_;
    std::size_t pos_ = 0;
};

} // namespace vexor::cad::dwg::r12
