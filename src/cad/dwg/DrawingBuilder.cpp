#include "DrawingBuilder.h"

#include "../io/Codepage.h"
#include "BlockGraph.h"
#include "EntityAssembler.h"
#include "HeaderVariables.h"
#include "TableLoader.h"

#include <memory>

namespace vexor::cad::dwg {
namespace {

// What every reading needs: the header variables and the object store.
struct OpenedFile {
    HeaderVariables variables;
    std::unique_ptr<ObjectStore> store;
    std::string codepage;
    std::vector<std::string> diagnostics;
};

OpenedFile openFile(const DwgSections& s) {
    OpenedFile out;
    out.diagnostics = s.containerDiagnostics;
    out.variables = parseHeaderVariables(s.headerVariables, s.version, s.headerVariablesOffset);
    out.codepage = codepageName(s.codepage);
    if (out.codepage.empty())
        out.codepage = "ANSI_1252";
    std::vector<DwgClass> classes;
    if (!s.classes.empty()) {
        try {
            classes = parseClasses(s.classes, s.version, s.classesOffset);
        } catch (const DwgFormatError& e) {
            out.diagnostics.push_back(std::string("classes unreadable, objects numbered by "
                                                  "class are skipped: ") +
                                      e.what());
        }
    }
    ObjectMap map = parseObjectMap(s.objectMap, s.objectMapOffset);
    out.diagnostics.insert(out.diagnostics.end(), map.problems.begin(), map.problems.end());
    out.store = std::make_unique<ObjectStore>(s, std::move(map), std::move(classes));
    return out;
}

} // namespace

Drawing buildDrawing(const DwgSections& sections) {
    OpenedFile file = openFile(sections);
    Drawing drawing;
    drawing.format = FileFormat::Dwg;
    drawing.header = file.variables.header;
    drawing.header.version = sections.versionName;
    drawing.header.codepage = file.codepage;
    drawing.diagnostics = std::move(file.diagnostics);
    const TextDecoder decode(file.codepage);
    TableLoader loader(*file.store, decode, drawing.diagnostics);
    const TableIndex tables = loader.load(file.variables.handles, drawing);
    EntityAssembler(*file.store, tables, decode, drawing).run();
    breakBlockCycles(drawing);
    return drawing;
}

std::vector<LayerTableEntry> buildLayerTable(const DwgSections& sections) {
    OpenedFile file = openFile(sections);
    const TextDecoder decode(file.codepage);
    TableLoader loader(*file.store, decode, file.diagnostics);
    std::vector<LayerTableEntry> entries;
    for (const auto& [handle, rec] : loader.layers(file.variables.handles.layerControl))
        entries.push_back({rec.layer.name, (rec.layer.off || rec.layer.frozen) ? 1 : 0});
    return entries;
}

} // namespace vexor::cad::dwg
