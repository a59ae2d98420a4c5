#pragma once

#include "../model/Math.h"
#include "Element.h"

#include <string>
#include <vector>

namespace vexor::cad::dgn {

// The design's coordinate system from its control block (type 9): whether it is 3D, the
// working units and the global origin. Coordinates are stored as integer units of resolution
// (UORs); the model holds master units measured from the global origin.
struct DesignUnits {
    bool is3d = false;
    double subunitsPerMaster = 1;
    double uorsPerSubunit = 1;
    double uorsPerMaster = 1;
    Vec3 globalOrigin; // in UORs
    std::string masterUnitName;
    std::string subUnitName;

    double length(double uors) const { return uors / uorsPerMaster; }
    Vec3 point(double x, double y, double z) const {
        return {(x - globalOrigin.x) / uorsPerMaster, (y - globalOrigin.y) / uorsPerMaster,
                (z - globalOrigin.z) / uorsPerMaster};
    }
};

// Reads the first control block. Unusable unit values fall back to 1 with a diagnostic.
DesignUnits readControlBlock(const Element& tcb, std::vector<std::string>& diagnostics);

} // namespace vexor::cad::dgn
