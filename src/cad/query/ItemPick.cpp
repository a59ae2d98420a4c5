#include "ItemPick.h"

#include "../curves/OutlineFigures.h"
#include "Measure.h"
#include "SheetPoint.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace vexor::cad {
namespace {

// The name under which a referenced drawing's model space joins the drawing: REFNAME and this.
constexpr std::string_view kReferencedModel = "|*Model_Space";

double segmentDistance(Vec2 p, Vec2 a, Vec2 b) {
    const Vec2 ab = b - a, ap = p - a;
    const double len2 = ab.x * ab.x + ab.y * ab.y;
    const double t = len2 > 0 ? std::clamp((ap.x * ab.x + ap.y * ab.y) / len2, 0.0, 1.0) : 0.0;
    return length(p - (a + ab * t));
}

bool inside(const Box2& box, Vec2 p, double grow) {
    return p.x >= box.minX - grow && p.x <= box.maxX + grow && p.y >= box.minY - grow &&
           p.y <= box.maxY + grow;
}

// Layer "0" inside a block is the layer of the reference drawing it, through every level.
std::uint32_t effectiveLayer(const DisplayList& list, std::uint32_t layer,
                             const PickedItem& trail) {
    for (auto it = trail.layers.rbegin(); layer == list.layerZero() && it != trail.layers.rend();
         ++it)
        layer = *it;
    return layer;
}

class Picker {
public:
    Picker(const DisplayList& list, const std::vector<char>& hidden, std::size_t limit,
           bool centres)
        : list_(list), hidden_(hidden), limit_(limit), centres_(centres) {}

    void pick(const ItemList& items, Vec2 p, double tolerance, PickedItem& trail, int depth) {
        std::vector<std::uint32_t> candidates;
        const Box2 window{p.x - tolerance, p.y - tolerance, p.x + tolerance, p.y + tolerance};
        items.query(window, [&](std::uint32_t i) { candidates.push_back(i); });
        for (std::uint32_t i : items.unbounded)
            candidates.push_back(i);
        // Drawn last lies on top: listed first.
        std::sort(candidates.rbegin(), candidates.rend());
        for (std::uint32_t i : candidates) {
            if (out_.size() >= limit_)
                return;
            const DisplayItem& item = items.items[i];
            if (hiddenLayer(item.layer, trail))
                continue;
            if (item.kind == ItemKind::Insert) {
                trail.references.push_back(i);
                reference(items, item, p, tolerance, trail, depth);
                trail.references.pop_back();
                continue;
            }
            if (!hit(items, item, p, tolerance) &&
                !(centres_ && nearCentre(items, i, p, tolerance)))
                continue;
            PickedItem found = trail;
            found.list = &items;
            found.index = i;
            out_.push_back(std::move(found));
        }
    }

    std::vector<PickedItem> take() { return std::move(out_); }

private:
    bool hiddenLayer(std::uint32_t layer, const PickedItem& trail) const {
        layer = effectiveLayer(list_, layer, trail);
        return layer < hidden_.size() && hidden_[layer];
    }

    void reference(const ItemList& items, const DisplayItem& item, Vec2 p, double tolerance,
                   PickedItem& trail, int depth) {
        if (item.extra >= items.inserts.size() || depth >= kMaxInsertDepth)
            return;
        const InsertRef& ref = items.inserts[item.extra];
        if (ref.block >= list_.blockCount())
            return;
        const auto back = inverse(ref.transform);
        if (!back)
            return;
        const double scale = std::sqrt(std::fabs(back->determinant()));
        trail.blocks.push_back(ref.block);
        trail.layers.push_back(item.layer);
        trail.referenceColors.push_back(item.color);
        const Affine2 saved = trail.toShown;
        trail.toShown = trail.toShown * ref.transform;
        pick(list_.block(ref.block), back->map(p), tolerance * scale, trail, depth + 1);
        trail.toShown = saved;
        trail.blocks.pop_back();
        trail.layers.pop_back();
        trail.referenceColors.pop_back();
    }

    static bool nearCentre(const ItemList& items, std::uint32_t i, Vec2 p, double tol) {
        for (const ItemCurve& curve : items.curvesOf(i))
            if (length(curve.arc.centre - p) <= tol)
                return true;
        return false;
    }

    static bool hit(const ItemList& items, const DisplayItem& item, Vec2 p, double tol) {
        const Vec2* pts = items.points.data() + item.first;
        switch (item.kind) {
        case ItemKind::Text:
        case ItemKind::Image:
        case ItemKind::Wipeout:
            return inside(item.box, p, tol);
        case ItemKind::Polygon: {
            // Inside by the even-odd rule over its rings.
            if (inside(item.box, p, 0)) {
                bool in = false;
                std::uint32_t at = 0;
                for (std::uint32_t r = 0; r < item.rings && item.extra + r < items.ringSizes.size();
                     ++r) {
                    const std::uint32_t size =
                        std::min(items.ringSizes[item.extra + r], item.count - at);
                    in ^= insideRing(std::vector<Vec2>(pts + at, pts + at + size), p);
                    at += size;
                }
                if (in)
                    return true;
            }
            [[fallthrough]];
        }
        case ItemKind::Polyline: {
            if (item.count == 1)
                return length(p - pts[0]) <= tol;
            for (std::uint32_t k = 1; k < item.count; ++k)
                if (segmentDistance(p, pts[k - 1], pts[k]) <= tol)
                    return true;
            return item.closed && item.count > 2 &&
                   segmentDistance(p, pts[item.count - 1], pts[0]) <= tol;
        }
        case ItemKind::Segments:
            for (std::uint32_t k = 1; k < item.count; k += 2)
                if (segmentDistance(p, pts[k - 1], pts[k]) <= tol)
                    return true;
            return false;
        case ItemKind::Points:
            for (std::uint32_t k = 0; k < item.count; ++k)
                if (length(p - pts[k]) <= tol)
                    return true;
            return false;
        case ItemKind::Ray:
        case ItemKind::Xline: {
            if (item.count < 2)
                return false;
            const Vec2 base = pts[0], dir = pts[1];
            const double len = length(dir);
            if (len == 0)
                return false;
            const Vec2 d = p - base;
            const double along = (d.x * dir.x + d.y * dir.y) / len;
            if (item.kind == ItemKind::Ray && along < 0)
                return length(d) <= tol;
            return std::fabs(d.x * dir.y - d.y * dir.x) / len <= tol;
        }
        default:
            return false;
        }
    }

    const DisplayList& list_;
    const std::vector<char>& hidden_;
    std::size_t limit_;
    bool centres_;
    std::vector<PickedItem> out_;
};

const char* kindName(const DisplayItem& item) {
    switch (item.kind) {
    case ItemKind::Polyline:
        return item.count == 2 && !item.closed ? "Line" : "Polyline";
    case ItemKind::Polygon:
        return "Filled area";
    case ItemKind::Segments:
        return "Pattern lines";
    case ItemKind::Wipeout:
        return "Wipeout";
    case ItemKind::Text:
        return "Text";
    case ItemKind::Points:
        return "Point";
    case ItemKind::Insert:
        return "Block reference";
    case ItemKind::Ray:
        return "Ray";
    case ItemKind::Xline:
        return "Construction line";
    case ItemKind::Image:
        return "Image";
    }
    return "Item";
}

std::string hexColor(std::uint32_t rgb) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "#%06X", rgb & 0xFFFFFFu);
    return buffer;
}

std::string storedColor(const ItemColor& c) {
    switch (c.kind) {
    case ItemColorKind::ByLayer:
        return "ByLayer";
    case ItemColorKind::ByBlock:
        return "ByBlock";
    case ItemColorKind::Foreground:
        return "Black/white (7)";
    default:
        return hexColor(c.rgb);
    }
}

double cross(Vec2 a, Vec2 b) {
    return a.x * b.y - a.y * b.x;
}

// The semi-axes of the ellipse whose conjugate semi-diameters are m and n: a^2 + b^2 is
// |m|^2 + |n|^2 and ab is |m x n|.
std::pair<double, double> semiAxes(Vec2 m, Vec2 n) {
    const double sum = m.x * m.x + m.y * m.y + n.x * n.x + n.y * n.y;
    const double product = std::fabs(cross(m, n));
    const double root = std::sqrt(std::max(sum * sum - 4 * product * product, 0.0));
    return {std::sqrt((sum + root) / 2), std::sqrt(std::max((sum - root) / 2, 0.0))};
}

std::string hexHandle(std::uint64_t handle) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%llX", static_cast<unsigned long long>(handle));
    return buffer;
}

} // namespace

ExactFigures exactFigures(const PickedItem& picked) {
    ExactFigures out;
    if (!picked.list || picked.index >= picked.list->items.size())
        return out;
    const ItemList& list = *picked.list;
    const DisplayItem& item = list.items[picked.index];
    if (item.kind == ItemKind::Segments) {
        // A pattern hatch: its boundary's figures were kept when it was compiled. Areas scale
        // by the map's determinant; lengths only keep a ratio under an even scale.
        const ItemArea* kept = list.areaOf(picked.index);
        if (!kept)
            return out;
        const Affine2& m = picked.toShown;
        const double det = std::fabs(m.determinant());
        const double sx = std::hypot(m.a, m.b), sy = std::hypot(m.c, m.d);
        const bool even =
            std::fabs(sx - sy) <= 1e-9 * sx && std::fabs(m.a * m.c + m.b * m.d) <= 1e-9 * sx * sy;
        out.closed = true;
        out.area = kept->area * det;
        out.length = out.perimeter = even ? kept->perimeter * sx : 0;
        return out;
    }
    if (item.kind != ItemKind::Polyline && item.kind != ItemKind::Polygon &&
        item.kind != ItemKind::Wipeout)
        return out;
    const std::uint32_t n = item.count;
    std::vector<Vec2> pts(n);
    for (std::uint32_t k = 0; k < n; ++k)
        pts[k] = picked.toShown.map(list.points[item.first + k]);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> rings;
    const bool filled = item.kind != ItemKind::Polyline;
    if (filled) {
        std::uint32_t at = 0;
        for (std::uint32_t r = 0; r < item.rings && item.extra + r < list.ringSizes.size(); ++r) {
            const std::uint32_t size = list.ringSizes[item.extra + r];
            rings.emplace_back(at, std::min(at + size, n));
            at += size;
        }
    } else {
        rings.emplace_back(0, n);
    }
    const auto curves = list.curvesOf(picked.index);
    std::vector<ArcRun> runs;
    for (const ItemCurve& c : curves)
        runs.push_back({c.arc.mapped(picked.toShown), c.from, c.to});
    if (runs.size() == 1 && !filled) {
        const ItemCurve& c = curves.front();
        const ConicArc& arc = runs.front().arc;
        if (c.from == 0 && (c.to == n - 1 || (c.to == 0 && item.closed))) {
            out.curve = true;
            out.circular = arc.circular();
            out.centre = arc.centre;
            if (out.circular) {
                out.radius = out.minorRadius = arc.radius();
            } else {
                const auto [a, b] = semiAxes(arc.major, arc.minor);
                out.radius = a;
                out.minorRadius = b;
            }
        }
    }
    out.closed = filled || item.closed;
    const OutlineFigures figures = outlineFigures(pts, rings, runs, out.closed);
    out.area = figures.area;
    out.length = out.perimeter = figures.length;
    return out;
}

std::vector<PickedItem> itemsAt(const DisplayList& list, const ItemList& items, Vec2 p,
                                double tolerance, const std::vector<char>& hidden,
                                std::size_t limit, bool centres) {
    Picker picker(list, hidden, limit, centres);
    PickedItem trail;
    trail.top = &items;
    picker.pick(items, p, tolerance, trail, 0);
    return picker.take();
}

std::vector<std::pair<std::string, std::string>> describeItem(const DisplayList& list,
                                                              const Drawing& drawing,
                                                              const PickedItem& picked,
                                                              const LinearUnitFormat& units) {
    std::vector<std::pair<std::string, std::string>> out;
    if (!picked.list || picked.index >= picked.list->items.size())
        return out;
    const DisplayItem& item = picked.list->items[picked.index];
    const auto& layers = list.layers();
    const std::uint32_t layer = effectiveLayer(list, item.layer, picked);
    auto length = [&](double v) { return formatLength(v, units); };
    auto point = [&](Vec2 v) {
        const Vec2 s = picked.toShown.map(v);
        return length(s.x) + ", " + length(s.y);
    };

    out.emplace_back("Kind", kindName(item));
    const ItemSource* source = picked.list->sourceOfItem(picked.index);
    const bool attribute = source && item.kind == ItemKind::Text && source->attributes != kNoIndex;
    if (source) {
        // A reference's attribute texts are made with it: they carry its handle.
        out.emplace_back("Type", attribute ? "ATTRIB" : source->type);
        out.emplace_back(attribute ? "Reference handle" : "Handle", hexHandle(source->handle));
    }
    out.emplace_back("Layer", layer < layers.size() ? layers[layer].name : std::string("?"));
    out.emplace_back("Colour", storedColor(item.color));
    // As drawn: a layer's or reference's colour where the item takes it.
    ItemColor drawn = item.color;
    std::size_t level = picked.referenceColors.size();
    while (drawn.kind == ItemColorKind::ByBlock && level > 0)
        drawn = picked.referenceColors[--level];
    if (drawn.kind == ItemColorKind::ByLayer) {
        // The layer of the reference at the level the colour came from.
        PickedItem outer;
        outer.layers.assign(picked.layers.begin(),
                            picked.layers.begin() + static_cast<std::ptrdiff_t>(level));
        const std::uint32_t from = effectiveLayer(
            list,
            level < picked.layers.size() && drawn.kind != item.color.kind ? picked.layers[level]
                                                                          : item.layer,
            outer);
        if (from < layers.size())
            drawn = layers[from].color;
    }
    out.emplace_back("Drawn in",
                     drawn.kind == ItemColorKind::ByBlock ? "Black/white (7)" : storedColor(drawn));
    std::string linetype = "Continuous";
    if (item.linetype >= 0 && static_cast<std::size_t>(item.linetype) < list.linetypes().size())
        linetype = list.linetypes()[static_cast<std::size_t>(item.linetype)].name;
    else if (item.linetype == kLinetypeByLayer)
        linetype = "ByLayer";
    else if (item.linetype == kLinetypeByBlock)
        linetype = "ByBlock";
    out.emplace_back("Linetype", linetype);
    char weight[32];
    if (item.lineweight >= 0)
        std::snprintf(weight, sizeof weight, "%.2f mm", item.lineweight / 100.0);
    else
        std::snprintf(weight, sizeof weight, "%s",
                      item.lineweight == kLineweightByLayer   ? "ByLayer"
                      : item.lineweight == kLineweightByBlock ? "ByBlock"
                                                              : "Default");
    out.emplace_back("Lineweight", weight);
    if (!picked.blocks.empty()) {
        std::string path;
        for (std::uint32_t b : picked.blocks) {
            if (!path.empty())
                path += " > ";
            const std::uint32_t source = list.sourceBlock(b);
            std::string name = source < drawing.blocks.size() ? drawing.blocks[source].name : "?";
            // A referenced drawing's model is drawn straight through its reference's inserts:
            // it is named as the reference.
            if (name.ends_with(kReferencedModel))
                name.resize(name.size() - kReferencedModel.size());
            path += name;
        }
        out.emplace_back("Block", path);
        // Each reference on the way down: its handle, and the values of its attributes.
        std::string inserts;
        for (std::size_t k = 0;
             k < picked.references.size() && k < picked.blocks.size() && picked.top; ++k) {
            const ItemList& owner = k == 0 ? *picked.top : list.block(picked.blocks[k - 1]);
            const ItemSource* ref = owner.sourceOfItem(picked.references[k]);
            if (!inserts.empty())
                inserts += " > ";
            inserts += ref ? hexHandle(ref->handle) : std::string("?");
            if (ref && ref->attributes < owner.attributes.size() &&
                picked.blocks[k] < drawing.blocks.size()) {
                std::string values;
                for (const auto& [tag, value] : owner.attributes[ref->attributes])
                    values += (values.empty() ? "" : "; ") + tag + "=" + value;
                out.emplace_back("Attributes of " + drawing.blocks[picked.blocks[k]].name, values);
            }
        }
        out.emplace_back("Insert path", inserts);
    }
    if (attribute && source->attributes < picked.list->attributes.size()) {
        std::string values;
        for (const auto& [tag, value] : picked.list->attributes[source->attributes])
            values += (values.empty() ? "" : "; ") + tag + "=" + value;
        out.emplace_back("Attributes", values);
    }

    const Vec2* pts = picked.list->points.data() + item.first;
    std::vector<Vec2> shown;
    if (item.kind != ItemKind::Text && item.kind != ItemKind::Insert) {
        shown.reserve(item.count);
        for (std::uint32_t k = 0; k < item.count; ++k)
            shown.push_back(picked.toShown.map(pts[k]));
    }
    switch (item.kind) {
    case ItemKind::Polyline:
    case ItemKind::Polygon: {
        const ExactFigures exact = exactFigures(picked);
        const std::string area = formatLength(exact.area, {2, units.precision});
        if (exact.curve) {
            const Vec2 c = exact.centre;
            out.emplace_back("Centre", length(c.x) + ", " + length(c.y));
            if (exact.circular) {
                out.emplace_back("Radius", length(exact.radius));
                out.emplace_back("Diameter", length(2 * exact.radius));
            } else {
                out.emplace_back("Major radius", length(exact.radius));
                out.emplace_back("Minor radius", length(exact.minorRadius));
            }
            out.emplace_back(exact.closed ? "Perimeter" : "Length", length(exact.length));
            if (exact.closed)
                out.emplace_back("Area", area);
        } else if (item.kind == ItemKind::Polyline && item.count == 2 && !item.closed) {
            out.emplace_back("Start", point(pts[0]));
            out.emplace_back("End", point(pts[1]));
            out.emplace_back("Length", length(pathLength(shown, false)));
            out.emplace_back("Angle",
                             formatAngleDegrees(measureDistance(shown[0], shown[1]).angle, 2));
        } else {
            out.emplace_back("Points", std::to_string(item.count));
            out.emplace_back(exact.closed ? "Perimeter" : "Length", length(exact.length));
            if (exact.closed)
                out.emplace_back("Area", area);
        }
        break;
    }
    case ItemKind::Wipeout:
        out.emplace_back("Area", formatLength(exactFigures(picked).area, {2, units.precision}));
        break;
    case ItemKind::Segments:
        // A pattern hatch's lines: the figures of its boundary.
        if (const ExactFigures exact = exactFigures(picked); exact.closed) {
            out.emplace_back("Area", formatLength(exact.area, {2, units.precision}));
            if (exact.perimeter > 0)
                out.emplace_back("Perimeter", length(exact.perimeter));
        }
        break;
    case ItemKind::Points:
        out.emplace_back("Position", point(pts[0]));
        break;
    case ItemKind::Text:
        if (item.extra < picked.list->texts.size()) {
            const TextRun& run = picked.list->texts[item.extra];
            out.emplace_back("Text", run.text);
            if (source && source->style < drawing.textStyles.size())
                out.emplace_back("Style", drawing.textStyles[source->style].name);
            out.emplace_back("Position", point({run.toWorld.e, run.toWorld.f}));
            const Affine2 toShown = picked.toShown * run.toWorld;
            out.emplace_back("Height", length(cad::length(toShown.mapVector({0, 1}))));
        }
        break;
    default:
        break;
    }
    return out;
}

} // namespace vexor::cad
