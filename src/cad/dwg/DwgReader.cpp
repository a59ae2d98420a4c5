#include "DwgReader.h"

#include "../model/ReadError.h"

namespace vexor::cad::dwg {

Drawing readDwg(std::span<const std::uint8_t> bytes, const std::string& fileName) {
    const std::string version(reinterpret_cast<const char*>(bytes.data()),
                              std::min<std::size_t>(bytes.size(), 6));
    throw ReadError(fileName, "DWG version " + version + " is not supported yet");
}

std::vector<LayerTableEntry> readDwgLayerTable(std::span<const std::uint8_t> bytes,
                                               const std::string& fileName) {
    return {readDwg(bytes, fileName).layers.size(), LayerTableEntry{}};
}

} // namespace vexor::cad::dwg
