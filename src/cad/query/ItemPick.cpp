#include "ItemPick.h"

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
    Picker(const DisplayList& list, const std::vector<char>& hidden, std::size_t limit)
        : list_(list), hidden_(hidden), limit_(limit) {}

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
                reference(items, item, p, tolerance, trail, depth);
                continue;
            }
            if (!hit(items, item, p, tolerance))
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

    static bool hit(const ItemList& items, const DisplayItem& item, Vec2 p, double tol) {
        const Vec2* pts = items.points.data() + item.first;
        switch (item.kind) {
        case ItemKind::Text:
        case ItemKind::Image:
        case ItemKind::Wipeout:
            return inside(item.box, p, tol);
        case ItemKind::Polygon: {
            if (inside(item.box, p, 0)) {
                std::vector<Vec2> ring(pts, pts + item.count);
                if (insideRing(ring, p))
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

} // namespace

std::vector<PickedItem> itemsAt(const DisplayList& list, const ItemList& items, Vec2 p,
                                double tolerance, const std::vector<char>& hidden,
                                std::size_t limit) {
    Picker picker(list, hidden, limit);
    PickedItem trail;
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
        if (item.count == 2 && !item.closed) {
            out.emplace_back("Start", point(pts[0]));
            out.emplace_back("End", point(pts[1]));
            out.emplace_back("Length", length(pathLength(shown, false)));
            out.emplace_back("Angle",
                             formatAngleDegrees(measureDistance(shown[0], shown[1]).angle, 2));
        } else {
            out.emplace_back("Points", std::to_string(item.count));
            out.emplace_back("Length", length(pathLength(shown, item.closed)));
            if (item.closed)
                out.emplace_back("Area", formatLength(ringArea(shown), {2, units.precision}));
        }
        break;
    case ItemKind::Polygon:
        out.emplace_back("Points", std::to_string(item.count));
        out.emplace_back("Area", formatLength(ringArea(shown), {2, units.precision}));
        out.emplace_back("Perimeter", length(pathLength(shown, true)));
        break;
    case ItemKind::Points:
        out.emplace_back("Position", point(pts[0]));
        break;
    case ItemKind::Text:
        if (item.extra < picked.list->texts.size()) {
            const TextRun& run = picked.list->texts[item.extra];
            out.emplace_back("Text", run.text);
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
