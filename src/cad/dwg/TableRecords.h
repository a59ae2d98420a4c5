#pragma once

#include "../io/ExtendedData.h"
#include "../model/Drawing.h"
#include "ObjectFrame.h"
#include "ObjectTypes.h"
#include "TextDecoder.h"

#include <cstdint>
#include <vector>

namespace vexor::cad::dwg {

// A table control object: the handles of its records in table order.
struct TableControl {
    std::vector<std::uint64_t> entries;
    // Block control: *Model_Space and *Paper_Space; linetype control: ByBlock and ByLayer.
    std::uint64_t special1 = 0, special2 = 0;
};

struct LayerRecord {
    Layer layer;
    std::uint64_t linetypeHandle = 0;
    std::uint64_t plotStyleHandle = 0; // the named plot style's placeholder object (R2000+)
};

struct BlockHeaderRecord {
    std::string name;
    Vec3 base;
    bool anonymous = false;
    bool externalReference = false;
    bool overlay = false;
    std::string referencePath; // external references: the drawing's file as stored
    std::uint64_t firstEntity = 0, lastEntity = 0; // R13-R2000 entity chain
    std::vector<std::uint64_t> ownedEntities;      // R2004+
};

// A DIMSTYLE record: its name and its dimension variables as DXF group codes and values, the
// ones given by handle (text style, arrowhead blocks) still as handles.
struct DimStyleRecord {
    std::string name;
    std::vector<std::pair<int, DimValue>> variables;
};

// The name and flags every table record starts with.
std::string readRecordName(ObjectFrame& frame, const TextDecoder& decode);
// CMC from R2004: a colour index (its sign says a layer is off), a packed colour whose top byte
// says index (0xC3) or RGB (0xC2), and optional colour and book names.
Color readTableColor(ObjectFrame& frame, const TextDecoder& decode, int* storedIndex);
// A CMC colour of an object in any release: an index before R2004 (256 by layer, 0 by block),
// the R2004 form after, where the packed value also says by layer (0xC0) or by block (0xC1).
Color readObjectColor(ObjectFrame& frame, const TextDecoder& decode);

// Each reads one record from a frame just opened by openObject (preamble not yet read).
TableControl parseTableControl(ObjectFrame& frame);
LayerRecord parseLayer(ObjectFrame& frame, const TextDecoder& decode);
Linetype parseLinetype(ObjectFrame& frame, const TextDecoder& decode);
TextStyle parseTextStyle(ObjectFrame& frame, const TextDecoder& decode);
BlockHeaderRecord parseBlockHeader(ObjectFrame& frame, const TextDecoder& decode);
DimStyleRecord parseDimStyle(ObjectFrame& frame, const TextDecoder& decode);
// The colour of a DBCOLOR object, which colour-book colours of entities refer to.
Color parseColorBookColor(ObjectFrame& frame, const TextDecoder& decode);

} // namespace vexor::cad::dwg
