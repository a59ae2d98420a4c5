#pragma once

#include "cad/model/Drawing.h"

#include <string>

namespace vexor::control {

// The line the drawing area shows after a load whose drawing names external references that
// were not found (empty when every one was): the one reference with its stored path, or how
// many and their names.
std::string missingReferencesNotice(const cad::Drawing& drawing);

} // namespace vexor::control
