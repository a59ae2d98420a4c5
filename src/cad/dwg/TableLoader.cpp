#include "TableLoader.h"

#include "ExtendedDataReader.h"
#include "ObjectTypes.h"

#include <algorithm>
#include <cctype>
#include <unordered_set>

namespace vexor::cad::dwg {
namespace {

constexpr std::size_t kMaxReports = 16;

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

bool startsWithIgnoreCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && equalsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

} // namespace

// A TrueType style may name its family only in its extended data; damage there leaves the
// style as it is.
void TableLoader::readFamily(const ObjectFrame& f, TextStyle& style) {
    const auto applicationName = [this](std::uint64_t handle) {
        return readApplicationName(store_, decode_, handle);
    };
    try {
        readStyleFamily(readExtendedData(f, decode_, applicationName), style);
    } catch (const DwgFormatError& e) {
        report("text style's extended data", f.handle, e.what());
    }
}

void TableLoader::report(const char* what, std::uint64_t handle, const std::string& reason) {
    // A hostile table could hold a damaged record per byte; the first few say enough.
    if (reported_++ >= kMaxReports)
        return;
    diagnostics_.push_back(std::string("skipped ") + what + " (handle " + std::to_string(handle) +
                           "): " + reason);
}

std::vector<std::uint64_t> TableLoader::controlEntries(std::uint64_t control, std::uint16_t type,
                                                       TableControl* out) {
    try {
        auto f = store_.open(control);
        if (!f || f->type != type) {
            report("table", control, "no table control object there");
            return {};
        }
        TableControl c = parseTableControl(*f);
        if (out)
            *out = c;
        return std::move(c.entries);
    } catch (const DwgFormatError& e) {
        report("table", control, e.what());
        return {};
    }
}

std::vector<std::pair<std::uint64_t, LayerRecord>> TableLoader::layers(std::uint64_t control) {
    std::vector<std::pair<std::uint64_t, LayerRecord>> out;
    for (std::uint64_t h : controlEntries(control, kTypeLayerControl)) {
        try {
            auto f = store_.open(h);
            if (!f || f->type != kTypeLayer)
                continue;
            out.emplace_back(h, parseLayer(*f, decode_));
        } catch (const DwgFormatError& e) {
            report("layer", h, e.what());
        }
    }
    return out;
}

TableIndex TableLoader::load(const TableHandles& handles, Drawing& drawing) {
    TableIndex index;
    TableControl linetypeControl;
    index.linetypeByLayer = handles.linetypeByLayer;
    index.linetypeByBlock = handles.linetypeByBlock;
    for (std::uint64_t h :
         controlEntries(handles.linetypeControl, kTypeLinetypeControl, &linetypeControl)) {
        try {
            auto f = store_.open(h);
            if (!f || f->type != kTypeLinetype)
                continue;
            Linetype lt = parseLinetype(*f, decode_);
            if (equalsIgnoreCase(lt.name, "BYLAYER")) {
                index.linetypeByLayer = h;
            } else if (equalsIgnoreCase(lt.name, "BYBLOCK")) {
                index.linetypeByBlock = h;
            } else {
                index.linetypes[h] = static_cast<std::int32_t>(drawing.linetypes.size());
                drawing.linetypes.push_back(std::move(lt));
            }
        } catch (const DwgFormatError& e) {
            report("linetype", h, e.what());
        }
    }

    for (auto& [h, rec] : layers(handles.layerControl)) {
        const std::uint32_t i = drawing.layerIndex(rec.layer.name);
        const auto lt = index.linetypes.find(rec.linetypeHandle);
        rec.layer.linetype = lt != index.linetypes.end() ? lt->second : kLinetypeContinuous;
        drawing.layers[i] = std::move(rec.layer);
        drawing.layers[i].handle = h;
        index.layers[h] = i;
        if (rec.plotStyleHandle)
            index.layerPlotStyles.emplace_back(i, rec.plotStyleHandle);
    }

    for (std::uint64_t h : controlEntries(handles.styleControl, kTypeStyleControl)) {
        try {
            auto f = store_.open(h);
            if (!f || f->type != kTypeStyle)
                continue;
            index.textStyles[h] = static_cast<std::uint32_t>(drawing.textStyles.size());
            TextStyle style = parseTextStyle(*f, decode_);
            if (style.fontFile.empty() && !style.shapeFile)
                readFamily(*f, style);
            drawing.textStyles.push_back(std::move(style));
        } catch (const DwgFormatError& e) {
            report("text style", h, e.what());
        }
    }

    TableControl blockControl;
    std::vector<std::uint64_t> blockHandles =
        controlEntries(handles.blockControl, kTypeBlockControl, &blockControl);
    index.modelSpace = handles.modelSpace ? handles.modelSpace : blockControl.special1;
    index.paperSpace = handles.paperSpace ? handles.paperSpace : blockControl.special2;
    for (std::uint64_t special : {blockControl.special1, blockControl.special2, index.modelSpace})
        if (special &&
            std::find(blockHandles.begin(), blockHandles.end(), special) == blockHandles.end())
            blockHandles.push_back(special);
    std::unordered_set<std::string> takenBlockNames;
    std::unordered_map<std::string, int> anonymousNumber;
    for (const Block& block : drawing.blocks)
        takenBlockNames.insert(block.name);
    for (std::uint64_t h : blockHandles) {
        if (index.blocks.count(h))
            continue; // listed twice
        try {
            auto f = store_.open(h);
            if (!f || f->type != kTypeBlockHeader)
                continue;
            BlockHeaderRecord rec = parseBlockHeader(*f, decode_);
            if (store_.version() >= DwgVersion::R2004)
                index.ownedEntities[h] = std::move(rec.ownedEntities);
            if (equalsIgnoreCase(rec.name, "*Model_Space")) {
                index.modelSpace = h;
                continue;
            }
            // Paper-space blocks hold the layouts' sheets: kept like any block, under their own
            // names, so that their layouts find them.
            if (h == index.paperSpace && !startsWithIgnoreCase(rec.name, "*Paper_Space"))
                rec.name = "*Paper_Space";
            if (!takenBlockNames.insert(rec.name).second) {
                // From R2004 anonymous blocks are stored as "*U", "*D", "*T" ... without the
                // number that tells them apart; number the repeats as a DXF would.
                const std::string stem = rec.name;
                do
                    rec.name = stem + std::to_string(++anonymousNumber[stem]);
                while (!takenBlockNames.insert(rec.name).second);
            }
            const std::uint32_t b = drawing.blockIndex(rec.name);
            Block& block = drawing.blocks[b];
            block.base = rec.base;
            block.anonymous = rec.anonymous;
            block.externalReference = rec.externalReference || rec.overlay;
            block.overlay = rec.overlay;
            block.referencePath = std::move(rec.referencePath);
            block.handle = h;
            index.blocks[h] = b;
        } catch (const DwgFormatError& e) {
            report("block", h, e.what());
        }
    }
    // After the blocks: dimension styles name their arrowhead blocks by handle.
    loadDimStyles(handles.dimstyleControl, index, drawing);
    return index;
}

void TableLoader::loadDimStyles(std::uint64_t control, TableIndex& index, Drawing& drawing) {
    if (control == 0)
        return;
    const TableHandleLookup lookup(index, drawing);
    for (std::uint64_t h : controlEntries(control, kTypeDimStyleControl)) {
        try {
            auto f = store_.open(h);
            if (!f || f->type != kTypeDimStyle)
                continue;
            const DimStyleRecord record = parseDimStyle(*f, decode_);
            if (index.dimStyles.count(h) || drawing.findDimStyle(record.name) != kNoIndex)
                continue;
            DimStyle style;
            style.name = record.name;
            for (const auto& [code, value] : record.variables)
                applyDimVariable(style, code, value, lookup);
            index.dimStyles[h] = static_cast<std::uint32_t>(drawing.dimStyles.size());
            drawing.dimStyles.push_back(std::move(style));
        } catch (const DwgFormatError& e) {
            report("dimension style", h, e.what());
        }
    }
}

const std::string* TableHandleLookup::blockName(std::uint64_t handle) const {
    const auto it = index_.blocks.find(handle);
    return it != index_.blocks.end() && it->second < drawing_.blocks.size()
               ? &drawing_.blocks[it->second].name
               : nullptr;
}

std::uint32_t TableHandleLookup::textStyle(std::uint64_t handle) const {
    const auto it = index_.textStyles.find(handle);
    return it != index_.textStyles.end() ? it->second : kNoIndex;
}

} // namespace vexor::cad::dwg
