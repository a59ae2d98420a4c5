// Live and peak heap bytes of a benchmark program, counted by replacing the global allocation
// functions. Include it in exactly one file of a program.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace vexor::bench {

inline std::atomic<std::size_t> liveHeapBytes{0};
inline std::atomic<std::size_t> peakHeapBytes{0};

// The peak heap growth of `run` over what was live before it.
template <class Run> std::size_t peakHeapGrowth(Run&& run) {
    const std::size_t before = liveHeapBytes.load();
    peakHeapBytes = before;
    run();
    return peakHeapBytes.load() - before;
}

namespace detail {

constexpr std::size_t kPrefix = alignof(std::max_align_t);

inline void* countedAlloc(std::size_t size) {
    auto* block = static_cast<unsigned char*>(std::malloc(size + kPrefix));
    if (!block)
        throw std::bad_alloc();
    *reinterpret_cast<std::size_t*>(block) = size;
    const std::size_t now = liveHeapBytes += size;
    std::size_t peak = peakHeapBytes.load();
    while (now > peak && !peakHeapBytes.compare_exchange_weak(peak, now)) {
    }
    return block + kPrefix;
}

inline void countedFree(void* pointer) {
    if (!pointer)
        return;
    auto* block = static_cast<unsigned char*>(pointer) - kPrefix;
    liveHeapBytes -= *reinterpret_cast<std::size_t*>(block);
    std::free(block);
}

} // namespace detail
} // namespace vexor::bench

void* operator new(std::size_t size) {
    return vexor::bench::detail::countedAlloc(size);
}
void* operator new[](std::size_t size) {
    return vexor::bench::detail::countedAlloc(size);
}
void operator delete(void* pointer) noexcept {
    vexor::bench::detail::countedFree(pointer);
}
void operator delete[](void* pointer) noexcept {
    vexor::bench::detail::countedFree(pointer);
}
void operator delete(void* pointer, std::size_t) noexcept {
    vexor::bench::detail::countedFree(pointer);
}
void operator delete[](void* pointer, std::size_t) noexcept {
    vexor::bench::detail::countedFree(pointer);
}
