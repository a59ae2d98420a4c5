#pragma once

#include "SatReader.h"

#include <string_view>

namespace vexor::cad::acis {

// The edges of solid-modeler data written in binary (SAB: "ACIS BinaryFile" or "ASM
// BinaryFile", a header of four numbers, then tagged values). The values are rendered to the
// tokens SAT text holds and handed to the same record reader, so both forms draw alike. Tags,
// lengths and counts are checked against the data; where the data breaks off, the records
// before it are used and `damage` says where. Never throws on bad data.
SatEdges readSabEdges(std::string_view data);

} // namespace vexor::cad::acis
