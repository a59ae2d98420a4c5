#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace vexor::cad {

// What a load is doing: reading the file into the model, then preparing it for display
// (compiling the display list and its spatial index).
enum class LoadPhase : std::uint8_t { Reading, Preparing };

// How far a load has come, as another thread sees it.
struct LoadProgress {
    LoadPhase phase = LoadPhase::Reading;
    double fraction = 0; // of the phase, 0 to 1; 0 while the phase's work is not yet known
};

// Why a load was stopped before it finished.
enum class LoadStopReason : std::uint8_t { Cancelled, TimedOut, OutOfMemoryBudget };

// Thrown out of a reader or the display-list compiler when the load's budget says stop. Not a
// ReadError: nothing in the file is at fault, and no reader may take it for local damage.
class LoadStopped : public std::runtime_error {
public:
    LoadStopped(LoadStopReason reason, const std::string& message)
        : std::runtime_error(message), reason_(reason) {}
    LoadStopReason reason() const { return reason_; }

private:
    LoadStopReason reason_;
};

// The limits one load (reading a file and compiling its display list) works within: the heap
// the load may add, a deadline, and a cancel flag another thread may raise. Readers do not take
// it as a parameter: a `LoadScope` makes it the budget of the current thread, and readers call
// the free functions below, which do nothing when no budget is active.
class LoadBudget {
public:
    // The heap a drawing of this size may use: the larger of 256 MB and 64 times the file,
    // never more than half of the machine's memory.
    static std::uint64_t allowedBytes(std::uint64_t fileSize);

    explicit LoadBudget(std::uint64_t maxBytes);
    // Another file read in the same load (a referenced drawing): the heap allowed grows by 64
    // times its size, never past half of the machine's memory. On the loading thread, between
    // reads.
    void allowFurtherFile(std::uint64_t fileSize);

    // From any thread; the load stops at its next checkpoint, on every thread working for it.
    void cancel() noexcept { cancelled_.store(true, std::memory_order_relaxed); }
    bool cancelled() const noexcept { return cancelled_.load(std::memory_order_relaxed); }
    void setTimeout(std::chrono::milliseconds timeout);
    std::uint64_t maxBytes() const { return maxBytes_; }

    // Progress, written by the thread doing the load and read by any other. A phase's work is
    // counted in units the code doing it chooses (objects, entities, bytes): it says how many
    // it expects, then adds them as it goes, or reports a position outright. Cheap enough to
    // call once per object.
    void setPhase(LoadPhase phase) noexcept;
    void expectWork(std::uint64_t units) noexcept;
    void addWork(std::uint64_t units) noexcept {
        workDone_.fetch_add(units, std::memory_order_relaxed);
    }
    void setWorkDone(std::uint64_t done, std::uint64_t total) noexcept;
    LoadProgress progress() const noexcept;

    // Throws LoadStopped when cancelled, past the deadline or over the memory budget. Cheap:
    // the clock is looked at every few calls, the heap every few milliseconds. Safe to call
    // from the worker threads of a load (each under its own LoadScope of this budget).
    void checkpoint();
    // Throws LoadStopped when the load's heap is over the budget now; at the end of a read
    // and of a compile, whose last objects the checkpoints may not have seen.
    void checkMemory() const;
    // Throws LoadStopped when `count` elements of `bytesEach` would take the heap past the
    // budget; called before allocating from a count taken from the file.
    void claim(std::uint64_t count, std::uint64_t bytesEach);

private:
    friend class LoadScope;
    std::uint64_t heapInUse() const;
    [[noreturn]] void stopForMemory(std::uint64_t needed) const;

    // Checkpoints and work counts come from every thread of a load (see io/ParallelLoad.h),
    // once per object: what they only read (the limits, the cancel flag) is kept on its own
    // cache line, apart from the counters they write, so that the threads do not take the line
    // from each other on every object.
    static constexpr std::size_t kCacheLine = 64;
    std::uint64_t maxBytes_;
    std::uint64_t heapAtStart_ = 0;
    bool started_ = false;
    bool hasDeadline_ = false;
    std::chrono::steady_clock::time_point deadline_;
    std::atomic<bool> cancelled_{false};
    alignas(kCacheLine) std::atomic<std::uint64_t> workDone_{0};
    std::atomic<std::uint64_t> workTotal_{0};
    std::atomic<LoadPhase> phase_{LoadPhase::Reading};
    alignas(kCacheLine) std::atomic<std::chrono::steady_clock::rep> lastHeapLook_{0};
};

// Makes `budget` the one the current thread's reads and compiles answer to, for the scope's
// life. The heap in use when the budget's first scope opens is the load's starting point, so a
// read and a later compile under the same budget share it. Scopes nest.
class LoadScope {
public:
    explicit LoadScope(LoadBudget& budget);
    ~LoadScope();
    LoadScope(const LoadScope&) = delete;
    LoadScope& operator=(const LoadScope&) = delete;

private:
    LoadBudget* previous_;
};

// The budget active on this thread, or nullptr.
LoadBudget* activeLoadBudget();
// Per object read or compiled: stops a cancelled, late or too large load.
void loadCheckpoint();
// Before allocating `count` elements taken from a file.
void claimLoadMemory(std::uint64_t count, std::uint64_t bytesEach);
// Progress of the active budget's load (see LoadBudget::setPhase and the work counts).
void setLoadPhase(LoadPhase phase);
void expectLoadWork(std::uint64_t units);
void addLoadWork(std::uint64_t units = 1);
void reportLoadProgress(std::uint64_t done, std::uint64_t total);

} // namespace vexor::cad
