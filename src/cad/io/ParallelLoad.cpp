#include "ParallelLoad.h"

#include "LoadBudget.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace vexor::cad {
namespace {

constexpr std::size_t kMaxThreads = 8;

} // namespace

std::size_t loadThreadCount() {
    const unsigned cores = std::thread::hardware_concurrency();
    return std::clamp<std::size_t>(cores, 1, kMaxThreads);
}

void forEachChunkInParallel(std::size_t count, std::size_t grain,
                            const std::function<void(std::size_t, std::size_t)>& work) {
    grain = std::max<std::size_t>(grain, 1);
    const std::size_t chunks = (count + grain - 1) / grain;
    const std::size_t threads = std::min(loadThreadCount(), chunks);
    if (threads <= 1) {
        if (count > 0)
            work(0, count);
        return;
    }
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr firstError;
    std::mutex errorMutex;
    LoadBudget* const budget = activeLoadBudget();
    const auto run = [&] {
        try {
            while (!failed.load(std::memory_order_relaxed)) {
                const std::size_t chunk = next.fetch_add(1, std::memory_order_relaxed);
                if (chunk >= chunks)
                    return;
                const std::size_t begin = chunk * grain;
                work(begin, std::min(count, begin + grain));
            }
        } catch (...) {
            const std::lock_guard lock(errorMutex);
            if (!firstError)
                firstError = std::current_exception();
            failed.store(true, std::memory_order_relaxed);
        }
    };
    std::vector<std::thread> helpers;
    helpers.reserve(threads - 1);
    try {
        for (std::size_t i = 1; i < threads; ++i)
            helpers.emplace_back([&] {
                if (!budget)
                    return run();
                const LoadScope scope(*budget);
                run();
            });
    } catch (...) {
        // No thread to spare: the ones started and this one do the work.
    }
    run();
    for (std::thread& t : helpers)
        t.join();
    if (firstError)
        std::rethrow_exception(firstError);
}

} // namespace vexor::cad
