#pragma once

#include "cad/model/Drawing.h"

#include <cstdint>
#include <vector>

namespace vexor::cad {

// What identifies an entity for comparing two drawings, as two 64-bit hashes: its geometry
// (kind, coordinates rounded to a grid, sizes, flags) and its drawn properties (layer,
// colour, linetype, lineweight, texts, the content of the block it draws, attributes).
struct EntitySignature {
    std::uint64_t geometry = 0;
    std::uint64_t properties = 0;
};

// One value of an entity's geometry and what it measures, which says how near two must be.
struct GeometryValue {
    enum Measure : std::uint8_t { Length, Angle, Number };
    double value = 0;
    Measure measure = Number;
};

// Whether two entities' geometry values agree: lengths within `tolerance` drawing units,
// angles and other numbers within a part in ten million.
bool sameGeometry(const std::vector<GeometryValue>& a, const std::vector<GeometryValue>& b,
                  double tolerance);

// Hashes the entities of one drawing. Coordinates are rounded to `grid` drawing units (a
// small part of the drawings' size), so the same point written by two programs hashes alike.
// The content hash of each block is made once, on first use, with cycles cut.
class SignatureMaker {
public:
    SignatureMaker(const Drawing& drawing, double grid);

    EntitySignature signature(const Entity& e);
    std::uint64_t geometry(const Entity& e) const;
    std::uint64_t properties(const Entity& e);
    // The geometry values of an entity, unrounded, for comparing two entities whose rounded
    // hashes differ although they may lie within the tolerance of each other.
    static std::vector<GeometryValue> geometryValues(const Entity& e);
    // Hash of a block's entities, independent of their order; 0 for no block.
    std::uint64_t blockContent(std::uint32_t block);

private:
    const Drawing& drawing_;
    double grid_;
    enum class State : std::uint8_t { Unknown, Busy, Done };
    std::vector<State> blockState_;
    std::vector<std::uint64_t> blockHash_;
    int depth_ = 0;
};

// A box round an entity, from its points and sizes (object coordinates taken as world ones,
// texts estimated from their height and length, inserts from their block's box).
class EntityBoxes {
public:
    explicit EntityBoxes(const Drawing& drawing) : drawing_(drawing) {}
    Box2 box(const Entity& e);

private:
    Box2 blockBox(std::uint32_t block);
    const Drawing& drawing_;
    std::vector<std::uint8_t> blockState_;
    std::vector<Box2> blockBox_;
    int depth_ = 0;
};

// The extents of the points of a list of entities (inserts by their insertion point only):
// enough to know the size of a drawing for the rounding grid.
Box2 roughExtents(const std::vector<Entity>& entities);

} // namespace vexor::cad
