#pragma once

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
};

struct BlockHeaderRecord {
    std::string name;
    Vec3 base;
    bool anonymous = false;
    bool externalReference = false;
    std::uint64_t firstEntity = 0, lastEntity = 0; // R13-R2000 entity chain
    std::vector<std::uint64_t> ownedEntities;      // R2004+
};

// Each reads one record from a frame just opened by openObject (preamble not yet read).
TableControl parseTableControl(ObjectFrame& frame);
LayerRecord parseLayer(ObjectFrame& frame, const TextDecoder& decode);
Linetype parseLinetype(ObjectFrame& frame, const TextDecoder& decode);
TextStyle parseTextStyle(ObjectFrame& frame, const TextDecoder& decode);
BlockHeaderRecord parseBlockHeader(ObjectFrame& frame, const TextDecoder& decode);
// The colour of a DBCOLOR object, which colour-book colours of entities refer to.
Color parseColorBookColor(ObjectFrame& frame, const TextDecoder& decode);

} // namespace vexor::cad::dwg
