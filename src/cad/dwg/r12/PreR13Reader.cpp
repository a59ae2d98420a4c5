#include "PreR13Reader.h"

#include "../../io/Codepage.h"
#include "../../model/ReadError.h"
#include "../BitReader.h"
#include "../BlockGraph.h"
#include "EntitySections.h"
#include "FileHeader.h"
#include "Tables.h"

namespace vexor::cad::dwg::r12 {
namespace {

FileHeader openHeader(std::span<const std::uint8_t> bytes, const std::string& fileName) {
    try {
        return parseFileHeader(bytes);
    } catch (const DwgFormatError& e) {
        throw ReadError(fileName, e.what(), e.byteOffset());
    }
}

std::string codepageOf(const FileHeader& header) {
    const std::string name = codepageName(header.codepage);
    return name.empty() ? "ANSI_1252" : name;
}

} // namespace

bool isPreR13(std::span<const std::uint8_t> bytes) {
    return releaseOf(bytes).has_value();
}

Drawing readPreR13Dwg(std::span<const std::uint8_t> bytes, const std::string& fileName) {
    const FileHeader header = openHeader(bytes, fileName);
    Drawing drawing;
    drawing.format = FileFormat::Dwg;
    drawing.header = header.values;
    drawing.header.version = header.versionName;
    drawing.header.codepage = codepageOf(header);
    const TextDecoder decode(drawing.header.codepage);
    Tables tables = readTables(bytes, header, decode, drawing);
    if (drawing.layers.empty())
        tables.layers.push_back(drawing.layerIndex("0"));
    readEntitySections(bytes, header, tables, decode, drawing);
    breakBlockCycles(drawing);
    finishLayouts(drawing);
    return drawing;
}

std::vector<LayerTableEntry> readPreR13LayerTable(std::span<const std::uint8_t> bytes,
                                                  const std::string& fileName) {
    const FileHeader header = openHeader(bytes, fileName);
    const TextDecoder decode(codepageOf(header));
    std::vector<std::string> diagnostics;
    std::vector<LayerTableEntry> entries;
    for (const Layer& layer : readLayers(bytes, header, decode, diagnostics))
        entries.push_back({layer.name, (layer.off || layer.frozen) ? 1 : 0});
    if (entries.empty())
        entries.push_back({"0", 0});
    return entries;
}

} // namespace vexor::cad::dwg::r12
