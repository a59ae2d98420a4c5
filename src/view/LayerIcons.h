#pragma once

#include <QIcon>
#include <string>
#include <vector>

namespace vexor::view {

// The 29 icons of the layer menu, index 0 unused by the layer steps, 1..14 a shown layer of
// palette colour 1..14, 15..28 a hidden layer of the same colours.
std::vector<QIcon> makeLayerIcons();

// Their keys in index order: "Red0", "RED2" .. "WHITE2", "RED1" .. "WHITE1".
const std::vector<std::string>& layerIconKeys();

} // namespace vexor::view
