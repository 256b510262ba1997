#include "assign/parallel.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace veltra::assign;

TEST(RunBeside, OwnWorkRunsOnTheCallingThreadAndEveryIndexOnce) {
    for (int32_t threads : {1, 2, 4}) {
        for (int32_t count : {0, 1, 7, 200}) {
            std::vector<int32_t> runs(count, 0);
            std::thread::id caller = std::this_thread::get_id(), ownThread;
            RunBeside(
                count, threads, [&] { ownThread = std::this_thread::get_id(); },
                [&](int32_t i, int32_t worker) {
                    ASSERT_LT(worker, threads);
                    ++runs[i];
                });
            EXPECT_EQ(ownThread, caller);
            for (int32_t r : runs) EXPECT_EQ(r, 1) << threads << " threads, " << count << " indices";
        }
    }
}

TEST(RunBeside, TheOwnFailureComesFirstThenTheLowestIndex) {
    struct Row { bool OwnFails; std::string Expected; };
    const Row rows[] = {{true, "own"}, {false, "30"}};
    for (const Row& r : rows) {
        for (int32_t threads : {1, 3}) {
            try {
                RunBeside(
                    100, threads, [&] { if (r.OwnFails) throw std::runtime_error("own"); },
                    [](int32_t i, int32_t) { if (i == 30 || i == 60) throw std::runtime_error(std::to_string(i)); });
                FAIL() << "no exception";
            } catch (const std::runtime_error& e) {
                EXPECT_EQ(e.what(), r.Expected) << threads << " threads";
            }
        }
    }
}

TEST(ParallelFor, EveryIndexRunsOnceAndTheFirstFailureIsRethrown) {
    for (int32_t threads : {1, 2, 5}) {
        std::vector<int32_t> runs(100, 0);
        ParallelFor(100, threads, [&](int32_t i, int32_t) { ++runs[i]; });
        for (int32_t r : runs) EXPECT_EQ(r, 1);
        try {
            ParallelFor(100, threads, [](int32_t i, int32_t) {
                if (i == 30 || i == 60) throw std::runtime_error(std::to_string(i));
            });
            FAIL() << "no exception";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "30");
        }
    }
}
