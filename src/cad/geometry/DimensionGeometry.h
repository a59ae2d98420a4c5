#pragma once

#include "../model/Drawing.h"

#include <string>
#include <string_view>
#include <vector>

namespace vexor::cad {

// A dimension drawn from its definition (for dimensions stored without a block): strokes,
// filled arrowheads, arrowhead blocks and the measurement text, in drawing coordinates. The
// compiler turns them into ordinary display items.
struct DimensionPicture {
    enum class Part : std::uint8_t { DimLine, Extension, Text };
    struct Stroke {
        std::vector<Vec2> points;
        bool closed = false;
        Part part = Part::DimLine;
    };
    struct Fill {
        std::vector<Vec2> ring;
    };
    // A user block as arrowhead: drawn scaled to the arrow size, its x axis along `direction`.
    struct ArrowBlock {
        std::string name;
        Vec2 tip, direction;
        double size = 0;
    };
    std::vector<Stroke> strokes;
    std::vector<Fill> fills;
    std::vector<ArrowBlock> blocks;
    bool hasText = false;
    MText text;
    double measurement = 0; // what was measured (drawing units, or radians for angles)
    std::string problem;    // why the dimension was drawn only in part or not at all
};

// The style a dimension is drawn with: its own overrides, its table entry, or the defaults of
// the drawing's measurement system. Absurd values (negative, not finite, beyond any sensible
// size) are replaced by the defaults and `problem` says so.
DimStyle effectiveDimStyle(const Drawing& drawing, const Dimension& dim, std::string& problem);
// The same for what else draws with a dimension style (leaders): the entry at `index` of the
// DIMSTYLE table, or `overrides` when not null.
DimStyle effectiveDimStyle(const Drawing& drawing, std::uint32_t index, const DimStyle* overrides,
                           std::string& problem);

// Adds an arrowhead of the kind `name` names (a built-in kind such as "" (closed filled),
// "_OPEN" or "_DOT", otherwise a user block) with its tip at `tip`, pointing along
// `direction`, `size` long.
void addArrowhead(DimensionPicture& pic, const std::string& name, Vec2 tip, Vec2 direction,
                  double size);
// Whether `name` is a built-in arrowhead or a block the drawing holds.
bool arrowDrawable(const Drawing& drawing, const std::string& name);

// The index of the block with this name in any case, or kNoIndex.
std::uint32_t findBlockNamed(const Drawing& drawing, std::string_view name);

// The picture of a dimension from its definition points and style.
DimensionPicture dimensionPicture(const Dimension& dim, const DimStyle& style);

// The measurement as the style writes it: linear values in the style's units and precision
// (after its linear factor and rounding), angles (radians in) in its angle units, then the
// prefix or suffix of the style.
std::string formatLinearMeasurement(double value, const DimStyle& style);
std::string formatAngularMeasurement(double radians, const DimStyle& style);

// The dimension's text: its override with "<>" replaced by `measured`, or `measured` itself;
// empty when the override is a single space (text suppressed).
std::string dimensionText(const std::string& override, const std::string& measured);

} // namespace vexor::cad
