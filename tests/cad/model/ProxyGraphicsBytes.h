#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace vexor::test {

// Writes proxy graphics byte by byte as a file holds them.
class Graphics {
public:
    Graphics& chunk(std::uint32_t kind) {
        finishChunk();
        start_ = bytes_.size();
        u32(0).u32(kind);
        ++chunks_;
        return *this;
    }
    Graphics& u32(std::uint32_t v) { return raw(&v, 4); }
    Graphics& f64(double v) { return raw(&v, 8); }
    Graphics& vec(double x, double y, double z = 0) { return f64(x).f64(y).f64(z); }
    Graphics& text(const std::string& s) {
        raw(s.data(), s.size());
        const std::size_t padded = (s.size() + 4) & ~std::size_t{3};
        bytes_.resize(bytes_.size() + padded - s.size(), 0);
        return *this;
    }
    Graphics& text16(const std::u16string& s) {
        for (char16_t c : s)
            raw(&c, 2);
        const std::size_t padded = (2 * s.size() + 2 + 3) & ~std::size_t{3};
        bytes_.resize(bytes_.size() + padded - 2 * s.size(), 0);
        return *this;
    }
    // Bytes as they stand (a bit-coded body), padded to four.
    Graphics& block(const std::vector<std::uint8_t>& b) {
        raw(b.data(), b.size());
        bytes_.resize((bytes_.size() + 3) & ~std::size_t{3}, 0);
        return *this;
    }
    std::vector<std::uint8_t> bytes() {
        finishChunk();
        std::vector<std::uint8_t> out(8);
        const auto size = static_cast<std::uint32_t>(bytes_.size() + 8);
        std::memcpy(out.data(), &size, 4);
        std::memcpy(out.data() + 4, &chunks_, 4);
        out.insert(out.end(), bytes_.begin(), bytes_.end());
        return out;
    }

private:
    Graphics& raw(const void* p, std::size_t n) {
        const auto* b = static_cast<const std::uint8_t*>(p);
        bytes_.insert(bytes_.end(), b, b + n);
        return *this;
    }
    void finishChunk() {
        if (start_ == kNone)
            return;
        const auto size = static_cast<std::uint32_t>(bytes_.size() - start_);
        std::memcpy(bytes_.data() + start_, &size, 4);
        start_ = kNone;
    }
    static constexpr std::size_t kNone = ~std::size_t{0};
    std::vector<std::uint8_t> bytes_;
    std::size_t start_ = kNone;
    std::uint32_t chunks_ = 0;
};

} // namespace vexor::test
