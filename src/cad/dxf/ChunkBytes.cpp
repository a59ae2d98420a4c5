#include "ChunkBytes.h"

#include <algorithm>

namespace vexor::cad::dxf {
namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::vector<std::uint8_t> rawBytes(std::span<const Group> run, std::uint64_t length) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(length);
    for (const Group& g : run)
        bytes.insert(bytes.end(), g.text.begin(), g.text.end());
    return bytes;
}

std::optional<std::vector<std::uint8_t>> hexBytes(std::span<const Group> run,
                                                  std::uint64_t length) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(length / 2);
    for (const Group& g : run) {
        const std::string_view hex = g.trimmed();
        if (hex.size() % 2 != 0)
            return std::nullopt;
        for (std::size_t i = 0; i < hex.size(); i += 2) {
            const int hi = hexDigit(hex[i]), lo = hexDigit(hex[i + 1]);
            if (hi < 0 || lo < 0)
                return std::nullopt;
            bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
        }
    }
    return bytes;
}

std::uint64_t lengthOf(std::span<const Group> run) {
    std::uint64_t length = 0;
    for (const Group& g : run)
        length += g.text.size();
    return length;
}

} // namespace

std::optional<std::vector<std::uint8_t>> chunkBytes(std::span<const Group> run,
                                                    std::uint64_t size) {
    const std::uint64_t length = lengthOf(run);
    if (length == size)
        return rawBytes(run, length);
    auto bytes = hexBytes(run, length);
    if (!bytes || bytes->size() != size)
        return std::nullopt;
    return bytes;
}

std::vector<std::uint8_t> chunkBytes(std::span<const Group> run) {
    const std::uint64_t length = lengthOf(run);
    if (auto bytes = hexBytes(run, length))
        return std::move(*bytes);
    return rawBytes(run, length);
}

} // namespace vexor::cad::dxf
