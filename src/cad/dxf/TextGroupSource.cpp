#include "GroupSource.h"

#include <charconv>
#include <cstring>

namespace vexor::cad::dxf {
namespace {

// Groups of a text DXF: a line with the group code, then a line with the value. Lines end
// with LF, CR LF, or (in old Macintosh files) CR alone.
class TextGroupSource final : public GroupSource {
public:
    explicit TextGroupSource(std::span<const std::uint8_t> bytes)
        : data_(reinterpret_cast<const char*>(bytes.data())), size_(bytes.size()) {
        if (size_ >= 3 && std::memcmp(data_, "\xEF\xBB\xBF", 3) == 0)
            pos_ = 3;
        const void* lf = std::memchr(data_, '\n', size_);
        const void* cr =
            std::memchr(data_, '\r', lf ? static_cast<const char*>(lf) - data_ : size_);
        if (cr) {
            const char* c = static_cast<const char*>(cr);
            crOnly_ = c + 1 >= data_ + size_ || c[1] != '\n';
        }
    }

    bool next(Group& group) override {
        if (!error_.empty())
            return false;
        skipBlankLinesAtEnd();
        if (leading_)
            skipBlankLines();
        if (pos_ >= size_)
            return false;
        groupOffset_ = pos_;
        groupLine_ = line_ + 1;
        std::string_view codeLine = readLine();
        std::string_view code = trimmed(codeLine);
        int value = 0;
        const auto [end, ec] = std::from_chars(code.data(), code.data() + code.size(), value);
        if (code.empty() || ec != std::errc() || end != code.data() + code.size()) {
            error_ = "group code \"" + printable(code.substr(0, 40)) + "\" is not a number";
            return false;
        }
        if (pos_ >= size_) {
            error_ =
                "the file ends after group code " + std::to_string(value) + " without its value";
            return false;
        }
        group.code = value;
        group.kind = Group::Kind::Text;
        group.text = readLine();
        leading_ = leading_ && value == 999;
        return true;
    }

    GroupPosition position() const override { return {groupOffset_, groupLine_}; }

private:
    static std::string_view trimmed(std::string_view s) {
        while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
            s.remove_prefix(1);
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
            s.remove_suffix(1);
        return s;
    }

    static std::string printable(std::string_view s) {
        std::string out;
        for (unsigned char c : s)
            out += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
        return out;
    }

    // Trailing blank lines after the last group are common and harmless.
    void skipBlankLinesAtEnd() {
        std::size_t p = pos_;
        while (p < size_ && (data_[p] == ' ' || data_[p] == '\t' || data_[p] == '\r' ||
                             data_[p] == '\n' || data_[p] == '\0' || data_[p] == '\x1a'))
            ++p;
        if (p >= size_)
            pos_ = size_;
    }

    // Writers put blank lines between the comments that open a file; before the first real
    // group they carry nothing.
    void skipBlankLines() {
        std::size_t p = pos_;
        while (p < size_) {
            std::size_t q = p;
            while (q < size_ && (data_[q] == ' ' || data_[q] == '\t'))
                ++q;
            if (q < size_ && data_[q] == '\r' && !crOnly_)
                ++q;
            if (q >= size_ || data_[q] != (crOnly_ ? '\r' : '\n'))
                break;
            p = q + 1;
            ++line_;
        }
        pos_ = p;
    }

    std::string_view readLine() {
        const char* start = data_ + pos_;
        const std::size_t left = size_ - pos_;
        const void* hit = std::memchr(start, crOnly_ ? '\r' : '\n', left);
        std::size_t length = hit ? static_cast<const char*>(hit) - start : left;
        pos_ += hit ? length + 1 : length;
        ++line_;
        if (!crOnly_ && length > 0 && start[length - 1] == '\r')
            --length;
        return {start, length};
    }

    const char* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    std::uint64_t line_ = 0;
    std::uint64_t groupLine_ = 0;
    std::size_t groupOffset_ = 0;
    bool crOnly_ = false;
    bool leading_ = true; // nothing but comments read so far
};

} // namespace

std::unique_ptr<GroupSource> makeTextGroupSource(std::span<const std::uint8_t> bytes) {
    return std::make_unique<TextGroupSource>(bytes);
}

} // namespace vexor::cad::dxf
