#include "ReadError.h"

namespace vexor::cad {
namespace {

std::string describe(const std::string& file, const std::string& reason,
                     std::optional<std::uint64_t> byteOffset, std::optional<int> bitOffset) {
    std::string text = file + ": " + reason;
    if (byteOffset) {
        text += " (at byte " + std::to_string(*byteOffset);
        if (bitOffset)
            text += ", bit " + std::to_string(*bitOffset);
        text += ")";
    }
    return text;
}

} // namespace

ReadError::ReadError(std::string file, std::string reason, std::optional<std::uint64_t> byteOffset,
                     std::optional<int> bitOffset)
    : std::runtime_error(describe(file, reason, byteOffset, bitOffset)), file_(std::move(file)),
      reason_(std::move(reason)), byteOffset_(byteOffset), bitOffset_(bitOffset) {}

} // namespace vexor::cad
