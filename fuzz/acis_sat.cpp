// libFuzzer target for the solid-modeler text reader: any bytes give edges, counts or a
// problem, never a crash, a hang or a runaway allocation. Both the text as given and its
// substituted form (as older drawings store it) are read.
#include "cad/acis/ModelerGeometry.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    vexor::cad::acis::wireframeFromModelerData("3DSOLID", text);
    return 0;
}
