#pragma once

#include "EntityBuilder.h"

#include <cstdint>
#include <string>
#include <unordered_map>

namespace vexor::cad::dxf {

// The ACDSDATA section of R2013+ files, where the modeler data of solids, regions and surfaces
// is kept apart from the entities: each ACDSRECORD names its entity's handle (320 after
// "AcDbDs::ID") and holds the binary data (94 size, then 310 chunks after "ASM_Data").
class ModelerDataStore {
public:
    void read(const EntityRecord& record);
    // Gives each entity of the drawing whose data was kept here its wireframe.
    void attach(Drawing& drawing) const;

private:
    std::unordered_map<std::uint64_t, std::string> data_; // by entity handle
};

} // namespace vexor::cad::dxf
