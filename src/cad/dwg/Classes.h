#pragma once

#include "DwgVersion.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vexor::cad::dwg {

// A class the file defines; objects with type numbers from 500 up refer to these.
struct DwgClass {
    std::int32_t number = 0;
    std::string dxfName; // "LWPOLYLINE", "HATCH", "ACAD_TABLE" ...
    std::string cppName; // "AcDbPolyline" ...
    bool isEntity = false;
};

// Reads the classes section from its start sentinel. Throws DwgFormatError when the sentinel or
// size is wrong; a record cut short at the end of the data ends the list.
// `maintenanceRelease` is the byte at file offset 0x0B.
std::vector<DwgClass> parseClasses(std::span<const std::uint8_t> section, DwgVersion version,
                                   int maintenanceRelease, std::uint64_t absoluteOffset = 0);

} // namespace vexor::cad::dwg
