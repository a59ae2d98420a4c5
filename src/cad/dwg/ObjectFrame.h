#pragma once

#include "../model/Entities.h"
#include "BitReader.h"
#include "DwgVersion.h"
#include "TextDecoder.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vexor::cad::dwg {

// One object opened at its offset: its type and handle, a reader for its data, one for its
// texts (R2007+) and one for its handle references. All are bounded by the object's stored size.
struct ObjectFrame {
    DwgVersion version = DwgVersion::R2000;
    std::uint16_t type = 0;
    std::uint64_t handle = 0;
    std::uint64_t owner = 0;  // a non-entity object's owner, once readObjectPreamble has run
    std::uint64_t offset = 0; // absolute position of the object, for messages
    BitReader data{{}};
    BitReader refs{{}};
    std::size_t refsStartBit = 0;  // where the handle references begin in the data
    std::size_t xdataStartBit = 0; // where the extended data begins in the data
    // R2007+: the string stream, nothing when the object has no texts.
    std::optional<BitReader> strings;

    // A handle reference resolved against this object's handle.
    std::uint64_t readHandle() { return refs.handle().resolve(handle); }
    // The next text field, wherever this release keeps it: 8-bit in the drawing's code page
    // among the data up to R2004, UTF-16 in the string stream from R2007.
    std::string text(const TextDecoder& decode);
};

// The common part every entity carries before its own data.
struct EntityPreamble {
    std::uint8_t entMode = 2; // 0 owned by a block, 1 paper space, 2 model space
    std::uint64_t owner = 0;  // when entMode is 0
    std::uint64_t layer = 0;
    std::uint64_t linetype = 0;     // 0 unless the entity names one
    std::uint8_t linetypeFlags = 0; // 0 by layer, 1 by block, 2 continuous, 3 handle
    std::uint64_t next = 0;         // next entity of the owner's chain (R13-R2000), 0 unless linked
    bool noLinks = false;
    Color color;
    // R2004+: the colour-book colour (DBCOLOR object) the colour stands for, 0 when none; its
    // index in `color` is only the nearest.
    std::uint64_t colorBook = 0;
    double linetypeScale = 1;
    bool invisible = false;
    std::int16_t lineweight = kLineweightByLayer;
    std::uint8_t plotStyleFlags = 0; // 0 by layer, 1 by block, 2 the default, 3 handle
    std::uint64_t plotStyle = 0;     // the named plot style's placeholder object, with flags 3
    // The entity's proxy graphics, kept for kinds the model does not read (empty otherwise).
    std::vector<std::uint8_t> graphics;
};

// The type number of the object at `offset` without reading more. Throws DwgFormatError.
std::uint16_t peekObjectType(std::span<const std::uint8_t> bytes, std::uint64_t offset,
                             DwgVersion version, std::uint64_t baseOffset);

// Opens the object at `offset` of `bytes` (whose first byte is at absolute `baseOffset`), reads
// its size, type, handle and extended data. Throws DwgFormatError.
ObjectFrame openObject(std::span<const std::uint8_t> bytes, std::uint64_t offset,
                       DwgVersion version, std::uint64_t baseOffset);

// Reads the entity preamble and its common handle references; the proxy graphics are kept
// when asked for, else skipped.
EntityPreamble readEntityPreamble(ObjectFrame& frame, bool keepGraphics = false);

// Reads what non-entity objects carry before their own data, and their owner, reactor and
// dictionary handle references. Returns the owner handle.
std::uint64_t readObjectPreamble(ObjectFrame& frame);

// Line weight in 1/100 mm (or kLineweight*) of the stored lineweight index.
std::int16_t lineweightOfIndex(int index);

} // namespace vexor::cad::dwg
