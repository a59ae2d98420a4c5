#pragma once

#include "DrawingDocument.h"

#include <memory>
#include <string>

namespace vexor::control {

// The outcome of reading a file: a document, or the message saying why there is none.
struct LoadOutcome {
    std::shared_ptr<const DrawingDocument> document;
    std::string error; // names the file and the reason; empty on success
};

// Reads and compiles a drawing file on a worker thread while the calling (user-interface)
// thread keeps handling paint and timer events, and returns once the work is complete. User
// input is held back meanwhile, so that no second load can start. Never throws for a bad file.
LoadOutcome loadDocument(const std::string& path);

} // namespace vexor::control
