#pragma once

#include "RenderCommand.h"
#include "cad/compare/DrawingComparison.h"

#include <QJsonObject>

namespace vexor::tools {

// What --compare --info prints: counts of same, removed, added and changed entities in all,
// by kind and by layer, how they were matched, and each difference (its kind, layer, handle
// in each file and box).
QJsonObject comparisonInfo(const cad::Comparison& comparison);

// Compares the command's two drawings: prints the differences (--info) or draws the
// comparison. Exit status 0 when the drawings are the same, 1 when they differ, 2 on an error.
int runCompareCommand(const RenderCommand& command);

} // namespace vexor::tools
