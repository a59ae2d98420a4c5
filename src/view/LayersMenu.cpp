#include "LayersMenu.h"

namespace vexor::view {

// The Layers menu is built by these steps once it exists; until then loads have no layer list.
void ReadLayerTable(Program&) {}
void ReadLayerColors(Program&) {}
void ApplyLayerStates(Program&) {}

} // namespace vexor::view
