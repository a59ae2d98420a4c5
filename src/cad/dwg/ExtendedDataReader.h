#pragma once

#include "../io/ExtendedData.h"
#include "ObjectFrame.h"

#include <functional>

namespace vexor::cad::dwg {

// Reads the extended data of an opened object as neutral items. Each application's data names
// its APPID record by handle; `applicationName` gives the name (empty when unknown). Throws
// DwgFormatError when the data runs past its stored size.
ExtendedData readExtendedData(const ObjectFrame& frame, const TextDecoder& decode,
                              const std::function<std::string(std::uint64_t)>& applicationName);

} // namespace vexor::cad::dwg
