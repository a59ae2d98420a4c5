#pragma once

#include "../../io/ExtendedData.h"
#include "../TextDecoder.h"
#include "ByteReader.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace vexor::cad::dwg::r12 {

// Extended data as an R11 or R12 entity record stores it, located in the file and read only
// for the entities that use it.
struct StoredExtendedData {
    std::span<const std::uint8_t> bytes;
    std::uint64_t fileOffset = 0;
    bool empty() const { return bytes.empty(); }
};

// Names what the items refer to by table index: applications (APPID) and layers.
struct ExtendedDataNames {
    std::function<std::string(std::int16_t)> application;
    std::function<std::string(std::int16_t)> layer;
};

// Reads the items of stored extended data into the neutral form the newer readers fill: each
// item is a one-byte kind (its DXF group code less 1000) and its value; an application starts
// with kind 1 and the APPID table index, strings carry a one-byte length, handles eight bytes
// with the most significant first, and layers their table index. Items past a damaged or
// unknown one are left out; `complete` says whether everything was read.
ExtendedData readExtendedData(const StoredExtendedData& stored, const TextDecoder& decode,
                              const ExtendedDataNames& names, bool& complete);

} // namespace vexor::cad::dwg::r12
