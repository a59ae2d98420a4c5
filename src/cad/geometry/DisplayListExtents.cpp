#include "../io/HugePages.h"
#include "../io/LoadBudget.h"
#include "../model/Transforms.h"
#include "DisplayListCompiler.h"
#include "ParallelTasks.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace vexor::cad {

namespace {

// Points visited to compute exact extents of rotated inserts before falling back to
// transformed boxes (which are larger than the drawing but always contain it).
constexpr std::size_t kExtentsBudget = 50'000'000;
// Block definitions are resolved recursively; a chain longer than this is cut to keep the
// stack bounded (far more than any drawing draws).
constexpr int kMaxResolveDepth = 256;
// Lists drawn when one copy of a block is drawn, through arrays inside arrays, beyond which an
// array is cut to one copy: nested arrays multiply, and drawing must stay bounded.
constexpr double kMaxDrawnLists = 1 << 22;
// Lists at least this long are stored in spatial order when their order does not matter.
constexpr std::size_t kReorderFrom = 1024;

bool axisAligned(const Affine2& t) {
    return (t.b == 0 && t.c == 0) || (t.a == 0 && t.d == 0);
}

// Places ahead along a cycle whose data is asked for before the walk reaches them: a cycle jumps
// across the whole list, and without this each step would wait for memory.
constexpr int kLookAhead = 48;

// Puts the element at old place order[k] at place k, in place, one cycle of the permutation at a
// time (a done place is marked by order[k] == k), so that a long list is never held twice:
// hold(k) sets element k aside, move(from, to) moves one, put(to) puts the one set aside.
// Before element i is moved, fetchFar(i) is called 2 * kLookAhead steps ahead and fetchNear(i)
// kLookAhead steps ahead: prefetches of what the move will read (far: what the near one needs
// to find its data).
template <class Hold, class Move, class Put, class FetchFar, class FetchNear>
void permuteInPlace(std::vector<std::uint32_t>& order, Hold&& hold, Move&& move, Put&& put,
                    FetchFar&& fetchFar, FetchNear&& fetchNear) {
    for (std::size_t k = 0; k < order.size(); ++k) {
        if (order[k] == k)
            continue;
        hold(k);
        // Cursors ahead of the walk on the same cycle; they stop at its start. The walk marks
        // only places they have passed, so they read the permutation as it was.
        std::size_t near = k, far = k;
        auto step = [&](std::size_t& cursor) {
            const std::size_t next = order[cursor];
            cursor = next == k ? k : next;
            return next != k;
        };
        bool farOn = true, nearOn = true;
        for (int i = 0; i < 2 * kLookAhead && farOn; ++i)
            if ((farOn = step(far)))
                fetchFar(far);
        for (int i = 0; i < kLookAhead && nearOn; ++i)
            if ((nearOn = step(near)))
                fetchNear(near);
        std::size_t at = k;
        for (;;) {
            const std::size_t from = order[at];
            order[at] = static_cast<std::uint32_t>(at);
            if (from == k || from == at) { // at a done place only if order were no permutation
                put(at);
                break;
            }
            if (farOn && (farOn = step(far)))
                fetchFar(far);
            if (nearOn && (nearOn = step(near)))
                fetchNear(near);
            move(from, at);
            at = from;
        }
    }
}

// Stores the points of items along the curve `order` without a second copy of them all: items
// holding the same number of points trade places, the k-th of them along the curve taking the
// place of the k-th in storage, so that the points of each length follow the curve. Sets
// firsts[k], where the points of the k-th item along the curve now start. Needs the items'
// points one after another without overlap (as compiled); false, and nothing moved, otherwise.
bool exchangePointsAlongCurve(const std::vector<DisplayItem>& items, std::vector<Vec2>& points,
                              const std::vector<std::uint32_t>& order,
                              std::vector<std::uint32_t>& firsts) {
    std::size_t end = 0, longest = 0;
    for (const DisplayItem& item : items) {
        if (item.count == 0)
            continue; // texts and inserts: nothing to move
        if (item.first < end || std::size_t{item.first} + item.count > points.size())
            return false;
        end = std::size_t{item.first} + item.count;
        longest = std::max<std::size_t>(longest, item.count);
    }
    // The items of each length in storage order; then source[j]: the item whose points go to
    // item j's place. Most lists hold few lengths, mostly in runs: the last one is kept at hand.
    struct Length {
        std::vector<std::uint32_t> items;
        std::size_t taken = 0;
    };
    std::unordered_map<std::uint32_t, Length> ofLength;
    Length* last = nullptr;
    std::uint32_t lastCount = 0;
    auto lengthOf = [&](std::uint32_t count) -> Length& {
        if (!last || count != lastCount) {
            last = &ofLength[count];
            lastCount = count;
        }
        return *last;
    };
    for (std::uint32_t i = 0; i < items.size(); ++i)
        lengthOf(items[i].count).items.push_back(i);
    std::vector<std::uint32_t> source(items.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        Length& length = lengthOf(items[order[k]].count);
        const std::uint32_t place = length.items[length.taken++];
        firsts[k] = items[place].first;
        source[place] = order[k];
    }
    ofLength.clear();
    std::vector<Vec2> held(longest);
    std::uint32_t heldCount = 0;
    auto at = [&](std::size_t item) { return points.begin() + items[item].first; };
    permuteInPlace(
        source,
        [&](std::size_t place) {
            heldCount = items[place].count;
            std::copy_n(at(place), heldCount, held.begin());
        },
        [&](std::size_t from, std::size_t place) {
            std::copy_n(at(from), items[from].count, at(place));
        },
        [&](std::size_t place) { std::copy_n(held.begin(), heldCount, at(place)); },
        [&](std::size_t place) { __builtin_prefetch(&items[place]); },
        [&](std::size_t place) {
            const DisplayItem& item = items[place];
            if (item.count > 0) {
                __builtin_prefetch(points.data() + item.first);
                __builtin_prefetch(points.data() + item.first + item.count - 1);
            }
        });
    return true;
}

} // namespace

Box2 arrayBox(const Box2& first, const InsertRef& ref, const Affine2& outer) {
    if (first.empty())
        return first;
    const Vec2 across = outer.mapVector(ref.columnStep * (ref.columns - 1));
    const Vec2 up = outer.mapVector(ref.rowStep * (ref.rows - 1));
    Box2 box = first;
    box.add(translatedBox(first, across));
    box.add(translatedBox(first, up));
    box.add(translatedBox(first, across + up));
    return box;
}

void DisplayListCompiler::resolveExtents() {
    blockState_.assign(out_->blocks_.size(), BlockState::Pending);
    blockHeight_.assign(out_->blocks_.size(), 0);
    blockWeight_.assign(out_->blocks_.size(), 1);
    extentsBudget_ = kExtentsBudget;
    for (std::uint32_t b = 0; b < out_->blocks_.size(); ++b)
        blockExtents(b, 0);
    finishList(out_->model_, 0, false);
}

const Box2& DisplayListCompiler::blockExtents(std::uint32_t block, int depth) {
    ItemList& list = out_->blocks_[block];
    if (blockState_[block] == BlockState::Pending) {
        blockState_[block] = BlockState::Visiting;
        blockHeight_[block] = finishList(list, depth, true, &blockWeight_[block]);
        blockState_[block] = BlockState::Done;
    }
    return list.extents;
}

int DisplayListCompiler::finishList(ItemList& list, int depth, bool isBlock, double* weight) {
    int height = 0;
    double drawn = 1; // lists drawn when this one is drawn once
    for (std::uint32_t i = 0; i < list.items.size(); ++i) {
        loadCheckpoint();
        addLoadWork();
        DisplayItem& item = list.items[i];
        if (item.kind == ItemKind::Ray || item.kind == ItemKind::Xline) {
            list.unbounded.push_back(i);
            continue;
        }
        if (item.kind == ItemKind::Insert) {
            InsertRef& ref = list.inserts[item.extra];
            if (blockState_[ref.block] == BlockState::Visiting) {
                diagnose("block \"" + blockName(ref.block) +
                         "\" contains itself; the inner reference is not drawn");
                ref.block = kNoIndex;
            } else if (depth >= kMaxResolveDepth) {
                diagnose("blocks nested too deep; the innermost are not drawn");
                ref.block = kNoIndex;
            } else {
                blockExtents(ref.block, depth + 1);
                // Lists drawn at most kMaxInsertDepth inserts below model space.
                const int below = blockHeight_[ref.block] + 1;
                if (below + (isBlock ? 1 : 0) > kMaxInsertDepth) {
                    diagnose("blocks nested too deep; the innermost are not drawn");
                    ref.block = kNoIndex;
                } else {
                    height = std::max(height, below);
                    capArray(ref, drawn);
                }
            }
            item.box = ref.block == kNoIndex ? Box2{} : insertBox(ref, depth);
        }
        if (item.kind == ItemKind::Polygon || item.kind == ItemKind::Wipeout ||
            item.kind == ItemKind::Insert || item.kind == ItemKind::Image)
            list.orderFree = false;
        list.extents.add(item.box);
    }
    if (weight)
        *weight = drawn;
    const auto boxOf = [&list](std::uint32_t i) -> const Box2* {
        const DisplayItem& item = list.items[i];
        return item.kind == ItemKind::Ray || item.kind == ItemKind::Xline ? nullptr : &item.box;
    };
    list.index.sortAlongCurve(list.items.size(), boxOf);
    if (list.orderFree && list.items.size() >= kReorderFrom)
        storeAlongCurve(list);
    list.index.buildGroups(boxOf);
    summarise(list);
    return height;
}

void DisplayListCompiler::summarise(ItemList& list) {
    if (list.items.size() < kSummaryFrom)
        return;
    resizeLarge(list.summaries, list.items.size());
    parallelRanges(list.items.size(), [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            const DisplayItem& item = list.items[i];
            ItemSummary& s = list.summaries[i];
            s.layer = item.layer;
            s.color = ItemSummary::pack(item.color);
            if (item.kind == ItemKind::Ray || item.kind == ItemKind::Xline || item.box.empty())
                continue;
            s.centreX = static_cast<float>((item.box.minX + item.box.maxX) / 2 - list.extents.minX);
            s.centreY = static_cast<float>((item.box.minY + item.box.maxY) / 2 - list.extents.minY);
            // Rounded up so that the float box always holds the item.
            s.halfWidth = std::nextafter(static_cast<float>(item.box.width() / 2), INFINITY);
            s.halfHeight = std::nextafter(static_cast<float>(item.box.height() / 2), INFINITY);
            // Wipeouts are never dots: give them a size no view can shrink below a pixel.
            if (item.kind == ItemKind::Wipeout)
                s.halfWidth = s.halfHeight = INFINITY;
        }
    });
}

// Items of a list whose drawing order does not matter are stored along the index's curve:
// drawing then reads items and points, and writes pixels, near the ones before.
void DisplayListCompiler::storeAlongCurve(ItemList& list) {
    const std::size_t indexed = list.index.curveOrder().size();
    if (indexed + list.unbounded.size() != list.items.size())
        return; // items with empty boxes are in neither: keep the list as it is
    std::vector<std::uint32_t> order = list.index.takeCurveOrder();
    order.insert(order.end(), list.unbounded.begin(), list.unbounded.end());
    std::vector<DisplayItem>& items = list.items;
    std::vector<Vec2>& points = list.points;

    // Where each item's points start in the new order: the points are exchanged in place
    // when the items' points lie one after another, else copied once into the new order.
    std::vector<std::uint32_t> firsts;
    resizeLarge(firsts, order.size());
    if (!exchangePointsAlongCurve(items, points, order, firsts)) {
        std::uint32_t next = 0;
        for (std::size_t k = 0; k < order.size(); ++k) {
            firsts[k] = next;
            next += items[order[k]].count;
        }
        std::vector<Vec2> moved;
        resizeLarge(moved, next);
        parallelRanges(order.size(), [&](std::size_t begin, std::size_t end) {
            for (std::size_t k = begin; k < end; ++k) {
                const DisplayItem& item = items[order[k]];
                std::copy_n(points.begin() + item.first, item.count, moved.begin() + firsts[k]);
            }
        });
        points = std::move(moved);
    }
    followNewOrder(list, order); // before the permutation, which uses up `order`
    DisplayItem held;
    permuteInPlace(
        order, [&](std::size_t k) { held = items[k]; },
        [&](std::size_t from, std::size_t to) { items[to] = items[from]; },
        [&](std::size_t to) { items[to] = held; }, [](std::size_t) {},
        [&](std::size_t from) {
            __builtin_prefetch(&items[from]);
            __builtin_prefetch(reinterpret_cast<const char*>(&items[from] + 1) - 1);
        });
    parallelRanges(items.size(), [&](std::size_t begin, std::size_t end) {
        for (std::size_t k = begin; k < end; ++k)
            items[k].first = firsts[k];
    });
    for (std::size_t i = 0; i < list.unbounded.size(); ++i)
        list.unbounded[i] = static_cast<std::uint32_t>(indexed + i);
}

// The side tables by item follow the items to their places in the new order (order[k]: the
// item now at k).
void DisplayListCompiler::followNewOrder(ItemList& list, const std::vector<std::uint32_t>& order) {
    if (!list.sourceOf.empty()) {
        list.sourceOf.resize(order.size(), kNoIndex);
        std::vector<std::uint32_t> moved;
        resizeLarge(moved, order.size());
        for (std::size_t k = 0; k < order.size(); ++k)
            moved[k] = list.sourceOf[order[k]];
        list.sourceOf = std::move(moved);
    }
    if (list.curves.empty() && list.areas.empty() && list.screenOnly.empty())
        return;
    std::vector<std::uint32_t> placeOf;
    resizeLarge(placeOf, order.size());
    for (std::size_t k = 0; k < order.size(); ++k)
        placeOf[order[k]] = static_cast<std::uint32_t>(k);
    for (ItemCurve& curve : list.curves)
        curve.item = placeOf[curve.item];
    std::stable_sort(list.curves.begin(), list.curves.end(),
                     [](const ItemCurve& a, const ItemCurve& b) { return a.item < b.item; });
    for (ItemArea& area : list.areas)
        area.item = placeOf[area.item];
    std::sort(list.areas.begin(), list.areas.end(),
              [](const ItemArea& a, const ItemArea& b) { return a.item < b.item; });
    for (std::uint32_t& item : list.screenOnly)
        item = placeOf[item];
    std::sort(list.screenOnly.begin(), list.screenOnly.end());
}

void DisplayListCompiler::capArray(InsertRef& ref, double& drawn) {
    const double copies = static_cast<double>(ref.rows) * ref.columns;
    const double each = blockWeight_[ref.block];
    if (drawn + copies * each <= kMaxDrawnLists) {
        drawn += copies * each;
        return;
    }
    diagnose("arrays of blocks inside arrays would draw too many copies; only one copy of the "
             "inner array is drawn");
    ref.rows = ref.columns = 1;
    drawn = std::min(drawn + each, kMaxDrawnLists);
}

Box2 DisplayListCompiler::insertBox(const InsertRef& ref, int depth) {
    Box2 first;
    addMappedExtents(out_->blocks_[ref.block], ref.transform, first, depth + 1);
    return arrayBox(first, ref, Affine2{});
}

void DisplayListCompiler::addMappedExtents(const ItemList& list, const Affine2& t, Box2& out,
                                           int depth) {
    if (axisAligned(t) || extentsBudget_ == 0) {
        out.add(mappedBox(list.extents, t));
        return;
    }
    for (const DisplayItem& item : list.items) {
        switch (item.kind) {
        case ItemKind::Ray:
        case ItemKind::Xline:
            break;
        case ItemKind::Insert: {
            const InsertRef& ref = list.inserts[item.extra];
            if (ref.block == kNoIndex || depth >= kMaxInsertDepth)
                break;
            Box2 first;
            addMappedExtents(out_->blocks_[ref.block], t * ref.transform, first, depth + 1);
            out.add(arrayBox(first, ref, t));
            break;
        }
        case ItemKind::Text:
            out.add(mappedBox(item.box, t));
            break;
        default:
            for (std::uint32_t k = 0; k < item.count; ++k)
                out.add(t.map(list.points[item.first + k]));
            extentsBudget_ -= std::min<std::size_t>(extentsBudget_, item.count);
            break;
        }
    }
}

std::size_t DisplayList::memoryBytes() const {
    auto listBytes = [](const ItemList& l) {
        std::size_t bytes =
            l.items.capacity() * sizeof(DisplayItem) + l.points.capacity() * sizeof(Vec2) +
            l.ringSizes.capacity() * sizeof(std::uint32_t) +
            l.inserts.capacity() * sizeof(InsertRef) + l.texts.capacity() * sizeof(TextRun) +
            l.index.memoryBytes() + l.summaries.capacity() * sizeof(ItemSummary) +
            l.curves.capacity() * sizeof(ItemCurve) + l.areas.capacity() * sizeof(ItemArea) +
            l.screenOnly.capacity() * sizeof(std::uint32_t) +
            l.sourceOf.capacity() * sizeof(std::uint32_t) +
            l.sources.capacity() * sizeof(ItemSource);
        for (const TextRun& t : l.texts)
            bytes += t.text.capacity() > 15 ? t.text.capacity() : 0;
        return bytes;
    };
    std::size_t bytes = listBytes(model_);
    for (const ItemList& b : blocks_)
        bytes += listBytes(b);
    return bytes;
}

namespace {

std::shared_ptr<const DisplayList> compileUnderBudget(DisplayListCompiler& compiler) {
    auto list = compiler.compile();
    if (LoadBudget* budget = activeLoadBudget())
        budget->checkMemory();
    return list;
}

} // namespace

std::shared_ptr<const DisplayList> compileDisplayList(const Drawing& drawing) {
    DisplayListCompiler compiler(drawing);
    return compileUnderBudget(compiler);
}

std::shared_ptr<const DisplayList> compileDisplayListReleasingEntities(Drawing& drawing) {
    DisplayListCompiler compiler(drawing);
    compiler.afterEntities([&drawing] {
        std::vector<char> sheetBlock(drawing.blocks.size(), 0);
        for (const Layout& layout : drawing.layouts)
            if (layout.block < sheetBlock.size())
                sheetBlock[layout.block] = 1;
        std::vector<Entity>().swap(drawing.modelSpace);
        for (std::size_t i = 0; i < drawing.blocks.size(); ++i)
            if (!sheetBlock[i])
                std::vector<Entity>().swap(drawing.blocks[i].entities);
    });
    return compileUnderBudget(compiler);
}

} // namespace vexor::cad
