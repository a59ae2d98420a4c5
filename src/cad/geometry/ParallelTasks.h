#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>

namespace vexor::cad {

// Threads a compile may use, the calling one included: the machine's cores, at most eight.
std::size_t parallelThreads();

// Runs task(0) .. task(count - 1) on up to parallelThreads() threads, the calling one included.
// Tasks are claimed in order; each must write only its own results, so that the outcome does not
// depend on which thread ran what. Helper threads answer to the caller's load budget: when the
// load is cancelled, or a task throws, no further task starts and the calling thread throws (the
// budget's LoadStopped, or the first task's exception) once every thread has stopped.
void runParallel(std::size_t count, const std::function<void(std::size_t)>& task);

// Inside a task, once per unit of work: loadCheckpoint() on the calling thread; on a helper
// thread it ends the task early when the load was cancelled or another task failed. Outside
// runParallel it is loadCheckpoint().
void parallelCheckpoint();

// Calls fill(begin, end) for consecutive ranges covering [0, count): in parallel when there
// are many, each range checked by parallelCheckpoint() first.
template <class Fill> void parallelRanges(std::size_t count, Fill&& fill) {
    constexpr std::size_t kRange = std::size_t{1} << 16;
    const std::size_t ranges = (count + kRange - 1) / kRange;
    if (ranges < 2) {
        fill(std::size_t{0}, count);
        return;
    }
    runParallel(ranges, [&](std::size_t r) {
        parallelCheckpoint();
        fill(r * kRange, std::min(count, (r + 1) * kRange));
    });
}

} // namespace vexor::cad
