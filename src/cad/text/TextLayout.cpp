#include "TextLayout.h"

#include "../curves/Ocs.h"
#include "TextRun.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace vexor::cad {

namespace {

constexpr double kLineSpacing = 5.0 / 3.0; // baseline to baseline, in cap heights
constexpr double kDescent = 0.3;           // below the baseline, in cap heights

void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool isHex(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// Decodes "\U+XXXX" at position i (the backslash); advances i past it.
bool decodeUnicodeEscape(std::string_view s, std::size_t& i, std::string& out) {
    if (i + 6 < s.size() && (s[i + 1] == 'U' || s[i + 1] == 'u') && s[i + 2] == '+' &&
        isHex(s[i + 3]) && isHex(s[i + 4]) && isHex(s[i + 5]) && isHex(s[i + 6])) {
        const std::string hex(s.substr(i + 3, 4));
        appendUtf8(out, static_cast<std::uint32_t>(std::strtoul(hex.c_str(), nullptr, 16)));
        i += 7;
        return true;
    }
    return false;
}

// Number at the start of s (for \H2.5x;), or fallback.
double leadingNumber(std::string_view s, double fallback) {
    const std::string buf(s.substr(0, 32));
    char* end = nullptr;
    const double v = std::strtod(buf.c_str(), &end);
    return end != buf.c_str() && std::isfinite(v) && v > 0 ? v : fallback;
}

constexpr double kStackScale = 0.7; // stacked fractions, relative to their text
constexpr double kItalicSlant = 15 * std::numbers::pi / 180;
constexpr double kBoldOffset = 0.04;         // the second pass of synthetic bold, in cap heights
constexpr double kTrueTypeBoldOffset = 0.06; // filled letters need more to look bold
constexpr double kUnderline = -0.2;          // rule positions, in cap heights
constexpr double kOverline = 1.25;
constexpr double kStrike = 0.5;
constexpr std::size_t kMaxAtoms = 200000; // pieces of one multi-line text
constexpr std::size_t kMaxNesting = 64;   // { } groups

// The character a %%nnn code stands for. The standard fonts of the early releases held the
// degree, plus/minus and diameter signs just past ASCII, at 127, 128 and 129, and drawings of
// those years use the numbers for them; every other number is the character itself.
std::uint32_t numberedSymbol(std::uint32_t code) {
    switch (code) {
    case 127:
        return 0x00B0;
    case 128:
        return 0x00B1;
    case 129:
        return 0x2300;
    default:
        return code;
    }
}

// Expands %% codes; when `toggles` is given, records where %%u, %%o and %%k switch in the
// output (byte offset, code letter).
std::string expandCodes(std::string_view s, std::vector<std::pair<std::size_t, char>>* toggles) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] == '%' && i + 2 < s.size() && s[i + 1] == '%') {
            const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(s[i + 2])));
            if (c == 'd') {
                appendUtf8(out, 0x00B0);
            } else if (c == 'c') {
                appendUtf8(out, 0x2300);
            } else if (c == 'p') {
                appendUtf8(out, 0x00B1);
            } else if (c == '%') {
                out += '%';
            } else if (std::isdigit(static_cast<unsigned char>(c))) {
                std::size_t j = i + 2;
                std::uint32_t code = 0;
                while (j < s.size() && j < i + 5 && std::isdigit(static_cast<unsigned char>(s[j])))
                    code = code * 10 + static_cast<std::uint32_t>(s[j++] - '0');
                appendUtf8(out, numberedSymbol(code));
                i = j;
                continue;
            } else if (c == 'u' || c == 'o' || c == 'k') {
                if (toggles)
                    toggles->emplace_back(out.size(), c);
            } else {
                out.append(s.substr(i, 3)); // not a control code: keep as written
            }
            i += 3;
        } else if (s[i] == '\\' && decodeUnicodeEscape(s, i, out)) {
            continue;
        } else {
            out += s[i++];
        }
    }
    return out;
}

// The formatting in force at a point of multi-line text.
struct MTextFormat {
    std::shared_ptr<const TextFont> font;
    double height = 1, widthFactor = 1, oblique = 0, tracking = 1;
    std::optional<Color> color;
    bool underline = false, overline = false, strike = false;
    int valign = 0; // \A: 0 baseline/bottom, 1 centre, 2 top
    // A stroke font asked for in bold or italic has no such face: bold is drawn twice, a hair
    // apart, and italic slanted (syntheticItalic says the slant was added for it).
    bool syntheticBold = false, syntheticItalic = false;
};

// A word, a run of spaces or a stacked fraction in one format. Words split only at spaces, so
// a non-breaking space (U+00A0) keeps its neighbours together.
struct MTextAtom {
    std::string text;
    std::uint32_t format = 0; // index into MTextContent::formats
    bool space = false;
    char stack = 0; // '/', '^' or '#' for a stacked fraction: text above, `bottom` below
    std::string bottom;
};

struct MTextParagraph {
    std::vector<MTextAtom> atoms;
    int align = -1;           // \pxq: 0 left, 1 centre, 2 right; -1 from the attachment
    std::uint32_t format = 0; // in force where the paragraph starts (its height if empty)
    bool columnBreak = false; // \N: starts the next column when the text has columns
};

struct MTextContent {
    std::vector<MTextFormat> formats;
    std::vector<MTextParagraph> paragraphs{MTextParagraph{}};
    bool truncated = false;
    std::vector<std::string> missingFonts; // font switches naming fonts that are absent
};

// Reads the inline codes of multi-line text into paragraphs of atoms.
class MTextParser {
public:
    MTextParser(std::string_view src, MTextFormat base) : src_(src), format_(std::move(base)) {
        content_.formats.push_back(format_);
    }

    MTextContent run() {
        while (i_ < src_.size() && !content_.truncated) {
            const char c = src_[i_];
            if (c == '\\' && i_ + 1 < src_.size()) {
                code();
            } else if (c == '\\') {
                ++i_;
            } else if (c == '{') {
                if (stack_.size() < kMaxNesting)
                    stack_.push_back(format_);
                ++i_;
            } else if (c == '}') {
                if (!stack_.empty()) {
                    format_ = stack_.back();
                    stack_.pop_back();
                    changed_ = true;
                }
                ++i_;
            } else if (c == '^' && i_ + 1 < src_.size() &&
                       (src_[i_ + 1] == 'I' || src_[i_ + 1] == 'J')) {
                if (src_[i_ + 1] == 'J')
                    paragraph();
                else
                    text("    ");
                i_ += 2;
            } else if (c == '\n') {
                paragraph();
                ++i_;
            } else if (c == '\r' || c == '\t') {
                text(" ");
                ++i_;
            } else {
                const std::size_t next = src_.find_first_of("\\{}^\n\r\t", i_ + 1);
                const std::size_t stop = next == std::string_view::npos ? src_.size() : next;
                text(expandCodes(src_.substr(i_, stop - i_), nullptr));
                i_ = stop;
            }
        }
        return std::move(content_);
    }

private:
    std::uint32_t currentFormat() {
        if (changed_) {
            content_.formats.push_back(format_);
            changed_ = false;
        }
        return static_cast<std::uint32_t>(content_.formats.size() - 1);
    }

    MTextAtom* newAtom() {
        if (atoms_ >= kMaxAtoms) {
            content_.truncated = true;
            return nullptr;
        }
        ++atoms_;
        MTextAtom& atom = content_.paragraphs.back().atoms.emplace_back();
        atom.format = currentFormat();
        return &atom;
    }

    void paragraph() {
        const int align = content_.paragraphs.back().align;
        MTextParagraph& next = content_.paragraphs.emplace_back();
        next.align = align;
        next.format = currentFormat();
    }

    // Appends text, split into words and spaces.
    void text(std::string_view s) {
        for (std::size_t k = 0; k < s.size() && !content_.truncated;) {
            const bool space = s[k] == ' ';
            std::size_t end = k;
            while (end < s.size() && (s[end] == ' ') == space)
                ++end;
            std::vector<MTextAtom>& atoms = content_.paragraphs.back().atoms;
            MTextAtom* atom = nullptr;
            if (!changed_ && !atoms.empty() && atoms.back().space == space && !atoms.back().stack)
                atom = &atoms.back();
            else if ((atom = newAtom()))
                atom->space = space;
            if (atom)
                atom->text.append(s.substr(k, end - k));
            k = end;
        }
    }

    std::string_view argument() {
        const std::size_t end = src_.find(';', i_);
        const std::size_t stop = end == std::string_view::npos ? src_.size() : end;
        const std::string_view arg = src_.substr(i_, stop - i_);
        i_ = stop == src_.size() ? stop : stop + 1;
        return arg;
    }

    // "2.5" sets, "0.5x" scales.
    static double scaled(std::string_view arg, double current) {
        const bool relative = !arg.empty() && (arg.back() == 'x' || arg.back() == 'X');
        const double v = leadingNumber(arg, relative ? 1 : current);
        const double result = relative ? current * v : v;
        return std::isfinite(result) && result > 1e-9 && result < 1e9 ? result : current;
    }

    void fontSwitch(std::string_view arg, bool compiled) {
        const std::size_t bar = arg.find('|');
        const std::string_view name = arg.substr(0, bar);
        bool bold = false, italic = false;
        if (bar != std::string_view::npos) {
            const std::string_view flags = arg.substr(bar);
            bold = flags.find("|b1") != std::string_view::npos;
            italic = flags.find("|i1") != std::string_view::npos;
        }
        if (name.empty())
            return;
        FontChoice choice = compiled ? resolveFont(name) : resolveFamily(name, bold, italic);
        if (!choice.found && content_.missingFonts.size() < 16)
            content_.missingFonts.push_back("font \"" + std::string(name) +
                                            "\" not found; drawn with " + choice.standIn);
        if (choice.font)
            format_.font = std::move(choice.font);
        if (format_.syntheticItalic)
            format_.oblique -= kItalicSlant;
        const bool stroke = format_.font && format_.font->kind == TextFont::Kind::Stroke;
        format_.syntheticBold = bold && (stroke || format_.font->syntheticBold);
        format_.syntheticItalic = italic && (stroke || format_.font->syntheticItalic);
        if (format_.syntheticItalic)
            format_.oblique += kItalicSlant;
        changed_ = true;
    }

    void stacked() {
        const std::string_view arg = argument();
        std::size_t split = std::string_view::npos;
        for (std::size_t k = 0; k < arg.size(); ++k) {
            if (arg[k] == '\\') {
                ++k; // an escaped separator is text
            } else if (arg[k] == '^' || arg[k] == '/' || arg[k] == '#') {
                split = k;
                break;
            }
        }
        std::string top, bottom;
        auto unescape = [](std::string_view s) {
            std::string out;
            for (std::size_t k = 0; k < s.size(); ++k)
                if (s[k] != '\\' || k + 1 == s.size())
                    out += s[k];
            return expandCodes(out, nullptr);
        };
        if (split == std::string_view::npos) {
            text(unescape(arg));
            return;
        }
        top = unescape(arg.substr(0, split));
        bottom = unescape(arg.substr(split + 1));
        if (MTextAtom* atom = newAtom()) {
            atom->stack = arg[split];
            atom->text = std::move(top);
            atom->bottom = std::move(bottom);
        }
        changed_ = true; // what follows starts a new atom
        currentFormat();
    }

    void paragraphFormat(std::string_view arg) {
        // \pxqc; \pi1,l2,qr; ... : only the alignment changes how lines are placed.
        for (std::size_t k = 0; k + 1 < arg.size(); ++k) {
            if (arg[k] == 'q' && (k == 0 || arg[k - 1] == ',' || arg[k - 1] == 'x')) {
                const char a = arg[k + 1];
                content_.paragraphs.back().align = a == 'c' ? 1 : a == 'r' ? 2 : 0;
            }
        }
    }

    void code() {
        const char c = src_[i_ + 1];
        switch (c) {
        case 'P':
        case 'X':
        case 'N':
            i_ += 2;
            paragraph();
            content_.paragraphs.back().columnBreak = c == 'N';
            return;
        case '~':
            i_ += 2;
            text("\u00A0");
            return;
        case '\\':
        case '{':
        case '}':
            i_ += 2;
            text(std::string_view(&src_[i_ - 1], 1));
            return;
        case 'U':
        case 'u': {
            std::string cp;
            if (decodeUnicodeEscape(src_, i_, cp)) {
                text(cp);
                return;
            }
            break;
        }
        case 'M':
        case 'm': // \M+nXXXX: a double-byte character of another code page; not mapped
            i_ = std::min(src_.size(), i_ + 8);
            text("?");
            return;
        case 'S':
            i_ += 2;
            stacked();
            return;
        case 'L':
        case 'l':
        case 'O':
        case 'o':
        case 'K':
        case 'k': {
            const bool on = std::isupper(static_cast<unsigned char>(c)) != 0;
            bool& flag = (c == 'L' || c == 'l')   ? format_.underline
                         : (c == 'O' || c == 'o') ? format_.overline
                                                  : format_.strike;
            flag = on;
            changed_ = true;
            i_ += 2;
            return;
        }
        default:
            break;
        }
        if (std::string_view("HhWwQqTtAaCcFfp").find(c) == std::string_view::npos) {
            i_ += 2; // unknown code: dropped
            return;
        }
        i_ += 2;
        const std::string_view arg = argument();
        changed_ = true;
        switch (c) {
        case 'H':
        case 'h':
            format_.height = scaled(arg, format_.height);
            break;
        case 'W':
        case 'w':
            format_.widthFactor = scaled(arg, format_.widthFactor);
            break;
        case 'T':
        case 't':
            format_.tracking = std::clamp(scaled(arg, format_.tracking), 0.75, 4.0);
            break;
        case 'Q':
        case 'q': {
            const double degrees = leadingNumber(arg, 0);
            if (std::abs(degrees) < 85) {
                format_.oblique = degrees * std::numbers::pi / 180;
                format_.syntheticItalic = false;
            }
            break;
        }
        case 'A':
        case 'a':
            format_.valign = std::clamp(static_cast<int>(leadingNumber(arg, 0)), 0, 2);
            break;
        case 'C': {
            const int index = static_cast<int>(leadingNumber(arg, 256));
            format_.color = index == 0                   ? Color::byBlock()
                            : index >= 1 && index <= 255 ? Color::indexed(index)
                                                         : Color::byLayer();
            break;
        }
        case 'c': { // 0xBBGGRR
            const auto bgr = static_cast<std::uint32_t>(leadingNumber(arg, 0));
            format_.color =
                Color::trueColor(((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF));
            break;
        }
        case 'f':
        case 'F':
            fontSwitch(arg, c == 'F');
            break;
        case 'p':
            paragraphFormat(arg);
            break;
        default:
            break;
        }
    }

    std::string_view src_;
    std::size_t i_ = 0;
    MTextFormat format_;
    std::vector<MTextFormat> stack_;
    MTextContent content_;
    bool changed_ = false;
    std::size_t atoms_ = 0;
};

// Widths of atoms in drawing units (before the text's own frame).
double textAdvance(const MTextFormat& f, std::string_view s) {
    return (f.font ? f.font->advance(s) : estimateTextWidth(s)) * f.height * f.widthFactor *
           f.tracking;
}
double textInk(const MTextFormat& f, std::string_view s) {
    return (f.font ? f.font->width(s) : estimateTextWidth(s)) * f.height * f.widthFactor *
           (s.size() > 1 ? f.tracking : 1.0);
}
double stackWidth(const MTextFormat& f, const MTextAtom& a) {
    const double s = kStackScale;
    const MTextFormat part = [&] {
        MTextFormat p = f;
        p.height *= s;
        return p;
    }();
    const double top = textInk(part, a.text), bottom = textInk(part, a.bottom);
    if (a.stack == '#')
        return top + bottom + 0.5 * f.height;
    return std::max(top, bottom);
}

struct PlacedAtom {
    const MTextAtom* atom;
    double x;
};

struct LaidLine {
    std::vector<PlacedAtom> atoms;
    double width = 0;  // to the end of the last ink
    double height = 0; // tallest cap height
    int align = -1;
    bool columnBreak = false; // the first line of a paragraph that starts with \N
};

// Breaks paragraphs into lines no wider than `wrap` (when > 0), at spaces.
std::vector<LaidLine> breakLines(const MTextContent& content, double wrap) {
    std::vector<LaidLine> lines;
    for (const MTextParagraph& paragraph : content.paragraphs) {
        LaidLine line;
        line.align = paragraph.align;
        line.columnBreak = paragraph.columnBreak;
        line.height = content.formats[paragraph.format].height;
        bool lineHasInk = false, wrapped = false;
        double x = 0;
        const auto& atoms = paragraph.atoms;
        for (std::size_t k = 0; k < atoms.size();) {
            if (atoms[k].space) {
                const MTextFormat& f = content.formats[atoms[k].format];
                if (lineHasInk || !wrapped) { // spaces that start a wrapped line are dropped
                    line.atoms.push_back({&atoms[k], x});
                    x += textAdvance(f, atoms[k].text);
                }
                ++k;
                continue;
            }
            // A word: atoms up to the next space.
            std::size_t end = k;
            double advance = 0, ink = 0;
            while (end < atoms.size() && !atoms[end].space) {
                const MTextFormat& f = content.formats[atoms[end].format];
                const double w =
                    atoms[end].stack ? stackWidth(f, atoms[end]) : textAdvance(f, atoms[end].text);
                ink = advance + (atoms[end].stack ? w : textInk(f, atoms[end].text));
                advance += w;
                ++end;
            }
            if (wrap > 0 && lineHasInk && x + ink > wrap * (1 + 1e-9)) {
                while (!line.atoms.empty() && line.atoms.back().atom->space)
                    line.atoms.pop_back();
                lines.push_back(std::move(line));
                line = LaidLine{};
                line.align = paragraph.align;
                x = 0;
                lineHasInk = false;
                wrapped = true;
            }
            if (!lineHasInk)
                line.height = 0;
            for (std::size_t a = k; a < end; ++a) {
                const MTextFormat& f = content.formats[atoms[a].format];
                line.atoms.push_back({&atoms[a], x});
                x += atoms[a].stack ? stackWidth(f, atoms[a]) : textAdvance(f, atoms[a].text);
                line.height = std::max(line.height, f.height);
            }
            line.width = x - advance + ink;
            lineHasInk = true;
            k = end;
        }
        while (!line.atoms.empty() && line.atoms.back().atom->space)
            line.atoms.pop_back();
        lines.push_back(std::move(line));
    }
    while (!lines.empty() && lines.back().atoms.empty())
        lines.pop_back();
    return lines;
}

MTextFormat baseFormat(const MText& text, const TextStyle* style) {
    MTextFormat f;
    f.font = style ? resolveStyleFont(*style).font : defaultTextFont();
    f.height = text.height;
    if (style) {
        if (style->widthFactor > 0 && std::isfinite(style->widthFactor))
            f.widthFactor = style->widthFactor;
        if (std::isfinite(style->oblique) && std::abs(style->oblique) < 1.5)
            f.oblique = style->oblique;
    }
    if (f.font && f.font->syntheticItalic) {
        f.syntheticItalic = true;
        f.oblique += kItalicSlant;
    }
    f.syntheticBold = f.font && f.font->syntheticBold;
    return f;
}

// The frame of one piece of text with format f at (x, y) of the multi-line text's frame.
Affine2 pieceFrame(const Affine2& frame, const MTextFormat& f, double x, double y, double height) {
    const double shear = std::tan(f.oblique);
    return frame * Affine2::translate(x, y) * Affine2::scale(height, height) *
           Affine2{1, 0, std::isfinite(shear) ? shear : 0.0, 1, 0, 0} *
           Affine2::scale(f.widthFactor, 1);
}

void addRule(MTextLayout& out, const Affine2& frame, Vec2 a, Vec2 b,
             const std::optional<Color>& color) {
    out.rules.push_back({frame.map(a), frame.map(b), color});
}

// Adds one run of text in format f (the height given separately for stacked parts), with the
// colour its format gives it.
void addRun(MTextLayout& out, const Affine2& frame, const MTextFormat& f, double height,
            const std::string& s, double x, double y, const std::optional<Color>& color) {
    TextRun run;
    run.text = s;
    run.font = f.font;
    run.width = f.font ? f.font->width(s) : 0;
    MTextFormat sized = f;
    sized.height = height;
    run.toWorld = pieceFrame(frame, sized, x, y, height);
    if (f.syntheticBold) {
        TextRun twin = run;
        const bool stroke = !f.font || f.font->kind == TextFont::Kind::Stroke;
        const double offset = stroke ? kBoldOffset : kTrueTypeBoldOffset;
        twin.toWorld = pieceFrame(frame, sized, x + offset * height, y, height);
        out.runs.push_back(std::move(twin));
        out.colors.push_back(color);
    }
    out.runs.push_back(std::move(run));
    out.colors.push_back(color);
}

// Turns one line's atoms into runs: neighbours in the same format share a run.
void emitLine(MTextLayout& out, const MTextContent& content, const LaidLine& line,
              const Affine2& frame, double x0, double baseline) {
    for (std::size_t k = 0; k < line.atoms.size();) {
        const MTextAtom& first = *line.atoms[k].atom;
        const MTextFormat& f = content.formats[first.format];
        const double lift = f.valign == 1   ? (line.height - f.height) / 2
                            : f.valign == 2 ? line.height - f.height
                                            : 0.0;
        const double x = x0 + line.atoms[k].x;
        const double y = baseline + lift;
        if (first.stack) {
            MTextFormat part = f;
            part.height = f.height * kStackScale;
            const double top = textInk(part, first.text), bottom = textInk(part, first.bottom);
            const double w = stackWidth(f, first);
            auto place = [&](const std::string& s, double px, double py) {
                if (!s.empty())
                    addRun(out, frame, part, part.height, s, px, py, f.color);
            };
            if (first.stack == '#') {
                place(first.text, x, y + 0.45 * f.height);
                addRule(out, frame, {x + top + 0.1 * f.height, y - 0.1 * f.height},
                        {x + top + 0.4 * f.height, y + 1.1 * f.height}, f.color);
                place(first.bottom, x + top + 0.5 * f.height, y);
            } else {
                const bool centre = first.stack == '/';
                place(first.text, x + (centre ? (w - top) / 2 : 0), y + 0.6 * f.height);
                place(first.bottom, x + (centre ? (w - bottom) / 2 : 0), y - 0.4 * f.height);
                if (centre)
                    addRule(out, frame, {x, y + 0.45 * f.height}, {x + w, y + 0.45 * f.height},
                            f.color);
            }
            ++k;
            continue;
        }
        // Join the following atoms of the same format.
        std::string s = first.text;
        std::size_t end = k + 1;
        while (end < line.atoms.size() && line.atoms[end].atom->format == first.format &&
               !line.atoms[end].atom->stack && f.tracking == 1.0)
            s += line.atoms[end++].atom->text;
        if (f.tracking != 1.0) {
            // Spaced-out text: each character placed on its own.
            double cx = x;
            for (std::size_t i = 0; i < s.size();) {
                const std::size_t from = i;
                nextCodepoint(s, i);
                const std::string ch = s.substr(from, i - from);
                if (ch != " ")
                    addRun(out, frame, f, f.height, ch, cx, y, f.color);
                cx += textAdvance(f, ch);
            }
        } else if (s.find_first_not_of(' ') != std::string::npos) {
            addRun(out, frame, f, f.height, s, x, y, f.color);
        }
        if (f.underline || f.overline || f.strike) {
            const double endX =
                end < line.atoms.size() ? x0 + line.atoms[end].x : x + textInk(f, s);
            for (const auto& [on, level] :
                 {std::pair{f.underline, kUnderline}, std::pair{f.overline, kOverline},
                  std::pair{f.strike, kStrike}})
                if (on)
                    addRule(out, frame, {x, y + level * f.height}, {endX, y + level * f.height},
                            f.color);
        }
        k = end;
    }
}

// Where a line goes: its column and its baseline below the top of that column.
struct MTextPlacement {
    int column = 0;
    double baseline = 0;
};

constexpr int kMaxColumns = 1000;

// The height a column may fill before the text flows into the next one; 0 without limit.
double columnLimit(const MText& text, const MTextColumns* columns, int index) {
    if (!columns)
        return 0;
    double limit = text.definedHeight;
    if (columns->type == MTextColumns::Type::Dynamic && !columns->autoHeight)
        limit = index < static_cast<int>(columns->heights.size()) ? columns->heights[index] : 0;
    return std::isfinite(limit) && limit > 0 ? limit : 0;
}

// Stacks the lines down their columns. "At least" spacing moves each line down by its own
// tallest part; "exactly" by the text height whatever the line holds. With columns a line
// that would end below its column's height, or a column break, starts the next column;
// static columns stop at their count, the last one taking what is left.
std::vector<MTextPlacement> placeLines(const std::vector<LaidLine>& lines, const MText& text,
                                       const MTextColumns* columns, double spacing, bool exactly) {
    const int maxColumns = !columns ? 1
                           : columns->type == MTextColumns::Type::Static
                               ? std::clamp(columns->count, 1, kMaxColumns)
                               : kMaxColumns;
    std::vector<MTextPlacement> placed;
    placed.reserve(lines.size());
    int column = 0;
    double y = 0;
    bool columnEmpty = true;
    for (const LaidLine& line : lines) {
        const double height = exactly ? text.height : line.height;
        double next = columnEmpty ? height : y + spacing * height;
        const double limit = columnLimit(text, columns, column);
        const bool breaks = columns && !columnEmpty && line.columnBreak;
        const bool overflows = limit > 0 && !columnEmpty && next > limit * (1 + 1e-9);
        if ((breaks || overflows) && column + 1 < maxColumns) {
            ++column;
            next = height;
        }
        placed.push_back({column, next});
        y = next;
        columnEmpty = false;
    }
    return placed;
}

// Vertical text steps this far down from one character to the next, in cap heights: the
// character and half of one between it and the next.
constexpr double kVerticalPitch = 1.5;

// One character of vertical text: where its cell starts below the top of its column.
struct VerticalCell {
    std::string text;
    const MTextFormat* format;
    double top = 0;
};

struct VerticalColumn {
    std::vector<VerticalCell> cells;
    double height = 0; // the tallest character's cap height: the column's width
    double length = 0; // from the top to the foot of the last character
};

// Breaks vertical text into columns: each paragraph starts one, and a character that would
// reach below `limit` (when > 0) starts the next. Spaces that would start a wrapped column are
// dropped.
std::vector<VerticalColumn> stackVertically(const MTextContent& content, double limit) {
    std::vector<VerticalColumn> columns;
    for (const MTextParagraph& paragraph : content.paragraphs) {
        VerticalColumn column;
        column.height = content.formats[paragraph.format].height;
        double y = 0;
        bool wrapped = false;
        for (const MTextAtom& atom : paragraph.atoms) {
            const MTextFormat& f = content.formats[atom.format];
            const std::string chars = atom.stack ? atom.text + "/" + atom.bottom : atom.text;
            for (std::size_t i = 0; i < chars.size();) {
                const std::size_t from = i;
                nextCodepoint(chars, i);
                const bool space = chars[from] == ' ';
                if (limit > 0 && !column.cells.empty() && y + f.height > limit * (1 + 1e-9)) {
                    columns.push_back(std::move(column));
                    column = VerticalColumn{};
                    y = 0;
                    wrapped = true;
                }
                if (space && wrapped && column.cells.empty())
                    continue;
                if (column.cells.empty())
                    column.height = 0;
                column.cells.push_back({chars.substr(from, i - from), &f, y});
                column.height = std::max(column.height, f.height);
                column.length = y + f.height;
                y += f.height * kVerticalPitch * f.tracking;
            }
        }
        columns.push_back(std::move(column));
    }
    while (!columns.empty() && columns.back().cells.empty())
        columns.pop_back();
    return columns;
}

// Places vertical text: each character below the one before, centred across its column, and
// the columns from right to left, `spacing` column widths apart. The attachment point places
// the whole block as it does horizontal text.
void layoutVertical(MTextLayout& out, const MTextContent& content, const MText& text,
                    double spacing) {
    const double limit =
        text.definedHeight > 0 && std::isfinite(text.definedHeight) ? text.definedHeight : 0;
    const std::vector<VerticalColumn> columns = stackVertically(content, limit);
    if (columns.empty())
        return;
    // Column centres from the first (rightmost) at 0 leftwards.
    std::vector<double> centres(columns.size());
    double length = 0;
    for (std::size_t k = 0; k < columns.size(); ++k) {
        length = std::max(length, columns[k].length);
        if (k > 0)
            centres[k] =
                centres[k - 1] - spacing * std::max(columns[k - 1].height, columns[k].height);
    }
    const double right = columns.front().height / 2;
    const double left = centres.back() - columns.back().height / 2;
    const int attachment = std::clamp<int>(text.attachment, 1, 9);
    const int across = (attachment - 1) % 3, down = (attachment - 1) / 3;
    const double shift = -(across == 0 ? left : across == 1 ? (left + right) / 2 : right);
    const double top = down == 0 ? 0 : down == 1 ? length / 2 : length;
    for (std::size_t k = 0; k < columns.size(); ++k)
        for (const VerticalCell& cell : columns[k].cells) {
            const MTextFormat& f = *cell.format;
            if (cell.text == " ")
                continue;
            const double x = shift + centres[k] - textInk(f, cell.text) / 2;
            addRun(out, out.frame, f, f.height, cell.text, x, top - cell.top - f.height, f.color);
        }
    out.extent.add(Vec2{left + shift, top});
    out.extent.add(Vec2{right + shift, top - length});
}

} // namespace

bool isVerticalText(std::int16_t drawingDirection, const TextStyle* style) {
    return drawingDirection == 3 || (drawingDirection == 5 && style && style->vertical);
}

std::string expandTextCodes(std::string_view s) {
    return expandCodes(s, nullptr);
}

std::vector<MTextLine> parseMText(std::string_view text, double height, double wrapWidth) {
    MTextFormat base;
    base.font = defaultTextFont();
    base.height = height;
    const MTextContent content = MTextParser(text, base).run();
    std::vector<MTextLine> lines;
    for (const LaidLine& laid : breakLines(content, wrapWidth)) {
        MTextLine line;
        line.height = laid.height;
        for (const PlacedAtom& placed : laid.atoms) {
            line.text += placed.atom->text;
            if (placed.atom->stack)
                line.text += "/" + placed.atom->bottom;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

bool layoutText(const Text& text, const TextStyle* style, const Affine2& plane, TextRun& out,
                std::vector<TextRule>* rules) {
    std::vector<std::pair<std::size_t, char>> toggles;
    out.text = expandCodes(text.text, &toggles);
    double height = text.height;
    if (!(height > 0) && style && style->fixedHeight > 0)
        height = style->fixedHeight;
    if (out.text.empty() || !(height > 0) || !std::isfinite(height))
        return false;
    double widthFactor = text.widthFactor > 0 && std::isfinite(text.widthFactor)
                             ? text.widthFactor
                             : (style ? style->widthFactor : 1.0);
    if (!(widthFactor > 0))
        widthFactor = 1;
    out.font = style ? resolveStyleFont(*style).font : defaultTextFont();
    out.width = out.font ? out.font->width(out.text) : 0;

    Vec2 anchor = text.insert.xy();
    double rotation = text.rotation;
    double dy = 0;
    out.align = 0;
    out.fitWidth = 0;
    out.fitUniform = false;
    const bool useAlignPoint = text.hAlign != 0 || text.vAlign != 0;
    if (text.hAlign == 3 || text.hAlign == 5) {
        const Vec2 d = text.alignPoint.xy() - text.insert.xy();
        const double len = length(d);
        if (len > 0) {
            rotation = std::atan2(d.y, d.x);
            out.fitWidth = len / (height * widthFactor);
            out.fitUniform = text.hAlign == 3;
        }
    } else if (text.hAlign == 4) {
        anchor = text.alignPoint.xy();
        out.align = 1;
        dy = -0.5;
    } else if (useAlignPoint) {
        anchor = text.alignPoint.xy();
        out.align = static_cast<std::uint8_t>(std::clamp<int>(text.hAlign, 0, 2));
        dy = text.vAlign == 1 ? kDescent : text.vAlign == 2 ? -0.5 : text.vAlign == 3 ? -1.0 : 0.0;
    }
    const double slant =
        text.oblique + (out.font && out.font->syntheticItalic ? kItalicSlant : 0.0);
    const double shear = std::isfinite(std::tan(slant)) ? std::tan(slant) : 0.0;
    const Affine2 mirror = Affine2::scale(text.mirrorX ? -1 : 1, text.mirrorY ? -1 : 1);
    out.toWorld = plane * Affine2::translate(anchor.x, anchor.y) * Affine2::rotate(rotation) *
                  mirror * Affine2::scale(height, height) * Affine2::translate(0, dy) *
                  Affine2{1, 0, shear, 1, 0, 0} * Affine2::scale(widthFactor, 1);

    if (rules && !toggles.empty() && out.font) {
        // %%u, %%o and %%k switch rules on and off along the text.
        const Affine2 frame = glyphFrame(out);
        bool on[3] = {false, false, false};
        const double levels[3] = {kUnderline, kOverline, kStrike};
        double start[3] = {0, 0, 0};
        toggles.emplace_back(out.text.size(), 0); // closes what is still on
        for (const auto& [pos, code] : toggles) {
            const std::string_view before = std::string_view(out.text).substr(0, pos);
            for (int k = 0; k < 3; ++k) {
                const bool toggled = code == "uok"[k];
                if (!(toggled || code == 0) || !(on[k] || toggled))
                    continue;
                if (on[k]) {
                    const double end = out.font->width(before);
                    if (end > start[k])
                        rules->push_back({frame.map({start[k], levels[k]}),
                                          frame.map({end, levels[k]}), std::nullopt});
                    on[k] = false;
                } else if (code != 0) {
                    start[k] = out.font->advance(before);
                    on[k] = true;
                }
            }
        }
    }
    return true;
}

bool layoutVerticalText(const Text& text, const TextStyle* style, const Affine2& plane,
                        std::vector<TextRun>& out) {
    const std::string chars = expandCodes(text.text, nullptr);
    double height = text.height;
    if (!(height > 0) && style && style->fixedHeight > 0)
        height = style->fixedHeight;
    if (chars.empty() || !(height > 0) || !std::isfinite(height))
        return false;
    double widthFactor = text.widthFactor > 0 && std::isfinite(text.widthFactor)
                             ? text.widthFactor
                             : (style ? style->widthFactor : 1.0);
    if (!(widthFactor > 0) || !std::isfinite(widthFactor))
        widthFactor = 1;
    const auto font = style ? resolveStyleFont(*style).font : defaultTextFont();
    std::vector<std::string> cells;
    for (std::size_t i = 0; i < chars.size();) {
        const std::size_t from = i;
        nextCodepoint(chars, i);
        cells.push_back(chars.substr(from, i - from));
    }
    const double count = static_cast<double>(cells.size());
    double pitch = height * kVerticalPitch;
    // The column runs down the text's frame from `top`, which sits on the anchor.
    Vec2 anchor = text.insert.xy();
    double rotation = text.rotation, top = 0;
    const double columnLength = (count - 1) * pitch + height;
    if (text.hAlign == 3 || text.hAlign == 5) {
        // Spread between the two points: the first character's top on the first, the last
        // one's foot on the second.
        const Vec2 d = text.alignPoint.xy() - text.insert.xy();
        const double len = length(d);
        if (len > 0) {
            rotation = std::atan2(d.y, d.x) + std::numbers::pi / 2;
            if (count > 1)
                pitch = std::max(len - height, 0.0) / (count - 1);
        }
    } else if (text.hAlign == 1 || text.hAlign == 4) {
        anchor = text.alignPoint.xy();
        top = columnLength / 2;
    } else if (text.hAlign == 2) {
        anchor = text.alignPoint.xy();
        top = columnLength;
    }
    const double shear = std::isfinite(std::tan(text.oblique)) ? std::tan(text.oblique) : 0.0;
    const Affine2 frame = plane * Affine2::translate(anchor.x, anchor.y) *
                          Affine2::rotate(rotation) *
                          Affine2::scale(text.mirrorX ? -1 : 1, text.mirrorY ? -1 : 1);
    for (std::size_t k = 0; k < cells.size(); ++k) {
        if (cells[k] == " ")
            continue;
        TextRun run;
        run.text = cells[k];
        run.font = font;
        run.width = font ? font->width(cells[k]) : 0;
        const double x = -runWidth(run) * height * widthFactor / 2;
        const double y = top - static_cast<double>(k) * pitch - height;
        run.toWorld = frame * Affine2::translate(x, y) * Affine2::scale(height, height) *
                      Affine2{1, 0, shear, 1, 0, 0} * Affine2::scale(widthFactor, 1);
        out.push_back(std::move(run));
    }
    return !out.empty();
}

MTextLayout layoutMTextFull(const MText& text, Vec3 extrusion, const TextStyle* style) {
    MTextLayout out;
    if (!(text.height > 0) || !std::isfinite(text.height))
        return out;
    const MTextContent content = MTextParser(text.text, baseFormat(text, style)).run();
    out.truncated = content.truncated;
    out.missingFonts = content.missingFonts;
    const MTextColumns* columns = text.columns && text.columns->type != MTextColumns::Type::None
                                      ? text.columns.get()
                                      : nullptr;
    double wrap =
        text.referenceWidth > 0 && std::isfinite(text.referenceWidth) ? text.referenceWidth : 0;
    const double gutter =
        columns && std::isfinite(columns->gutter) ? std::max(columns->gutter, 0.0) : 0.0;
    if (columns && columns->width > 0 && std::isfinite(columns->width))
        wrap = columns->width;
    const OcsFrame frame = OcsFrame::fromExtrusion(extrusion);
    Vec3 xDir = text.xDirection;
    if (!(length(xDir) > 1e-12))
        xDir = frame.xAxis;
    xDir = xDir * (1.0 / length(xDir));
    const Vec3 yDir = cross(frame.zAxis, xDir);
    const double spacing = kLineSpacing * std::clamp(text.lineSpacingFactor, 0.25, 4.0);
    out.frame = Affine2{xDir.x, xDir.y, yDir.x, yDir.y, text.insert.x, text.insert.y};
    if (isVerticalText(text.drawingDirection, style)) {
        layoutVertical(out, content, text, spacing);
        for (const MTextParagraph& paragraph : content.paragraphs)
            for (const MTextAtom& atom : paragraph.atoms) {
                const MTextFormat& f = content.formats[atom.format];
                out.rulesLeftOut |= f.underline || f.overline || f.strike;
            }
        return out;
    }
    const std::vector<LaidLine> lines = breakLines(content, wrap);
    if (lines.empty())
        return out;

    const int attachment = std::clamp<int>(text.attachment, 1, 9);
    const int column = (attachment - 1) % 3; // 0 left, 1 centre, 2 right
    const int row = (attachment - 1) / 3;    // 0 top, 1 middle, 2 bottom
    const bool exactly = text.lineSpacingStyle == 2;

    // Baselines measured down from the top of their column, and the column of each line.
    const std::vector<MTextPlacement> placed = placeLines(lines, text, columns, spacing, exactly);
    int columnCount = 1;
    double total = 0;
    for (const MTextPlacement& p : placed) {
        columnCount = std::max(columnCount, p.column + 1);
        total = std::max(total, p.baseline);
    }
    const double top = row == 0 ? 0 : row == 1 ? total / 2 : total;
    const double boxWidth = wrap > 0 ? columnCount * wrap + (columnCount - 1) * gutter : 0;
    const double boxLeft = -boxWidth * column / 2.0;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const LaidLine& line = lines[k];
        const int a = line.align >= 0 ? line.align : column;
        int c = placed[k].column;
        if (columns && columns->flowReversed)
            c = columnCount - 1 - c;
        const double x0 = wrap > 0 ? boxLeft + c * (wrap + gutter) + (wrap - line.width) * a / 2.0
                                   : -line.width * a / 2.0;
        const double baseline = top - placed[k].baseline;
        emitLine(out, content, line, out.frame, x0, baseline);
        // A word longer than the reference width stays whole and sticks out of the box: the
        // box (and so a background mask) grows to cover it.
        out.extent.add(Vec2{x0, baseline});
        out.extent.add(Vec2{x0 + line.width, baseline});
    }
    out.extent.add(Vec2{boxLeft, top});
    out.extent.add(Vec2{boxLeft + boxWidth, top - total});
    return out;
}

std::vector<Vec2> frameBoxCorners(const Affine2& frame, const Box2& box, double margin) {
    if (box.empty() || !std::isfinite(margin))
        return {};
    return {frame.map({box.minX - margin, box.minY - margin}),
            frame.map({box.maxX + margin, box.minY - margin}),
            frame.map({box.maxX + margin, box.maxY + margin}),
            frame.map({box.minX - margin, box.maxY + margin})};
}

Box2 inkExtent(const MTextLayout& laid) {
    // The frame's axes are unit and square to each other, so projecting onto them undoes it.
    const Vec2 origin = laid.frame.map({0, 0});
    const Vec2 xAxis = laid.frame.mapVector({1, 0}), yAxis = laid.frame.mapVector({0, 1});
    Box2 box;
    for (const TextRun& run : laid.runs) {
        const Affine2 glyphs = glyphFrame(run);
        const double width = runWidth(run);
        for (Vec2 corner :
             {Vec2{0, -kDescent}, Vec2{width, -kDescent}, Vec2{0, 1}, Vec2{width, 1}}) {
            const Vec2 d = glyphs.map(corner) - origin;
            box.add(Vec2{d.x * xAxis.x + d.y * xAxis.y, d.x * yAxis.x + d.y * yAxis.y});
        }
    }
    return box;
}

std::optional<TextRun> syntheticBoldTwin(const TextRun& run) {
    if (!run.font || !run.font->syntheticBold)
        return std::nullopt;
    TextRun twin = run;
    twin.toWorld = glyphFrame(run) * Affine2::translate(kTrueTypeBoldOffset, 0);
    twin.fitWidth = 0;
    twin.align = 0;
    return twin;
}

std::vector<TextRun> layoutMText(const MText& text, Vec3 extrusion) {
    return layoutMTextFull(text, extrusion, nullptr).runs;
}

double runWidth(const TextRun& run) {
    return run.width > 0 ? run.width : estimateTextWidth(run.text);
}

Affine2 glyphFrame(const TextRun& run) {
    const double width = runWidth(run);
    if (run.fitWidth > 0 && width > 0) {
        const double sx = run.fitWidth / width;
        return run.toWorld * Affine2::scale(sx, run.fitUniform ? sx : 1.0);
    }
    return run.toWorld * Affine2::translate(-width * run.align / 2.0, 0);
}

Box2 textRunBox(const TextRun& run) {
    const double width = runWidth(run);
    const Affine2 frame = glyphFrame(run);
    Box2 box;
    for (Vec2 corner : {Vec2{0, -kDescent}, Vec2{width, -kDescent}, Vec2{0, 1}, Vec2{width, 1}})
        box.add(frame.map(corner));
    return box;
}

} // namespace vexor::cad
