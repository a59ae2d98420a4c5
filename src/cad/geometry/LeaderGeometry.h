#pragma once

#include "DimensionGeometry.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vexor::cad {

// A LEADER's picture: its path (straight or a spline through its points), the hook line, and
// the arrowhead of its style (DIMLDRBLK) at the first point, DIMASZ times DIMSCALE long.
DimensionPicture leaderPicture(const Leader& leader, const DimStyle& style);

// A multileader drawn from what its writer laid out, with the values of its style where it
// does not override them. Each leader line keeps its own colour, linetype and lineweight
// ("by block" is the multileader's own); doglegs take the multileader's line properties.
struct MultiLeaderPicture {
    struct Lines {
        DimensionPicture picture; // strokes, filled arrowheads and arrowhead blocks
        Color color = Color::byBlock();
        std::int32_t linetype = kLinetypeByBlock;
        std::int16_t lineweight = kLineweightByBlock;
    };
    std::vector<Lines> lines;
    bool hasText = false;
    MText text;
    Color textColor = Color::byBlock();
    bool textFrame = false;
    bool hasBlock = false;
    std::uint32_t block = kNoIndex; // index into Drawing::blocks
    Affine2 blockTransform;         // block coordinates (from its base point) to the drawing
    Color blockColor = Color::byBlock();
    std::string problem; // "drawn in part: why" or "not drawn: why"
};

MultiLeaderPicture multiLeaderPicture(const Drawing& drawing, const MultiLeaderData& data);

} // namespace vexor::cad
