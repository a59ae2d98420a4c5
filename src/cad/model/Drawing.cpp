#include "Drawing.h"

#include <algorithm>
#include <cctype>

namespace vexor::cad {

std::uint32_t Drawing::layerIndex(const std::string& name) {
    if (layerByName_.size() != layers.size()) {
        layerByName_.clear();
        for (std::uint32_t i = 0; i < layers.size(); ++i)
            layerByName_.emplace(layers[i].name, i);
    }
    if (auto it = layerByName_.find(name); it != layerByName_.end())
        return it->second;
    const auto index = static_cast<std::uint32_t>(layers.size());
    Layer layer;
    layer.name = name;
    layers.push_back(std::move(layer));
    layerByName_.emplace(name, index);
    return index;
}

std::uint32_t Drawing::blockIndex(const std::string& name) {
    if (blockByName_.size() != blocks.size()) {
        blockByName_.clear();
        for (std::uint32_t i = 0; i < blocks.size(); ++i)
            blockByName_.emplace(blocks[i].name, i);
    }
    if (auto it = blockByName_.find(name); it != blockByName_.end())
        return it->second;
    const auto index = static_cast<std::uint32_t>(blocks.size());
    Block block;
    block.name = name;
    blocks.push_back(std::move(block));
    blockByName_.emplace(name, index);
    return index;
}

std::int32_t Drawing::findLinetype(const std::string& name) const {
    for (std::size_t i = 0; i < linetypes.size(); ++i)
        if (linetypes[i].name == name)
            return static_cast<std::int32_t>(i);
    return -1;
}

std::uint32_t Drawing::findTextStyle(const std::string& name) const {
    for (std::size_t i = 0; i < textStyles.size(); ++i)
        if (textStyles[i].name == name)
            return static_cast<std::uint32_t>(i);
    return kNoIndex;
}

std::uint32_t Drawing::findDimStyle(std::string_view name) const {
    auto same = [](std::string_view a, std::string_view b) {
        return a.size() == b.size() &&
               std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                   return std::tolower(static_cast<unsigned char>(x)) ==
                          std::tolower(static_cast<unsigned char>(y));
               });
    };
    for (std::size_t i = 0; i < dimStyles.size(); ++i)
        if (same(dimStyles[i].name, name))
            return static_cast<std::uint32_t>(i);
    return kNoIndex;
}

} // namespace vexor::cad
