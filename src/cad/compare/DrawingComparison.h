#pragma once

#include "cad/model/Drawing.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vexor::cad {

// What became of an entity between two revisions of a drawing.
enum class Change : std::uint8_t { Same, Removed, Added, Changed };

// "same", "removed", "added", "changed".
const char* changeName(Change change);

// Model space, or a layout both drawings have, entity by entity.
struct SpaceComparison {
    std::string name;                  // "Model" or the layout's name
    std::uint32_t oldBlock = kNoIndex; // the layouts' paper-space blocks; none for
    std::uint32_t newBlock = kNoIndex; // model space
    std::vector<Change> oldChanges;    // per entity of the old list: same, removed,
    std::vector<Change> newChanges;    // changed; of the new: same, added, changed
};

// One entity removed, added or changed (then both its old and its new self).
struct Difference {
    Change change = Change::Changed;
    std::uint32_t space = 0; // index into Comparison::spaces
    std::string kind;        // LINE, INSERT ...
    std::string layer;
    std::uint64_t oldHandle = 0, newHandle = 0;             // 0 where it has none or is absent
    std::uint32_t oldIndex = kNoIndex, newIndex = kNoIndex; // in the space's entity lists
    Box2 box;                                               // round both selves of a changed entity
};

// How many entities are the same, removed, added and changed (a changed or same pair once).
struct ChangeCounts {
    std::array<std::size_t, 4> count{};
    std::size_t& operator[](Change c) { return count[static_cast<std::size_t>(c)]; }
    std::size_t operator[](Change c) const { return count[static_cast<std::size_t>(c)]; }
};

struct Comparison {
    std::vector<SpaceComparison> spaces; // model space first, then the shared layouts
    std::vector<Difference> differences; // by space, then removed and changed in the old
                                         // drawing's order, then added in the new one's
    ChangeCounts total;
    std::map<std::string, ChangeCounts> byKind, byLayer;
    std::size_t matchedByHandle = 0, matchedBySignature = 0;
    std::vector<std::string> layoutsOnlyInOld, layoutsOnlyInNew;
    double tolerance = 0; // in drawing units: how near two coordinates count as one

    bool same() const;
};

// Matches the entities of two drawings, model space and each layout both have (by name):
// by handle where the drawings descend from one drawing, and the rest by kind, layer and
// geometry rounded to a tolerance relative to the drawings' size. Pairs whose geometry or
// drawn properties differ are changed; inserts compare by their block's content. Work grows
// with the entity count times its logarithm at most.
Comparison compareDrawings(const Drawing& oldDrawing, const Drawing& newDrawing);

} // namespace vexor::cad
