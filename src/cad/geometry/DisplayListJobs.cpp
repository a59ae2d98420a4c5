#include "../io/HugePages.h"
#include "../text/TextFont.h"
#include "DisplayListCompiler.h"
#include "ParallelTasks.h"

#include <algorithm>
#include <span>

namespace vexor::cad {

namespace {

// Lists with more entities than this are compiled in parts of this many, one task each; the
// parts are joined in order afterwards, so the result is the one a single thread makes.
constexpr std::size_t kEntitiesPerTask = 16384;
// Drawings with fewer entities are compiled on the calling thread alone.
constexpr std::size_t kParallelFrom = 2 * kEntitiesPerTask;
// Parts are compiled this many full parts' worth per thread at a time and joined to their lists
// before the next ones start, so that a huge drawing's display list is never held in parts and
// whole: the parts in flight are at the compile's peak, beside the model and the lists.
constexpr std::size_t kPartsPerThreadPerWave = 2;

// Appends `part` to `list`, renumbering the part's references into the list's arrays.
void appendItems(ItemList& list, ItemList&& part) {
    const auto points = static_cast<std::uint32_t>(list.points.size());
    const auto rings = static_cast<std::uint32_t>(list.ringSizes.size());
    const auto texts = static_cast<std::uint32_t>(list.texts.size());
    const auto inserts = static_cast<std::uint32_t>(list.inserts.size());
    const auto images = static_cast<std::uint32_t>(list.images.size());
    const auto items = static_cast<std::uint32_t>(list.items.size());
    const auto sources = static_cast<std::uint32_t>(list.sources.size());
    const auto attributes = static_cast<std::uint32_t>(list.attributes.size());
    for (ItemCurve curve : part.curves) {
        curve.item += items;
        list.curves.push_back(curve);
    }
    for (ItemArea area : part.areas) {
        area.item += items;
        list.areas.push_back(area);
    }
    for (std::uint32_t item : part.screenOnly)
        list.screenOnly.push_back(item + items);
    for (std::uint32_t source : part.sourceOf)
        list.sourceOf.push_back(source + sources);
    for (ItemSource source : part.sources) {
        if (source.attributes != kNoIndex)
            source.attributes += attributes;
        list.sources.push_back(source);
    }
    list.attributes.insert(list.attributes.end(), std::make_move_iterator(part.attributes.begin()),
                           std::make_move_iterator(part.attributes.end()));
    for (DisplayItem item : part.items) {
        item.first += points;
        if (item.extra != kNoIndex) {
            switch (item.kind) {
            case ItemKind::Polygon:
            case ItemKind::Wipeout:
                item.extra += rings;
                break;
            case ItemKind::Text:
                item.extra += texts;
                break;
            case ItemKind::Insert:
                item.extra += inserts;
                break;
            case ItemKind::Image:
                item.extra += images;
                break;
            case ItemKind::Polyline:
            case ItemKind::Segments:
            case ItemKind::Points:
            case ItemKind::Ray:
            case ItemKind::Xline:
                break;
            }
        }
        list.items.push_back(item);
    }
    list.points.insert(list.points.end(), part.points.begin(), part.points.end());
    list.ringSizes.insert(list.ringSizes.end(), part.ringSizes.begin(), part.ringSizes.end());
    list.texts.insert(list.texts.end(), std::make_move_iterator(part.texts.begin()),
                      std::make_move_iterator(part.texts.end()));
    list.inserts.insert(list.inserts.end(), part.inserts.begin(), part.inserts.end());
    list.images.insert(list.images.end(), std::make_move_iterator(part.images.begin()),
                       std::make_move_iterator(part.images.end()));
}

// Before `adding` more to a list built from its first `compiled` of `all` entities: room for
// the whole list at once, from what the entities so far made per entity, so that a long list
// never regrows by doubling (which holds it up to three times) nor waits for all its parts.
template <class T>
void roomForList(std::vector<T>& v, std::size_t adding, std::size_t compiled, std::size_t all) {
    const std::size_t needed = v.size() + adding;
    if (needed <= v.capacity())
        return;
    if (compiled >= all) {
        reserveLarge(v, needed);
        return;
    }
    const double perEntity = static_cast<double>(needed) / static_cast<double>(compiled);
    reserveLarge(v, std::max(needed, static_cast<std::size_t>(perEntity * all * 1.02) + 64));
}

} // namespace

bool DisplayListCompiler::showsAttributeTags(std::uint32_t list) const {
    if (list == kNoIndex)
        return true;
    return std::any_of(drawing_.layouts.begin(), drawing_.layouts.end(),
                       [list](const Layout& layout) { return layout.block == list; });
}

// Every block and model space, in parts run on several threads. Each part is compiled by a
// copy of this compiler that reports into the part's own diagnostics and counts; they are
// merged in the order a single pass would have met them.
void DisplayListCompiler::compileAllEntities() {
    struct Part {
        std::uint32_t list; // block index, or kNoIndex for model space
        std::size_t begin, end;
        ItemList items;
        std::vector<std::string> diagnostics;
        std::map<std::string, std::size_t> notDrawn;
        std::map<std::pair<std::string, std::string>, std::size_t> incomplete;
        std::map<std::string, std::size_t> shapeMarkers;
        std::map<char32_t, std::size_t> missingGlyphs;
    };
    std::vector<Part> parts;
    std::size_t total = 0;
    auto split = [&](const std::vector<Entity>& entities, std::uint32_t list) {
        total += entities.size();
        for (std::size_t begin = 0; begin < entities.size(); begin += kEntitiesPerTask)
            parts.push_back({list,
                             begin,
                             std::min(entities.size(), begin + kEntitiesPerTask),
                             {},
                             {},
                             {},
                             {},
                             {},
                             {}});
    };
    // Reserved: a drawing of many small blocks has a part for each.
    std::size_t partCount = (drawing_.modelSpace.size() + kEntitiesPerTask - 1) / kEntitiesPerTask;
    for (const Block& block : drawing_.blocks)
        partCount += (block.entities.size() + kEntitiesPerTask - 1) / kEntitiesPerTask;
    reserveLarge(parts, partCount);
    for (std::uint32_t b = 0; b < drawing_.blocks.size(); ++b)
        split(drawing_.blocks[b].entities, b);
    split(drawing_.modelSpace, kNoIndex);

    auto entitiesOf = [&](std::uint32_t list) -> const std::vector<Entity>& {
        return list == kNoIndex ? drawing_.modelSpace : drawing_.blocks[list].entities;
    };
    auto target = [&](std::uint32_t list) -> ItemList& {
        return list == kNoIndex ? out_->model_ : out_->blocks_[list];
    };
    if (total < kParallelFrom) {
        for (const Part& part : parts)
            if (part.begin == 0) {
                attributeTags_ = showsAttributeTags(part.list);
                compileEntities(entitiesOf(part.list), target(part.list), part.list != kNoIndex);
            }
        attributeTags_ = false;
        return;
    }

    auto compilePart = [&](Part& part) {
        // Fonts named by the drawing are looked for beside it on every thread.
        const DrawingFontFolder fontFolder(drawing_.sourcePath);
        DisplayListCompiler worker(*this);
        worker.diagnostics_ = &part.diagnostics;
        worker.notDrawn_.clear();
        worker.incomplete_.clear();
        worker.shapeMarkers_.clear();
        worker.missingGlyphs_.clear();
        worker.attributeTags_ = showsAttributeTags(part.list);
        const std::vector<Entity>& entities = entitiesOf(part.list);
        worker.compileEntities(
            std::span<const Entity>(entities.data() + part.begin, part.end - part.begin),
            part.items, part.list != kNoIndex);
        part.notDrawn = std::move(worker.notDrawn_);
        part.incomplete = std::move(worker.incomplete_);
        part.shapeMarkers = std::move(worker.shapeMarkers_);
        part.missingGlyphs = std::move(worker.missingGlyphs_);
    };
    const std::size_t waveEntities = kPartsPerThreadPerWave * parallelThreads() * kEntitiesPerTask;
    for (std::size_t from = 0, to = 0; from < parts.size(); from = to) {
        // A wave: parts up to waveEntities (many small blocks go in one wave, so that threads
        // are not started for each).
        std::size_t entities = 0;
        while (to < parts.size() &&
               (to == from || entities + (parts[to].end - parts[to].begin) <= waveEntities)) {
            entities += parts[to].end - parts[to].begin;
            ++to;
        }
        runParallel(to - from, [&](std::size_t index) { compilePart(parts[from + index]); });
        for (std::size_t p = from; p < to; ++p) {
            Part& part = parts[p];
            ItemList& list = target(part.list);
            const std::size_t all = entitiesOf(part.list).size();
            if (part.begin == 0) {
                list = std::move(part.items);
            } else {
                roomForList(list.items, part.items.items.size(), part.end, all);
                roomForList(list.points, part.items.points.size(), part.end, all);
                roomForList(list.sourceOf, part.items.sourceOf.size(), part.end, all);
                roomForList(list.sources, part.items.sources.size(), part.end, all);
                appendItems(list, std::move(part.items));
            }
            part.items = {};
            for (const std::string& message : part.diagnostics)
                diagnose(message);
            for (const auto& [kind, count] : part.notDrawn)
                notDrawn_[kind] += count;
            for (const auto& [what, count] : part.incomplete)
                incomplete_[what] += count;
            for (const auto& [why, count] : part.shapeMarkers)
                shapeMarkers_[why] += count;
            for (const auto& [c, count] : part.missingGlyphs)
                missingGlyphs_[c] += count;
        }
    }
}

} // namespace vexor::cad
