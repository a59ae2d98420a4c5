#include "ParallelTasks.h"

#include "../io/LoadBudget.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace vexor::cad {
namespace {

constexpr std::size_t kMaxThreads = 8;

// Thrown on a helper thread to leave a task whose load is being stopped; never escapes.
struct Abandoned {};

struct Run {
    const std::function<void(std::size_t)>& task;
    std::size_t count;
    LoadBudget* budget;
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    std::mutex failureMutex{};
    std::size_t failedTask = SIZE_MAX;
    std::exception_ptr failure{};

    void fail(std::size_t index, std::exception_ptr error) {
        stop.store(true, std::memory_order_relaxed);
        std::lock_guard lock(failureMutex);
        // Of the tasks that failed, the earliest one's error is thrown.
        if (index < failedTask) {
            failedTask = index;
            failure = std::move(error);
        }
    }

    void work() {
        for (;;) {
            if (stop.load(std::memory_order_relaxed) || (budget && budget->cancelled()))
                return;
            const std::size_t index = next.fetch_add(1, std::memory_order_relaxed);
            if (index >= count)
                return;
            try {
                task(index);
            } catch (const Abandoned&) {
                return;
            } catch (...) {
                fail(index, std::current_exception());
            }
        }
    }
};

thread_local Run* tHelperRun = nullptr;

} // namespace

std::size_t parallelThreads() {
    const std::size_t cores = std::thread::hardware_concurrency();
    return std::clamp<std::size_t>(cores, 1, kMaxThreads);
}

void runParallel(std::size_t count, const std::function<void(std::size_t)>& task) {
    Run run{task, count, activeLoadBudget()};
    const std::size_t helpers = std::min(parallelThreads(), count) - (count > 0 ? 1 : 0);
    std::vector<std::thread> threads;
    threads.reserve(helpers);
    for (std::size_t i = 0; i < helpers; ++i) {
        try {
            threads.emplace_back([&run] {
                tHelperRun = &run;
                run.work();
            });
        } catch (const std::system_error&) {
            break; // no more threads to be had: the ones running do the work
        }
    }
    run.work();
    for (std::thread& thread : threads)
        thread.join();
    loadCheckpoint(); // a load cancelled while the helpers ran stops here
    if (run.failure)
        std::rethrow_exception(run.failure);
}

void parallelCheckpoint() {
    Run* run = tHelperRun;
    if (!run) {
        loadCheckpoint();
        return;
    }
    if (run->stop.load(std::memory_order_relaxed) || (run->budget && run->budget->cancelled()))
        throw Abandoned{};
}

} // namespace vexor::cad
