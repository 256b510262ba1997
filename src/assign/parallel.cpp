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

void RunBeside(int32_t count, int32_t threads, const std::function<void()>& own,
               const std::function<void(int32_t, int32_t)>& work) {
    threads = std::max(1, std::min(threads, count + 1));
    std::atomic<int32_t> next{0};
    std::mutex errorMutex;
    std::exception_ptr ownError, error;
    int32_t errorIndex = count;
    auto take = [&](int32_t worker) {
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
    for (int32_t w = 1; w < threads; ++w) pool.emplace_back(take, w);
    try {
        own();
    } catch (...) {
        ownError = std::current_exception();
    }
    take(0);
    for (std::thread& t : pool) t.join();
    if (ownError) std::rethrow_exception(ownError);
    if (error) std::rethrow_exception(error);
}

} // namespace veltra::assign
