#pragma once

#include "DrawingControl.h"
#include "DrawingDocument.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vexor::cad {
class LoadBudget;
}

namespace vexor::control {

// The outcome of reading a file: a document, or the message saying why there is none.
struct LoadOutcome {
    std::shared_ptr<const DrawingDocument> document;
    std::string error;      // names the file and the reason; empty on success
    bool cancelled = false; // stopped by the user (Escape, closing the window, another load)
    LoadFailure failure = LoadFailure::None; // what kind of failure, when there is no document
};

// Told on the calling thread, as the load starts, of the budget the load answers to; its
// progress may be shown while the load runs.
using LoadStarted = std::function<void(std::shared_ptr<const cad::LoadBudget>)>;

// Reads and compiles a drawing file on a worker thread while the calling (user-interface)
// thread keeps handling paint and timer events, and returns once the work is complete. The
// load answers to a memory budget for the file's size. Meanwhile user input is held back, so
// that no second load starts from a menu, except that Escape cancels the load and closing a
// window cancels it and then closes the window; a load started while another runs cancels the
// one running. Never throws for a bad file.
LoadOutcome loadDocument(const std::string& path, const LoadStarted& started = {});

// The work of one load, done on the worker under the load's budget.
using LoadWork = std::function<LoadOutcome(cad::LoadBudget&)>;
// As loadDocument, doing `work` in place of reading `path` (tests stand in slow loads with it).
// `fileBytes`, when given, sizes the budget in place of the file's size (a load reading several
// files).
LoadOutcome runLoad(const std::string& path, LoadWork work, const LoadStarted& started = {},
                    std::uint64_t fileBytes = 0);

// Cancels the load in progress, if any; it returns promptly with `cancelled` set.
void cancelLoading();

// Whether a cancelled load's worker, no longer waited for, is still unwinding.
bool cancelledLoadsUnwinding();

// For the end of the program: while a cancelled load's worker is still unwinding, ends the
// process at once with `status` rather than wait for it (or for its partial drawing to be freed);
// otherwise returns and the program ends as usual.
void endProgramWithoutWaitingForLoads(int status);

} // namespace vexor::control
