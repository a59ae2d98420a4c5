#pragma once

#include "Element.h"
#include "Primitives.h"

#include <map>
#include <string>
#include <vector>

namespace vexor::cad::dgn {

// Deeper cell nesting than this is taken as damage: the inner cells are skipped.
inline constexpr int kMaxCellNesting = 32;

// Walks the scanned elements and emits entities for everything drawable, grouping complex
// elements with their components:
// - cells (2) are exploded: their components are stored placed in design coordinates, so
//   they are drawn as they are, each with its own handle; the cell header draws nothing;
// - text nodes (7) likewise yield their text elements;
// - complex chains (12) and shapes (14) become one polyline (arcs as bulges) with the
//   header's symbology and handle, filled when the header carries a fill; components that
//   a polyline cannot hold (elliptical arcs, curves, B-splines) are drawn one by one under the
//   header's handle instead;
// - surfaces and solids (18, 19) draw their components under the header's handle;
// - B-spline curves (27) with their knot, pole and weight elements become a spline.
// A component that cannot be decoded is skipped with a diagnostic; so is a deleted element.
class ElementAssembler {
public:
    ElementAssembler(const std::vector<Element>& elements, const PrimitiveDecoder& decoder,
                     std::vector<Entity>& out, std::vector<std::string>& diagnostics);

    void run();

private:
    void processRange(std::size_t begin, std::size_t end, int depth);
    std::size_t componentsEnd(std::size_t header, std::size_t end) const;
    void processComplex(std::size_t header, std::size_t end, int depth);
    void decodePrimitive(const Element& e);
    bool assembleChain(const Element& header, std::size_t first, std::size_t last);
    void assembleBspline(const Element& header, std::size_t first, std::size_t last);
    void drawUnderHandle(std::size_t first, std::size_t last, int depth, const Element& header);
    void reportTooShort(const Element& e, const ElementTooShort& error);

    const std::vector<Element>& elements_;
    const PrimitiveDecoder& decoder_;
    std::vector<Entity>& out_;
    std::vector<std::string>& diagnostics_;
    std::map<int, int> notDrawn_; // element type -> count
};

} // namespace vexor::cad::dgn
