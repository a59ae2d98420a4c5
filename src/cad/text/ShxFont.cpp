// Reader for compiled shape files (.shx): text fonts, big fonts for double-byte scripts,
// Unicode fonts and plain shape libraries. Each shape is a byte program for a pen that moves in
// 16 directions, draws octant, fractional and bulge arcs and calls other shapes; the programs
// are run once when the file is read and kept as polylines.
#include "../curves/Tessellate.h"
#include "StrokeFont.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

namespace vexor::cad {

namespace {

constexpr std::string_view kShapesSignature = "AutoCAD-86 shapes 1.";
constexpr std::string_view kUnifontSignature = "AutoCAD-86 unifont 1.";
constexpr std::string_view kBigfontSignature = "AutoCAD-86 bigfont 1.";
// Commands run for one glyph, its sub-shapes included: bounds the work of shapes that call
// each other many times over.
constexpr std::size_t kMaxCommandsPerGlyph = 100000;
// The pen's position stack holds this many entries.
constexpr std::size_t kMaxStackDepth = 16;
constexpr double kPi = 3.14159265358979323846;

enum class Kind { Shapes, Unifont, Bigfont };

// Little-endian fields of the file with a bounds check on every read.
struct Bytes {
    std::string_view data;
    std::size_t pos = 0;
    bool ok = true;

    bool has(std::size_t n) const { return ok && pos <= data.size() && data.size() - pos >= n; }
    std::uint32_t u8() {
        if (!has(1))
            return ok = false, 0;
        return static_cast<unsigned char>(data[pos++]);
    }
    std::uint32_t u16() {
        const std::uint32_t lo = u8();
        return lo | (u8() << 8);
    }
    std::uint32_t u32() {
        const std::uint32_t lo = u16();
        return lo | (u16() << 16);
    }
};

// A shape's program: its bytes after the name.
struct ShapeProgram {
    std::string_view name;
    std::string_view program;
};

// Splits a shape's definition bytes into its zero-terminated name and its program.
ShapeProgram splitDefinition(std::string_view def) {
    const std::size_t zero = def.find('\0');
    if (zero == std::string_view::npos)
        return {{}, def};
    return {def.substr(0, zero), def.substr(zero + 1)};
}

// The unit vector of each of the 16 directions a one-byte vector can take; lengths are
// measured along the longer axis, so the odd directions are 2:1 slopes.
Vec2 directionVector(unsigned d) {
    static constexpr double dx[16] = {1,  1,  1,  0.5,  0, -0.5, -1, -1,
                                      -1, -1, -1, -0.5, 0, 0.5,  1,  1};
    static constexpr double dy[16] = {0, 0.5,  1,  1,  1,  1,  1,  0.5,
                                      0, -0.5, -1, -1, -1, -1, -1, -0.5};
    return {dx[d & 15], dy[d & 15]};
}

int signedByte(std::uint32_t b) {
    return b >= 128 ? static_cast<int>(b) - 256 : static_cast<int>(b);
}

// Runs shape programs, collecting the strokes of one glyph.
class Pen {
public:
    Pen(const std::map<std::uint32_t, ShapeProgram>& shapes, Kind kind, double above,
        std::vector<std::string>& problems)
        : shapes_(shapes), kind_(kind), above_(above), problems_(problems) {}

    StrokeGlyph run(std::uint32_t number) {
        shape(number, 0, 1.0);
        endStroke();
        glyph_.advance = pos_.x;
        return std::move(glyph_);
    }
    bool overflowed() const { return overflow_; }

private:
    void problem(const std::string& message) {
        if (problems_.size() < 32 &&
            std::find(problems_.begin(), problems_.end(), message) == problems_.end())
            problems_.push_back(message);
    }

    void endStroke() {
        if (strokeSize_ >= 2)
            glyph_.strokeSizes.push_back(strokeSize_);
        else
            glyph_.points.resize(glyph_.points.size() - strokeSize_);
        strokeSize_ = 0;
    }
    void addPoint(Vec2 p) {
        if (glyph_.points.size() >= kMaxPointsPerGlyph) {
            overflow_ = true;
            return;
        }
        glyph_.points.push_back(p);
        ++strokeSize_;
    }
    // Moves the pen to `to`, drawing when it is down; `path` holds the points after the start.
    void moveAlong(const std::vector<Vec2>& path) {
        if (path.empty())
            return;
        if (penDown_) {
            if (strokeSize_ == 0)
                addPoint(pos_);
            for (const Vec2& p : path)
                addPoint(p);
        }
        pos_ = path.back();
    }
    void moveBy(Vec2 d) { moveAlong({pos_ + d}); }

    void arc(double radius, double start, double sweep) {
        if (!(radius > 0) || sweep == 0)
            return;
        const Vec2 center = pos_ - Vec2{radius * std::cos(start), radius * std::sin(start)};
        const int n = std::max(2, static_cast<int>(std::ceil(std::fabs(sweep) / (kPi / 16))));
        std::vector<Vec2> path;
        path.reserve(static_cast<std::size_t>(n));
        for (int i = 1; i <= n; ++i) {
            const double a = start + sweep * i / n;
            path.push_back(center + Vec2{radius * std::cos(a), radius * std::sin(a)});
        }
        moveAlong(path);
    }

    // Octants are counted counterclockwise from 3 o'clock; a count of 0 is a full circle.
    static void octants(std::uint32_t octantByte, bool& ccw, int& first, int& count) {
        ccw = (octantByte & 0x80) == 0;
        first = static_cast<int>((octantByte >> 4) & 7);
        count = static_cast<int>(octantByte & 7);
        if (count == 0)
            count = 8;
    }

    void bulgeArc(Bytes& b, double scale, bool execute) {
        const int dx = signedByte(b.u8()), dy = signedByte(b.u8()), bulge = signedByte(b.u8());
        if (!execute || !b.ok)
            return;
        std::vector<Vec2> path;
        appendBulge(path, pos_, pos_ + Vec2{dx * scale, dy * scale}, bulge / 127.0);
        moveAlong(path);
    }

    // Runs one command of the program in `b`; false at its end. `execute` false skips the
    // command with its arguments (what the vertical-text flag does in horizontal text).
    bool command(Bytes& b, int depth, double& scale, bool execute) {
        if (++commands_ > kMaxCommandsPerGlyph) {
            overflow_ = true;
            return false;
        }
        const std::uint32_t code = b.u8();
        if (!b.ok)
            return false;
        if (code >= 0x10) {
            if (execute)
                moveBy(directionVector(code & 15) * (static_cast<double>(code >> 4) * scale));
            return true;
        }
        switch (code) {
        case 0:
            return !execute; // a skipped end is not the end
        case 1:
            if (execute)
                penDown_ = true;
            break;
        case 2:
            if (execute) {
                endStroke();
                penDown_ = false;
            }
            break;
        case 3:
        case 4: {
            const std::uint32_t factor = b.u8();
            if (!execute || !b.ok)
                break;
            if (factor == 0) {
                problem("a shape scales its vectors by 0; ignored");
                break;
            }
            const double next = code == 3 ? scale / factor : scale * factor;
            if (next > 1e-6 && next < 1e6)
                scale = next;
            break;
        }
        case 5:
            if (!execute)
                break;
            if (stack_.size() >= kMaxStackDepth)
                problem("a shape pushes more than " + std::to_string(kMaxStackDepth) +
                        " positions; the rest are ignored");
            else
                stack_.push_back(pos_);
            break;
        case 6:
            if (!execute)
                break;
            if (stack_.empty()) {
                problem("a shape pops a position it never pushed; ignored");
                break;
            }
            endStroke();
            pos_ = stack_.back();
            stack_.pop_back();
            break;
        case 7:
            subShape(b, depth, scale, execute);
            break;
        case 8: {
            const int dx = signedByte(b.u8()), dy = signedByte(b.u8());
            if (execute && b.ok)
                moveBy(Vec2{dx * scale, dy * scale});
            break;
        }
        case 9:
            while (b.ok) {
                const int dx = signedByte(b.u8()), dy = signedByte(b.u8());
                if (!b.ok || (dx == 0 && dy == 0))
                    break;
                if (execute)
                    moveBy(Vec2{dx * scale, dy * scale});
                if (++commands_ > kMaxCommandsPerGlyph)
                    return overflow_ = true, false;
            }
            break;
        case 10: {
            const std::uint32_t radius = b.u8(), octantByte = b.u8();
            if (!execute || !b.ok)
                break;
            bool ccw;
            int first, count;
            octants(octantByte, ccw, first, count);
            arc(radius * scale, first * kPi / 4, (ccw ? count : -count) * kPi / 4);
            break;
        }
        case 11: {
            const std::uint32_t startOffset = b.u8(), endOffset = b.u8();
            const std::uint32_t radius = (b.u8() << 8) | b.u8();
            const std::uint32_t octantByte = b.u8();
            if (!execute || !b.ok)
                break;
            bool ccw;
            int first, count;
            octants(octantByte, ccw, first, count);
            // Offsets are 256ths of an octant: the start past the first octant's boundary, the
            // end past the boundary of the last octant entered (at that octant's far boundary
            // when 0).
            const double octant = kPi / 4;
            const double sign = ccw ? 1 : -1;
            const double start = first * octant + sign * startOffset * octant / 256;
            const double end = endOffset == 0 ? (first + sign * count) * octant
                                              : (first + sign * (count - 1)) * octant +
                                                    sign * endOffset * octant / 256;
            arc(radius * scale, start, end - start);
            break;
        }
        case 12:
            bulgeArc(b, scale, execute);
            break;
        case 13:
            while (b.ok) {
                const std::size_t at = b.pos;
                const int dx = signedByte(b.u8()), dy = signedByte(b.u8());
                if (!b.ok || (dx == 0 && dy == 0))
                    break;
                b.pos = at;
                bulgeArc(b, scale, execute);
                if (++commands_ > kMaxCommandsPerGlyph)
                    return overflow_ = true, false;
            }
            break;
        case 14:
            // What follows is for vertical text only: horizontal text skips it.
            if (execute)
                command(b, depth, scale, false);
            break;
        default:
            if (execute)
                problem("a shape uses the unknown code " + std::to_string(code) + "; ignored");
            break;
        }
        return b.ok;
    }

    void subShape(Bytes& b, int depth, double scale, bool execute) {
        std::uint32_t number = 0;
        Vec2 origin{};
        double boxScale = 1;
        bool placed = false;
        if (kind_ == Kind::Unifont) {
            number = (b.u8() << 8) | b.u8();
        } else {
            number = b.u8();
            if (number == 0 && kind_ == Kind::Bigfont) {
                // An extended big-font character: a shape placed in a box of its own.
                number = (b.u8() << 8) | b.u8();
                const std::uint32_t x = b.u8(), y = b.u8(), width = b.u8(), height = b.u8();
                (void)width;
                origin = Vec2{static_cast<double>(x), static_cast<double>(y)} * scale;
                if (above_ > 0 && height > 0)
                    boxScale = height / above_;
                placed = true;
            }
        }
        if (!execute || !b.ok)
            return;
        if (depth + 1 > kMaxGlyphReferenceDepth) {
            problem("sub-shapes nest deeper than " + std::to_string(kMaxGlyphReferenceDepth) +
                    " levels (a shape calling itself?); the deeper ones are left out");
            return;
        }
        const Vec2 home = pos_;
        if (placed) {
            endStroke();
            pos_ = home + origin;
        }
        shape(number, depth + 1, scale * boxScale);
        if (placed) {
            endStroke();
            pos_ = home;
        }
    }

    void shape(std::uint32_t number, int depth, double scale) {
        const auto it = shapes_.find(number);
        if (it == shapes_.end()) {
            if (depth > 0)
                problem("a shape calls the absent shape " + std::to_string(number) + "; left out");
            return;
        }
        Bytes b{it->second.program};
        while (command(b, depth, scale, true)) {
        }
        if (!b.ok)
            problem("a shape's program ends without its end code");
    }

    const std::map<std::uint32_t, ShapeProgram>& shapes_;
    Kind kind_;
    double above_;
    std::vector<std::string>& problems_;
    StrokeGlyph glyph_;
    std::uint32_t strokeSize_ = 0;
    Vec2 pos_{};
    bool penDown_ = true;
    std::vector<Vec2> stack_;
    std::size_t commands_ = 0;
    bool overflow_ = false;
};

// The shapes of a "shapes 1.0/1.1" file: an index of numbers and sizes, then the definitions
// in the same order.
bool readShapesIndex(Bytes& b, std::map<std::uint32_t, ShapeProgram>& shapes,
                     std::vector<std::string>& problems) {
    b.u16(); // first shape number
    b.u16(); // last shape number
    const std::uint32_t count = b.u16();
    if (!b.ok || !b.has(std::size_t{count} * 4)) {
        problems.push_back("the shape index runs past the end of the file");
        return b.ok;
    }
    std::vector<std::pair<std::uint32_t, std::uint32_t>> index;
    index.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t number = b.u16();
        index.emplace_back(number, b.u16());
    }
    for (const auto& [number, size] : index) {
        if (!b.has(size)) {
            problems.push_back("the file ends inside shape " + std::to_string(number));
            break;
        }
        shapes.try_emplace(number, splitDefinition(b.data.substr(b.pos, size)));
        b.pos += size;
    }
    return true;
}

// The shapes of a Unicode font: a count, the font's information, then each shape with its
// number and size.
void readUnifont(Bytes& b, std::map<std::uint32_t, ShapeProgram>& shapes,
                 std::vector<std::string>& problems) {
    const std::uint32_t count = b.u32();
    const std::uint32_t infoSize = b.u16();
    if (!b.has(infoSize)) {
        problems.push_back("the font's information runs past the end of the file");
        return;
    }
    shapes.try_emplace(0, splitDefinition(b.data.substr(b.pos, infoSize)));
    b.pos += infoSize;
    for (std::uint32_t i = 0; i < count && b.has(4); ++i) {
        const std::uint32_t number = b.u16(), size = b.u16();
        if (!b.has(size)) {
            problems.push_back("the file ends inside shape " + std::to_string(number));
            return;
        }
        shapes.try_emplace(number, splitDefinition(b.data.substr(b.pos, size)));
        b.pos += size;
        if (shapes.size() > kMaxGlyphs) {
            problems.push_back("more than " + std::to_string(kMaxGlyphs) +
                               " shapes; the rest are left out");
            return;
        }
    }
}

// The shapes of a big font: escape-byte ranges, then an index of numbers, sizes and offsets.
void readBigfont(Bytes& b, std::map<std::uint32_t, ShapeProgram>& shapes,
                 std::vector<std::string>& problems) {
    b.u16(); // size of the header that follows
    const std::uint32_t count = b.u16();
    const std::uint32_t ranges = b.u16();
    if (!b.has(std::size_t{ranges} * 4)) {
        problems.push_back("the escape ranges run past the end of the file");
        return;
    }
    b.pos += std::size_t{ranges} * 4;
    if (!b.has(std::size_t{count} * 8))
        problems.push_back("the shape index runs past the end of the file");
    for (std::uint32_t i = 0; i < count && b.has(8); ++i) {
        const std::uint32_t number = b.u16(), size = b.u16(), offset = b.u32();
        if (number == 0 && size == 0)
            continue; // an unused slot
        if (offset > b.data.size() || b.data.size() - offset < size) {
            problems.push_back("shape " + std::to_string(number) +
                               " lies past the end of the file; left out");
            continue;
        }
        shapes.try_emplace(number, splitDefinition(b.data.substr(offset, size)));
    }
}

} // namespace

bool looksLikeShx(std::string_view bytes) {
    return bytes.substr(0, kShapesSignature.size()) == kShapesSignature ||
           bytes.substr(0, kUnifontSignature.size()) == kUnifontSignature ||
           bytes.substr(0, kBigfontSignature.size()) == kBigfontSignature;
}

StrokeFontResult readShxFont(std::string_view bytes, std::string name, std::string path) {
    StrokeFontResult result;
    if (!looksLikeShx(bytes)) {
        result.problems.push_back("not a compiled shape file");
        return result;
    }
    if (bytes.size() > kMaxFontFileBytes) {
        result.problems.push_back("larger than " + std::to_string(kMaxFontFileBytes >> 20) +
                                  " MB; cut off there");
        bytes = bytes.substr(0, kMaxFontFileBytes);
    }
    const Kind kind = bytes.substr(0, kUnifontSignature.size()) == kUnifontSignature ? Kind::Unifont
                      : bytes.substr(0, kBigfontSignature.size()) == kBigfontSignature
                          ? Kind::Bigfont
                          : Kind::Shapes;
    // The signature line ends with CR LF and an end-of-file byte (0x1A).
    const std::size_t eof = bytes.find('\x1a');
    if (eof == std::string_view::npos || eof > 40) {
        result.problems.push_back("the signature line has no end");
        return result;
    }
    Bytes b{bytes, eof + 1};
    std::map<std::uint32_t, ShapeProgram> shapes;
    if (kind == Kind::Unifont)
        readUnifont(b, shapes, result.problems);
    else if (kind == Kind::Bigfont)
        readBigfont(b, shapes, result.problems);
    else
        readShapesIndex(b, shapes, result.problems);

    // Shape 0 of a font holds its name and the heights above and below the baseline; a shape
    // library has none and keeps its own units.
    double above = 0;
    bool isFont = false;
    if (const auto it = shapes.find(0); it != shapes.end()) {
        isFont = true;
        if (!it->second.program.empty())
            above = static_cast<unsigned char>(it->second.program[0]);
        if (!(above > 0))
            result.problems.push_back("the font gives no height; its own units are used");
    }
    const double unit = above > 0 ? 1.0 / above : 1.0;

    auto font = std::make_shared<StrokeFont>();
    font->name_ = std::move(name);
    font->path_ = std::move(path);
    font->letterSpacing_ = 0; // a shape's end point already includes the gap
    std::size_t totalPoints = 0;
    for (const auto& [number, program] : shapes) {
        if (number == 0 && isFont)
            continue;
        Pen pen(shapes, kind, above, result.problems);
        StrokeGlyph glyph = pen.run(number);
        if (pen.overflowed()) {
            result.problems.push_back("a shape draws more than the limit allows; cut off");
        }
        for (Vec2& p : glyph.points)
            p = p * unit;
        glyph.advance *= unit;
        totalPoints += glyph.points.size();
        if (totalPoints > kMaxFontPoints) {
            result.problems.push_back("the font draws more than " + std::to_string(kMaxFontPoints) +
                                      " points; the rest are left out");
            break;
        }
        if (!program.name.empty() && font->shapeNames_.size() < kMaxGlyphs) {
            std::string upper(program.name);
            for (char& c : upper)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            font->shapeNames_.try_emplace(std::move(upper), number);
        }
        font->glyphs_.emplace(number, std::move(glyph));
    }
    // Text fonts keep the degree, plus-minus and diameter signs at 127-129.
    if (isFont && kind != Kind::Unifont) {
        for (const auto& [code, unicode] : std::initializer_list<std::pair<char32_t, char32_t>>{
                 {127, 0x00B0}, {128, 0x00B1}, {129, 0x2300}, {129, 0x2205}})
            if (const auto it = font->glyphs_.find(code); it != font->glyphs_.end())
                font->glyphs_.try_emplace(unicode, it->second);
    }
    if (const StrokeGlyph* space = font->glyph(U' '))
        font->wordSpacing_ = space->advance;
    // Duplicate messages from many glyphs say the same thing once.
    std::sort(result.problems.begin(), result.problems.end());
    result.problems.erase(std::unique(result.problems.begin(), result.problems.end()),
                          result.problems.end());
    if (font->glyphs_.empty()) {
        result.problems.push_back("no shapes");
        return result;
    }
    result.font = std::move(font);
    return result;
}

} // namespace vexor::cad
