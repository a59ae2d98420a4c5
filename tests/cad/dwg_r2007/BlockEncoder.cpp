#include "BlockEncoder.h"

#include "cad/dwg/r2007/Decompressor.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace vexor::test::r2007 {
namespace {

struct Field {
    std::array<std::uint8_t, 512> exp{};
    std::array<int, 256> log{};

    explicit Field(std::uint16_t polynomial) {
        unsigned x = 1;
        for (int i = 0; i < 255; ++i) {
            exp[i] = static_cast<std::uint8_t>(x);
            log[x] = i;
            x <<= 1;
            if (x & 0x100)
                x ^= polynomial;
        }
        for (int i = 255; i < 512; ++i)
            exp[i] = exp[i - 255];
    }
    std::uint8_t mul(std::uint8_t a, std::uint8_t b) const {
        return a == 0 || b == 0 ? 0 : exp[log[a] + log[b]];
    }
};

constexpr std::size_t kHeaderOffset = 0x80;
constexpr std::size_t kHeaderBlocks = 3;
constexpr std::size_t kHeaderData = 239;

} // namespace

std::array<std::uint8_t, 255> encodeBlock(std::uint16_t fieldPolynomial, std::size_t parity,
                                          std::span<const std::uint8_t> data) {
    const Field f(fieldPolynomial);
    const std::size_t k = 255 - parity;
    // Generator (x - a^1)...(x - a^parity), lowest coefficient first.
    std::vector<std::uint8_t> g{1};
    for (std::size_t j = 1; j <= parity; ++j) {
        std::vector<std::uint8_t> next(g.size() + 1, 0);
        for (std::size_t i = 0; i < g.size(); ++i) {
            next[i + 1] ^= g[i];
            next[i] ^= f.mul(g[i], f.exp[j]);
        }
        g = next;
    }
    // The usual systematic codeword has the data in the high positions; shifting it cyclically
    // by k positions (still a codeword) puts the data first and the parity last.
    std::vector<std::uint8_t> remainder(255, 0);
    for (std::size_t i = 0; i < k && i < data.size(); ++i)
        remainder[parity + i] = data[i];
    for (std::size_t d = 254; d >= parity; --d) {
        const std::uint8_t lead = remainder[d];
        if (lead != 0)
            for (std::size_t i = 0; i <= parity; ++i)
                remainder[d - parity + i] ^= f.mul(lead, g[i]);
    }
    std::array<std::uint8_t, 255> block{};
    for (std::size_t i = 0; i < k && i < data.size(); ++i)
        block[i] = data[i];
    for (std::size_t q = 0; q < parity; ++q)
        block[k + q] = remainder[q];
    return block;
}

void writeFileHeader(std::vector<std::uint8_t>& file, std::span<const std::uint8_t> fields) {
    std::vector<std::uint8_t> plain(kHeaderBlocks * kHeaderData, 0);
    // A negative length says the data is stored as is.
    const auto length = static_cast<std::uint32_t>(-static_cast<std::int32_t>(fields.size()));
    for (int b = 0; b < 4; ++b)
        plain[0x18 + b] = static_cast<std::uint8_t>(length >> (8 * b));
    std::copy(fields.begin(), fields.end(), plain.begin() + 0x20);
    for (std::size_t j = 0; j < kHeaderBlocks; ++j) {
        const auto block = encodeBlock(
            0x169, 16, std::span<const std::uint8_t>(plain).subspan(j * kHeaderData, kHeaderData));
        for (std::size_t i = 0; i < 255; ++i)
            file.at(kHeaderOffset + i * kHeaderBlocks + j) = block[i];
    }
}

std::vector<std::uint8_t> fileHeaderFields(std::span<const std::uint8_t> file) {
    std::vector<std::uint8_t> plain;
    for (std::size_t j = 0; j < kHeaderBlocks; ++j)
        for (std::size_t i = 0; i < kHeaderData; ++i)
            plain.push_back(file[kHeaderOffset + i * kHeaderBlocks + j]);
    const auto length = static_cast<std::int32_t>(plain[0x18] | plain[0x19] << 8 |
                                                  plain[0x1A] << 16 | plain[0x1B] << 24);
    std::vector<std::uint8_t> fields(0x110);
    const auto data = std::span<const std::uint8_t>(plain).subspan(0x20);
    if (length < 0) {
        std::copy_n(data.begin(), fields.size(), fields.begin());
    } else {
        const std::string name = "header";
        cad::dwg::r2007::decompress(data.first(static_cast<std::size_t>(length)), fields,
                                    {name, 0});
    }
    return fields;
}

std::vector<std::uint8_t> deinterleave(std::span<const std::uint8_t> file, std::size_t address,
                                       std::size_t blockCount, std::size_t dataPerBlock) {
    std::vector<std::uint8_t> out;
    for (std::size_t j = 0; j < blockCount; ++j)
        for (std::size_t i = 0; i < dataPerBlock; ++i)
            out.push_back(file[address + i * blockCount + j]);
    return out;
}

std::size_t writeSystemPage(std::vector<std::uint8_t>& file, std::size_t address,
                            std::span<const std::uint8_t> data) {
    const std::size_t padded = (data.size() + 7) & ~std::size_t{7};
    const std::size_t blocks = (padded + 238) / 239;
    std::vector<std::uint8_t> plain(blocks * 239, 0);
    std::copy(data.begin(), data.end(), plain.begin());
    for (std::size_t j = 0; j < blocks; ++j) {
        const auto block =
            encodeBlock(0x169, 16, std::span<const std::uint8_t>(plain).subspan(j * 239, 239));
        for (std::size_t i = 0; i < 255; ++i)
            file.at(address + i * blocks + j) = block[i];
    }
    return blocks * 255;
}

} // namespace vexor::test::r2007
