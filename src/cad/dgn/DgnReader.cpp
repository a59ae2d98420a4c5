#include "DgnReader.h"

#include "../model/ReadError.h"

namespace vexor::cad::dgn {

Drawing readDgn(std::span<const std::uint8_t>, const std::string& fileName) {
    throw ReadError(fileName, "DGN files are not supported yet");
}

} // namespace vexor::cad::dgn
