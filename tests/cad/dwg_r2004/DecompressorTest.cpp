#include "cad/dwg/r2004/Decompressor.h"

#include "TestEncoder.h"
#include "cad/model/ReadError.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

namespace vexor::cad::dwg::r2004 {
namespace {

using test::r2004::TestEncoder;
using Bytes = std::vector<std::uint8_t>;

const std::string kFile = "page.dwg";

Bytes expand(const Bytes& packed, std::size_t size, std::uint64_t origin = 0) {
    Bytes out(size, 0xCD);
    const std::size_t written = decompress(packed, out, {kFile, origin});
    out.resize(written);
    return out;
}

Bytes text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

TEST(Decompressor, HandMadeStreamWithOverlappingMatchAndTrailingLiterals) {
    // 4 literals "abcd"; match of 8 bytes from 4 back (opcode 0x9C: length 8, distance 4)
    // carrying 2 literals in its low bits; then a medium match (0x22: length 4, distance 6).
    const Bytes packed = {0x01, 'a',  'b',  'c',  'd',  0x9E, 0x00, 'x',
                          'y',  0x22, 0x14, 0x00, 0x11, 0x00, 0x00};
    EXPECT_EQ(expand(packed, 64), text("abcdabcdabcdxyabcd"));
}

TEST(Decompressor, LiteralRunsOfEveryLengthClassRoundTrip) {
    // 4..18 use a one-byte length, longer runs the zero-extended form, which needs one
    // extra zero byte for every 255.
    for (std::size_t n : {4u, 17u, 18u, 19u, 273u, 274u, 600u, 0x7400u}) {
        Bytes data(n);
        for (std::size_t i = 0; i < n; ++i)
            data[i] = static_cast<std::uint8_t>(i * 31 + 7);
        EXPECT_EQ(expand(TestEncoder::storeLiterals(data), n), data) << n;
    }
}

TEST(Decompressor, EveryMatchFormRoundTrips) {
    std::mt19937 random(7);
    Bytes block(0x500);
    for (auto& b : block)
        b = static_cast<std::uint8_t>(random());
    TestEncoder encoder;
    Bytes expected = block;
    encoder.literals(block);
    const auto add = [&](std::size_t distance, std::size_t length) {
        encoder.match(distance, length);
        for (std::size_t i = 0; i < length; ++i) {
            const std::uint8_t repeated = expected[expected.size() - distance];
            expected.push_back(repeated);
        }
    };
    add(1, 3);      // short form, run of one byte
    add(0x3FF, 14); // short form, longest distance and length
    add(290, 0x21); // medium form, one-byte length
    add(17, 0x500); // medium form with extended length, overlapping
    Bytes filler(0xC000);
    for (auto& b : filler)
        b = static_cast<std::uint8_t>(random());
    encoder.literals(filler);
    expected.insert(expected.end(), filler.begin(), filler.end());
    add(0x4001, 5);   // far form, lowest distance
    add(0x8123, 9);   // far form with the high distance bit
    add(0xBFFF, 300); // far form, extended length
    encoder.literals(text("tail"));
    expected.insert(expected.end(), {'t', 'a', 'i', 'l'});
    EXPECT_EQ(expand(encoder.finish(), expected.size()), expected);
}

TEST(Decompressor, GreedyCompressedDataRoundTrips) {
    std::mt19937 random(11);
    Bytes noise(5000);
    for (auto& b : noise)
        b = static_cast<std::uint8_t>(random());
    Bytes structured;
    for (int i = 0; i < 4000; ++i)
        structured.push_back(static_cast<std::uint8_t>("LINE 10 20 30\n"[i % 14] + (i / 997)));
    // Repeats 0x6000 and 0x8000 bytes back: far matches with and without the high bit.
    Bytes farRepeats(0xC000);
    for (auto& b : farRepeats)
        b = static_cast<std::uint8_t>(random());
    std::copy_n(farRepeats.begin(), 0x2000, farRepeats.begin() + 0x6000);
    std::copy_n(farRepeats.begin() + 0x2000, 0x2000, farRepeats.begin() + 0xA000);
    const Bytes zeros(0x7400, 0);
    EXPECT_EQ(expand(TestEncoder::compress(noise), noise.size()), noise);
    for (const Bytes* data :
         std::initializer_list<const Bytes*>{&structured, &farRepeats, &zeros}) {
        const Bytes packed = TestEncoder::compress(*data);
        EXPECT_EQ(expand(packed, data->size()), *data);
        EXPECT_LT(packed.size(), data->size() * 9 / 10);
    }
}

TEST(Decompressor, OutputIsNeverOverrun) {
    const Bytes data = text("abcdabcdabcdabcd");
    const Bytes packed = TestEncoder::compress(data);
    Bytes exact(data.size());
    EXPECT_EQ(decompress(packed, exact, {kFile, 0}), data.size());
    // One byte too small: the match that would cross the end is refused.
    Bytes shortOut(data.size() - 1);
    EXPECT_THROW(decompress(packed, shortOut, {kFile, 0}), ReadError);
    // A literal run longer than the page: refused before copying.
    Bytes tiny(3);
    EXPECT_THROW(decompress(TestEncoder::storeLiterals(text("abcdefgh")), tiny, {kFile, 0}),
                 ReadError);
}

TEST(Decompressor, ErrorsNameFileAndOffsetOfTheFaultyOpcode) {
    struct Case {
        const char* what;
        Bytes packed;
        std::uint64_t offset;
    };
    const std::vector<Case> cases = {
        // Distance 5 after 4 bytes of output.
        {"back reference before the start", {0x01, 'a', 'b', 'c', 'd', 0x50, 0x01, 0x11}, 1005},
        // First opcode is a match with nothing to copy from.
        {"match first", {0x22, 0x00, 0x00, 0x11}, 1000},
        {"literal run past the input", {0x05, 'a', 'b'}, 1000},
        {"no end marker", {0x01, 'a', 'b', 'c', 'd'}, 1005},
        {"extended length never ends", {0x00, 0x00, 0x00}, 1003},
        {"empty input", {}, 1000},
    };
    for (const Case& c : cases) {
        Bytes out(64);
        try {
            decompress(c.packed, out, {kFile, 1000});
            ADD_FAILURE() << c.what << ": no error";
        } catch (const ReadError& error) {
            EXPECT_EQ(error.file(), kFile) << c.what;
            ASSERT_TRUE(error.byteOffset()) << c.what;
            EXPECT_EQ(*error.byteOffset(), c.offset) << c.what;
        }
    }
}

TEST(Decompressor, StopsAtEndMarkerAndReportsShortOutput) {
    const Bytes packed = TestEncoder::storeLiterals(text("abcdefgh"));
    Bytes out(100, 0xCD);
    EXPECT_EQ(decompress(packed, out, {kFile, 0}), 8u);
    EXPECT_EQ(out[8], 0xCD); // nothing written past the data
}

} // namespace
} // namespace vexor::cad::dwg::r2004
