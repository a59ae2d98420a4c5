#include "../io/LoadBudget.h"
#include "../model/Transforms.h"
#include "DisplayListCompiler.h"
#include "PolygonClip.h"

#include <cmath>

namespace vexor::cad {

namespace {

// Copies of an array crossing a clip boundary are cut one by one, up to this many; a larger
// array crossing it is left out and counted.
constexpr std::int64_t kMaxCutCopies = 4096;
const std::string kCrossing = "left out: it crosses the clip boundary of a clipped insert";

// Appends `points` to the list as the geometry of `item`.
void appendItem(ItemList& out, DisplayItem item, std::span<const Vec2> points) {
    item.first = static_cast<std::uint32_t>(out.points.size());
    item.count = static_cast<std::uint32_t>(points.size());
    item.box = Box2{};
    for (Vec2 p : points) {
        out.points.push_back(p);
        item.box.add(p);
    }
    out.items.push_back(item);
}

// An item of `src` as it is, with what it refers to.
void copyItem(const ItemList& src, DisplayItem item, ItemList& out) {
    const std::span<const Vec2> points(src.points.data() + item.first, item.count);
    const Box2 box = item.box;
    switch (item.kind) {
    case ItemKind::Text:
        item.extra = static_cast<std::uint32_t>(out.texts.size());
        out.texts.push_back(src.texts[item.extra]);
        out.items.push_back(item);
        return;
    case ItemKind::Polygon:
    case ItemKind::Wipeout: {
        const std::uint32_t firstRing = item.extra;
        item.extra = static_cast<std::uint32_t>(out.ringSizes.size());
        out.ringSizes.insert(out.ringSizes.end(), src.ringSizes.begin() + firstRing,
                             src.ringSizes.begin() + firstRing + item.rings);
        break;
    }
    case ItemKind::Image:
        item.extra = static_cast<std::uint32_t>(out.images.size());
        out.images.push_back(src.images[item.extra]);
        break;
    default:
        break;
    }
    appendItem(out, item, points);
    out.items.back().box = box;
}

// The pieces of the item's lines (each segment, or the polyline's path) inside the polygon.
void cutLines(std::span<const Vec2> points, DisplayItem item, const std::vector<Vec2>& clip,
              ItemList& out) {
    const bool segments = item.kind == ItemKind::Segments;
    std::vector<Vec2> run;
    const auto flush = [&] {
        if (run.size() >= 2) {
            DisplayItem piece = item;
            piece.kind = ItemKind::Polyline;
            piece.closed = false;
            appendItem(out, piece, run);
        }
        run.clear();
    };
    const std::size_t n = points.size();
    const std::size_t count = segments ? n / 2 : (item.closed && n > 2 ? n : n - 1);
    for (std::size_t k = 0; k < count && n >= 2; ++k) {
        const Vec2 a = segments ? points[2 * k] : points[k];
        const Vec2 b = segments ? points[2 * k + 1] : points[(k + 1) % n];
        const Vec2 d = b - a;
        for (const auto& [t0, t1] : lineInside(a, d, 0, 1, clip)) {
            const Vec2 p = a + d * t0, q = a + d * t1;
            if (run.empty() || segments || t0 > 0 || run.back().x != p.x || run.back().y != p.y) {
                flush();
                run.push_back(p);
            }
            run.push_back(q);
            if (segments || t1 < 1)
                flush();
        }
    }
    flush();
}

} // namespace

std::string DisplayListCompiler::blockName(std::uint32_t block) const {
    return block < drawing_.blocks.size() ? drawing_.blocks[block].name
                                          : std::string("(a clipped copy of a block)");
}

void DisplayListCompiler::clipInserts() {
    const auto lists = static_cast<std::uint32_t>(out_->blocks_.size());
    const auto listOf = [&](std::uint32_t b) -> ItemList& {
        return b == lists ? out_->model_ : out_->blocks_[b];
    };
    for (std::uint32_t b = 0; b <= lists; ++b) {
        for (std::size_t i = 0; i < listOf(b).inserts.size(); ++i) {
            if (listOf(b).inserts[i].clip.empty())
                continue;
            const std::vector<Vec2> clip = std::move(listOf(b).inserts[i].clip);
            listOf(b).inserts[i].clip.clear();
            const std::uint32_t clipped = clippedBlock(listOf(b).inserts[i].block, clip, 1);
            listOf(b).inserts[i].block = clipped; // the lists may have moved meanwhile
        }
    }
}

std::uint32_t DisplayListCompiler::clippedBlock(std::uint32_t block, const std::vector<Vec2>& clip,
                                                int depth) {
    std::pair<std::uint32_t, std::vector<double>> key{block, {}};
    for (Vec2 p : clip) {
        key.second.push_back(p.x);
        key.second.push_back(p.y);
    }
    if (const auto it = clippedBlocks_.find(key); it != clippedBlocks_.end())
        return it->second;
    ItemList out;
    if (depth > kMaxInsertDepth) {
        diagnose("blocks nested too deep; the innermost are not drawn");
    } else {
        Box2 clipBox;
        for (Vec2 p : clip)
            clipBox.add(p);
        const bool convex = convexPolygon(clip);
        for (std::uint32_t i = 0; i < out_->blocks_[block].items.size(); ++i) {
            loadCheckpoint();
            clipItem(block, i, clip, clipBox, convex, depth, out);
        }
    }
    claimLoadMemory(out.points.size(), sizeof(Vec2));
    claimLoadMemory(out.items.size(), sizeof(DisplayItem));
    const std::uint32_t source = out_->sourceBlock(block);
    out_->blocks_.push_back(std::move(out));
    const auto index = static_cast<std::uint32_t>(out_->blocks_.size() - 1);
    out_->clippedFrom_.resize(index + 1, kNoIndex);
    out_->clippedFrom_[index] = source;
    clippedBlocks_.emplace(std::move(key), index);
    return index;
}

void DisplayListCompiler::clipItem(std::uint32_t block, std::uint32_t index,
                                   const std::vector<Vec2>& clip, const Box2& clipBox, bool convex,
                                   int depth, ItemList& out) {
    const ItemList& src = out_->blocks_[block];
    const DisplayItem& item = src.items[index];
    const std::span<const Vec2> points(src.points.data() + item.first, item.count);
    if (item.kind == ItemKind::Insert) {
        // May add lists (and move `src`): take copies first.
        clipInsert(item, src.inserts[item.extra], clip, clipBox, depth, out);
        return;
    }
    if (item.kind == ItemKind::Ray || item.kind == ItemKind::Xline) {
        if (points.size() < 2)
            return;
        const Vec2 p = points[0], d = points[1];
        const double length = std::hypot(d.x, d.y);
        if (!(length > 0))
            return;
        double reach = 0; // from p to the farthest corner of the clip's box, in steps of d
        for (Vec2 c : {Vec2{clipBox.minX, clipBox.minY}, Vec2{clipBox.maxX, clipBox.maxY},
                       Vec2{clipBox.minX, clipBox.maxY}, Vec2{clipBox.maxX, clipBox.minY}})
            reach = std::max(reach, std::hypot(c.x - p.x, c.y - p.y) / length);
        DisplayItem piece = item;
        piece.kind = ItemKind::Polyline;
        piece.closed = false;
        const double from = item.kind == ItemKind::Ray ? 0 : -reach;
        for (const auto& [t0, t1] : lineInside(p, d, from, reach, clip)) {
            const Vec2 ends[2] = {p + d * t0, p + d * t1};
            appendItem(out, piece, ends);
        }
        return;
    }
    const Overlap where = boxOverlap(item.box, clip, clipBox);
    if (where == Overlap::Outside)
        return;
    if (where == Overlap::Inside) {
        copyItem(src, item, out);
        return;
    }
    switch (item.kind) {
    case ItemKind::Points:
        if (!points.empty() && insidePolygon(points[0], clip))
            copyItem(src, item, out);
        return;
    case ItemKind::Polyline:
    case ItemKind::Segments:
        cutLines(points, item, clip, out);
        return;
    case ItemKind::Polygon:
    case ItemKind::Wipeout: {
        if (!convex) {
            countIncomplete("fill", kCrossing + " (not a convex boundary)");
            return;
        }
        std::vector<Vec2> kept;
        std::vector<std::uint32_t> sizes;
        std::size_t at = 0;
        for (std::uint32_t r = 0; r < item.rings; ++r) {
            const std::uint32_t size = src.ringSizes[item.extra + r];
            const std::vector<Vec2> ring = ringInsideConvex(points.subspan(at, size), clip);
            at += size;
            if (ring.size() < 3)
                continue;
            kept.insert(kept.end(), ring.begin(), ring.end());
            sizes.push_back(static_cast<std::uint32_t>(ring.size()));
        }
        if (sizes.empty())
            return;
        DisplayItem piece = item;
        piece.extra = static_cast<std::uint32_t>(out.ringSizes.size());
        piece.rings = static_cast<std::uint16_t>(sizes.size());
        out.ringSizes.insert(out.ringSizes.end(), sizes.begin(), sizes.end());
        appendItem(out, piece, kept);
        return;
    }
    case ItemKind::Image: {
        const RasterImage& image = src.images[item.extra];
        if (!convex || image.outerRing != 0) {
            countIncomplete("picture", kCrossing);
            return;
        }
        const std::vector<Vec2> ring = ringInsideConvex(points, clip);
        if (ring.size() < 3)
            return;
        DisplayItem piece = item;
        piece.extra = static_cast<std::uint32_t>(out.images.size());
        out.images.push_back(image);
        appendItem(out, piece, ring);
        return;
    }
    default:
        countIncomplete("text", kCrossing);
        return;
    }
}

void DisplayListCompiler::clipInsert(DisplayItem item, InsertRef ref, const std::vector<Vec2>& clip,
                                     const Box2& clipBox, int depth, ItemList& out) {
    if (!ref.clip.empty()) { // clipped itself: cut by its own boundary first
        const std::vector<Vec2> own = std::move(ref.clip);
        ref.clip.clear();
        ref.block = clippedBlock(ref.block, own, depth + 1);
    }
    const auto keep = [&](const InsertRef& kept) {
        item.extra = static_cast<std::uint32_t>(out.inserts.size());
        item.box = Box2{};
        out.inserts.push_back(kept);
        out.items.push_back(item);
    };
    const Box2 first = mappedBox(roughExtents(ref.block, depth + 1), ref.transform);
    const Overlap whole = boxOverlap(arrayBox(first, ref, Affine2{}), clip, clipBox);
    if (whole == Overlap::Outside)
        return;
    if (whole == Overlap::Inside) {
        keep(ref);
        return;
    }
    if (static_cast<std::int64_t>(ref.columns) * ref.rows > kMaxCutCopies) {
        countIncomplete("array insert", kCrossing + " (too many copies to cut)");
        return;
    }
    for (std::int32_t r = 0; r < ref.rows; ++r) {
        for (std::int32_t c = 0; c < ref.columns; ++c) {
            const Vec2 offset = ref.columnStep * c + ref.rowStep * r;
            InsertRef copy{
                ref.block, Affine2::translate(offset.x, offset.y) * ref.transform, 1, 1, {}, {},
                {}};
            const Overlap where = boxOverlap(translatedBox(first, offset), clip, clipBox);
            if (where == Overlap::Outside)
                continue;
            if (where == Overlap::Crossing) {
                const auto back = inverse(copy.transform);
                if (!back)
                    continue;
                std::vector<Vec2> inner;
                for (Vec2 p : clip)
                    inner.push_back(back->map(p));
                copy.block = clippedBlock(ref.block, inner, depth + 1);
            }
            keep(copy);
        }
    }
}

Box2 DisplayListCompiler::roughExtents(std::uint32_t block, int depth) {
    if (roughExtents_.size() < out_->blocks_.size()) {
        roughExtents_.resize(out_->blocks_.size());
        roughExtentsOf_.resize(out_->blocks_.size(), 0);
    }
    if (roughExtentsOf_[block] != 0 || depth > kMaxInsertDepth)
        return roughExtents_[block];
    roughExtentsOf_[block] = 1;
    Box2 box;
    const ItemList& list = out_->blocks_[block];
    for (const DisplayItem& item : list.items) {
        if (item.kind == ItemKind::Ray || item.kind == ItemKind::Xline)
            continue;
        if (item.kind == ItemKind::Insert) {
            const InsertRef& ref = list.inserts[item.extra];
            box.add(arrayBox(mappedBox(roughExtents(ref.block, depth + 1), ref.transform), ref,
                             Affine2{}));
        } else {
            box.add(item.box);
        }
    }
    roughExtents_[block] = box;
    roughExtentsOf_[block] = 2;
    return box;
}

} // namespace vexor::cad
