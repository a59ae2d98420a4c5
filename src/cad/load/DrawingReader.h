#pragma once

#include "../model/Drawing.h"
#include "../model/LayerTable.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vexor::cad {

// What a file's first bytes say it is, whatever its name.
enum class ContentKind : std::uint8_t { Unknown, Dwg, DxfText, DxfBinary, Dgn7, Dgn8 };
ContentKind detectContent(std::span<const std::uint8_t> head);

// Reads any drawing file we understand, recognised by its content.
// Throws ReadError naming the file and the reason. The read answers to the thread's active
// LoadBudget (see LoadBudget.h), or to one for the file's size; when the budget stops it,
// LoadStopped names the file and why, and the partial drawing is gone. The drawings its
// external references name are read with it (see loadExternalReferences).
Drawing readDrawingFile(const std::string& path);
// The same for bytes already in memory; `path` names them in errors.
Drawing readDrawingBytes(std::span<const std::uint8_t> bytes, const std::string& path);

// The layer table of a file, in table order, read without building the whole drawing where
// the format allows; a DWG's is followed by the layers of the drawings it references
// (REFNAME|LAYER) that it does not store itself. Throws ReadError.
std::vector<LayerTableEntry> readLayerTable(const std::string& path);

} // namespace vexor::cad
