#pragma once

#include "Program.h"

#include <stdexcept>
#include <string>

namespace vexor::view {

// A load that stopped part-way; what() says why.
class LoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Whether the path is read as a DWG file: its last three characters, upper-cased, are "DWG".
// Every other path is imported.
bool isDwgPath(const std::string& path);

// A frame-corner value as the control writes it; throws LoadError when it is not a number.
double itemNumber(const std::string& text);

// Reads the frame corners of what the control shows into DrawingExtents.
void ReadDrawingExtents(Program& program);

// The message for a read that gave no drawing: the file and what is wrong in plain words, then
// the technical reason on a second line.
std::string LoadFailureMessage(const std::string& path, const control::LoadReport& report);

// Puts the drawing named by CurrentDrawingPath on the screen, with its title, layers, saved
// view, drawing colour and bird's-eye window; with an empty path, hides the control. A read that
// gives no drawing leaves none open (CurrentDrawingPath emptied, Print and Layers disabled, the
// title the program's alone) and says why, unless the user cancelled it. True when a drawing is
// shown. Control failures pass to the caller; painting is released whatever happens.
// Leaves a comparison shown, if any.
bool LoadDrawing(Program& program);

// Puts the comparison of CurrentDrawingPath (the old drawing) with comparison.ComparedPath on
// the screen through the same sequence, titled with both names.
void LoadComparedDrawings(Program& program);

} // namespace vexor::view
