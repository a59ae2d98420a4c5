#pragma once

#include "../model/Drawing.h"

namespace vexor::cad {

// References nest at most this deep; a deeper one is not followed and said so.
inline constexpr int kMaxReferenceDepth = 16;

// Fills the external-reference blocks of `drawing` (read from `drawing.sourcePath`) with the
// drawings they name, found by `locateReferencedFile` under the process's ReferencePolicy.
// Each file is read once whatever the number of blocks and inserts naming it, under the
// thread's load budget, and merged into the drawing under its reference's name (see
// mergeReferencedDrawing); its model space is scaled by the ratio of the two drawings'
// $INSUNITS when both give them. Attached references inside references are followed, overlaid
// ones are not (they show only in the drawing that overlays them). A reference that cannot be
// found or read, a cycle and a nesting deeper than kMaxReferenceDepth are said in the
// diagnostics; every reference met is listed in `drawing.references`.
// Throws LoadStopped when the budget stops the load.
void loadExternalReferences(Drawing& drawing);

// Metres per drawing unit of an $INSUNITS value; 0 when unitless or unknown.
double metresPerUnit(int insUnits);

} // namespace vexor::cad
