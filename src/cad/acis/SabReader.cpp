#include "SabReader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace vexor::cad::acis {
namespace {

// The tags in front of every value of binary modeler data.
enum Tag : std::uint8_t {
    kByte = 1,
    kChar = 2,
    kShort = 3,
    kLong = 4,
    kFloat = 5,
    kDouble = 6,
    kString8 = 7,  // length in one byte
    kString16 = 8, // length in two bytes
    kString32 = 9, // length in four bytes
    kTrue = 10,
    kFalse = 11,
    kPointer = 12,
    kName = 13,     // the last (or only) part of a type name
    kNamePart = 14, // a part of a type name followed by more ("ellipse-" of "ellipse-curve")
    kSubtypeStart = 15,
    kSubtypeEnd = 16,
    kTerminator = 17,
    kLiteral = 18,
    kPosition = 19,
    kVector = 20,
    kEnum = 21,
    kPair = 22,
    kLong64 = 23,
};

constexpr std::array<std::string_view, 2> kMagic = {"ACIS BinaryFile", "ASM BinaryFile"};
constexpr std::size_t kHeaderNumbers = 4;    // version, records, entities, history flag
constexpr std::size_t kMaxHeaderValues = 16; // product, modeler, date, units, tolerances ...
constexpr std::size_t kMaxTokens = 16 * kMaxSatRecords;

// A token as a range of the rendered text, turned into views once the text stops growing.
struct Span {
    std::size_t offset = 0, size = 0;
};
struct RawRecord {
    Span name;
    std::size_t firstToken = 0, tokenCount = 0;
};

class SabDecoder {
public:
    explicit SabDecoder(std::string_view data) : data_(data) {}

    // Reads the whole data; false when not even the header could be read.
    bool run() {
        std::size_t magic = 0;
        for (std::string_view m : kMagic)
            if (data_.starts_with(m))
                magic = m.size();
        pos_ = magic;
        // Later writers add the width of their numbers: "4" is the layout read here.
        if (magic > 0 && data_.size() > magic && plausibleVersionAt(magic + 1)) {
            if (data_[magic] == '8')
                return damaged("binary ACIS data with 8-byte numbers is not read");
            if (data_[magic] == '4')
                ++pos_;
        }
        std::int32_t header[kHeaderNumbers] = {};
        for (std::int32_t& h : header)
            if (!fixed(h))
                return damaged("the header is cut short");
        version_ = header[0];
        if (magic == 0 || !plausibleVersion(version_))
            return damaged("the header is not one of binary ACIS data");
        // Product, modeler version, date, units and tolerances, tagged like the records.
        for (std::size_t n = 0; n <= kMaxHeaderValues; ++n) {
            if (pos_ >= data_.size())
                return true;
            const auto tag = static_cast<std::uint8_t>(data_[pos_]);
            if (tag == kName || tag == kNamePart)
                break;
            if (n == kMaxHeaderValues)
                return damaged("the header has too many values");
            const std::size_t mark = text_.size(), tokens = tokens_.size();
            if (!value())
                return false;
            text_.resize(mark);
            tokens_.resize(tokens);
        }
        while (pos_ < data_.size() && records_.size() < kMaxSatRecords)
            if (!record())
                break;
        return true;
    }

    int version() const { return version_; }
    const std::string& damage() const { return damage_; }

    std::vector<SatRecord> records() const {
        std::vector<SatRecord> out(records_.size());
        const std::string_view text = text_;
        for (std::size_t i = 0; i < records_.size(); ++i) {
            const RawRecord& r = records_[i];
            out[i].name = text.substr(r.name.offset, r.name.size);
            out[i].tokens.reserve(r.tokenCount);
            for (std::size_t t = 0; t < r.tokenCount; ++t) {
                const Span s = tokens_[r.firstToken + t];
                out[i].tokens.push_back(text.substr(s.offset, s.size));
            }
        }
        return out;
    }

private:
    static bool plausibleVersion(std::int32_t v) { return v >= 100 && v <= 1'000'000; }
    bool plausibleVersionAt(std::size_t at) {
        const std::size_t saved = pos_;
        pos_ = at;
        std::int32_t v = 0;
        const bool ok = fixed(v) && plausibleVersion(v);
        pos_ = saved;
        return ok;
    }

    bool damaged(const std::string& why) {
        damage_ = "binary ACIS data damaged at byte " + std::to_string(pos_) + ": " + why;
        return false;
    }

    template <typename T> bool fixed(T& out) {
        if (data_.size() - pos_ < sizeof(T))
            return false;
        std::array<char, sizeof(T)> bytes;
        std::memcpy(bytes.data(), data_.data() + pos_, sizeof(T));
        if constexpr (std::endian::native == std::endian::big)
            std::reverse(bytes.begin(), bytes.end());
        std::memcpy(&out, bytes.data(), sizeof(T));
        pos_ += sizeof(T);
        return true;
    }

    void begin() { tokens_.push_back({text_.size(), 0}); }
    void end() { tokens_.back().size = text_.size() - tokens_.back().offset; }
    void word(std::string_view w) {
        begin();
        text_ += w;
        end();
    }
    template <typename T> void number(T v) {
        char buffer[32];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
        word(std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
    }
    template <typename T> bool integer() {
        T v;
        if (!fixed(v))
            return damaged("a number is cut short");
        number(static_cast<std::int64_t>(v));
        return true;
    }
    bool doubles(int count) {
        for (int i = 0; i < count; ++i) {
            double v;
            if (!fixed(v))
                return damaged("a coordinate is cut short");
            number(v);
        }
        return true;
    }
    // A counted string, rendered as SAT text writes one ("@7 unknown").
    template <typename Length> bool string() {
        Length length;
        if (!fixed(length))
            return damaged("a string length is cut short");
        const std::size_t n = length;
        if (data_.size() - pos_ < n)
            return damaged("a string runs past the end of the data");
        begin();
        text_ += '@';
        text_ += std::to_string(n);
        text_ += ' ';
        text_ += data_.substr(pos_, n);
        end();
        pos_ += n;
        return true;
    }
    // One name part; `more` adds the hyphen that joins it to the next.
    bool namePart(bool more) {
        std::uint8_t length;
        if (!fixed(length) || data_.size() - pos_ < length)
            return damaged("a name runs past the end of the data");
        text_ += data_.substr(pos_, length);
        if (more)
            text_ += '-';
        pos_ += length;
        return true;
    }
    // A name of parts joined by hyphens, as one token.
    bool name(std::uint8_t tag) {
        begin();
        for (int parts = 0;; ++parts) {
            if (parts > 64)
                return damaged("a name has too many parts");
            if (!namePart(tag == kNamePart))
                return false;
            if (tag == kName)
                break;
            if (pos_ >= data_.size())
                return damaged("a name is cut short");
            tag = static_cast<std::uint8_t>(data_[pos_++]);
            if (tag != kName && tag != kNamePart)
                return damaged("a name part is followed by tag " + std::to_string(tag));
        }
        end();
        return true;
    }

    // One tagged value as one or more tokens; false on damage.
    bool value() {
        if (tokens_.size() >= kMaxTokens)
            return damaged("too many values");
        const std::size_t at = pos_;
        const auto tag = static_cast<std::uint8_t>(data_[pos_++]);
        switch (tag) {
        case kByte:
            return integer<std::uint8_t>();
        case kChar:
            return integer<std::int8_t>();
        case kShort:
            return integer<std::int16_t>();
        case kLong:
        case kEnum: {
            std::int32_t v;
            if (!fixed(v))
                return damaged("a number is cut short");
            // Enumerations have words in text; their values here must not pass for numbers.
            if (tag == kEnum)
                word("enum:" + std::to_string(v));
            else
                number(static_cast<std::int64_t>(v));
            return true;
        }
        case kLong64:
            return integer<std::int64_t>();
        case kFloat: {
            float v;
            if (!fixed(v))
                return damaged("a number is cut short");
            number(static_cast<double>(v));
            return true;
        }
        case kDouble:
            return doubles(1);
        case kPair:
            return doubles(2);
        case kPosition:
        case kVector:
            return doubles(3);
        case kString8:
        case kLiteral:
            return string<std::uint8_t>();
        case kString16:
            return string<std::uint16_t>();
        case kString32:
            return string<std::uint32_t>();
        case kTrue:
            word(kSabTrue);
            return true;
        case kFalse:
            word(kSabFalse);
            return true;
        case kPointer: {
            std::int32_t v;
            if (!fixed(v))
                return damaged("a reference is cut short");
            word("$" + std::to_string(v));
            return true;
        }
        case kName:
        case kNamePart:
            return name(tag);
        case kSubtypeStart:
            word("{");
            return true;
        case kSubtypeEnd:
            word("}");
            return true;
        default:
            pos_ = at;
            return damaged("unknown tag " + std::to_string(tag));
        }
    }

    // One record: a name, values up to the terminator. False at the end marker or on damage;
    // a record cut short is dropped.
    bool record() {
        const std::size_t mark = text_.size(), firstToken = tokens_.size();
        if (readRecord())
            return true;
        text_.resize(mark);
        tokens_.resize(firstToken);
        return false;
    }
    bool readRecord() {
        const auto tag = static_cast<std::uint8_t>(data_[pos_++]);
        if (tag != kName && tag != kNamePart) {
            --pos_;
            return damaged("a record does not start with its name");
        }
        if (!name(tag))
            return false;
        RawRecord r;
        r.name = tokens_.back();
        tokens_.pop_back();
        if (std::string_view(text_).substr(r.name.offset).starts_with("End-of-"))
            return false;
        r.firstToken = tokens_.size();
        while (pos_ < data_.size()) {
            if (static_cast<std::uint8_t>(data_[pos_]) == kTerminator) {
                ++pos_;
                r.tokenCount = tokens_.size() - r.firstToken;
                records_.push_back(r);
                return true;
            }
            if (!value())
                return false;
        }
        return damaged("a record is cut short");
    }

    std::string_view data_;
    std::size_t pos_ = 0;
    int version_ = 0;
    std::string text_;
    std::vector<Span> tokens_;
    std::vector<RawRecord> records_;
    std::string damage_;
};

} // namespace

SatEdges readSabEdges(std::string_view data) {
    SabDecoder decoder(data);
    if (!decoder.run()) {
        SatEdges none;
        none.problem = decoder.damage();
        return none;
    }
    SatEdges edges = satEdgesFromRecords(decoder.records(), decoder.version());
    if (!decoder.damage().empty()) {
        if (edges.curves.empty())
            edges.problem = decoder.damage();
        else
            edges.damage = decoder.damage();
    }
    return edges;
}

} // namespace vexor::cad::acis
