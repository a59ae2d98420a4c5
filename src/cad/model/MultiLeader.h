#pragma once

#include "Entities.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexor::cad {

// The values a multileader takes from its style unless it overrides them. Arrowheads and
// block content are block names ("" is the closed filled arrowhead).
struct MultiLeaderStyle {
    std::uint64_t handle = 0; // the style object's handle, by which multileaders name it
    std::string name;
    std::int16_t pathType = 1; // 0 no leader lines, 1 straight, 2 spline
    Color lineColor = Color::byBlock();
    std::int32_t linetype = kLinetypeByBlock;
    std::int16_t lineweight = kLineweightByBlock;
    bool dogleg = true;
    double doglegLength = 0.36;
    std::string arrow;
    double arrowSize = 0.18;
    std::int16_t contentType = 2; // 0 none, 1 block, 2 multi-line text, 3 tolerance
    std::uint32_t textStyle = kNoIndex;
    Color textColor = Color::byBlock();
    double textHeight = 0.18;
    bool textFrame = false;
    std::string block;
    Color blockColor = Color::byBlock();
    double scale = 1;
};

// Which of a multileader's own values replace its style's (the property override flags).
namespace MultiLeaderOverride {
inline constexpr std::uint32_t kPathType = 0x1;
inline constexpr std::uint32_t kLineColor = 0x2;
inline constexpr std::uint32_t kLinetype = 0x4;
inline constexpr std::uint32_t kLineweight = 0x8;
inline constexpr std::uint32_t kDogleg = 0x40;
inline constexpr std::uint32_t kArrow = 0x100;
inline constexpr std::uint32_t kArrowSize = 0x200;
inline constexpr std::uint32_t kContentType = 0x400;
inline constexpr std::uint32_t kTextStyle = 0x800;
inline constexpr std::uint32_t kTextColor = 0x8000;
inline constexpr std::uint32_t kTextHeight = 0x10000;
inline constexpr std::uint32_t kTextFrame = 0x20000;
inline constexpr std::uint32_t kBlock = 0x80000;
inline constexpr std::uint32_t kBlockColor = 0x100000;
inline constexpr std::uint32_t kScale = 0x1000000;
} // namespace MultiLeaderOverride

// One leader line: its vertices from the arrow tip towards the landing, and what it sets for
// itself (files from 2010 on may give each line its own colour, linetype and arrowhead).
struct MultiLeaderLine {
    std::vector<Vec3> vertices;
    std::optional<std::int16_t> pathType;
    std::optional<Color> color;
    std::optional<std::int32_t> linetype;
    std::optional<std::int16_t> lineweight;
    std::optional<double> arrowSize;
    std::optional<std::string> arrow;
};

// A group of leader lines meeting at one landing point, with the dogleg from there.
struct MultiLeaderBranch {
    bool hasLandingPoint = false;
    Vec3 landingPoint;             // where every line of the branch ends
    Vec3 doglegDirection{1, 0, 0}; // from the landing point towards the content
    double doglegLength = 0;
    std::vector<MultiLeaderLine> lines;
};

struct MultiLeaderAttribute {
    std::uint64_t definition = 0; // handle of the ATTDEF in the content block
    std::string text;
};

struct MultiLeaderData {
    std::uint64_t styleHandle = 0;
    std::uint32_t overrides = 0; // MultiLeaderOverride bits
    // The multileader's own values, used where `overrides` says so or when it has no style.
    MultiLeaderStyle own;
    // What the writer laid out: sizes already scaled.
    double arrowSize = 0; // 0: from the style
    double landingGap = 0;
    std::vector<MultiLeaderBranch> branches;
    bool hasText = false;
    MText text; // world coordinates, height already scaled
    std::optional<Color> textColor;
    bool hasBlock = false;
    std::string block;
    Vec3 blockPosition;
    Vec3 blockScale{1, 1, 1};
    double blockRotation = 0; // radians
    std::optional<Color> blockColor;
    std::vector<MultiLeaderAttribute> attributes;
};

} // namespace vexor::cad
