#include "Decompressor.h"

#include "../../model/ReadError.h"

#include <array>
#include <cstring>

namespace vexor::cad::dwg::r2007 {
namespace {

// A literal run is stored in 32-byte groups whose four 8-byte quarters come in reverse order;
// a shorter rest is shuffled as this table says: kRestOrder[n][k] is the input byte that
// becomes output byte k of an n-byte rest.
constexpr std::uint8_t kRestOrder[32][32] = {
    {},
    {0},
    {1, 0},
    {2, 1, 0},
    {0, 1, 2, 3},
    {4, 0, 1, 2, 3},
    {5, 1, 2, 3, 4, 0},
    {6, 5, 1, 2, 3, 4, 0},
    {0, 1, 2, 3, 4, 5, 6, 7},
    {8, 0, 1, 2, 3, 4, 5, 6, 7},
    {9, 1, 2, 3, 4, 5, 6, 7, 8, 0},
    {10, 9, 1, 2, 3, 4, 5, 6, 7, 8, 0},
    {8, 9, 10, 11, 0, 1, 2, 3, 4, 5, 6, 7},
    {12, 8, 9, 10, 11, 0, 1, 2, 3, 4, 5, 6, 7},
    {13, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6, 7, 8, 0},
    {14, 13, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6, 7, 8, 0},
    {8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5, 6, 7},
    {9, 10, 11, 12, 13, 14, 15, 16, 8, 0, 1, 2, 3, 4, 5, 6, 7},
    {17, 9, 10, 11, 12, 13, 14, 15, 16, 1, 2, 3, 4, 5, 6, 7, 8, 0},
    {18, 17, 16, 8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5, 6, 7},
    {16, 17, 18, 19, 8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5, 6, 7},
    {20, 16, 17, 18, 19, 8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5, 6, 7},
    {21, 20, 16, 17, 18, 19, 8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5, 6, 7},
    {22, 21, 20, 16, 17, 18, 19, 8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5, 6, 7},
    {16, 17, 18, 19, 20, 21, 22, 23, 8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5, 6, 7},
    {17, 18, 19, 20, 21, 22, 23, 24, 16, 8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5, 6, 7},
    {25, 17, 18, 19, 20, 21, 22, 23, 24, 16, 8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5, 6, 7},
    {26, 25, 17, 18, 19, 20, 21, 22, 23, 24, 16, 8, 9, 10,
     11, 12, 13, 14, 15, 0,  1,  2,  3,  4,  5,  6, 7},
    {24, 25, 26, 27, 16, 17, 18, 19, 20, 21, 22, 23, 8, 9,
     10, 11, 12, 13, 14, 15, 0,  1,  2,  3,  4,  5,  6, 7},
    {28, 24, 25, 26, 27, 16, 17, 18, 19, 20, 21, 22, 23, 8, 9,
     10, 11, 12, 13, 14, 15, 0,  1,  2,  3,  4,  5,  6,  7},
    {29, 28, 24, 25, 26, 27, 16, 17, 18, 19, 20, 21, 22, 23, 8,
     9,  10, 11, 12, 13, 14, 15, 0,  1,  2,  3,  4,  5,  6,  7},
    {30, 26, 27, 28, 29, 18, 19, 20, 21, 22, 23, 24, 25, 10, 11, 12,
     13, 14, 15, 16, 17, 2,  3,  4,  5,  6,  7,  8,  9,  1,  0},
};

class Expander {
public:
    Expander(std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
             const StreamOrigin& origin)
        : in_(input), out_(output), origin_(origin) {}

    std::size_t run() {
        std::size_t literals = 0;
        std::uint8_t opcode = next();
        if ((opcode & 0xF0) == 0x20) {
            skip(2);
            literals = next() & 0x07;
        }
        while (pos_ < in_.size()) {
            if (literals == 0)
                literals = literalLength(opcode);
            copyLiterals(literals);
            if (pos_ >= in_.size())
                break;
            opcode = next();
            for (;;) {
                opcodeStart_ = pos_ - 1;
                std::size_t length = 0;
                std::size_t distance = 0;
                switch (opcode >> 4) {
                case 0: {
                    length = (opcode & 0x0F) + 0x13;
                    distance = next();
                    opcode = next();
                    length += (opcode >> 3) & 0x10;
                    distance += (static_cast<std::size_t>(opcode & 0x78) << 5) + 1;
                    break;
                }
                case 1: {
                    length = (opcode & 0x0F) + 3;
                    distance = next();
                    opcode = next();
                    distance += (static_cast<std::size_t>(opcode & 0xF8) << 5) + 1;
                    break;
                }
                case 2: {
                    distance = next();
                    distance |= static_cast<std::size_t>(next()) << 8;
                    length = opcode & 0x07;
                    if ((opcode & 0x08) == 0) {
                        opcode = next();
                        length += opcode & 0xF8;
                    } else {
                        ++distance;
                        length += static_cast<std::size_t>(next()) << 3;
                        opcode = next();
                        length += (static_cast<std::size_t>(opcode & 0xF8) << 8) + 0x100;
                    }
                    break;
                }
                default: {
                    length = opcode >> 4;
                    distance = opcode & 0x0F;
                    opcode = next();
                    distance += (static_cast<std::size_t>(opcode & 0xF8) << 1) + 1;
                    break;
                }
                }
                copyMatch(distance, length);
                literals = opcode & 0x07;
                if (literals != 0 || pos_ >= in_.size())
                    break;
                opcode = next();
                if ((opcode >> 4) == 0)
                    break;
                if ((opcode >> 4) == 0x0F)
                    opcode &= 0x0F;
            }
        }
        return written_;
    }

private:
    [[noreturn]] void fail(const std::string& what) const {
        throw ReadError(origin_.fileName, what, origin_.fileOffset + opcodeStart_);
    }

    std::uint8_t next() {
        if (pos_ >= in_.size()) {
            opcodeStart_ = pos_;
            fail("compressed data ends in the middle of an instruction");
        }
        return in_[pos_++];
    }

    void skip(std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            next();
    }

    std::size_t literalLength(std::uint8_t opcode) {
        std::size_t length = static_cast<std::size_t>(opcode) + 8;
        if (length == 0x17) {
            std::size_t n = next();
            length += n;
            if (n == 0xFF) {
                do {
                    n = next();
                    n |= static_cast<std::size_t>(next()) << 8;
                    length += n;
                } while (n == 0xFFFF);
            }
        }
        return length;
    }

    void copyLiterals(std::size_t count) {
        opcodeStart_ = pos_;
        if (count > in_.size() - pos_)
            fail("literal run of " + std::to_string(count) + " bytes runs past the input");
        if (count > out_.size() - written_)
            fail("literal run of " + std::to_string(count) + " bytes overruns the output");
        const std::uint8_t* src = in_.data() + pos_;
        std::uint8_t* dst = out_.data() + written_;
        pos_ += count;
        written_ += count;
        for (; count >= 32; count -= 32, src += 32, dst += 32)
            for (std::size_t quarter = 0; quarter < 4; ++quarter)
                std::memcpy(dst + 8 * quarter, src + 8 * (3 - quarter), 8);
        for (std::size_t k = 0; k < count; ++k)
            dst[k] = src[kRestOrder[count][k]];
    }

    void copyMatch(std::size_t distance, std::size_t length) {
        if (distance > written_)
            fail("back-reference of " + std::to_string(distance) + " reaches before the start");
        if (length > out_.size() - written_)
            fail("back-reference of " + std::to_string(length) + " bytes overruns the output");
        r2004::copyBackReference(out_, written_, distance, length);
        written_ += length;
    }

    std::span<const std::uint8_t> in_;
    std::span<std::uint8_t> out_;
    const StreamOrigin& origin_;
    std::size_t pos_ = 0;
    std::size_t opcodeStart_ = 0;
    std::size_t written_ = 0;
};

} // namespace

std::size_t decompress(std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                       const StreamOrigin& origin) {
    if (input.empty())
        return 0;
    return Expander(input, output, origin).run();
}

} // namespace vexor::cad::dwg::r2007
