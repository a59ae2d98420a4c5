#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace vexor::cad::dxf {

// One DXF group: a group code and its value. Text files give every value as text and numbers
// are parsed on demand; binary files give numbers already typed.
struct Group {
    enum class Kind : std::uint8_t { Text, Real, Integer };

    int code = 0;
    Kind kind = Kind::Text;
    std::string_view text; // points into the file's bytes
    double real = 0;
    std::int64_t integer = 0;

    // False when a text value is not a number; `out` then keeps its value.
    bool toDouble(double& out) const;
    bool toInt(std::int64_t& out) const;
    double asDouble(double fallback = 0) const;
    std::int64_t asInt(std::int64_t fallback = 0) const;
    // The value with surrounding blanks removed, for names and keywords.
    std::string_view trimmed() const;
    bool is(int c, std::string_view keyword) const { return code == c && trimmed() == keyword; }
};

// Where a group was found, for error messages: a line number in text files, a byte offset in
// both.
struct GroupPosition {
    std::uint64_t byteOffset = 0;
    std::uint64_t line = 0; // 0 in binary files
    std::string describe() const;
};

// A stream of groups from a text or binary DXF file. Malformed input ends the stream with an
// error() instead of a group.
class GroupSource {
public:
    virtual ~GroupSource() = default;
    // The next group, or false at the end of the data or on an error.
    virtual bool next(Group& group) = 0;
    // Position of the group last returned (or of the error).
    virtual GroupPosition position() const = 0;
    // Why the stream ended early; empty at a clean end.
    const std::string& error() const { return error_; }

protected:
    std::string error_;
};

inline constexpr std::string_view kBinarySentinel{"AutoCAD Binary DXF\r\n\x1a\0", 22};

bool isBinaryDxf(std::span<const std::uint8_t> bytes);

std::unique_ptr<GroupSource> makeTextGroupSource(std::span<const std::uint8_t> bytes);
std::unique_ptr<GroupSource> makeBinaryGroupSource(std::span<const std::uint8_t> bytes);
// A source for the bytes of a text or binary DXF file, chosen by content.
std::unique_ptr<GroupSource> makeGroupSource(std::span<const std::uint8_t> bytes);

// Groups with one group of look-ahead, as the section and entity readers need it; comments
// (group 999) are left out.
class GroupStream {
public:
    explicit GroupStream(GroupSource& source) : source_(source) {}

    bool next(Group& group);
    // Puts the group last read back; the next call to next() returns it again.
    void unread(const Group& group);
    GroupPosition position() const { return source_.position(); }
    const std::string& error() const { return source_.error(); }

private:
    GroupSource& source_;
    Group pending_;
    bool hasPending_ = false;
};

} // namespace vexor::cad::dxf
