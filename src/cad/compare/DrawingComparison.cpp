#include "DrawingComparison.h"

#include "EntitySignature.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <utility>

namespace vexor::cad {

namespace {

// Coordinates closer than this part of the drawings' size count as one.
constexpr double kRelativeTolerance = 1e-6;

struct Keyed {
    std::uint64_t key;
    std::uint32_t index;
    bool operator<(const Keyed& o) const { return key != o.key ? key < o.key : index < o.index; }
};

const std::vector<Entity>* spaceEntities(const Drawing& d, std::uint32_t block) {
    if (block == kNoIndex)
        return &d.modelSpace;
    return block < d.blocks.size() ? &d.blocks[block].entities : nullptr;
}

std::uint64_t textKey(std::string_view s) {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (unsigned char c : s)
        h = (h ^ c) * 0x100000001B3ull;
    return h;
}

// Counts by kind and layer, first by the kind's name pointer and the layer's index (cheap for
// a million entities), turned into names at the end.
struct Tally {
    std::unordered_map<const char*, ChangeCounts> kinds;
    std::vector<ChangeCounts> oldLayers, newLayers;

    void add(const Drawing& d, bool isOld, const Entity& e, Change c) {
        ++kinds[dxfTypeName(e)][c];
        auto& layers = isOld ? oldLayers : newLayers;
        if (layers.size() < d.layers.size() + 1)
            layers.resize(d.layers.size() + 1);
        ++layers[std::min<std::size_t>(e.common.layer, d.layers.size())][c];
    }
};

std::string layerName(const Drawing& d, std::uint32_t layer) {
    return layer < d.layers.size() ? d.layers[layer].name : std::string("?");
}

class Comparer {
public:
    Comparer(const Drawing& oldDrawing, const Drawing& newDrawing, double tolerance)
        : old_(oldDrawing), new_(newDrawing), tolerance_(tolerance),
          oldSignatures_(oldDrawing, tolerance), newSignatures_(newDrawing, tolerance),
          oldBoxes_(oldDrawing), newBoxes_(newDrawing) {}

    void compareSpace(Comparison& result, std::uint32_t spaceIndex);
    void finish(Comparison& result);

private:
    void pair(const std::vector<Entity>& olds, const std::vector<Entity>& news,
              SpaceComparison& space, std::uint32_t i, std::uint32_t j);

    const Drawing& old_;
    const Drawing& new_;
    double tolerance_;
    SignatureMaker oldSignatures_, newSignatures_;
    EntityBoxes oldBoxes_, newBoxes_;
    // The geometry hashes of the current space's lists; properties are hashed when pairing,
    // so that a million-entity list holds 8 bytes per entity for its hashes.
    std::vector<std::uint64_t> oldGeometry_, newGeometry_;
    std::vector<std::uint32_t> changedPairs_; // old index, new index, ... of the current space
    Tally tally_;
};

void Comparer::pair(const std::vector<Entity>& olds, const std::vector<Entity>& news,
                    SpaceComparison& space, std::uint32_t i, std::uint32_t j) {
    bool same = oldSignatures_.properties(olds[i]) == newSignatures_.properties(news[j]);
    if (same && oldGeometry_[i] != newGeometry_[j])
        // Rounding may split two values a hair apart: compare them unrounded.
        same = sameGeometry(SignatureMaker::geometryValues(olds[i]),
                            SignatureMaker::geometryValues(news[j]), tolerance_);
    const Change c = same ? Change::Same : Change::Changed;
    space.oldChanges[i] = c;
    space.newChanges[j] = c;
    tally_.add(old_, true, olds[i], c);
    if (!same) {
        changedPairs_.push_back(i);
        changedPairs_.push_back(j);
    }
}

void Comparer::compareSpace(Comparison& result, std::uint32_t spaceIndex) {
    SpaceComparison& space = result.spaces[spaceIndex];
    const std::vector<Entity>& olds = *spaceEntities(old_, space.oldBlock);
    const std::vector<Entity>& news = *spaceEntities(new_, space.newBlock);
    oldGeometry_.resize(olds.size());
    newGeometry_.resize(news.size());
    for (std::size_t i = 0; i < olds.size(); ++i)
        oldGeometry_[i] = oldSignatures_.geometry(olds[i]);
    for (std::size_t j = 0; j < news.size(); ++j)
        newGeometry_[j] = newSignatures_.geometry(news[j]);
    // Until matched: removed from the old list, added to the new one.
    space.oldChanges.assign(olds.size(), Change::Removed);
    space.newChanges.assign(news.size(), Change::Added);
    std::vector<bool> oldMatched(olds.size()), newMatched(news.size());
    changedPairs_.clear();

    // By handle: both lists sorted by handle and walked together. The handles are trusted
    // when the drawings evidently descend from one: a good part of the entities sharing a
    // handle are of one kind and lie in the same place. Unrelated drawings number their
    // entities alike by chance, but seldom draw the same thing under one number. Once trusted,
    // an entity whose kind differs under its handle is that entity changed.
    // Indexes sorted by handle (4 bytes an entity rather than a copy of each handle).
    auto byHandleOrder = [](const std::vector<Entity>& list) {
        std::vector<std::uint32_t> order;
        for (std::uint32_t i = 0; i < list.size(); ++i)
            if (list[i].common.handle != 0)
                order.push_back(i);
        std::sort(order.begin(), order.end(), [&list](std::uint32_t a, std::uint32_t b) {
            const std::uint64_t ha = list[a].common.handle, hb = list[b].common.handle;
            return ha != hb ? ha < hb : a < b;
        });
        return order;
    };
    const std::vector<std::uint32_t> oldHandles = byHandleOrder(olds);
    const std::vector<std::uint32_t> newHandles = byHandleOrder(news);
    auto oldHandle = [&](std::size_t a) { return olds[oldHandles[a]].common.handle; };
    auto newHandle = [&](std::size_t b) { return news[newHandles[b]].common.handle; };
    std::vector<std::pair<std::uint32_t, std::uint32_t>> byHandle;
    std::size_t sameKind = 0, samePlace = 0;
    for (std::size_t a = 0, b = 0; a < oldHandles.size() && b < newHandles.size();) {
        if (oldHandle(a) < newHandle(b)) {
            ++a;
        } else if (newHandle(b) < oldHandle(a)) {
            ++b;
        } else {
            const std::uint32_t i = oldHandles[a], j = newHandles[b];
            // A handle repeated within one list (a damaged file) pairs only once.
            const bool repeated = (a > 0 && oldHandle(a - 1) == oldHandle(a)) ||
                                  (b > 0 && newHandle(b - 1) == newHandle(b));
            if (!repeated) {
                byHandle.emplace_back(i, j);
                if (olds[i].data.index() == news[j].data.index() &&
                    std::string_view(dxfTypeName(olds[i])) == dxfTypeName(news[j])) {
                    ++sameKind;
                    samePlace += oldGeometry_[i] == newGeometry_[j];
                }
            }
            ++a;
            ++b;
        }
    }
    if (sameKind > 0 && samePlace * 4 >= sameKind) {
        for (const auto& [i, j] : byHandle) {
            oldMatched[i] = newMatched[j] = true;
            pair(olds, news, space, i, j);
        }
        result.matchedByHandle += byHandle.size();
    }

    // The rest by signature: kind, layer and rounded geometry. Equal keys pair in list order.
    auto signatureKey = [](const Drawing& d, const Entity& e, std::uint64_t geometry) {
        return geometry ^ (textKey(layerName(d, e.common.layer)) * 0x9E3779B97F4A7C15ull);
    };
    std::vector<Keyed> oldKeys, newKeys;
    for (std::uint32_t i = 0; i < olds.size(); ++i)
        if (!oldMatched[i])
            oldKeys.push_back({signatureKey(old_, olds[i], oldGeometry_[i]), i});
    for (std::uint32_t j = 0; j < news.size(); ++j)
        if (!newMatched[j])
            newKeys.push_back({signatureKey(new_, news[j], newGeometry_[j]), j});
    std::sort(oldKeys.begin(), oldKeys.end());
    std::sort(newKeys.begin(), newKeys.end());
    for (std::size_t a = 0, b = 0; a < oldKeys.size() && b < newKeys.size();) {
        if (oldKeys[a].key < newKeys[b].key) {
            ++a;
        } else if (newKeys[b].key < oldKeys[a].key) {
            ++b;
        } else {
            pair(olds, news, space, oldKeys[a].index, newKeys[b].index);
            ++result.matchedBySignature;
            ++a;
            ++b;
        }
    }

    // The differences in the old list's order, then what was added.
    std::vector<std::uint32_t> partnerOfOld(changedPairs_.empty() ? 0 : olds.size(), kNoIndex);
    for (std::size_t k = 0; k < changedPairs_.size(); k += 2)
        partnerOfOld[changedPairs_[k]] = changedPairs_[k + 1];
    for (std::uint32_t i = 0; i < olds.size(); ++i) {
        const Change c = space.oldChanges[i];
        if (c == Change::Same)
            continue;
        Difference d;
        d.change = c;
        d.space = spaceIndex;
        d.kind = dxfTypeName(olds[i]);
        d.oldHandle = olds[i].common.handle;
        d.oldIndex = i;
        d.box = oldBoxes_.box(olds[i]);
        if (c == Change::Changed) {
            const std::uint32_t j = partnerOfOld[i];
            d.newIndex = j;
            d.newHandle = news[j].common.handle;
            d.box.add(newBoxes_.box(news[j]));
            d.layer = layerName(new_, news[j].common.layer);
        } else {
            d.layer = layerName(old_, olds[i].common.layer);
            tally_.add(old_, true, olds[i], c);
        }
        result.differences.push_back(std::move(d));
    }
    for (std::uint32_t j = 0; j < news.size(); ++j) {
        if (space.newChanges[j] != Change::Added)
            continue;
        Difference d;
        d.change = Change::Added;
        d.space = spaceIndex;
        d.kind = dxfTypeName(news[j]);
        d.layer = layerName(new_, news[j].common.layer);
        d.newHandle = news[j].common.handle;
        d.newIndex = j;
        d.box = newBoxes_.box(news[j]);
        tally_.add(new_, false, news[j], Change::Added);
        result.differences.push_back(std::move(d));
    }
}

void Comparer::finish(Comparison& result) {
    for (const auto& [kind, counts] : tally_.kinds) {
        ChangeCounts& to = result.byKind[kind];
        for (std::size_t c = 0; c < 4; ++c) {
            to.count[c] += counts.count[c];
            result.total.count[c] += counts.count[c];
        }
    }
    auto addLayers = [&](const Drawing& d, const std::vector<ChangeCounts>& layers) {
        for (std::uint32_t l = 0; l < layers.size(); ++l) {
            std::size_t n = 0;
            for (std::size_t c = 0; c < 4; ++c)
                n += layers[l].count[c];
            if (n == 0)
                continue;
            ChangeCounts& to = result.byLayer[layerName(d, l)];
            for (std::size_t c = 0; c < 4; ++c)
                to.count[c] += layers[l].count[c];
        }
    };
    addLayers(old_, tally_.oldLayers);
    addLayers(new_, tally_.newLayers);
}

// The size the tolerance is a part of: the drawings' extent, but no less than a thousandth of
// how far they lie from the origin (a drawing of one point, or a few in a row, has no extent
// to speak of) nor a thousandth of a unit.
double drawingsSize(const Drawing& a, const Drawing& b) {
    Box2 box = roughExtents(a.modelSpace);
    box.add(roughExtents(b.modelSpace));
    if (box.empty())
        return 1e-3;
    const double far =
        std::max({std::abs(box.minX), std::abs(box.maxX), std::abs(box.minY), std::abs(box.maxY)});
    return std::max({box.width(), box.height(), far * 1e-3, 1e-3});
}

} // namespace

const char* changeName(Change change) {
    switch (change) {
    case Change::Same:
        return "same";
    case Change::Removed:
        return "removed";
    case Change::Added:
        return "added";
    case Change::Changed:
        return "changed";
    }
    return "";
}

bool Comparison::same() const {
    return total[Change::Removed] == 0 && total[Change::Added] == 0 && total[Change::Changed] == 0;
}

Comparison compareDrawings(const Drawing& oldDrawing, const Drawing& newDrawing) {
    Comparison result;
    const double size = drawingsSize(oldDrawing, newDrawing);
    result.tolerance = std::isfinite(size) ? size * kRelativeTolerance : 1e-9;

    result.spaces.push_back({"Model", kNoIndex, kNoIndex, {}, {}});
    for (const Layout& l : oldDrawing.layouts) {
        const auto other = std::find_if(newDrawing.layouts.begin(), newDrawing.layouts.end(),
                                        [&](const Layout& n) { return n.name == l.name; });
        if (other == newDrawing.layouts.end())
            result.layoutsOnlyInOld.push_back(l.name);
        else if (l.block < oldDrawing.blocks.size() && other->block < newDrawing.blocks.size())
            result.spaces.push_back({l.name, l.block, other->block, {}, {}});
    }
    for (const Layout& n : newDrawing.layouts)
        if (std::none_of(oldDrawing.layouts.begin(), oldDrawing.layouts.end(),
                         [&](const Layout& l) { return l.name == n.name; }))
            result.layoutsOnlyInNew.push_back(n.name);

    Comparer comparer(oldDrawing, newDrawing, result.tolerance);
    for (std::uint32_t s = 0; s < result.spaces.size(); ++s)
        comparer.compareSpace(result, s);
    comparer.finish(result);
    return result;
}

} // namespace vexor::cad
