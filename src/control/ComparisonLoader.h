#pragma once

#include "DocumentLoader.h"
#include "DrawingControl.h"

#include <string>
#include <vector>

namespace vexor::cad {
struct Comparison;
}

namespace vexor::control {

// A comparison's document and its differences, or why there is none.
struct ComparisonOutcome {
    LoadOutcome load;
    std::vector<DrawingDifference> differences;
};

// Reads two drawing files on a worker thread as loadDocument reads one, compares them and
// makes the drawing that shows the comparison, under one budget for both files.
ComparisonOutcome loadComparison(const std::string& oldPath, const std::string& newPath,
                                 const LoadStarted& started = {});

// The differences of a comparison as the control lists them.
std::vector<DrawingDifference> listDifferences(const cad::Comparison& comparison);

} // namespace vexor::control
