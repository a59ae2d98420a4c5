#pragma once

#include "../../model/Drawing.h"
#include "../TextDecoder.h"
#include "FileHeader.h"
#include "Tables.h"

#include <cstdint>
#include <span>

namespace vexor::cad::dwg::r12 {

// Reads the entity, block entity and extra entity sections into `drawing` (whose layers,
// linetypes and styles the tables have filled), joining vertices to their polylines,
// attributes to their inserts and block members to their blocks. Records that cannot be read
// or drawn are counted by kind in the diagnostics.
void readEntitySections(std::span<const std::uint8_t> file, const FileHeader& header,
                        const Tables& tables, const TextDecoder& decode, Drawing& drawing);

} // namespace vexor::cad::dwg::r12
