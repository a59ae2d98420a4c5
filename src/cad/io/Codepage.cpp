#include "Codepage.h"

#include <array>
#include <cctype>
#include <cerrno>
#include <iconv.h>
#include <mutex>
#include <string>
#include <unordered_map>

namespace vexor::cad {
namespace {

// DWG header code page numbers, in the order the format numbers them.
constexpr std::array<const char*, 45> kCodepages = {
    "",           "US_ASCII",   "ISO_8859_1", "ISO_8859_2", "ISO_8859_3", "ISO_8859_4",
    "ISO_8859_5", "ISO_8859_6", "ISO_8859_7", "ISO_8859_8", "ISO_8859_9", "DOS437",
    "DOS850",     "DOS852",     "DOS855",     "DOS857",     "DOS860",     "DOS861",
    "DOS863",     "DOS864",     "DOS865",     "DOS869",     "DOS932",     "MACINTOSH",
    "BIG5",       "KSC5601",    "JOHAB",      "DOS866",     "ANSI_1250",  "ANSI_1251",
    "ANSI_1252",  "GB2312",     "ANSI_1253",  "ANSI_1254",  "ANSI_1255",  "ANSI_1256",
    "ANSI_1257",  "ANSI_874",   "ANSI_932",   "ANSI_936",   "ANSI_949",   "ANSI_950",
    "ANSI_1361",  "ANSI_1200",  "ANSI_1258"};

// The iconv name of a drawing code page name.
std::string iconvName(std::string_view cp) {
    static const std::unordered_map<std::string_view, const char*> names = {
        {"US_ASCII", "CP1252"},
        {"ISO_8859_1", "ISO-8859-1"},
        {"ISO_8859_2", "ISO-8859-2"},
        {"ISO_8859_3", "ISO-8859-3"},
        {"ISO_8859_4", "ISO-8859-4"},
        {"ISO_8859_5", "ISO-8859-5"},
        {"ISO_8859_6", "ISO-8859-6"},
        {"ISO_8859_7", "ISO-8859-7"},
        {"ISO_8859_8", "ISO-8859-8"},
        {"ISO_8859_9", "ISO-8859-9"},
        {"DOS437", "CP437"},
        {"DOS850", "CP850"},
        {"DOS852", "CP852"},
        {"DOS855", "CP855"},
        {"DOS857", "CP857"},
        {"DOS860", "CP860"},
        {"DOS861", "CP861"},
        {"DOS863", "CP863"},
        {"DOS864", "CP864"},
        {"DOS865", "CP865"},
        {"DOS869", "CP869"},
        {"DOS932", "CP932"},
        {"MACINTOSH", "MACINTOSH"},
        {"BIG5", "BIG5"},
        {"KSC5601", "CP949"},
        {"JOHAB", "JOHAB"},
        {"DOS866", "CP866"},
        {"ANSI_1250", "CP1250"},
        {"ANSI_1251", "CP1251"},
        {"ANSI_1252", "CP1252"},
        {"GB2312", "GBK"},
        {"ANSI_1253", "CP1253"},
        {"ANSI_1254", "CP1254"},
        {"ANSI_1255", "CP1255"},
        {"ANSI_1256", "CP1256"},
        {"ANSI_1257", "CP1257"},
        {"ANSI_874", "CP874"},
        {"ANSI_932", "CP932"},
        {"ANSI_936", "GBK"},
        {"ANSI_949", "CP949"},
        {"ANSI_950", "BIG5"},
        {"ANSI_1361", "JOHAB"},
        {"ANSI_1258", "CP1258"},
        {"UTF8", "UTF-8"},
        {"UTF-8", "UTF-8"}};
    if (auto it = names.find(cp); it != names.end())
        return it->second;
    return "CP1252";
}

bool isAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80)
            return false;
    return true;
}

// The converter from one code page to UTF-8, kept per thread for the next text: a drawing
// decodes thousands of texts, and opening a converter costs more than converting one. iconv
// descriptors are not safe to share between threads, and readers run in parallel.
class Converter {
public:
    Converter() = default;
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    ~Converter() { close(); }

    // A converter from `from` (CP1252 when iconv does not know it) in its initial state; an
    // invalid descriptor, whose conversions fail, when not even that opens.
    iconv_t from(const std::string& name) {
        if (cd_ != kNone && name == name_) {
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
            return cd_;
        }
        close();
        cd_ = iconv_open("UTF-8", name.c_str());
        if (cd_ == kNone)
            cd_ = iconv_open("UTF-8", "CP1252");
        name_ = name;
        return cd_;
    }

private:
    void close() {
        if (cd_ != kNone)
            iconv_close(cd_);
        cd_ = kNone;
    }
    static inline const iconv_t kNone = reinterpret_cast<iconv_t>(-1);
    iconv_t cd_ = kNone;
    std::string name_;
};

std::string convert(std::string_view bytes, const std::string& from) {
    thread_local Converter converter;
    iconv_t cd = converter.from(from);
    std::string out;
    out.reserve(bytes.size() * 2);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG)
                continue;
            // Invalid or incomplete sequence: replace one byte and go on.
            appendUtf8(out, 0xFFFD);
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string codepageName(int dwgCodepage) {
    if (dwgCodepage < 0 || dwgCodepage >= static_cast<int>(kCodepages.size()))
        return {};
    return kCodepages[static_cast<std::size_t>(dwgCodepage)];
}

int codepageNumber(std::string_view name) {
    for (std::size_t i = 1; i < kCodepages.size(); ++i) {
        std::string_view cp = kCodepages[i];
        if (cp.size() == name.size()) {
            bool same = true;
            for (std::size_t k = 0; k < cp.size() && same; ++k)
                same = std::toupper(static_cast<unsigned char>(name[k])) == cp[k];
            if (same)
                return static_cast<int>(i);
        }
    }
    return -1;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        c = 0xFFFD;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::string decodeUnicodeEscapes(std::string_view text) {
    if (text.find("\\U+") == std::string_view::npos && text.find("\\u+") == std::string_view::npos)
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (i + 7 <= text.size() && text[i] == '\\' && (text[i + 1] == 'U' || text[i + 1] == 'u') &&
            text[i + 2] == '+') {
            int value = 0;
            bool ok = true;
            for (std::size_t k = 3; k < 7 && ok; ++k) {
                const int h = hexValue(text[i + k]);
                ok = h >= 0;
                value = value * 16 + h;
            }
            if (ok) {
                appendUtf8(out, static_cast<char32_t>(value));
                i += 7;
                continue;
            }
        }
        out.push_back(text[i++]);
    }
    return out;
}

std::string toUtf8(std::string_view bytes, std::string_view codepage) {
    if (isAscii(bytes))
        return decodeUnicodeEscapes(bytes);
    return decodeUnicodeEscapes(convert(bytes, iconvName(codepage)));
}

std::string utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        appendUtf8(out, c);
    }
    return out;
}

} // namespace vexor::cad
