#include "Decompressor.h"

#include "../../model/ReadError.h"

#include <cstring>

namespace vexor::cad::dwg::r2004 {
namespace {

// Opcode 0x11 ends the stream; the bytes after it are padding.
constexpr std::uint8_t kEndOfStream = 0x11;

class Expander {
public:
    Expander(std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
             const StreamOrigin& origin)
        : in_(input), out_(output), origin_(origin) {}

    std::size_t run() {
        std::uint8_t opcode = next();
        std::size_t literals = 0;
        if (opcode < 0x10) {
            literals = literalLength(opcode);
            copyLiterals(literals);
            opcode = next();
        }
        for (;;) {
            opcodeStart_ = pos_ - 1;
            std::size_t length = 0;
            std::size_t distance = 0;
            if (opcode == kEndOfStream) {
                return written_;
            } else if (opcode >= 0x40) {
                length = (opcode >> 4) - 1;
                const std::uint8_t b = next();
                distance = (static_cast<std::size_t>(b) << 2 | ((opcode & 0x0C) >> 2)) + 1;
                literals = opcode & 0x03;
            } else if (opcode >= 0x20) {
                length = opcode == 0x20 ? longLength() + 0x21 : opcode - 0x1E;
                distance = twoByteDistance(literals) + 1;
            } else if (opcode >= 0x10) {
                length = (opcode & 0x07) == 0 ? longLength() + 9 : (opcode & 0x07) + 2;
                const std::size_t high = static_cast<std::size_t>(opcode & 0x08) << 11;
                distance = twoByteDistance(literals) + high + 0x4000;
            } else {
                fail("unexpected opcode " + std::to_string(opcode) + " in compressed data");
            }
            copyMatch(distance, length);
            if (literals == 0) {
                opcode = next();
                if (opcode < 0x10) {
                    copyLiterals(literalLength(opcode));
                    opcode = next();
                }
            } else {
                copyLiterals(literals);
                opcode = next();
            }
        }
    }

private:
    [[noreturn]] void fail(const std::string& reason) const {
        throw ReadError(origin_.fileName, reason, origin_.fileOffset + opcodeStart_);
    }

    std::uint8_t next() {
        if (pos_ >= in_.size()) {
            opcodeStart_ = pos_;
            fail("compressed data ends without its end marker");
        }
        return in_[pos_++];
    }

    // A run length whose first byte is zero continues with 0xFF for each further zero byte
    // and ends with the first non-zero byte.
    std::size_t zeroExtended() {
        std::size_t total = 0;
        std::uint8_t b = next();
        while (b == 0) {
            total += 0xFF;
            b = next();
        }
        return total + b;
    }

    std::size_t literalLength(std::uint8_t opcode) {
        if (opcode != 0)
            return opcode + 3;
        return zeroExtended() + 0x0F + 3;
    }

    std::size_t longLength() { return zeroExtended(); }

    std::size_t twoByteDistance(std::size_t& literals) {
        const std::uint8_t low = next();
        const std::uint8_t high = next();
        literals = low & 0x03;
        return static_cast<std::size_t>(low >> 2) | static_cast<std::size_t>(high) << 6;
    }

    void copyLiterals(std::size_t count) {
        if (count > in_.size() - pos_)
            fail("literal run of " + std::to_string(count) + " bytes runs past the page");
        if (count > out_.size() - written_)
            fail("literal run of " + std::to_string(count) +
                 " bytes overflows the announced page size");
        std::memcpy(out_.data() + written_, in_.data() + pos_, count);
        pos_ += count;
        written_ += count;
    }

    void copyMatch(std::size_t distance, std::size_t length) {
        if (distance > written_)
            fail("back reference " + std::to_string(distance) + " bytes before the start");
        if (length > out_.size() - written_)
            fail("match of " + std::to_string(length) + " bytes overflows the announced page size");
        copyBackReference(out_, written_, distance, length);
        written_ += length;
    }

    std::span<const std::uint8_t> in_;
    std::span<std::uint8_t> out_;
    const StreamOrigin& origin_;
    std::size_t pos_ = 0;
    std::size_t written_ = 0;
    std::size_t opcodeStart_ = 0;
};

} // namespace

std::size_t decompress(std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                       const StreamOrigin& origin) {
    return Expander(input, output, origin).run();
}

} // namespace vexor::cad::dwg::r2004
