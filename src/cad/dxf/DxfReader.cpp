#include "DxfReader.h"

#include "../model/ReadError.h"

namespace vexor::cad::dxf {

Drawing readDxf(std::span<const std::uint8_t>, const std::string& fileName) {
    throw ReadError(fileName, "DXF files are not supported yet");
}

} // namespace vexor::cad::dxf
