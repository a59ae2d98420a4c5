#include "cad/dwg/r2007/Decompressor.h"

#include "cad/model/ReadError.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <numeric>
#include <string>

namespace vexor::cad::dwg::r2007 {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string kFile = "page.dwg";

Bytes expand(const Bytes& packed, std::size_t size) {
    Bytes out(size, 0xCD);
    out.resize(decompress(packed, out, {kFile, 100}));
    return out;
}

Bytes text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

std::string errorOf(const Bytes& packed, std::size_t size) {
    try {
        expand(packed, size);
    } catch (const ReadError& e) {
        EXPECT_EQ(e.file(), kFile);
        EXPECT_TRUE(e.byteOffset().has_value());
        return e.reason();
    }
    return "";
}

TEST(R2007Decompressor, HandMadeStreamWithMatchAndTrailingLiterals) {
    // 8 literals (opcode 0: 0 + 8); a match of 4 bytes from 8 back (0x47: length 4, distance
    // 7 + 1) whose second byte carries 2 more literals, stored in reverse.
    const Bytes packed = {0x00, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0x47, 0x02, 'y', 'x'};
    EXPECT_EQ(expand(packed, 64), text("abcdefghabcdxy"));
    // A distance of one repeats the last byte.
    const Bytes run = {0x00, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0x50, 0x00};
    EXPECT_EQ(expand(run, 64), text("abcdefghhhhhh"));
}

TEST(R2007Decompressor, LiteralRunsArePermutationsOfTheirBytes) {
    // Opcodes 0..14 give runs of 8..22 bytes, 15 adds the next byte; 32-byte groups come with
    // their 8-byte quarters reversed.
    for (std::size_t n = 8; n <= 70; ++n) {
        Bytes packed;
        if (n < 0x17) {
            packed.push_back(static_cast<std::uint8_t>(n - 8));
        } else {
            packed.push_back(0x0F);
            packed.push_back(static_cast<std::uint8_t>(n - 0x17));
        }
        Bytes literal(n);
        std::iota(literal.begin(), literal.end(), std::uint8_t{1});
        packed.insert(packed.end(), literal.begin(), literal.end());
        Bytes out = expand(packed, n);
        ASSERT_EQ(out.size(), n);
        if (n >= 32) {
            EXPECT_EQ(out[0], 25) << n;
            EXPECT_EQ(out[24], 1) << n;
        }
        std::sort(out.begin(), out.end());
        EXPECT_EQ(out, literal) << n;
    }
}

TEST(R2007Decompressor, HostileStreamsFailWithAPosition) {
    const Bytes head = {0x00, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
    auto with = [&](Bytes tail) {
        Bytes b = head;
        b.insert(b.end(), tail.begin(), tail.end());
        return b;
    };
    EXPECT_NE(errorOf(with({0x4F, 0xF8}), 64).find("before the start"), std::string::npos);
    EXPECT_NE(errorOf(head, 4).find("overruns the output"), std::string::npos);
    EXPECT_NE(errorOf(with({0xF0, 0x00}), 20).find("overruns the output"), std::string::npos);
    EXPECT_NE(errorOf(with({0x47}), 64).find("ends in the middle"), std::string::npos);
    EXPECT_NE(errorOf({0x05, 'a'}, 64).find("runs past the input"), std::string::npos);
    // A long literal length whose extension bytes are missing.
    EXPECT_NE(errorOf({0x0F, 0xFF, 0xFF}, 1 << 20).find("ends in the middle"), std::string::npos);
    EXPECT_EQ(expand({}, 16).size(), 0u);
}

} // namespace
} // namespace vexor::cad::dwg::r2007
