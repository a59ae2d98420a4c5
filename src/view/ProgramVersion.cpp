#include "ProgramVersion.h"

#include <vexor/Version.h>

namespace vexor::view {

std::string ProgramVersionText() {
    return std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
           std::to_string(kVersionRevision);
}

std::string ProgramTitle() {
    return "VEXOR " + ProgramVersionText();
}

} // namespace vexor::view
