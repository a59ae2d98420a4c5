// libFuzzer target: the DWG reader must turn any bytes into a drawing or a ReadError.
#include "cad/dwg/DwgReader.h"
#include "cad/model/ReadError.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    try {
        vexor::cad::dwg::readDwg(bytes, "fuzz.dwg");
    } catch (const vexor::cad::ReadError&) {
    }
    try {
        vexor::cad::dwg::readDwgLayerTable(bytes, "fuzz.dwg");
    } catch (const vexor::cad::ReadError&) {
    }
    return 0;
}
