#pragma once

#include <QIcon>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexor::view {

// The 29 icons of the layer menu, index 0 unused by the layer steps, 1..14 a shown layer of
// palette colour 1..14, 15..28 a hidden layer of the same colours.
std::vector<QIcon> makeLayerIcons();

// Their keys in index order: "Red0", "RED2" .. "WHITE2", "RED1" .. "WHITE1".
const std::vector<std::string>& layerIconKeys();

// The icon colour (1..14) nearest to an RGB colour (0xRRGGBB).
int nearestIconColour(std::uint32_t rgb);

// The icon of a layer: the icon colour nearest to the layer's real colour, given by its colour
// number (looked up in the colour index; 7, which follows the background, keeps the black
// icon) or, when the layer has one, its true colour; the shown variant 1..14 or its hidden
// twin 15..28. A layer whose colour is unknown (number 0 or out of range, no true colour) gets
// 0 when shown (no icon) and the white hidden icon when hidden, the pair an entry without an
// icon toggles between.
int layerIconIndex(int colourNumber, std::optional<std::uint32_t> trueColour, bool shown);

} // namespace vexor::view
