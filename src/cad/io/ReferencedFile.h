#pragma once

#include <string>

namespace vexor::cad {

// Where a file a drawing refers to (a raster image, a font) is on this machine: the path as
// stored (absolute, or relative to the drawing's folder), then the drawing's folder with the
// stored relative path, then the bare file name in the drawing's folder. Stored paths often
// come from another system: backslashes separate folders too. Empty when none exists.
std::string findReferencedFile(const std::string& stored, const std::string& drawingPath);

// The last component of a stored path, whichever separator it uses.
std::string referencedFileName(const std::string& stored);

} // namespace vexor::cad
