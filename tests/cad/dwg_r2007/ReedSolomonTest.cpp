#include "cad/dwg/r2007/ReedSolomon.h"

#include "BlockEncoder.h"

#include <gtest/gtest.h>
#include <random>

namespace vexor::cad::dwg::r2007 {
namespace {

using Block = std::array<std::uint8_t, 255>;

Block randomCodeword(const ReedSolomon& code, std::uint16_t polynomial, std::mt19937& random) {
    std::vector<std::uint8_t> data(code.dataSize());
    for (auto& b : data)
        b = static_cast<std::uint8_t>(random());
    return test::r2007::encodeBlock(polynomial, code.parity(), data);
}

// Sets `count` distinct positions of `block` to other values.
void damage(Block& block, std::size_t count, std::mt19937& random) {
    std::vector<std::size_t> positions(255);
    for (std::size_t i = 0; i < 255; ++i)
        positions[i] = i;
    std::shuffle(positions.begin(), positions.end(), random);
    for (std::size_t i = 0; i < count; ++i)
        block[positions[i]] ^= static_cast<std::uint8_t>(1 + random() % 255);
}

struct CodeCase {
    const ReedSolomon& code;
    std::uint16_t polynomial;
};

TEST(ReedSolomon, CorrectsUpToHalfTheCheckBytesAndDetectsMore) {
    std::mt19937 random(2007);
    for (const CodeCase& c : {CodeCase{systemCode(), 0x169}, CodeCase{dataCode(), 0x11D}}) {
        SCOPED_TRACE(c.code.parity());
        const std::size_t t = c.code.parity() / 2;
        for (int round = 0; round < 40; ++round) {
            const Block original = randomCodeword(c.code, c.polynomial, random);
            Block block = original;
            EXPECT_EQ(c.code.correct(block), ReedSolomon::Outcome::Clean);

            const std::size_t errors = 1 + round % t;
            damage(block, errors, random);
            EXPECT_EQ(c.code.correct(block), ReedSolomon::Outcome::Corrected) << errors;
            EXPECT_EQ(block, original);

            // One error more than the code can correct: reported with the block left as it
            // was, or (with few check bytes, often) mistaken for a nearer codeword; never
            // "corrected" back to the original.
            Block tooMany = original;
            damage(tooMany, t + 1, random);
            const Block before = tooMany;
            const auto outcome = c.code.correct(tooMany);
            if (outcome == ReedSolomon::Outcome::Damaged) {
                EXPECT_EQ(tooMany, before);
            } else {
                EXPECT_NE(tooMany, original) << "corrected beyond the code's power";
            }
        }
    }
}

TEST(ReedSolomon, InterleavedBlocksAreDecodedColumnByColumn) {
    std::mt19937 random(21);
    const std::size_t blocks = 3;
    std::vector<Block> codewords;
    for (std::size_t j = 0; j < blocks; ++j)
        codewords.push_back(randomCodeword(systemCode(), 0x169, random));
    std::vector<std::uint8_t> coded(blocks * 255);
    for (std::size_t j = 0; j < blocks; ++j)
        for (std::size_t i = 0; i < 255; ++i)
            coded[i * blocks + j] = codewords[j][i];
    // Eight wrong bytes in a row touch each block at most three times: all corrected.
    for (std::size_t i = 100; i < 108; ++i)
        coded[i] ^= 0x5A;
    // Nine wrong bytes in block 2 alone are too many.
    for (std::size_t i = 0; i < 9; ++i)
        coded[(10 + i) * blocks + 2] ^= 0xA5;

    std::vector<std::uint8_t> out;
    const BlockDamage result = decodeInterleaved(coded, blocks, systemCode(), out);
    EXPECT_EQ(result.corrected, 2u);
    EXPECT_EQ(result.damaged, 1u);
    ASSERT_EQ(out.size(), blocks * 239);
    for (std::size_t j = 0; j < 2; ++j)
        for (std::size_t i = 0; i < 239; ++i)
            ASSERT_EQ(out[j * 239 + i], codewords[j][i]) << j << " " << i;
    EXPECT_THROW(decodeInterleaved(std::span(coded).first(300), blocks, systemCode(), out),
                 std::out_of_range);
}

} // namespace
} // namespace vexor::cad::dwg::r2007
