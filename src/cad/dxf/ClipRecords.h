#pragma once

#include "../io/InsertClips.h"
#include "EntityBuilder.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace vexor::cad::dxf {

// The OBJECTS section's records that say how inserts are clipped: the SPATIAL_FILTER objects
// and the owners of the dictionaries between them and their inserts. Given to the inserts
// once the whole file is read, since objects follow the entities.
class ClipRecords {
public:
    // Takes the record when it is a DICTIONARY or SPATIAL_FILTER; false otherwise.
    bool read(const EntityRecord& record);
    void attach(Drawing& drawing) const;

private:
    std::vector<SpatialFilter> filters_;
    std::unordered_map<std::uint64_t, std::uint64_t> dictionaryOwners_;
};

} // namespace vexor::cad::dxf
