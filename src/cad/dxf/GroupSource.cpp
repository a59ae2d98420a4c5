#include "GroupSource.h"

#include <charconv>
#include <cstring>

namespace vexor::cad::dxf {
namespace {

std::string_view trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

} // namespace

std::string_view Group::trimmed() const {
    return trim(text);
}

// Numbers in text files may carry blanks around them, a leading '+', or trailing junk that
// some writers leave ("256QSW"); the leading number is taken as the value.
bool Group::toDouble(double& out) const {
    if (kind == Kind::Real) {
        out = real;
        return true;
    }
    if (kind == Kind::Integer) {
        out = static_cast<double>(integer);
        return true;
    }
    std::string_view s = trim(text);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end == s.data())
        return false;
    out = value;
    return true;
}

bool Group::toInt(std::int64_t& out) const {
    if (kind == Kind::Integer) {
        out = integer;
        return true;
    }
    double value = 0;
    if (kind == Kind::Text) {
        std::string_view s = trim(text);
        if (!s.empty() && s.front() == '+')
            s.remove_prefix(1);
        std::int64_t i = 0;
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), i);
        if (ec == std::errc() && end != s.data() && (end == s.data() + s.size() || *end != '.')) {
            out = i;
            return true;
        }
    }
    if (!toDouble(value) || !(value > -9.2e18 && value < 9.2e18))
        return false;
    out = static_cast<std::int64_t>(value);
    return true;
}

double Group::asDouble(double fallback) const {
    double value = fallback;
    toDouble(value);
    return value;
}

std::int64_t Group::asInt(std::int64_t fallback) const {
    std::int64_t value = fallback;
    toInt(value);
    return value;
}

std::string GroupPosition::describe() const {
    if (line > 0)
        return "line " + std::to_string(line);
    return "byte " + std::to_string(byteOffset);
}

bool isBinaryDxf(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= kBinarySentinel.size() &&
           std::memcmp(bytes.data(), kBinarySentinel.data(), kBinarySentinel.size()) == 0;
}

std::unique_ptr<GroupSource> makeGroupSource(std::span<const std::uint8_t> bytes) {
    return isBinaryDxf(bytes) ? makeBinaryGroupSource(bytes) : makeTextGroupSource(bytes);
}

bool GroupStream::next(Group& group) {
    if (hasPending_) {
        hasPending_ = false;
        group = pending_;
        return true;
    }
    // Comments (group 999) may stand anywhere, even between a record's groups; they carry
    // nothing for any reader.
    while (source_.next(group))
        if (group.code != 999)
            return true;
    return false;
}

void GroupStream::unread(const Group& group) {
    pending_ = group;
    hasPending_ = true;
}

} // namespace vexor::cad::dxf
