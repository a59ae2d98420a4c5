#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace vexor::test {

// Writes values bit by bit, MSB first, the way DWG packs them.
class BitWriter {
public:
    void bits(std::uint64_t value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            if (bit_ % 8 == 0)
                bytes_.push_back(0);
            if ((value >> i) & 1)
                bytes_.back() |= static_cast<std::uint8_t>(0x80 >> (bit_ % 8));
            ++bit_;
        }
    }
    void rawChar(std::uint8_t v) { bits(v, 8); }
    void rawShort(std::uint16_t v) {
        rawChar(v & 0xFF);
        rawChar(v >> 8);
    }
    void rawLong(std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            rawChar(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void rawDouble(double d) {
        std::uint64_t v;
        std::memcpy(&v, &d, 8);
        for (int i = 0; i < 8; ++i)
            rawChar(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    // BS and BL in their full form.
    void bitShort(std::uint16_t v) {
        bits(0, 2);
        rawShort(v);
    }
    void bitLong(std::uint32_t v) {
        bits(0, 2);
        rawLong(v);
    }
    // TU: a bit-short length and the UTF-16 units.
    void textUtf16(std::u16string_view text) {
        bitShort(static_cast<std::uint16_t>(text.size()));
        for (char16_t c : text)
            rawShort(c);
    }
    // A handle reference with a one-byte value.
    void handle(std::uint8_t code, std::uint8_t value) {
        rawChar(static_cast<std::uint8_t>(code << 4 | 1));
        rawChar(value);
    }
    std::size_t bitPosition() const { return bit_; }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t bit_ = 0;
};

} // namespace vexor::test
