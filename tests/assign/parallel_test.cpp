#include "assign/parallel.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace veltra::assign;

TEST(ProduceInOrder, ConsumerSeesEveryIndexInOrderAfterItsProducer) {
    for (int32_t threads : {1, 2, 4}) {
        for (int32_t count : {0, 1, 7, 200}) {
            std::vector<int32_t> produced(count, 0), consumed;
            ProduceInOrder(
                count, threads, [&](int32_t i, int32_t worker) {
                    ASSERT_LT(worker, threads);
                    produced[i] = i * i + 1;
                },
                [&](int32_t i) {
                    EXPECT_EQ(produced[i], i * i + 1) << "consumed before produced";
                    consumed.push_back(i);
                });
            ASSERT_EQ(static_cast<int32_t>(consumed.size()), count) << threads << " threads";
            for (int32_t i = 0; i < count; ++i) EXPECT_EQ(consumed[i], i);
        }
    }
}

TEST(ProduceInOrder, FailureStopsTheConsumerAndIsRethrown) {
    for (int32_t threads : {1, 3}) {
        int32_t consumedPastFailure = 0;
        EXPECT_THROW(ProduceInOrder(
                         50, threads,
                         [](int32_t i, int32_t) {
                             if (i == 20) throw std::runtime_error("bad bush");
                         },
                         [&](int32_t i) { consumedPastFailure += i >= 20; }),
                     std::runtime_error);
        EXPECT_EQ(consumedPastFailure, 0) << threads << " threads";
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
