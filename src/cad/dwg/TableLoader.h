#pragma once

#include "../model/Drawing.h"
#include "HeaderVariables.h"
#include "ObjectStore.h"
#include "TableRecords.h"
#include "TextDecoder.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace vexor::cad::dwg {

// Handle -> index maps of the tables, for resolving entity references.
struct TableIndex {
    std::unordered_map<std::uint64_t, std::uint32_t> layers;
    std::unordered_map<std::uint64_t, std::int32_t> linetypes;
    std::unordered_map<std::uint64_t, std::uint32_t> textStyles;
    std::unordered_map<std::uint64_t, std::uint32_t> blocks; // block header -> block
    std::unordered_map<std::uint64_t, std::uint32_t> dimStyles;
    // Layers with a named plot style: layer index and the style's placeholder handle.
    std::vector<std::pair<std::uint32_t, std::uint64_t>> layerPlotStyles;
    std::uint64_t modelSpace = 0;
    std::uint64_t paperSpace = 0;
    std::uint64_t linetypeByLayer = 0;
    std::uint64_t linetypeByBlock = 0;
    // R2004+: the entities each readable block header lists (model space included), in their
    // drawing order.
    std::unordered_map<std::uint64_t, std::vector<std::uint64_t>> ownedEntities;
};

// Looks up the block records and text styles that dimension variables name by handle.
class TableHandleLookup final : public DimHandleLookup {
public:
    TableHandleLookup(const TableIndex& index, const Drawing& drawing)
        : index_(index), drawing_(drawing) {}
    const std::string* blockName(std::uint64_t handle) const override;
    std::uint32_t textStyle(std::uint64_t handle) const override;

private:
    const TableIndex& index_;
    const Drawing& drawing_;
};

// Records of a table in table order, each read with `parse`; damaged ones are reported and
// skipped. Returns the handles read successfully paired with their results.
class TableLoader {
public:
    TableLoader(const ObjectStore& store, const TextDecoder& decode,
                std::vector<std::string>& diagnostics)
        : store_(store), decode_(decode), diagnostics_(diagnostics) {}

    // The layer records only, as the layer list before loading needs them.
    std::vector<std::pair<std::uint64_t, LayerRecord>> layers(std::uint64_t control);

    // Fills the drawing's layers, linetypes, text styles and (empty) blocks.
    TableIndex load(const TableHandles& handles, Drawing& drawing);

private:
    std::vector<std::uint64_t> controlEntries(std::uint64_t control, std::uint16_t type,
                                              TableControl* out = nullptr);
    void loadDimStyles(std::uint64_t control, TableIndex& index, Drawing& drawing);
    void report(const char* what, std::uint64_t handle, const std::string& reason);
    void readFamily(const ObjectFrame& f, TextStyle& style);

    const ObjectStore& store_;
    const TextDecoder& decode_;
    std::vector<std::string>& diagnostics_;
    std::size_t reported_ = 0;
};

} // namespace vexor::cad::dwg
