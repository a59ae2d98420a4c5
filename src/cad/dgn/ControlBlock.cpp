#include "ControlBlock.h"

#include <cmath>

namespace vexor::cad::dgn {
namespace {

// Byte offsets of the working units and the global origin inside the control block.
constexpr std::size_t kSubunitsPerMasterByte = 1112;
constexpr std::size_t kUorsPerSubunitByte = 1116;
constexpr std::size_t kMasterNameByte = 1120;
constexpr std::size_t kSubNameByte = 1122;
constexpr std::size_t kGlobalOriginByte = 1240;
constexpr std::size_t kNeededBytes = kGlobalOriginByte + 24;

std::string unitName(const Element& tcb, std::size_t byte) {
    std::string name;
    for (std::size_t i = byte; i < byte + 2; ++i) {
        const auto c = static_cast<char>(tcb.bytes[i]);
        if (c >= 0x20 && c < 0x7F)
            name += c;
    }
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    return name;
}

} // namespace

DesignUnits readControlBlock(const Element& tcb, std::vector<std::string>& diagnostics) {
    DesignUnits units;
    units.is3d = (tcb.bytes[0] & 0x40) != 0;
    if (tcb.size() < kNeededBytes) {
        diagnostics.push_back(tcb.where() + ": the control block is too short for working units; "
                                            "coordinates are shown in units of resolution");
        return units;
    }
    const double subunits = tcb.longAt(kSubunitsPerMasterByte / 2);
    const double uors = tcb.longAt(kUorsPerSubunitByte / 2);
    if (subunits > 0 && uors > 0) {
        units.subunitsPerMaster = subunits;
        units.uorsPerSubunit = uors;
        units.uorsPerMaster = subunits * uors;
    } else {
        diagnostics.push_back(tcb.where() + ": working units " + std::to_string(subunits) + " x " +
                              std::to_string(uors) +
                              " are not usable; coordinates are shown in units of resolution");
    }
    units.masterUnitName = unitName(tcb, kMasterNameByte);
    units.subUnitName = unitName(tcb, kSubNameByte);
    units.globalOrigin = {tcb.doubleAt(kGlobalOriginByte / 2),
                          tcb.doubleAt(kGlobalOriginByte / 2 + 4),
                          tcb.doubleAt(kGlobalOriginByte / 2 + 8)};
    return units;
}

} // namespace vexor::cad::dgn
