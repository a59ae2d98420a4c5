#include "TextLayout.h"

#include "DisplayList.h"
#include "Ocs.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

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

struct MTextParser {
    std::string_view src;
    std::size_t i = 0;
    std::vector<MTextLine> lines{MTextLine{}};
    std::vector<double> heightStack;
    double height = 1;

    void newLine() { lines.push_back({}); }
    void emit(std::string_view s) {
        MTextLine& line = lines.back();
        line.text += s;
        line.height = std::max(line.height, height);
    }
    // Skips to just past the next ';' (or the end).
    std::string_view argumentToSemicolon() {
        const std::size_t end = src.find(';', i);
        const std::size_t stop = end == std::string_view::npos ? src.size() : end;
        const std::string_view arg = src.substr(i, stop - i);
        i = stop == src.size() ? stop : stop + 1;
        return arg;
    }
    void stacked() {
        const std::string_view arg = argumentToSemicolon();
        std::string text;
        for (char c : arg)
            text += (c == '^' || c == '#') ? '/' : c;
        while (!text.empty() && text.back() == '/')
            text.pop_back();
        emit(expandTextCodes(text));
    }
    void code() {
        const char c = src[i + 1];
        switch (c) {
        case 'P':
        case 'X':
        case 'N':
            i += 2;
            newLine();
            return;
        case '~':
            i += 2;
            emit(" ");
            return;
        case '\\':
        case '{':
        case '}':
            i += 2;
            emit(std::string_view(&c, 1));
            return;
        case 'U':
        case 'u': {
            std::string cp;
            if (decodeUnicodeEscape(src, i, cp)) {
                emit(cp);
                return;
            }
            break;
        }
        case 'M':
        case 'm': // \M+nXXXX: a double-byte character of another code page; not mapped
            i = std::min(src.size(), i + 8);
            emit("?");
            return;
        case 'H':
        case 'h': {
            i += 2;
            const std::string_view arg = argumentToSemicolon();
            const double v = leadingNumber(arg, 1);
            height = (!arg.empty() && (arg.back() == 'x' || arg.back() == 'X')) ? height * v : v;
            return;
        }
        case 'S':
            i += 2;
            stacked();
            return;
        case 'f':
        case 'F':
        case 'C':
        case 'c':
        case 'T':
        case 't':
        case 'Q':
        case 'q':
        case 'W':
        case 'w':
        case 'A':
        case 'a':
        case 'p': // font, colour, tracking, slant, width, alignment, paragraph: up to ';'
            i += 2;
            argumentToSemicolon();
            return;
        default:
            break;
        }
        // \L \l \O \o \K \k (under/overline, strike) and unknown codes: dropped.
        i += 2;
    }
    void run() {
        while (i < src.size()) {
            const char c = src[i];
            if (c == '\\' && i + 1 < src.size()) {
                code();
            } else if (c == '\\') {
                ++i;
            } else if (c == '{') {
                heightStack.push_back(height);
                ++i;
            } else if (c == '}') {
                if (!heightStack.empty()) {
                    height = heightStack.back();
                    heightStack.pop_back();
                }
                ++i;
            } else if (c == '^' && i + 1 < src.size() && (src[i + 1] == 'I' || src[i + 1] == 'J')) {
                if (src[i + 1] == 'J')
                    newLine();
                else
                    emit("    ");
                i += 2;
            } else if (c == '\n') {
                newLine();
                ++i;
            } else if (c == '\r' || c == '\t') {
                emit(" ");
                ++i;
            } else {
                const std::size_t next = src.find_first_of("\\{}^\n\r\t", i + 1);
                const std::size_t stop = next == std::string_view::npos ? src.size() : next;
                emit(expandTextCodes(src.substr(i, stop - i)));
                i = stop;
            }
        }
    }
};

std::vector<MTextLine> wrapLine(const MTextLine& line, double wrapWidth) {
    std::vector<MTextLine> out;
    const double h = line.height > 0 ? line.height : 1;
    std::string current;
    std::size_t pos = 0;
    const std::string& t = line.text;
    while (pos <= t.size()) {
        std::size_t space = t.find(' ', pos);
        if (space == std::string::npos)
            space = t.size();
        const std::string word = t.substr(pos, space - pos);
        const std::string candidate = current.empty() ? word : current + " " + word;
        if (!current.empty() && estimateTextWidth(candidate) * h > wrapWidth) {
            out.push_back({current, line.height});
            current = word;
        } else {
            current = candidate;
        }
        pos = space + 1;
    }
    out.push_back({current, line.height});
    return out;
}

} // namespace

std::string expandTextCodes(std::string_view s) {
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
                appendUtf8(out, code);
                i = j;
                continue;
            } else if (c != 'u' && c != 'o' && c != 'k') {
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

std::vector<MTextLine> parseMText(std::string_view text, double height, double wrapWidth) {
    MTextParser parser;
    parser.src = text;
    parser.height = height;
    parser.run();
    std::vector<MTextLine> lines;
    for (MTextLine& line : parser.lines) {
        if (line.height <= 0)
            line.height = height;
        if (wrapWidth > 0 && estimateTextWidth(line.text) * line.height > wrapWidth * 1.001) {
            for (MTextLine& part : wrapLine(line, wrapWidth))
                lines.push_back(std::move(part));
        } else {
            lines.push_back(std::move(line));
        }
    }
    while (!lines.empty() && lines.back().text.empty())
        lines.pop_back();
    return lines;
}

double estimateTextWidth(std::string_view s) {
    double w = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if ((c & 0xC0) == 0x80)
            continue; // continuation byte of a multi-byte character
        if (c == ' ')
            w += 0.44;
        else if (c == 'i' || c == 'l' || c == 'j' || c == '.' || c == ',' || c == ':' || c == ';' ||
                 c == '\'' || c == '|' || c == '!' || c == 'I')
            w += 0.4;
        else if (c == 'm' || c == 'w' || c == 'M' || c == 'W')
            w += 1.3;
        else if (std::isupper(c))
            w += 0.98;
        else if (c >= 0xE0)
            w += 1.3; // wide scripts
        else
            w += 0.85;
    }
    return w;
}

bool layoutText(const Text& text, const TextStyle* style, const Affine2& plane, TextRun& out) {
    out.text = expandTextCodes(text.text);
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
    const double shear = std::isfinite(std::tan(text.oblique)) ? std::tan(text.oblique) : 0.0;
    const Affine2 mirror = Affine2::scale(text.mirrorX ? -1 : 1, text.mirrorY ? -1 : 1);
    out.toWorld = plane * Affine2::translate(anchor.x, anchor.y) * Affine2::rotate(rotation) *
                  mirror * Affine2::scale(height, height) * Affine2::translate(0, dy) *
                  Affine2{1, 0, shear, 1, 0, 0} * Affine2::scale(widthFactor, 1);
    return true;
}

std::vector<TextRun> layoutMText(const MText& text, Vec3 extrusion) {
    std::vector<TextRun> runs;
    if (!(text.height > 0) || !std::isfinite(text.height))
        return runs;
    const std::vector<MTextLine> lines =
        parseMText(text.text, text.height, text.referenceWidth > 0 ? text.referenceWidth : 0);
    if (lines.empty())
        return runs;

    const OcsFrame frame = OcsFrame::fromExtrusion(extrusion);
    Vec3 xDir = text.xDirection;
    if (!(length(xDir) > 1e-12))
        xDir = frame.xAxis;
    xDir = xDir * (1.0 / length(xDir));
    const Vec3 yDir = cross(frame.zAxis, xDir);
    const int attachment = std::clamp<int>(text.attachment, 1, 9);
    const int column = (attachment - 1) % 3; // 0 left, 1 centre, 2 right
    const int row = (attachment - 1) / 3;    // 0 top, 1 middle, 2 bottom
    const double spacing = kLineSpacing * std::max(text.lineSpacingFactor, 0.25);

    // Baselines measured down from the top of the first line.
    std::vector<double> baselines;
    double y = 0;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        y += k == 0 ? lines[k].height : spacing * lines[k].height;
        baselines.push_back(y);
    }
    const double total = y;
    const double top = row == 0 ? 0 : row == 1 ? total / 2 : total;
    const Affine2 toWorld{xDir.x, xDir.y, yDir.x, yDir.y, text.insert.x, text.insert.y};
    for (std::size_t k = 0; k < lines.size(); ++k) {
        if (lines[k].text.empty())
            continue;
        TextRun run;
        run.text = lines[k].text;
        run.align = static_cast<std::uint8_t>(column);
        const double h = lines[k].height;
        run.toWorld = toWorld * Affine2::translate(0, top - baselines[k]) * Affine2::scale(h, h);
        runs.push_back(std::move(run));
    }
    return runs;
}

Box2 textRunBox(const TextRun& run) {
    double width = estimateTextWidth(run.text);
    double scaleY = 1;
    if (run.fitWidth > 0 && width > 0) {
        if (run.fitUniform)
            scaleY = run.fitWidth / width;
        width = run.fitWidth;
    }
    const double left = run.fitWidth > 0 ? 0 : -width * run.align / 2.0;
    Box2 box;
    for (Vec2 corner : {Vec2{left, -kDescent * scaleY}, Vec2{left + width, -kDescent * scaleY},
                        Vec2{left, scaleY}, Vec2{left + width, scaleY}})
        box.add(run.toWorld.map(corner));
    return box;
}

} // namespace vexor::cad
