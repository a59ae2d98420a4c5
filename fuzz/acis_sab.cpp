// libFuzzer target for the binary solid-modeler reader: any bytes after the binary header's
// magic give edges, counts or a problem, never a crash, a hang or a runaway allocation. Inputs
// without the magic get it in front, so the fuzzer spends its time on the tagged values.
#include "cad/acis/SabReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (vexor::cad::acis::isBinarySat(input)) {
        vexor::cad::acis::readSabEdges(input);
    } else {
        const std::string withMagic = "ACIS BinaryFile" + std::string(input);
        vexor::cad::acis::readSabEdges(withMagic);
    }
    return 0;
}
