#include "StrokeFont.h"

#include "../curves/Tessellate.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <set>

namespace vexor::cad {

namespace {

constexpr double kLffCapHeight = 9.0;
constexpr double kMaxCoordinate = 1000.0; // in file units: a hundred cap heights

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool parseDouble(std::string_view s, double& out) {
    s = trim(s);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc{} && end == s.data() + s.size() && std::isfinite(out);
}

bool parseHex(std::string_view s, char32_t& out) {
    s = trim(s);
    unsigned long v = 0;
    if (s.empty() || s.size() > 6)
        return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 16);
    if (ec != std::errc{} || end != s.data() + s.size() || v > 0x10FFFF)
        return false;
    out = static_cast<char32_t>(v);
    return true;
}

} // namespace

char32_t nextCodepoint(std::string_view s, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i++]);
    if (b0 < 0x80)
        return b0;
    int extra = b0 >= 0xF0 && b0 < 0xF8 ? 3 : b0 >= 0xE0 ? 2 : b0 >= 0xC0 ? 1 : -1;
    if (extra < 0)
        return 0xFFFD;
    char32_t cp = b0 & (0x3F >> extra);
    for (; extra > 0; --extra) {
        if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80)
            return 0xFFFD;
        cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    }
    return cp > 0x10FFFF ? 0xFFFD : cp;
}

double StrokeFont::advance(char32_t c) const {
    if (const StrokeGlyph* g = glyph(c))
        return g->advance;
    if (c == ' ' || c == 0xA0)
        return wordSpacing_;
    if (const StrokeGlyph* g = glyph(U'?'))
        return g->advance;
    return wordSpacing_;
}

const StrokeGlyph* StrokeFont::glyphOrFallback(char32_t c) const {
    if (const StrokeGlyph* g = glyph(c))
        return g;
    if (c == ' ' || c == 0xA0)
        return nullptr;
    return glyph(U'?');
}

// Reads the file into glyphs with their own strokes and their references, then resolves the
// references (depth-limited, so a glyph that names itself or a cycle of glyphs ends) and
// measures each glyph.
struct LffReader {
    struct RawGlyph {
        StrokeGlyph glyph;
        std::vector<char32_t> references;
        int state = 0; // 0 unresolved, 1 resolving, 2 done
    };

    std::unordered_map<char32_t, RawGlyph> raw;
    std::set<std::string> problems;
    std::size_t totalPoints = 0;
    double letterSpacing = 3, wordSpacing = 6.75, lineSpacing = 1;

    void header(std::string_view line) {
        line.remove_prefix(1);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            return;
        const std::string_view key = trim(line.substr(0, colon));
        double v = 0;
        if (!parseDouble(line.substr(colon + 1), v))
            return;
        if (key == "LetterSpacing" && v >= 0 && v < kMaxCoordinate)
            letterSpacing = v;
        else if (key == "WordSpacing" && v >= 0 && v < kMaxCoordinate)
            wordSpacing = v;
        else if (key == "LineSpacingFactor" && v > 0 && v < 100)
            lineSpacing = v;
    }

    void polyline(std::string_view line, StrokeGlyph& glyph) {
        const std::size_t start = glyph.points.size();
        Vec2 previous;
        while (!line.empty()) {
            const std::size_t semi = line.find(';');
            std::string_view part = line.substr(0, semi);
            line = semi == std::string_view::npos ? std::string_view{} : line.substr(semi + 1);
            double bulge = 0;
            // The bulge follows "A", normally after a comma; some glyphs of the installed
            // fonts leave the comma out.
            const std::size_t arc = part.find('A');
            if (arc != std::string_view::npos) {
                if (!parseDouble(part.substr(arc + 1), bulge) || std::abs(bulge) > 1e3) {
                    problems.insert("bad arc bulge");
                    bulge = 0;
                }
                part = part.substr(0, arc);
                if (!part.empty() && part.back() == ',')
                    part.remove_suffix(1);
            }
            const std::size_t comma = part.find(',');
            Vec2 p;
            if (comma == std::string_view::npos || !parseDouble(part.substr(0, comma), p.x) ||
                !parseDouble(part.substr(comma + 1), p.y) || std::abs(p.x) > kMaxCoordinate ||
                std::abs(p.y) > kMaxCoordinate) {
                if (!trim(part).empty())
                    problems.insert("bad point");
                continue;
            }
            p = p * (1.0 / kLffCapHeight);
            if (glyph.points.size() >= kMaxPointsPerGlyph || totalPoints >= kMaxFontPoints) {
                problems.insert("too many points");
                break;
            }
            const std::size_t before = glyph.points.size();
            if (before > start && bulge != 0)
                appendBulge(glyph.points, previous, p, bulge);
            else
                glyph.points.push_back(p);
            totalPoints += glyph.points.size() - before;
            previous = p;
        }
        const auto count = static_cast<std::uint32_t>(glyph.points.size() - start);
        if (count == 1)
            glyph.points.push_back(glyph.points.back()); // a dot: a stroke of no length
        if (count > 0)
            glyph.strokeSizes.push_back(static_cast<std::uint32_t>(glyph.points.size() - start));
    }

    void read(std::string_view text) {
        RawGlyph* current = nullptr;
        bool truncated = false;
        while (!text.empty()) {
            const std::size_t nl = text.find('\n');
            const std::string_view line = trim(text.substr(0, nl));
            text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
            if (line.empty())
                continue;
            if (line.front() == '#') {
                if (raw.empty())
                    header(line);
                continue;
            }
            if (line.front() == '[') {
                const std::size_t close = line.find(']');
                char32_t code = 0;
                current = nullptr;
                if (close == std::string_view::npos || !parseHex(line.substr(1, close - 1), code)) {
                    problems.insert("bad glyph header");
                    continue;
                }
                if (raw.size() >= kMaxGlyphs && !raw.count(code)) {
                    truncated = true;
                    continue;
                }
                current = &raw[code];
                current->glyph = {};
                current->references.clear();
                continue;
            }
            if (!current)
                continue;
            if (line.front() == 'C' || line.front() == 'c') {
                char32_t ref = 0;
                if (parseHex(line.substr(1), ref) && current->references.size() < 16)
                    current->references.push_back(ref);
                else
                    problems.insert("bad glyph reference");
                continue;
            }
            polyline(line, current->glyph);
        }
        if (truncated)
            problems.insert("more glyphs than " + std::to_string(kMaxGlyphs));
    }

    // Prepends the strokes of the glyphs this one names.
    void resolve(RawGlyph& g, int depth) {
        if (g.state == 2)
            return;
        if (g.state == 1 || depth > kMaxGlyphReferenceDepth) {
            problems.insert("glyph references form a cycle or nest too deep");
            return;
        }
        g.state = 1;
        StrokeGlyph merged;
        for (char32_t ref : g.references) {
            const auto it = raw.find(ref);
            if (it == raw.end()) {
                problems.insert("reference to a missing glyph");
                continue;
            }
            resolve(it->second, depth + 1);
            if (it->second.state != 2)
                continue;
            const StrokeGlyph& other = it->second.glyph;
            if (totalPoints + other.points.size() > kMaxFontPoints ||
                merged.points.size() + other.points.size() > kMaxPointsPerGlyph) {
                problems.insert("too many points");
                continue;
            }
            totalPoints += other.points.size();
            merged.points.insert(merged.points.end(), other.points.begin(), other.points.end());
            merged.strokeSizes.insert(merged.strokeSizes.end(), other.strokeSizes.begin(),
                                      other.strokeSizes.end());
        }
        merged.points.insert(merged.points.end(), g.glyph.points.begin(), g.glyph.points.end());
        merged.strokeSizes.insert(merged.strokeSizes.end(), g.glyph.strokeSizes.begin(),
                                  g.glyph.strokeSizes.end());
        g.glyph = std::move(merged);
        g.state = 2;
    }
};

StrokeFontResult readLffFont(std::string_view text, std::string name, std::string path) {
    StrokeFontResult result;
    LffReader reader;
    if (text.size() > kMaxFontFileBytes) {
        reader.problems.insert("file larger than " + std::to_string(kMaxFontFileBytes >> 20) +
                               " MB, read in part");
        text = text.substr(0, kMaxFontFileBytes);
    }
    reader.read(text);
    auto font = std::make_shared<StrokeFont>();
    font->name_ = std::move(name);
    font->path_ = std::move(path);
    font->letterSpacing_ = reader.letterSpacing / kLffCapHeight;
    font->wordSpacing_ = reader.wordSpacing / kLffCapHeight;
    font->lineSpacingFactor_ = reader.lineSpacing;
    for (auto& [code, g] : reader.raw)
        reader.resolve(g, 0);
    for (auto& [code, g] : reader.raw) {
        StrokeGlyph glyph = std::move(g.glyph);
        if (glyph.points.empty()) {
            glyph.advance = font->wordSpacing_;
        } else {
            double right = 0;
            for (Vec2 p : glyph.points)
                right = std::max(right, p.x);
            glyph.advance = right + font->letterSpacing_;
        }
        font->glyphs_.emplace(code, std::move(glyph));
    }
    result.problems.assign(reader.problems.begin(), reader.problems.end());
    if (!font->glyphs_.empty())
        result.font = std::move(font);
    else
        result.problems.push_back("no glyphs");
    return result;
}

} // namespace vexor::cad
