#include "DisplayListCompiler.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace vexor::cad {
namespace {

constexpr double kPi = 3.14159265358979323846;
// Frames beyond this many rows or boxes are damage; the rest is left out.
constexpr std::size_t kMaxRows = 16, kMaxCells = 16;

// A piece of a box's content: plain text, or a character of the GDT font (a symbol).
struct Piece {
    std::string text;
    char symbol = 0;
};

std::vector<std::string> split(std::string_view s, std::initializer_list<std::string_view> seps) {
    std::vector<std::string> out(1);
    for (std::size_t i = 0; i < s.size();) {
        bool cut = false;
        for (std::string_view sep : seps)
            if (s.size() - i >= sep.size()) {
                bool same = true;
                for (std::size_t k = 0; k < sep.size() && same; ++k)
                    same = std::tolower(static_cast<unsigned char>(s[i + k])) ==
                           std::tolower(static_cast<unsigned char>(sep[k]));
                if (same) {
                    out.emplace_back();
                    i += sep.size();
                    cut = true;
                    break;
                }
            }
        if (!cut)
            out.back() += s[i++];
    }
    return out;
}

// "{\Fgdt;j}2.5" -> symbol j, text "2.5". Braces group; a font switch to gdt makes the
// characters up to the group's end symbols.
std::vector<Piece> pieces(std::string_view cell) {
    std::vector<Piece> out;
    bool gdt = false;
    for (std::size_t i = 0; i < cell.size(); ++i) {
        const char c = cell[i];
        if (c == '{' || c == '}') {
            gdt = false;
            continue;
        }
        if (c == '\\' && i + 1 < cell.size() && (cell[i + 1] == 'F' || cell[i + 1] == 'f')) {
            const auto end = cell.find(';', i);
            if (end == std::string_view::npos)
                break;
            std::string font(cell.substr(i + 2, end - i - 2));
            for (char& ch : font)
                ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            gdt = font.starts_with("gdt");
            i = end;
            continue;
        }
        if (gdt) {
            out.push_back({{}, c});
        } else {
            if (out.empty() || out.back().symbol)
                out.emplace_back();
            out.back().text += c;
        }
    }
    return out;
}

using SymbolStrokes = std::vector<std::vector<Vec2>>; // polylines in a unit box, y up

std::vector<Vec2> circle(Vec2 c, double r, double from = 0, double to = 2 * kPi) {
    std::vector<Vec2> pts;
    const int steps = 32;
    for (int s = 0; s <= steps; ++s) {
        const double t = from + (to - from) * s / steps;
        pts.push_back(c + Vec2{std::cos(t), std::sin(t)} * r);
    }
    return pts;
}

std::vector<Vec2> arrowTip(Vec2 from, Vec2 tip) {
    const Vec2 d = (tip - from) * (1 / length(tip - from));
    const Vec2 n{-d.y, d.x};
    return {tip - d * 0.3 + n * 0.12, tip, tip - d * 0.3 - n * 0.12};
}

// The geometric-tolerance symbols as simple strokes in a unit box; the circled letters get
// their letter from `letter`.
SymbolStrokes symbolShape(char c, char& letter) {
    letter = 0;
    switch (c) {
    case 'a':
        return {{{1, 0}, {0, 0}, {0.9, 0.55}}}; // angularity
    case 'b':
        return {{{0, 0}, {1, 0}}, {{0.5, 0}, {0.5, 1}}}; // perpendicular
    case 'c':
        return {{{0, 0.15}, {0.75, 0.15}, {1, 0.85}, {0.25, 0.85}, {0, 0.15}}}; // flatness
    case 'd': {                                                                 // surface profile
        auto arc = circle({0.5, 0.1}, 0.5, 0, kPi);
        arc.push_back(arc.front());
        return {arc};
    }
    case 'e':
        return {circle({0.5, 0.5}, 0.5)}; // circularity
    case 'f':
        return {{{0.1, 0}, {0.5, 1}}, {{0.5, 0}, {0.9, 1}}}; // parallelism
    case 'g':
        return {circle({0.5, 0.5}, 0.35), {{0, 0}, {0.6, 1}}, {{0.4, 0}, {1, 1}}};
    case 'h':
        return {{{0.1, 0}, {0.9, 1}}, arrowTip({0.1, 0}, {0.9, 1})}; // circular runout
    case 'i':
        return {{{0.2, 0.2}, {0.8, 0.2}}, {{0, 0.5}, {1, 0.5}}, {{0.2, 0.8}, {0.8, 0.8}}};
    case 'j':
        return {circle({0.5, 0.5}, 0.35), {{0, 0.5}, {1, 0.5}}, {{0.5, 0}, {0.5, 1}}};
    case 'k':
        return {circle({0.5, 0.1}, 0.5, 0, kPi)}; // line profile
    case 'l':
    case 'm':
    case 'p':
    case 's': // circled letters
        letter = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return {circle({0.5, 0.5}, 0.55)};
    case 'n':
        return {circle({0.5, 0.5}, 0.4), {{0.05, -0.05}, {0.95, 1.05}}}; // diameter
    case 'r':
        return {circle({0.5, 0.5}, 0.5), circle({0.5, 0.5}, 0.25)}; // concentricity
    case 't':                                                       // total runout
        return {{{0.4, 0}, {0, 0}, {0.35, 1}},
                arrowTip({0, 0}, {0.35, 1}),
                {{0.4, 0}, {0.75, 1}},
                arrowTip({0.4, 0}, {0.75, 1})};
    case 'u':
        return {{{0, 0.5}, {1, 0.5}}}; // straightness
    default:
        return {};
    }
}

double sane(double v, double fallback) {
    return std::isfinite(v) && v > 0 && v < 1e12 ? v : fallback;
}

} // namespace

void DisplayListCompiler::addTolerance(ItemList& list, const EntityCommon& common,
                                       const Tolerance& t, bool inBlock) {
    const DimStyle standard;
    const DimStyle& style =
        t.dimStyle < drawing_.dimStyles.size() ? drawing_.dimStyles[t.dimStyle] : standard;
    const double scale = sane(style.scale, 1);
    const double h = sane(t.height, sane(style.textHeight, standard.textHeight) * scale);
    const double gap = std::fabs(style.textGap) > 0 && std::isfinite(style.textGap) &&
                               std::fabs(style.textGap) * scale < 1e12
                           ? std::fabs(style.textGap) * scale
                           : h / 2;
    const Vec2 x = t.xDirection.xy();
    if (!(length(x) > 0) || !std::isfinite(length(x)) || !std::isfinite(t.insert.x) ||
        !std::isfinite(t.insert.y)) {
        diagnose("TOLERANCE with an unusable direction or place not drawn");
        return;
    }
    const Affine2 place =
        Affine2::translate(t.insert.x, t.insert.y) * Affine2::rotate(std::atan2(x.y, x.x));
    auto itemIn = [&](const Color& partColor) {
        EntityCommon part = common;
        if (partColor.kind != Color::Kind::ByBlock)
            part.color = partColor;
        return makeItem(part, inBlock);
    };
    const DisplayItem frameItem = itemIn(style.lineColor);
    const DisplayItem textItem = itemIn(style.textColor);
    const TextStyle* textStyle = this->textStyle(style.textStyle);

    // A text piece at (x, baseline) of the frame; returns its width.
    auto putText = [&](const std::string& s, double at, double baseline, double height, bool draw) {
        Text text;
        text.text = s;
        text.height = height;
        text.widthFactor = 0; // the style's
        TextRun run;
        if (!layoutText(text, textStyle, Affine2{}, run))
            return 0.0;
        const double width = textRunBox(run).width();
        if (draw) {
            text.insert = {at, baseline, 0};
            if (layoutText(text, textStyle, place, run))
                addText(list, textItem, std::move(run));
        }
        return std::isfinite(width) ? width : 0.0;
    };

    const double rowHeight = h + 2 * gap;
    std::vector<std::string> rows = split(t.text, {"^J", "\n", "\\P"});
    if (rows.size() > kMaxRows) {
        rows.resize(kMaxRows);
        diagnose("TOLERANCE with more rows than a frame holds: the rest left out");
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        // The insertion point is the middle of the first row's left side; rows go down.
        const double top = rowHeight / 2 - rowHeight * static_cast<double>(r);
        const double bottom = top - rowHeight;
        const double baseline = bottom + gap;
        double left = 0;
        std::vector<std::string> cells = split(rows[r], {"%%v"});
        if (cells.size() > kMaxCells)
            cells.resize(kMaxCells);
        for (const std::string& cell : cells) {
            const std::vector<Piece> content = pieces(cell);
            bool blank = true;
            for (const Piece& p : content)
                blank = blank && !p.symbol && p.text.find_first_not_of(' ') == std::string::npos;
            if (blank)
                continue;
            // Measure, then draw centred in a box at least as wide as it is high.
            double inner = 0;
            for (const Piece& p : content)
                inner += p.symbol ? h : putText(p.text, 0, 0, h, false);
            const double width = std::max(rowHeight, inner + 2 * gap);
            double at = left + (width - inner) / 2;
            for (const Piece& p : content) {
                if (!p.symbol) {
                    at += putText(p.text, at, baseline, h, true);
                    continue;
                }
                char letter = 0;
                const SymbolStrokes shape = symbolShape(p.symbol, letter);
                const Affine2 box = place * Affine2::translate(at, baseline) * Affine2::scale(h, h);
                if (shape.empty())
                    putText(std::string(1, p.symbol), at, baseline, h, true);
                for (const auto& stroke : shape) {
                    std::vector<Vec2> pts;
                    for (Vec2 q : stroke)
                        pts.push_back(box.map(q));
                    addPolyline(list, frameItem, pts, false);
                }
                if (letter) {
                    const double small = h * 0.6;
                    putText(std::string(1, letter), at + h * 0.5 - small * 0.4,
                            baseline + (h - small) / 2, small, true);
                }
                at += h;
            }
            std::vector<Vec2> ring{
                {left, bottom}, {left + width, bottom}, {left + width, top}, {left, top}};
            for (Vec2& q : ring)
                q = place.map(q);
            addPolyline(list, frameItem, ring, true);
            left += width;
        }
    }
}

} // namespace vexor::cad
