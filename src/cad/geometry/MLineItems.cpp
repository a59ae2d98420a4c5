#include "DisplayListCompiler.h"

#include <algorithm>
#include <cmath>

namespace vexor::cad {
namespace {

constexpr double kPi = 3.14159265358979323846;

const MLineStyle* findStyle(const Drawing& drawing, const MLine& line) {
    if (line.styleHandle != 0)
        for (const MLineStyle& s : drawing.mlineStyles)
            if (s.handle == line.styleHandle)
                return &s;
    for (const MLineStyle& s : drawing.mlineStyles)
        if (!line.styleName.empty() && s.name == line.styleName)
            return &s;
    return nullptr;
}

double param(const std::vector<double>& p, std::size_t i) {
    return i < p.size() && std::isfinite(p[i]) ? p[i] : 0;
}

// How far along the miter element k lies at a vertex.
double offsetOf(const MLineVertex& v, std::size_t k) {
    return k < v.elements.size() ? param(v.elements[k], 0) : 0;
}

// Where element k crosses the miter at a vertex.
Vec2 elementPoint(const MLineVertex& v, std::size_t k) {
    return v.point.xy() + v.miter.xy() * offsetOf(v, k);
}

// Half a circle from a to b bulging towards `bulge`.
std::vector<Vec2> capArc(Vec2 a, Vec2 b, Vec2 bulge) {
    const Vec2 c = (a + b) * 0.5;
    const Vec2 r = a - c;
    const double radius = length(r);
    if (!(radius > 0))
        return {a, b};
    const double start = std::atan2(r.y, r.x);
    // Half way round counter-clockwise from a lies at c + (-r.y, r.x).
    const double sweep = -r.y * bulge.x + r.x * bulge.y >= 0 ? kPi : -kPi;
    std::vector<Vec2> pts;
    const int steps = 24;
    for (int s = 0; s <= steps; ++s) {
        const double t = start + sweep * s / steps;
        pts.push_back(c + Vec2{std::cos(t), std::sin(t)} * radius);
    }
    return pts;
}

} // namespace

void DisplayListCompiler::addMLine(ItemList& list, const EntityCommon& common, const MLine& line,
                                   bool inBlock) {
    const std::size_t n = line.vertices.size();
    if (n < 2) {
        diagnose("MLINE with fewer than two vertices not drawn");
        return;
    }
    for (const MLineVertex& v : line.vertices)
        if (!std::isfinite(v.point.x) || !std::isfinite(v.point.y) || !std::isfinite(v.miter.x) ||
            !std::isfinite(v.miter.y) || !std::isfinite(v.direction.x) ||
            !std::isfinite(v.direction.y)) {
            diagnose("MLINE with a non-finite vertex not drawn");
            return;
        }
    const MLineStyle* style = findStyle(drawing_, line);
    if (!style)
        diagnose("MLINE style \"" + line.styleName +
                 "\" not found: multilines drawn without its colours, fill and caps");
    std::size_t elements = 0;
    for (const MLineVertex& v : line.vertices)
        elements = std::max(elements, v.elements.size());
    if (elements == 0)
        return;

    // Each element in its style's colour and linetype; "by block" is the multiline's own.
    auto itemFor = [&](std::size_t k) {
        EntityCommon part = common;
        if (style && k < style->elements.size()) {
            const MLineStyle::Element& el = style->elements[k];
            if (el.color.kind != Color::Kind::ByBlock)
                part.color = el.color;
            if (el.linetype != kLinetypeByBlock)
                part.linetype = el.linetype;
        }
        return makeItem(part, inBlock);
    };
    // The outermost elements bound the fill and carry the caps and miters.
    std::size_t high = 0, low = 0;
    for (std::size_t k = 0; k < elements; ++k) {
        const double offset = offsetOf(line.vertices[0], k);
        if (offset > offsetOf(line.vertices[0], high))
            high = k;
        if (offset < offsetOf(line.vertices[0], low))
            low = k;
    }
    const std::size_t segments = line.closed ? n : n - 1;
    const std::uint16_t flags = style ? style->flags : 0;

    if (flags & MLineStyle::Fill) {
        std::vector<Vec2> upper, lower;
        for (std::size_t i = 0; i < n; ++i) {
            upper.push_back(elementPoint(line.vertices[i], high));
            lower.push_back(elementPoint(line.vertices[i], low));
        }
        EntityCommon fillCommon = common;
        if (style->fillColor.kind != Color::Kind::ByBlock)
            fillCommon.color = style->fillColor;
        DisplayItem fill = makeItem(fillCommon, inBlock);
        if (line.closed) {
            addPolygon(list, fill, {upper, lower});
        } else {
            upper.insert(upper.end(), lower.rbegin(), lower.rend());
            addPolygon(list, fill, {upper});
        }
    }

    for (std::size_t k = 0; k < elements; ++k) {
        const DisplayItem item = itemFor(k);
        std::vector<Vec2> run; // the current unbroken stretch, joined across vertices
        auto flush = [&] {
            if (run.size() >= 2)
                addPolyline(list, item, run, false);
            run.clear();
        };
        for (std::size_t i = 0; i < segments; ++i) {
            const MLineVertex& v = line.vertices[i];
            const Vec2 from = elementPoint(v, k);
            const Vec2 to = elementPoint(line.vertices[(i + 1) % n], k);
            const std::vector<double> none;
            const std::vector<double>& p = k < v.elements.size() ? v.elements[k] : none;
            Vec2 dir = v.direction.xy();
            const double len = length(dir);
            dir = len > 0 ? dir * (1 / len) : Vec2{};
            if (p.size() <= 2) {
                // Unbroken: from the miter (after any start offset) to the next one.
                const Vec2 start = from + dir * param(p, 1);
                if (run.empty() || run.back().x != start.x || run.back().y != start.y) {
                    flush();
                    run.push_back(start);
                }
                run.push_back(to);
                continue;
            }
            // Dashes: they start and end at the stored distances; an odd last one runs on.
            flush();
            for (std::size_t j = 1; j < p.size(); j += 2) {
                const Vec2 a = from + dir * param(p, j);
                const Vec2 b = j + 1 < p.size() ? from + dir * param(p, j + 1) : to;
                addPolyline(list, item, {a, b}, false);
            }
        }
        flush();
    }

    DisplayItem edge = makeItem(common, inBlock);
    if (flags & MLineStyle::ShowMiters) {
        const std::size_t first = line.closed ? 0 : 1, last = line.closed ? n : n - 1;
        for (std::size_t i = first; i < last; ++i)
            addPolyline(list, edge,
                        {elementPoint(line.vertices[i], high), elementPoint(line.vertices[i], low)},
                        false);
    }
    if (line.closed)
        return;
    // Caps: a line across, an arc joining the outermost elements, arcs joining inner pairs.
    std::vector<std::size_t> order(elements);
    for (std::size_t k = 0; k < elements; ++k)
        order[k] = k;
    auto capAt = [&](const MLineVertex& v, Vec2 outward, bool lineCap, bool outerArc,
                     bool innerArcs) {
        std::sort(order.begin(), order.end(),
                  [&](std::size_t a, std::size_t b) { return offsetOf(v, a) > offsetOf(v, b); });
        const Vec2 top = elementPoint(v, order.front()), bottom = elementPoint(v, order.back());
        if (lineCap)
            addPolyline(list, edge, {top, bottom}, false);
        if (outerArc)
            addPolyline(list, edge, capArc(top, bottom, outward), false);
        if (innerArcs)
            for (std::size_t a = 1, b = elements - 2; a < b && b < elements; ++a, --b)
                addPolyline(list, edge,
                            capArc(elementPoint(v, order[a]), elementPoint(v, order[b]), outward),
                            false);
    };
    if (!line.suppressStartCaps)
        capAt(line.vertices.front(), line.vertices.front().direction.xy() * -1.0,
              flags & MLineStyle::StartLine, flags & MLineStyle::StartOuterArc,
              flags & MLineStyle::StartInnerArcs);
    if (!line.suppressEndCaps)
        capAt(line.vertices.back(), line.vertices[n - 2].direction.xy(),
              flags & MLineStyle::EndLine, flags & MLineStyle::EndOuterArc,
              flags & MLineStyle::EndInnerArcs);
}

} // namespace vexor::cad
