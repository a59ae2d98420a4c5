#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace vexor::cad {

// Why a file could not be read, and where. The message names the file and the reason,
// with the byte (and bit) offset or line where one is known.
class ReadError : public std::runtime_error {
public:
    ReadError(std::string file, std::string reason, std::optional<std::uint64_t> byteOffset = {},
              std::optional<int> bitOffset = {});

    const std::string& file() const { return file_; }
    const std::string& reason() const { return reason_; }
    std::optional<std::uint64_t> byteOffset() const { return byteOffset_; }
    std::optional<int> bitOffset() const { return bitOffset_; }

private:
    std::string file_;
    std::string reason_;
    std::optional<std::uint64_t> byteOffset_;
    std::optional<int> bitOffset_;
};

} // namespace vexor::cad
