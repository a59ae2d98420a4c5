// libFuzzer target: the pre-R13 DWG reader (R1.4 to R12) must turn any bytes into a drawing or
// a ReadError. Inputs are given the version string of one of its releases, chosen by the first
// byte, so that the fuzzer spends its time inside the reader rather than at the version check.
#include "cad/dwg/r12/PreR13Reader.h"
#include "cad/model/ReadError.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static constexpr const char* kVersions[] = {"AC1009", "AC1006", "AC1004",
                                                "AC1003", "AC2.10", "AC1.40"};
    if (size < 7)
        return 0;
    std::vector<std::uint8_t> bytes(data + 1, data + size);
    if (std::memcmp(bytes.data(), "AC", 2) != 0)
        std::memcpy(bytes.data(), kVersions[data[0] % std::size(kVersions)], 6);
    const std::span<const std::uint8_t> input(bytes);
    try {
        vexor::cad::dwg::r12::readPreR13Dwg(input, "fuzz.dwg");
    } catch (const vexor::cad::ReadError&) {
    }
    try {
        vexor::cad::dwg::r12::readPreR13LayerTable(input, "fuzz.dwg");
    } catch (const vexor::cad::ReadError&) {
    }
    return 0;
}
