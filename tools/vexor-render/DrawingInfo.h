#pragma once

#include "cad/geometry/DisplayList.h"
#include "cad/model/Drawing.h"

#include <QJsonObject>

namespace vexor::tools {

// The summary printed by --info: format, version, stored header values, layers, model-space
// entity counts by kind, extents of what is drawn and the diagnostics of reading and compiling.
QJsonObject drawingInfo(const cad::Drawing& drawing, const cad::DisplayList& list);

} // namespace vexor::tools
