// libFuzzer target: the DXF reader must turn any bytes, text or binary, into a drawing or a
// ReadError.
#include "cad/dxf/DxfReader.h"
#include "cad/model/ReadError.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        vexor::cad::dxf::readDxf(std::span<const std::uint8_t>(data, size), "fuzz.dxf");
    } catch (const vexor::cad::ReadError&) {
    }
    return 0;
}
