#pragma once

#include "EntityBuilder.h"

#include <optional>

namespace vexor::cad::dxf {

// An entity of a kind the model does not read, drawn from the proxy graphics it carries
// (group 92 or 160 giving their size, then 310 chunks); nothing when it carries none.
std::optional<StandIn> readProxyGraphics(const EntityRecord& record, DxfContext& context,
                                         const EntityCommon& common);

// An entity kind drawn as one entity of another kind, keeping its own name.
StandIn singlePart(std::string_view typeName, const EntityCommon& common, EntityData part);

// An OLE2FRAME: its content cannot be shown, so its frame stands for it (corners 10 and 11).
StandIn readOleFrame(const EntityRecord& record, const EntityCommon& common);

} // namespace vexor::cad::dxf
