#include "DrawingBuilder.h"

#include "../io/Codepage.h"
#include "BlockGraph.h"
#include "EntityAssembler.h"
#include "HeaderVariables.h"
#include "ImageDefinitions.h"
#include "LayoutObjects.h"
#include "MLineStyleObjects.h"
#include "MultiLeaderObjects.h"
#include "ObjectTypes.h"
#include "PlotStyleNames.h"
#include "SpatialFilters.h"
#include "TableLoader.h"

#include <algorithm>
#include <map>
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

struct TableControlSlot {
    std::uint64_t TableHandles::*handle;
    std::uint16_t type;
    const char* name;
};

constexpr TableControlSlot kTableControls[] = {
    {&TableHandles::blockControl, kTypeBlockControl, "block"},
    {&TableHandles::layerControl, kTypeLayerControl, "layer"},
    {&TableHandles::styleControl, kTypeStyleControl, "text style"},
    {&TableHandles::linetypeControl, kTypeLinetypeControl, "linetype"},
};

std::optional<std::uint16_t> typeOf(const ObjectStore& store, std::uint64_t handle) {
    const ObjectMap::Entry* e = store.map().find(handle);
    if (!e)
        return std::nullopt;
    try {
        return store.typeAt(e->offset);
    } catch (const DwgFormatError&) {
        return std::nullopt;
    }
}

// A table control the header variables name may not be one: the variables were unreadable or
// damaged, or the writer got them wrong. Such a table is looked up by its type number instead,
// the first control of that type in the object map.
void checkTableHandles(const ObjectStore& store, TableHandles& handles,
                       std::vector<std::string>& diagnostics) {
    const auto misplaced = [&](const TableControlSlot& slot) {
        return typeOf(store, handles.*slot.handle) != slot.type;
    };
    if (std::none_of(std::begin(kTableControls), std::end(kTableControls), misplaced))
        return;
    std::map<std::uint16_t, std::uint64_t> firstOfType;
    for (const ObjectMap::Entry& e : store.map().entries()) {
        try {
            const std::uint16_t type = store.typeAt(e.offset);
            if (type >= kTypeBlockControl && type <= kTypeLinetypeControl)
                firstOfType.emplace(type, e.handle);
        } catch (const DwgFormatError&) {
        }
    }
    for (const TableControlSlot& slot : kTableControls) {
        if (!misplaced(slot))
            continue;
        std::uint64_t& handle = handles.*slot.handle;
        const auto found = firstOfType.find(slot.type);
        std::string message = std::string("the ") + slot.name + " table is not at handle " +
                              std::to_string(handle) + " as the header variables say";
        if (found != firstOfType.end()) {
            handle = found->second;
            message += "; found by its type at handle " + std::to_string(handle);
        } else {
            message += " and no object has its type";
        }
        diagnostics.push_back(message);
    }
}

OpenedFile openFile(const DwgSections& s) {
    OpenedFile out;
    out.diagnostics = s.containerDiagnostics;
    try {
        out.variables = parseHeaderVariables(s.headerVariables, s.version, s.maintenanceRelease,
                                             s.headerVariablesOffset);
    } catch (const DwgFormatError& e) {
        out.diagnostics.push_back("header variables unreadable at byte " +
                                  std::to_string(e.byteOffset()) + " (" + e.what() +
                                  "): tables are found by their types, extents come from the "
                                  "geometry");
        out.variables = {};
    }
    out.codepage = codepageName(s.codepage);
    if (out.codepage.empty())
        out.codepage = "ANSI_1252";
    std::vector<DwgClass> classes;
    if (!s.classes.empty()) {
        try {
            classes = parseClasses(s.classes, s.version, s.maintenanceRelease, s.classesOffset);
        } catch (const DwgFormatError& e) {
            out.diagnostics.push_back(std::string("classes unreadable, objects numbered by "
                                                  "class are skipped: ") +
                                      e.what());
        }
    }
    ObjectMap map = parseObjectMap(s.objectMap, s.objectMapOffset);
    out.diagnostics.insert(out.diagnostics.end(), map.problems.begin(), map.problems.end());
    out.store = std::make_unique<ObjectStore>(s, std::move(map), std::move(classes));
    checkTableHandles(*out.store, out.variables.handles, out.diagnostics);
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
    EntityAssembler entities(*file.store, tables, decode, drawing);
    entities.run();
    readPlotStyleNames(*file.store, file.variables.handles.plotStyleNames, decode, tables,
                       entities.entityPlotStyles(), drawing);
    readLayouts(*file.store, tables, decode, drawing);
    readImageDefinitions(*file.store, decode, drawing);
    readMLineStyles(*file.store, decode, tables, drawing);
    readInsertClips(*file.store, drawing);
    readMultiLeaderStyles(*file.store, decode, MultiLeaderReferences(tables, drawing), drawing);
    finishLayouts(drawing);
    breakBlockCycles(drawing);
    return drawing;
}

std::vector<LayerTableEntry> buildLayerTable(const DwgSections& sections,
                                             std::vector<Block>* references) {
    OpenedFile file = openFile(sections);
    const TextDecoder decode(file.codepage);
    TableLoader loader(*file.store, decode, file.diagnostics);
    std::vector<LayerTableEntry> entries;
    for (const auto& [handle, rec] : loader.layers(file.variables.handles.layerControl))
        entries.push_back({rec.layer.name, (rec.layer.off || rec.layer.frozen) ? 1 : 0});
    if (references) {
        Drawing tables;
        loader.load(file.variables.handles, tables);
        for (Block& block : tables.blocks)
            if (block.externalReference)
                references->push_back(std::move(block));
    }
    return entries;
}

} // namespace vexor::cad::dwg
