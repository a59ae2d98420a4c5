#include "TestEncoder.h"

#include <stdexcept>
#include <unordered_map>

namespace vexor::test::r2004 {

TestEncoder& TestEncoder::literals(std::span<const std::uint8_t> bytes) {
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    return *this;
}

void TestEncoder::extendedLength(std::size_t value) {
    if (value == 0)
        throw std::logic_error("extended length must be positive");
    while (value > 0xFF) {
        out_.push_back(0);
        value -= 0xFF;
    }
    out_.push_back(static_cast<std::uint8_t>(value));
}

// Writes the pending literals: up to three ride in the previous opcode's low bits; longer runs
// get their own length opcode (value - 3, or 0 and an extended length beyond 18).
void TestEncoder::flushLiterals() {
    const std::size_t n = pending_.size();
    if (n == 0)
        return;
    if (!started_ && n < 4)
        throw std::logic_error("a stream starts with at least four literals");
    if (n <= 3 && literalBitsAt_ != SIZE_MAX) {
        out_[literalBitsAt_] |= static_cast<std::uint8_t>(n);
    } else if (n <= 3) {
        throw std::logic_error("short literal run without a preceding match");
    } else if (n <= 18) {
        out_.push_back(static_cast<std::uint8_t>(n - 3));
    } else {
        out_.push_back(0);
        extendedLength(n - 18);
    }
    out_.insert(out_.end(), pending_.begin(), pending_.end());
    pending_.clear();
    started_ = true;
    literalBitsAt_ = SIZE_MAX;
}

TestEncoder& TestEncoder::match(std::size_t distance, std::size_t length) {
    flushLiterals();
    started_ = true;
    const std::size_t d = distance - 1;
    if (length >= 3 && length <= 14 && d < 0x400) {
        out_.push_back(static_cast<std::uint8_t>((length + 1) << 4 | (d & 3) << 2));
        literalBitsAt_ = out_.size() - 1;
        out_.push_back(static_cast<std::uint8_t>(d >> 2));
    } else if (length >= 3 && d < 0x4000) {
        if (length <= 0x21) {
            out_.push_back(static_cast<std::uint8_t>(0x1E + length));
        } else {
            out_.push_back(0x20);
            extendedLength(length - 0x21);
        }
        literalBitsAt_ = out_.size();
        out_.push_back(static_cast<std::uint8_t>((d & 0x3F) << 2));
        out_.push_back(static_cast<std::uint8_t>(d >> 6));
    } else if (distance >= 0x4000 && distance < 0xC000) {
        const std::size_t far = distance - 0x4000;
        const auto base = static_cast<std::uint8_t>(0x10 | (far >> 14) << 3);
        if (length >= 3 && length <= 9 && !(base == 0x10 && length == 3)) {
            out_.push_back(static_cast<std::uint8_t>(base | (length - 2)));
        } else if (length >= 10) {
            out_.push_back(base);
            extendedLength(length - 9);
        } else {
            throw std::logic_error("far match too short");
        }
        literalBitsAt_ = out_.size();
        out_.push_back(static_cast<std::uint8_t>((far & 0x3F) << 2));
        out_.push_back(static_cast<std::uint8_t>((far >> 6) & 0xFF));
    } else {
        throw std::logic_error("match not encodable");
    }
    return *this;
}

std::vector<std::uint8_t> TestEncoder::finish() {
    flushLiterals();
    out_.push_back(0x11);
    out_.push_back(0);
    out_.push_back(0);
    return std::move(out_);
}

std::vector<std::uint8_t> TestEncoder::storeLiterals(std::span<const std::uint8_t> data) {
    return TestEncoder().literals(data).finish();
}

std::vector<std::uint8_t> TestEncoder::compress(std::span<const std::uint8_t> data) {
    TestEncoder encoder;
    std::unordered_map<std::uint32_t, std::size_t> lastSeen;
    const auto key = [&](std::size_t i) {
        return static_cast<std::uint32_t>(data[i] | data[i + 1] << 8 | data[i + 2] << 16);
    };
    std::size_t i = 0;
    const std::size_t head = std::min<std::size_t>(4, data.size());
    encoder.literals(data.subspan(0, head));
    i = head;
    while (i < data.size()) {
        std::size_t best = 0;
        std::size_t from = 0;
        if (i + 3 <= data.size()) {
            if (auto it = lastSeen.find(key(i)); it != lastSeen.end() && i - it->second < 0xC000) {
                from = it->second;
                while (i + best < data.size() && data[from + best] == data[i + best])
                    ++best;
            }
            lastSeen[key(i)] = i;
        }
        const std::size_t distance = i - from;
        const bool farAndShort = distance >= 0x4000 && best < 4;
        if (best >= 3 && !farAndShort) {
            encoder.match(distance, best);
            i += best;
        } else {
            encoder.literals(data.subspan(i, 1));
            ++i;
        }
    }
    return encoder.finish();
}

} // namespace vexor::test::r2004
