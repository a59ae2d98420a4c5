#include "cad/dwg/BitReader.h"
#include "cad/dwg/BlockGraph.h"
#include "cad/dwg/ObjectMap.h"

#include <gtest/gtest.h>
#include <vector>

using namespace vexor::cad;
using namespace vexor::cad::dwg;

namespace {

// One object map block: big-endian size, modular-char pairs, big-endian CRC.
void appendMapBlock(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& pairs,
                    bool corruptCrc = false) {
    std::vector<std::uint8_t> block;
    const std::size_t size = pairs.size() + 2;
    block.push_back(static_cast<std::uint8_t>(size >> 8));
    block.push_back(static_cast<std::uint8_t>(size & 0xFF));
    block.insert(block.end(), pairs.begin(), pairs.end());
    std::uint16_t crc = dwgCrc16(block, 0xC0C1);
    if (corruptCrc)
        crc ^= 0x1234;
    out.insert(out.end(), block.begin(), block.end());
    out.push_back(static_cast<std::uint8_t>(crc >> 8));
    out.push_back(static_cast<std::uint8_t>(crc & 0xFF));
}

std::vector<std::uint8_t> closingBlock() {
    std::vector<std::uint8_t> out;
    appendMapBlock(out, {});
    return out;
}

TEST(ObjectMap, EachBlockCountsFromZero) {
    std::vector<std::uint8_t> bytes;
    // Handles 1 at 100 and 3 at 160 (160 = 100 + 60); then a new block: handle 5 at 500.
    appendMapBlock(bytes, {0x01, 0xE4, 0x00, 0x02, 0x3C});
    appendMapBlock(bytes, {0x05, 0xF4, 0x03});
    const auto end = closingBlock();
    bytes.insert(bytes.end(), end.begin(), end.end());
    const ObjectMap map = parseObjectMap(bytes);
    ASSERT_EQ(map.size(), 3u);
    EXPECT_TRUE(map.problems.empty());
    ASSERT_NE(map.find(3), nullptr);
    EXPECT_EQ(map.find(3)->offset, 160u);
    ASSERT_NE(map.find(5), nullptr);
    EXPECT_EQ(map.find(5)->offset, 500u);
    EXPECT_EQ(map.find(4), nullptr);
}

// A map whose blocks give `handles` in this order, each at offset 10 * its position in the list
// (so that equal handles can be told apart), one pair per block.
std::vector<std::uint8_t> mapOf(const std::vector<std::uint8_t>& handles) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < handles.size(); ++i) {
        const std::size_t offset = 10 * i; // a signed modular char of two bytes
        appendMapBlock(bytes, {handles[i], static_cast<std::uint8_t>(0x80 | (offset & 0x7F)),
                               static_cast<std::uint8_t>(offset >> 7)});
    }
    const auto end = closingBlock();
    bytes.insert(bytes.end(), end.begin(), end.end());
    return bytes;
}

TEST(ObjectMap, HandlesOutOfOrderAreSortedKeepingEqualOnesInFileOrder) {
    // A few sorted runs (as writers that put a few objects last leave them), then many.
    const std::vector<std::vector<std::uint8_t>> orders = {
        {5, 6, 9, 1, 2, 7, 3, 3, 8},
        {9, 8, 7, 6, 5, 4, 3, 2, 1, 9, 8, 7, 6, 5, 4, 3, 2, 1, 9, 8, 7, 6, 5, 4, 3, 2, 1,
         9, 8, 7, 6, 5, 4, 3, 2, 1, 9, 8, 7, 6, 5, 4, 3, 2, 1, 9, 8, 7, 6, 5, 4, 3, 2, 1,
         9, 8, 7, 6, 5, 4, 3, 2, 1, 9, 8, 7, 6, 5, 4, 3, 2, 1, 9, 8, 7, 6, 5, 4, 3, 2, 1}};
    for (const auto& handles : orders) {
        const ObjectMap map = parseObjectMap(mapOf(handles));
        ASSERT_EQ(map.size(), handles.size());
        ASSERT_EQ(map.problems.size(), 1u);
        EXPECT_EQ(map.problems[0], "object map handles out of order");
        for (std::size_t i = 1; i < map.size(); ++i) {
            const auto& before = map.entries()[i - 1];
            const auto& after = map.entries()[i];
            ASSERT_LE(before.handle, after.handle) << "at " << i;
            if (before.handle == after.handle) {
                EXPECT_LT(before.offset, after.offset) << "equal handles swapped at " << i;
            }
        }
        for (std::uint8_t h : handles)
            EXPECT_NE(map.find(h), nullptr);
    }
}

TEST(ObjectMap, DamageIsReportedOrRejected) {
    std::vector<std::uint8_t> badCrc;
    appendMapBlock(badCrc, {0x01, 0x0A}, true);
    const auto end = closingBlock();
    badCrc.insert(badCrc.end(), end.begin(), end.end());
    const ObjectMap map = parseObjectMap(badCrc, 5000);
    EXPECT_EQ(map.size(), 1u);
    ASSERT_EQ(map.problems.size(), 1u);
    EXPECT_NE(map.problems[0].find("byte 5000"), std::string::npos);

    // A negative offset (final byte with 0x40) cannot point at an object.
    std::vector<std::uint8_t> negative;
    appendMapBlock(negative, {0x01, 0x45});
    negative.insert(negative.end(), end.begin(), end.end());
    EXPECT_THROW(parseObjectMap(negative), DwgFormatError);

    // A block claiming more bytes than there are, and a map without its closing block.
    EXPECT_THROW(parseObjectMap(std::vector<std::uint8_t>{0x7F, 0xF0, 0x01}), DwgFormatError);
    std::vector<std::uint8_t> unterminated;
    appendMapBlock(unterminated, {0x01, 0x0A});
    EXPECT_THROW(parseObjectMap(unterminated), DwgFormatError);
}

Entity insertOf(std::uint32_t block) {
    Insert insert;
    insert.block = block;
    return Entity{EntityCommon{}, insert};
}

TEST(BlockGraph, CyclesAreCutAndReported) {
    Drawing d;
    const std::uint32_t a = d.blockIndex("A");
    const std::uint32_t b = d.blockIndex("B");
    const std::uint32_t c = d.blockIndex("C");
    d.blocks[a].entities.push_back(insertOf(b));
    d.blocks[b].entities.push_back(insertOf(c));
    d.blocks[c].entities.push_back(insertOf(a)); // A -> B -> C -> A
    d.blocks[c].entities.push_back(insertOf(c)); // and C -> C
    breakBlockCycles(d);
    EXPECT_EQ(d.diagnostics.size(), 2u);
    // No walk from any block may return to it any more.
    for (std::uint32_t start = 0; start < d.blocks.size(); ++start) {
        std::vector<std::uint32_t> stack{start};
        int steps = 0;
        while (!stack.empty() && steps++ < 100) {
            const std::uint32_t at = stack.back();
            stack.pop_back();
            for (const Entity& e : d.blocks[at].entities) {
                const auto& ins = dataOf<Insert>(e.data);
                if (ins.block == kNoIndex)
                    continue;
                EXPECT_NE(ins.block, start);
                stack.push_back(ins.block);
            }
        }
    }
    // The acyclic part stays linked.
    EXPECT_EQ(dataOf<Insert>(d.blocks[a].entities[0].data).block, b);
}

TEST(BlockGraph, DeepChainsAreCut) {
    Drawing d;
    for (int i = 0; i < kMaxBlockNesting + 10; ++i)
        d.blockIndex("B" + std::to_string(i));
    for (std::uint32_t i = 0; i + 1 < d.blocks.size(); ++i)
        d.blocks[i].entities.push_back(insertOf(i + 1));
    breakBlockCycles(d);
    EXPECT_FALSE(d.diagnostics.empty());
    std::size_t depth = 0;
    for (std::uint32_t at = 0; at != kNoIndex && depth < d.blocks.size(); ++depth) {
        const auto& entities = d.blocks[at].entities;
        at = entities.empty() ? kNoIndex : dataOf<Insert>(entities[0].data).block;
    }
    EXPECT_LE(depth, static_cast<std::size_t>(kMaxBlockNesting));
}

} // namespace
