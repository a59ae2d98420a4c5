// Work a load spreads over the cores: every index done once, the load's budget in force on
// every thread, and a stop on any thread reaching the caller.
#include "cad/io/ParallelLoad.h"

#include "cad/io/LoadBudget.h"

#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace vexor::cad;

TEST(ParallelLoad, EveryIndexIsDoneOnceInChunksOfTheGrain) {
    for (const std::size_t count : {0u, 1u, 7u, 100u, 10007u}) {
        std::vector<std::atomic<int>> done(count);
        std::atomic<std::size_t> chunks{0};
        forEachChunkInParallel(count, 64, [&](std::size_t begin, std::size_t end) {
            EXPECT_LT(begin, end);
            EXPECT_LE(end - begin, 64u);
            EXPECT_EQ(begin % 64, 0u);
            for (std::size_t i = begin; i < end; ++i)
                done[i].fetch_add(1);
            chunks.fetch_add(1);
        });
        for (std::size_t i = 0; i < count; ++i)
            ASSERT_EQ(done[i].load(), 1) << "index " << i << " of " << count;
        EXPECT_EQ(chunks.load(), (count + 63) / 64);
    }
}

TEST(ParallelLoad, OneChunkRunsOnTheCallingThread) {
    std::thread::id ranOn;
    forEachChunkInParallel(10, 64,
                           [&](std::size_t, std::size_t) { ranOn = std::this_thread::get_id(); });
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(ParallelLoad, EveryThreadAnswersToTheCallersBudget) {
    LoadBudget budget(256u << 20);
    const LoadScope scope(budget);
    std::atomic<int> withoutBudget{0};
    forEachChunkInParallel(4096, 16, [&](std::size_t, std::size_t) {
        if (activeLoadBudget() != &budget)
            withoutBudget.fetch_add(1);
    });
    EXPECT_EQ(withoutBudget.load(), 0);
    EXPECT_EQ(activeLoadBudget(), &budget);

    // A cancel raised while the work runs stops it at the next checkpoint, on whichever thread,
    // and reaches the caller as the load's stop; the chunks still unhanded are left undone.
    std::atomic<std::size_t> chunksDone{0};
    try {
        forEachChunkInParallel(100000, 10, [&](std::size_t begin, std::size_t) {
            if (begin == 500)
                budget.cancel();
            loadCheckpoint();
            chunksDone.fetch_add(1);
        });
        FAIL() << "a cancelled load went on";
    } catch (const LoadStopped& stop) {
        EXPECT_EQ(stop.reason(), LoadStopReason::Cancelled);
    }
    EXPECT_LT(chunksDone.load(), 1000u);
}

TEST(ParallelLoad, AnyOtherErrorReachesTheCaller) {
    EXPECT_THROW(forEachChunkInParallel(1000, 10,
                                        [](std::size_t begin, std::size_t) {
                                            if (begin == 990)
                                                throw std::length_error("too long");
                                        }),
                 std::length_error);
}
