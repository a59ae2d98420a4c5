#pragma once

#include <cstdint>

namespace vexor::tools {

// The exit status of a thumbnailer that reached its time limit.
constexpr int kTimedOutStatus = 3;

// Confines this process: file managers run the thumbnailer on anything downloaded, so a file
// that makes the reader hang or allocate without end must only end the thumbnailer. After
// `seconds` of wall-clock time the process exits with status 3 (also when it is blocked);
// its address space is capped at `addressSpaceBytes`, so a huge allocation fails as
// std::bad_alloc instead of swapping the desktop to a halt. Core dumps are switched off.
void limitProcess(unsigned seconds, std::uint64_t addressSpaceBytes);

} // namespace vexor::tools
