#pragma once

#include <cstddef>
#include <functional>

namespace vexor::cad {

// How many threads a load spreads its work over: the machine's cores, at most a few.
std::size_t loadThreadCount();

// Calls `work(begin, end)` for consecutive chunks of at most `grain` indexes covering
// [0, count), on up to loadThreadCount() threads, the calling one included. Each thread
// answers to the calling thread's load budget (its checkpoints stop every thread of a cancelled
// or too large load). Chunks are handed out in order as threads become free, so a thread the
// machine holds back does not hold up the rest. Work of at most one chunk runs on the calling
// thread alone. The first exception a chunk throws stops the handing out; it is rethrown here
// once every thread has finished. `work` must only write what its own indexes own.
void forEachChunkInParallel(std::size_t count, std::size_t grain,
                            const std::function<void(std::size_t, std::size_t)>& work);

} // namespace vexor::cad
