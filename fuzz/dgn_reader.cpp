// libFuzzer target for the version 7 design file reader: any bytes either read or give a
// ReadError. Seed it with the corpus: fuzz_dgn_reader CORPUS_DIR ../shared/corpus/dgn/v7
#include "cad/dgn/DgnReader.h"
#include "cad/model/ReadError.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        vexor::cad::dgn::readDgn(std::span<const std::uint8_t>(data, size), "fuzz.dgn");
    } catch (const vexor::cad::ReadError&) {
    }
    return 0;
}
