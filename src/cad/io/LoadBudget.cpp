#include "LoadBudget.h"

#include <algorithm>
#include <malloc.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define VEXOR_ASAN_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VEXOR_ASAN_HEAP 1
#endif
#endif

#ifdef VEXOR_ASAN_HEAP
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace vexor::cad {
namespace {

constexpr std::uint64_t kMinimumBudget = 256ull << 20;
constexpr std::uint64_t kFileMultiple = 64;
// Checkpoints between two looks at the clock, and the time between two looks at the heap.
constexpr std::uint32_t kClockEvery = 16;
constexpr auto kHeapEvery = std::chrono::milliseconds(2);
// Claims below this are not worth a look at the heap each.
constexpr std::uint64_t kSmallClaim = 1u << 20;

thread_local LoadBudget* tActive = nullptr;
// Counted per thread: a count shared by the threads of a load would bounce between their caches.
thread_local std::uint32_t tSinceClockLook = 0;

std::uint64_t physicalMemory() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

std::string megabytes(std::uint64_t bytes) {
    return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB";
}

} // namespace

std::uint64_t LoadBudget::allowedBytes(std::uint64_t fileSize) {
    std::uint64_t bytes = kMinimumBudget;
    if (fileSize <= UINT64_MAX / kFileMultiple)
        bytes = std::max(bytes, fileSize * kFileMultiple);
    else
        bytes = UINT64_MAX;
    if (const std::uint64_t physical = physicalMemory(); physical > 0)
        bytes = std::min(bytes, physical / 2);
    return bytes;
}

LoadBudget::LoadBudget(std::uint64_t maxBytes) : maxBytes_(maxBytes) {}

void LoadBudget::allowFurtherFile(std::uint64_t fileSize) {
    const std::uint64_t more =
        fileSize <= UINT64_MAX / kFileMultiple ? fileSize * kFileMultiple : UINT64_MAX;
    std::uint64_t bytes = maxBytes_ > UINT64_MAX - more ? UINT64_MAX : maxBytes_ + more;
    if (const std::uint64_t physical = physicalMemory(); physical > 0)
        bytes = std::min(bytes, std::max(maxBytes_, physical / 2));
    maxBytes_ = bytes;
}

void LoadBudget::setTimeout(std::chrono::milliseconds timeout) {
    hasDeadline_ = true;
    deadline_ = std::chrono::steady_clock::now() + timeout;
}

std::uint64_t LoadBudget::heapInUse() const {
#ifdef VEXOR_ASAN_HEAP
    const std::uint64_t now = __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    const std::uint64_t now = info.uordblks + info.hblkhd;
#endif
    return now > heapAtStart_ ? now - heapAtStart_ : 0;
}

void LoadBudget::stopForMemory(std::uint64_t needed) const {
    throw LoadStopped(LoadStopReason::OutOfMemoryBudget,
                      "this drawing needs more memory than allowed (more than " +
                          megabytes(maxBytes_) + "; it asked for " + megabytes(needed) + ")");
}

void LoadBudget::checkpoint() {
    if (cancelled())
        throw LoadStopped(LoadStopReason::Cancelled, "loading was cancelled");
    if (++tSinceClockLook < kClockEvery)
        return;
    tSinceClockLook = 0;
    const auto now = std::chrono::steady_clock::now();
    if (hasDeadline_ && now > deadline_)
        throw LoadStopped(LoadStopReason::TimedOut, "loading took longer than allowed");
    auto last = lastHeapLook_.load(std::memory_order_relaxed);
    const auto nowTicks = now.time_since_epoch().count();
    // One thread looks at the heap per period; the others go on.
    if (nowTicks - last >= std::chrono::steady_clock::duration(kHeapEvery).count() &&
        lastHeapLook_.compare_exchange_strong(last, nowTicks, std::memory_order_relaxed))
        checkMemory();
}

void LoadBudget::checkMemory() const {
    if (const std::uint64_t used = heapInUse(); used > maxBytes_)
        stopForMemory(used);
}

void LoadBudget::claim(std::uint64_t count, std::uint64_t bytesEach) {
    if (bytesEach == 0 || count == 0)
        return;
    const std::uint64_t wanted = count > UINT64_MAX / bytesEach ? UINT64_MAX : count * bytesEach;
    // Small claims are left to the checkpoints, which see what they add up to.
    if (wanted < kSmallClaim)
        return;
    const std::uint64_t used = heapInUse();
    if (wanted > maxBytes_ || used > maxBytes_ - wanted)
        stopForMemory(wanted > UINT64_MAX - used ? UINT64_MAX : used + wanted);
}

void LoadBudget::setPhase(LoadPhase phase) noexcept {
    workTotal_.store(0, std::memory_order_relaxed);
    workDone_.store(0, std::memory_order_relaxed);
    phase_.store(phase, std::memory_order_relaxed);
}

void LoadBudget::expectWork(std::uint64_t units) noexcept {
    workTotal_.store(units, std::memory_order_relaxed);
}

void LoadBudget::setWorkDone(std::uint64_t done, std::uint64_t total) noexcept {
    workTotal_.store(total, std::memory_order_relaxed);
    workDone_.store(done, std::memory_order_relaxed);
}

LoadProgress LoadBudget::progress() const noexcept {
    LoadProgress p;
    p.phase = phase_.load(std::memory_order_relaxed);
    const std::uint64_t total = workTotal_.load(std::memory_order_relaxed);
    const std::uint64_t done = workDone_.load(std::memory_order_relaxed);
    // The two counts are read apart, and estimates may fall short: never past the end.
    if (total > 0)
        p.fraction = std::min(1.0, static_cast<double>(done) / static_cast<double>(total));
    return p;
}

LoadScope::LoadScope(LoadBudget& budget) : previous_(tActive) {
    if (!budget.started_) {
        budget.started_ = true;
        budget.heapAtStart_ = budget.heapInUse();
    }
    tActive = &budget;
}

LoadScope::~LoadScope() {
    tActive = previous_;
}

LoadBudget* activeLoadBudget() {
    return tActive;
}

void loadCheckpoint() {
    if (tActive)
        tActive->checkpoint();
}

void claimLoadMemory(std::uint64_t count, std::uint64_t bytesEach) {
    if (tActive)
        tActive->claim(count, bytesEach);
}

void setLoadPhase(LoadPhase phase) {
    if (tActive)
        tActive->setPhase(phase);
}

void expectLoadWork(std::uint64_t units) {
    if (tActive)
        tActive->expectWork(units);
}

void addLoadWork(std::uint64_t units) {
    if (tActive)
        tActive->addWork(units);
}

void reportLoadProgress(std::uint64_t done, std::uint64_t total) {
    if (tActive)
        tActive->setWorkDone(done, total);
}

} // namespace vexor::cad
