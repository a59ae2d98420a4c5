#pragma once

#include "RenderCommand.h"

namespace vexor::tools {

// Converts every input of the command into the folder it names, one output per input named
// after it, several at a time (each in a process of its own, so a drawing that fails or
// crashes takes nothing else with it). Writes one progress line per file and a summary to
// stderr; returns 0 when every file converted, else 1.
int runBatch(const RenderCommand& command);

} // namespace vexor::tools
