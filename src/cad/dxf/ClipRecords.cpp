#include "ClipRecords.h"

#include "DxfContext.h"

#include <algorithm>

namespace vexor::cad::dxf {

namespace {

// The owner (group 330 outside the 102 groups of reactors and extension dictionary), and the
// record's own handle.
void readOwnership(const EntityRecord& r, std::uint64_t& handle, std::uint64_t& owner) {
    bool inBraces = false;
    for (const Group& g : r.groups) {
        if (g.code == 5)
            handle = parseHandle(g.trimmed());
        else if (g.code == 102)
            inBraces = g.trimmed().starts_with('{');
        else if (g.code == 330 && (!inBraces || owner == 0))
            owner = parseHandle(g.trimmed());
    }
}

} // namespace

bool ClipRecords::read(const EntityRecord& r) {
    if (r.type == "DICTIONARY") {
        std::uint64_t handle = 0, owner = 0;
        readOwnership(r, handle, owner);
        if (handle != 0 && owner != 0)
            dictionaryOwners_[handle] = owner;
        return true;
    }
    if (r.type != "SPATIAL_FILTER")
        return false;
    SpatialFilter filter;
    std::uint64_t handle = 0;
    readOwnership(r, handle, filter.owner);
    std::vector<double> matrixValues;
    for (const Group& g : r.groups) {
        switch (g.code) {
        case 10:
            filter.boundary.push_back({g.asDouble(), 0});
            break;
        case 20:
            if (!filter.boundary.empty())
                filter.boundary.back().y = g.asDouble();
            break;
        case 71:
            filter.enabled = g.asInt() != 0;
            break;
        case 40:
            matrixValues.push_back(g.asDouble());
            break;
        default:
            break;
        }
    }
    // A front clipping distance may come first: the two matrices are the last 24 values.
    if (matrixValues.size() >= 24)
        std::copy_n(matrixValues.end() - 24, 12, filter.inverseInsert.begin());
    filters_.push_back(std::move(filter));
    return true;
}

void ClipRecords::attach(Drawing& drawing) const {
    attachInsertClips(drawing, filters_, dictionaryOwners_);
}

} // namespace vexor::cad::dxf
