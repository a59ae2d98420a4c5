#pragma once

#include "../model/Entities.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace vexor::cad {

// Proxy graphics: the picture an application stores with an entity of its own kind, so that
// programs without the application can still draw it. A 32-bit size and a chunk count, then
// chunks of a 32-bit size (header included) and a 32-bit kind: geometry (circles, arcs,
// polylines, polygons, meshes, shells, texts, rays) and trait changes for what follows
// (colour, layer, line weight, fill, model transforms). Little-endian, 4-byte aligned.

// Nested model transforms deeper than this are ignored (the picture is kept, untransformed).
inline constexpr int kMaxProxyTransformDepth = 32;
// Parts one picture may hold; the rest is left out with a note.
inline constexpr std::size_t kMaxProxyParts = 1u << 18;

struct ProxyGraphicsContext {
    EntityCommon parent;        // the entity the picture stands for: its traits are the defaults
    std::size_t layerCount = 0; // a layer trait is an index into the drawing's layer table
    // 8-bit texts to UTF-8 (in the drawing's code page); Windows-1252 when not given.
    std::function<std::string(std::string_view)> decodeText;
    std::uint32_t textStyle = kNoIndex; // the style texts are drawn in
};

// Decodes a picture for an entity named `typeName`. Never throws: a damaged or cut chunk ends
// the picture there, and what is left out is named in the result's omissions.
StandInData decodeProxyGraphics(std::span<const std::uint8_t> bytes, std::string typeName,
                                const ProxyGraphicsContext& context);

} // namespace vexor::cad
