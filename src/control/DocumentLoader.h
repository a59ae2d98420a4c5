#pragma once

#include "DrawingDocument.h"

#include <memory>
#include <string>

namespace vexor::control {

// The outcome of reading a file: a document, or the message saying why there is none.
struct LoadOutcome {
    std::shared_ptr<const DrawingDocument> document;
    std::string error;      // names the file and the reason; empty on success
    bool cancelled = false; // stopped by the user (Escape, closing the window, another load)
};

// Reads and compiles a drawing file on a worker thread while the calling (user-interface)
// thread keeps handling paint and timer events, and returns once the work is complete. The
// load answers to a memory budget for the file's size. Meanwhile user input is held back, so
// that no second load starts from a menu, except that Escape cancels the load and closing a
// window cancels it and then closes the window; a load started while another runs cancels the
// one running. Never throws for a bad file.
LoadOutcome loadDocument(const std::string& path);

// Cancels the load in progress, if any; it returns promptly with `cancelled` set.
void cancelLoading();

} // namespace vexor::control
