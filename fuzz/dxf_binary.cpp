// libFuzzer target for binary DXF: every input is read after the binary sentinel, so that the
// fuzzer spends its time on the one- and two-byte group codes and their typed values rather
// than on finding the sentinel. Seeded from the .dxf corpus (text files then read as groups).
#include "cad/dxf/DxfReader.h"
#include "cad/model/ReadError.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static constexpr char kSentinel[] = "AutoCAD Binary DXF\r\n\x1a";
    std::vector<std::uint8_t> bytes(sizeof kSentinel + size); // the sentinel ends in a 0 byte
    std::memcpy(bytes.data(), kSentinel, sizeof kSentinel);
    if (size > 0)
        std::memcpy(bytes.data() + sizeof kSentinel, data, size);
    try {
        vexor::cad::dxf::readDxf(bytes, "fuzz.dxf");
    } catch (const vexor::cad::ReadError&) {
    }
    return 0;
}
