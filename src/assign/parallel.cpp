#include "assign/parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace veltra::assign {

int32_t ThreadCount(int32_t requested) {
    if (requested > 0) return requested;
    unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int32_t>(cores);
}

void ParallelFor(int32_t count, int32_t threads, const std::function<void(int32_t, int32_t)>& work) {
    threads = std::max(1, std::min(threads, count));
    if (threads <= 1) {
        for (int32_t i = 0; i < count; ++i) work(i, 0);
        return;
    }
    std::atomic<int32_t> next{0};
    std::mutex errorMutex;
    std::exception_ptr error;
    int32_t errorIndex = count;
    auto run = [&](int32_t worker) {
        for (int32_t i = next++; i < count; i = next++) {
            try {
                work(i, worker);
            } catch (...) {
                std::lock_guard<std::mutex> lock(errorMutex);
                if (i < errorIndex) {
                    errorIndex = i;
                    error = std::current_exception();
                }
            }
        }
    };
    std::vector<std::thread> pool;
    for (int32_t w = 1; w < threads; ++w) pool.emplace_back(run, w);
    run(0);
    for (std::thread& t : pool) t.join();
    if (error) std::rethrow_exception(error);
}

void ProduceInOrder(int32_t count, int32_t threads, const std::function<void(int32_t, int32_t)>& produce,
                    const std::function<void(int32_t)>& consume) {
    threads = std::max(1, std::min(threads, count));
    std::unique_ptr<std::atomic<uint8_t>[]> done(new std::atomic<uint8_t>[std::max(count, 1)]);
    for (int32_t i = 0; i < count; ++i) done[i].store(0, std::memory_order_relaxed);
    std::atomic<int32_t> next{0};
    std::atomic<bool> stop{false};
    std::mutex errorMutex;
    std::exception_ptr error;
    int32_t errorIndex = count;
    auto fail = [&](int32_t i) {
        std::lock_guard<std::mutex> lock(errorMutex);
        if (i < errorIndex) {
            errorIndex = i;
            error = std::current_exception();
        }
        stop = true;
    };
    // Claims the next index and produces it; false when none is left.
    auto produceNext = [&](int32_t worker) {
        int32_t i = next++;
        if (i >= count) return false;
        if (!stop) {
            try {
                produce(i, worker);
            } catch (...) {
                fail(i);
            }
        }
        done[i].store(1, std::memory_order_release);
        return true;
    };
    std::vector<std::thread> pool;
    for (int32_t w = 1; w < threads; ++w)
        pool.emplace_back([&, w] {
            while (!stop && produceNext(w)) {
            }
        });
    for (int32_t i = 0; i < count && !stop; ++i) {
        while (!done[i].load(std::memory_order_acquire))
            if (!produceNext(0)) std::this_thread::yield();
        if (stop) break;
        try {
            consume(i);
        } catch (...) {
            fail(i);
        }
    }
    stop = true;
    for (std::thread& t : pool) t.join();
    if (error) std::rethrow_exception(error);
}

} // namespace veltra::assign
