#pragma once

#include "../model/Entities.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace vexor::cad {

// The corners of an OLE object's frame as its data begins: two bytes, then four points of
// three little-endian doubles from the upper left, clockwise. Nothing when the data is too
// short or the corners are not finite.
std::optional<std::array<Vec3, 4>> oleFrameCorners(std::span<const std::uint8_t> data);

// An OLE2FRAME stood for by its frame, with a note that its content is not shown.
StandIn oleFrameStandIn(const std::array<Vec3, 4>& corners, const EntityCommon& common);

} // namespace vexor::cad
