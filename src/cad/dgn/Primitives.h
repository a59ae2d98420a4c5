#pragma once

#include "../model/Entities.h"
#include "ColorTable.h"
#include "Conics.h"
#include "ControlBlock.h"
#include "Element.h"

#include <array>
#include <optional>
#include <vector>

namespace vexor::cad::dgn {

// Turns single graphic elements into model entities in master units, seen from the top.
// EntityCommon::layer holds the element's level number until the reader maps levels to
// layers. Accessors throw ElementTooShort when an element ends before its fields do.
class PrimitiveDecoder {
public:
    PrimitiveDecoder(const DesignUnits& units, const ColorTable& colors,
                     const std::array<std::int32_t, 8>& styleLinetypes);

    EntityCommon common(const Element& e) const;

    // The vertices of a line (3), line string (4), shape (6), curve (11) or pole element (21).
    std::vector<Vec3> vertices(const Element& e) const;
    // An ellipse (15) or arc (16) as seen from the top.
    ProjectedConic conic(const Element& e) const;

    // Appends the entities one primitive element draws. False when the type is not one this
    // decoder knows (complex headers and non-graphic elements included).
    bool decode(const Element& e, std::vector<Entity>& out) const;

    const DesignUnits& units() const { return units_; }
    Color color(int index) const;

private:
    Vec3 pointAt(const Element& e, std::size_t word) const;
    Rotation3 rotationAt(const Element& e, std::size_t word) const; // 2D angle or 3D quaternion
    void decodeText(const Element& e, std::vector<Entity>& out) const;
    void decodeCurve(const Element& e, std::vector<Entity>& out) const;
    void addFill(const Element& e, const HatchLoop& loop, std::vector<Entity>& out) const;

    const DesignUnits& units_;
    const ColorTable& colors_;
    std::array<std::int32_t, 8> styles_;
};

// Points along a curve element (type 11) through its vertices but the two at either end,
// which only set the end tangents; they are interpolated as the format describes.
std::vector<Vec3> interpolateCurve(const std::vector<Vec3>& vertices);

// Polyline vertices from points, dropping repeated points.
std::vector<PolyVertex> polyVertices(const std::vector<Vec3>& points);

} // namespace vexor::cad::dgn
