#include "ReferencedLayerTables.h"

#include "../dwg/DwgReader.h"
#include "../io/MappedFile.h"
#include "../io/ReferencedFile.h"
#include "../model/ReadError.h"
#include "ExternalReferences.h"

#include <filesystem>
#include <unordered_set>

namespace vexor::cad {
namespace {

namespace fs = std::filesystem;

struct Tables {
    std::vector<LayerTableEntry> layers;
    std::vector<Block> references;
};

// A referenced file's layer table and references: from the tables alone for a DWG, from the
// whole drawing for other formats, which keep their tables with it.
Tables readTables(const std::string& file) {
    MappedFile mapped(file);
    Tables tables;
    if (!mapped.bytes().empty() && detectContent(mapped.bytes()) == ContentKind::Dwg) {
        tables.layers = dwg::readDwgLayerTable(mapped.bytes(), file, &tables.references);
        return tables;
    }
    Drawing drawing = readDrawingBytes(mapped.bytes(), file);
    for (const Layer& layer : drawing.layers)
        tables.layers.push_back({layer.name, (layer.off || layer.frozen) ? 1 : 0});
    for (Block& block : drawing.blocks)
        if (block.externalReference)
            tables.references.push_back(std::move(block));
    return tables;
}

class Appender {
public:
    Appender(std::vector<LayerTableEntry>& table, const std::string& drawing)
        : table_(table), search_(searchUnderPolicy(drawing, drawing)) {
        for (const LayerTableEntry& entry : table)
            names_.insert(entry.name);
        std::error_code ec;
        done_.insert(fs::weakly_canonical(drawing, ec).string());
    }

    void add(const std::vector<Block>& references, const std::string& holder, int depth) {
        if (depth > kMaxReferenceDepth)
            return;
        for (const Block& ref : references) {
            if (depth > 1 && ref.overlay)
                continue;
            search_.drawingPath = holder;
            const std::string stored =
                ref.referencePath.empty() ? ref.name + ".dwg" : ref.referencePath;
            const FoundFile found = locateReferencedFile(stored, search_);
            std::error_code ec;
            if (found.file.empty() ||
                !done_.insert(fs::weakly_canonical(found.file, ec).string()).second)
                continue;
            Tables tables;
            try {
                tables = readTables(found.file);
            } catch (const ReadError&) {
                continue;
            }
            for (const LayerTableEntry& layer : tables.layers) {
                const std::string name = ref.name + "|" + layer.name;
                if (layer.name != "0" && names_.insert(name).second)
                    table_.push_back({name, layer.state});
            }
            add(tables.references, found.file, depth + 1);
        }
    }

private:
    std::vector<LayerTableEntry>& table_;
    ReferenceSearch search_;
    std::unordered_set<std::string> names_;
    std::unordered_set<std::string> done_; // files read (or the drawing itself): cycles end
};

} // namespace

void appendReferencedLayers(std::vector<LayerTableEntry>& table,
                            const std::vector<Block>& references, const std::string& drawing) {
    Appender(table, drawing).add(references, drawing, 1);
}

} // namespace vexor::cad
