#pragma once

#include "../../model/Drawing.h"
#include "../TextDecoder.h"
#include "FileHeader.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vexor::cad::dwg::r12 {

// One record of the block table: the name, and where its BLOCK entity starts in the block
// entity section.
struct BlockRecord {
    std::string name;
    std::uint32_t address = 0;
    bool anonymous = false;
    bool externalReference = false;
};

// The tables read from a file, with what entities refer to them by index.
struct Tables {
    std::vector<BlockRecord> blocks;
    std::vector<std::uint32_t> layers;     // Drawing::layers index of each layer table record
    std::size_t linetypeCount = 0;         // Drawing::linetypes from the table, in table order
    std::size_t styleCount = 0;            // Drawing::textStyles, in table order
    std::size_t dimStyleCount = 0;         // Drawing::dimStyles, in table order (R11)
    std::vector<std::string> applications; // APPID names, which extended data refers to (R11)
};

// Layers as the table holds them, in table order; a damaged or missing table gives what could
// be read and a diagnostic.
std::vector<Layer> readLayers(std::span<const std::uint8_t> file, const FileHeader& header,
                              const TextDecoder& decode, std::vector<std::string>& diagnostics);

// Fills the layers, linetypes, text styles and dimension styles of `drawing` and returns the
// block table with the application names. Saved views, coordinate systems and viewport setups
// are checked and counted in the diagnostics: the drawing has no place for them.
Tables readTables(std::span<const std::uint8_t> file, const FileHeader& header,
                  const TextDecoder& decode, Drawing& drawing);

} // namespace vexor::cad::dwg::r12
