#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vexor::test::r2004 {

// A small, independent encoder for the R2004 page compression, used to make test inputs that
// exercise every opcode form: short, medium and far matches, overlapping copies, extended
// lengths and literal runs of every size class.
class TestEncoder {
public:
    // Literal run of `bytes` (first run of a stream: at least 4 bytes).
    TestEncoder& literals(std::span<const std::uint8_t> bytes);
    // Copy of `length` bytes from `distance` bytes back, in the shortest opcode form.
    TestEncoder& match(std::size_t distance, std::size_t length);
    std::vector<std::uint8_t> finish(); // appends the end marker

    // Greedy compression of `data`, for round trips.
    static std::vector<std::uint8_t> compress(std::span<const std::uint8_t> data);
    // A stream holding `data` as literals only.
    static std::vector<std::uint8_t> storeLiterals(std::span<const std::uint8_t> data);

private:
    void extendedLength(std::size_t value);
    void flushLiterals();

    std::vector<std::uint8_t> out_;
    std::vector<std::uint8_t> pending_;    // literals waiting for the previous opcode's low bits
    std::size_t literalBitsAt_ = SIZE_MAX; // byte whose low two bits can count pending literals
    bool started_ = false;
};

} // namespace vexor::test::r2004
