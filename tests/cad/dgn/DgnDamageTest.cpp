// Damaged design files: cut short, with flipped bytes, with absurd nesting. The reader never
// crashes or hangs; it throws ReadError or returns what it could read with diagnostics.
#include "DgnTestFile.h"
#include "cad/dgn/DgnReader.h"
#include "cad/model/ReadError.h"
#include "support/Corpus.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>

namespace vexor::cad::dgn {
namespace {

using test::Body;
using test::DgnTestFile;

std::vector<std::uint8_t> fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Reads damaged bytes; only ReadError may come out. Returns whether a drawing came back.
bool readsOrFailsCleanly(const std::vector<std::uint8_t>& bytes) {
    try {
        readDgn(bytes, "damaged.dgn");
        return true;
    } catch (const ReadError& e) {
        EXPECT_EQ(e.file(), "damaged.dgn");
        EXPECT_FALSE(e.reason().empty());
        return false;
    }
}

bool mentions(const Drawing& d, const std::string& text) {
    for (const auto& line : d.diagnostics)
        if (line.find(text) != std::string::npos)
            return true;
    return false;
}

TEST(DgnDamage, AWordCountPastTheEndStopsTheReadWithADiagnostic) {
    DgnTestFile file(false, 1, 1);
    file.add(3, {}, Body{}.longWord(0).longWord(0).longWord(1).longWord(1).bytes);
    const std::size_t at = file.size();
    file.addRaw({0x01, 0x03, 0x00, 0x10}); // a line claiming 4096 more words
    auto bytes = file.bytes();
    const Drawing d = readDgn(bytes, "cut.dgn");
    EXPECT_EQ(d.modelSpace.size(), 1u);
    EXPECT_TRUE(mentions(d, "element 2 at byte " + std::to_string(at) +
                                ": word count runs past the end of the file"))
        << d.diagnostics.front();
}

TEST(DgnDamage, ElementsTooShortForTheirTypeAreSkipped) {
    DgnTestFile file(false, 1, 1);
    file.add(4, {}, Body{}.word(50).longWord(0).longWord(0).bytes); // 50 vertices claimed, 1 stored
    file.add(16, {}, Body{}.longWord(0).bytes);
    file.add(3, {}, Body{}.longWord(0).longWord(0).longWord(1).longWord(1).bytes);
    const Drawing d = readDgn(file.bytes(), "short.dgn");
    EXPECT_EQ(d.modelSpace.size(), 1u);
    EXPECT_TRUE(mentions(d, "element 1 at byte 1536: type 4 needs"));
    EXPECT_TRUE(mentions(d, "element 2 at byte"));
}

TEST(DgnDamage, AbsurdCellNestingIsCappedWithoutRecursingWithoutEnd) {
    DgnTestFile file(false, 1, 1);
    constexpr int kDepth = 5000;
    const Body line = Body{}.longWord(0).longWord(0).longWord(1).longWord(1);
    const std::uint16_t lineWords = 18 + 8;
    Body cell = Body{}.word(0).longWord(0).word(0).word(0).word(0).word(0).word(0);
    for (int i = 0; i < 10; ++i)
        cell.longWord(0);
    const std::uint16_t cellWords = static_cast<std::uint16_t>(18 + cell.bytes.size() / 2);
    for (int level = 0; level < kDepth; ++level) {
        // Each cell holds the cells inside it and the line; lengths saturate, as they would in
        // a damaged file.
        const std::uint32_t inner = (kDepth - level - 1) * std::uint32_t{cellWords} + lineWords;
        const auto total =
            static_cast<std::uint16_t>(std::min<std::uint32_t>(0xFFFF, cellWords - 19 + inner));
        cell.bytes[0] = static_cast<std::uint8_t>(total & 0xFF);
        cell.bytes[1] = static_cast<std::uint8_t>(total >> 8);
        file.add(2, {.level = 1, .complex = level > 0}, cell.bytes);
    }
    file.add(3, {.level = 1, .complex = true}, line.bytes);
    Drawing d;
    ASSERT_NO_THROW(d = readDgn(file.bytes(), "nested.dgn"));
    EXPECT_TRUE(mentions(d, "cells nested deeper than"));
}

TEST(DgnDamage, NotADesignFileIsAReadError) {
    const std::vector<std::uint8_t> text = {'h', 'e', 'l', 'l', 'o'};
    try {
        readDgn(text, "notes.dgn");
        FAIL();
    } catch (const ReadError& e) {
        EXPECT_EQ(e.file(), "notes.dgn");
        EXPECT_NE(e.reason().find("not a version 7 design file"), std::string::npos);
    }
    const std::vector<std::uint8_t> headerOnly = {0x08, 0x09, 0xFE, 0x02, 0, 0};
    EXPECT_FALSE(readsOrFailsCleanly(headerOnly));
}

TEST(DgnDamage, CorpusFilesCutShortOpenWhatTheyCan) {
    VEXOR_REQUIRE_CORPUS();
    for (const auto& path : vexor::test::corpusFiles("dgn/v7", {".dgn"})) {
        SCOPED_TRACE(path.filename().string());
        const auto bytes = fileBytes(path);
        for (int cut = 1; cut < 16; ++cut) {
            const std::vector<std::uint8_t> head(
                bytes.begin(), bytes.begin() + static_cast<long>(bytes.size() * cut / 16));
            if (head.size() >= 1536) // the control block is whole: a drawing comes back
                EXPECT_TRUE(readsOrFailsCleanly(head));
            else
                readsOrFailsCleanly(head);
        }
    }
}

TEST(DgnDamage, CorpusFilesWithFlippedBytesNeverCrash) {
    VEXOR_REQUIRE_CORPUS();
    std::mt19937 random(7);
    for (const auto& path : vexor::test::corpusFiles("dgn/v7", {".dgn"})) {
        SCOPED_TRACE(path.filename().string());
        const auto original = fileBytes(path);
        for (int round = 0; round < 60; ++round) {
            auto bytes = original;
            const int flips = 1 + round % 8;
            for (int i = 0; i < flips; ++i) {
                // Past the control block's magic, so that most copies still read as DGN.
                std::uniform_int_distribution<std::size_t> where(4, bytes.size() - 1);
                bytes[where(random)] ^= static_cast<std::uint8_t>(1u << (random() % 8));
            }
            readsOrFailsCleanly(bytes);
        }
    }
}

} // namespace
} // namespace vexor::cad::dgn
