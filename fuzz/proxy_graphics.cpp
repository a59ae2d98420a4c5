// libFuzzer target for the proxy graphics decoder: any bytes give a picture within the
// decoder's limits, never a read past the data.
#include "cad/dwg/ProxyGraphics.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vexor::cad::ProxyGraphicsContext context;
    context.layerCount = 4;
    const vexor::cad::StandInData picture =
        vexor::cad::decodeProxyGraphics({data, size}, "FUZZ", context);
    if (picture.entities.size() > vexor::cad::kMaxProxyParts)
        __builtin_trap();
    for (const vexor::cad::Entity& e : picture.entities)
        if (e.common.layer >= 4)
            __builtin_trap();
    return 0;
}
