#include "GroupSource.h"

#include <bit>
#include <cstring>

namespace vexor::cad::dxf {
namespace {

enum class ValueType : std::uint8_t { String, Double, Int16, Int32, Int64, Bool, Chunk };

// How a binary DXF stores the value of a group code.
ValueType valueTypeOf(int code) {
    if (code >= 10 && code <= 59)
        return ValueType::Double;
    if ((code >= 60 && code <= 79) || (code >= 170 && code <= 179) ||
        (code >= 270 && code <= 289) || (code >= 370 && code <= 389) ||
        (code >= 400 && code <= 409) || (code >= 1060 && code <= 1070))
        return ValueType::Int16;
    if ((code >= 90 && code <= 99) || (code >= 420 && code <= 429) ||
        (code >= 440 && code <= 459) || code == 1071)
        return ValueType::Int32;
    if (code >= 160 && code <= 169)
        return ValueType::Int64;
    if ((code >= 110 && code <= 149) || (code >= 210 && code <= 239) ||
        (code >= 460 && code <= 469) || (code >= 1010 && code <= 1059))
        return ValueType::Double;
    if (code >= 290 && code <= 299)
        return ValueType::Bool;
    if ((code >= 310 && code <= 319) || code == 1004)
        return ValueType::Chunk;
    return ValueType::String;
}

// Groups of a binary DXF: after the sentinel, a group code (one byte in files before R13,
// where 255 announces a two-byte code; two bytes little-endian later), then a value typed by
// the code's range: NUL-terminated strings, little-endian numbers, length-prefixed chunks.
class BinaryGroupSource final : public GroupSource {
public:
    explicit BinaryGroupSource(std::span<const std::uint8_t> bytes)
        : data_(bytes.data()), size_(bytes.size()), pos_(kBinarySentinel.size()) {
        // The first group is 0/"SECTION": with one-byte codes the string follows at once.
        wideCodes_ = !(pos_ + 1 < size_ && data_[pos_] == 0 && data_[pos_ + 1] == 'S');
    }

    bool next(Group& group) override {
        if (!error_.empty() || pos_ >= size_)
            return false;
        groupOffset_ = pos_;
        int code = 0;
        if (wideCodes_) {
            if (!need(2, "group code"))
                return false;
            code = static_cast<std::int16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
            pos_ += 2;
        } else {
            code = data_[pos_++];
            if (code == 255) {
                if (!need(2, "group code"))
                    return false;
                code = static_cast<std::int16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
                pos_ += 2;
            }
        }
        group.code = code;
        return readValue(group, valueTypeOf(code));
    }

    GroupPosition position() const override { return {groupOffset_, 0}; }

private:
    bool need(std::size_t n, const char* what) {
        if (size_ - pos_ >= n)
            return true;
        error_ = std::string("the file ends inside a ") + what;
        pos_ = size_;
        return false;
    }

    // Numbers are little-endian whatever the machine.
    std::uint64_t takeLittleEndian(std::size_t n) {
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < n; ++i)
            value |= static_cast<std::uint64_t>(data_[pos_ + i]) << (8 * i);
        pos_ += n;
        return value;
    }

    bool readValue(Group& group, ValueType type) {
        group.text = {};
        switch (type) {
        case ValueType::String: {
            const void* nul = std::memchr(data_ + pos_, 0, size_ - pos_);
            if (!nul) {
                error_ = "the file ends inside a string value";
                pos_ = size_;
                return false;
            }
            const auto length = static_cast<const std::uint8_t*>(nul) - (data_ + pos_);
            group.kind = Group::Kind::Text;
            group.text = {reinterpret_cast<const char*>(data_ + pos_),
                          static_cast<std::size_t>(length)};
            pos_ += length + 1;
            return true;
        }
        case ValueType::Chunk: {
            if (!need(1, "binary chunk"))
                return false;
            const std::size_t length = data_[pos_++];
            if (!need(length, "binary chunk"))
                return false;
            group.kind = Group::Kind::Text;
            group.text = {reinterpret_cast<const char*>(data_ + pos_), length};
            pos_ += length;
            return true;
        }
        case ValueType::Double:
            if (!need(8, "real value"))
                return false;
            group.kind = Group::Kind::Real;
            group.real = std::bit_cast<double>(takeLittleEndian(8));
            return true;
        case ValueType::Bool:
            if (!need(1, "boolean value"))
                return false;
            group.kind = Group::Kind::Integer;
            group.integer = data_[pos_++];
            return true;
        case ValueType::Int16:
            if (!need(2, "integer value"))
                return false;
            group.kind = Group::Kind::Integer;
            group.integer = static_cast<std::int16_t>(takeLittleEndian(2));
            return true;
        case ValueType::Int32:
            if (!need(4, "integer value"))
                return false;
            group.kind = Group::Kind::Integer;
            group.integer = static_cast<std::int32_t>(takeLittleEndian(4));
            return true;
        case ValueType::Int64:
            if (!need(8, "integer value"))
                return false;
            group.kind = Group::Kind::Integer;
            group.integer = static_cast<std::int64_t>(takeLittleEndian(8));
            return true;
        }
        return false;
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_;
    std::size_t groupOffset_ = 0;
    bool wideCodes_ = true;
};

} // namespace

std::unique_ptr<GroupSource> makeBinaryGroupSource(std::span<const std::uint8_t> bytes) {
    return std::make_unique<BinaryGroupSource>(bytes);
}

} // namespace vexor::cad::dxf
