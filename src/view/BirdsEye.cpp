#include "BirdsEye.h"

namespace vexor::view {

void PlaceBirdsEye(Program&) {}

} // namespace vexor::view
