#pragma once

#include "../io/ExtendedData.h"
#include "ObjectFrame.h"
#include "ObjectStore.h"

#include <functional>

namespace vexor::cad::dwg {

// Reads the extended data of an opened object as neutral items. Each application's data names
// its APPID record by handle; `applicationName` gives the name (empty when unknown). Throws
// DwgFormatError when the data runs past its stored size.
ExtendedData readExtendedData(const ObjectFrame& frame, const TextDecoder& decode,
                              const std::function<std::string(std::uint64_t)>& applicationName);

// The name an APPID record holds, by the record's handle; empty when it cannot be read.
std::string readApplicationName(const ObjectStore& store, const TextDecoder& decode,
                                std::uint64_t handle);

} // namespace vexor::cad::dwg
