// Work spread over threads by index. Each index writes only its own results, so what is computed
// does not depend on the number of threads or on which thread took which index.
#pragma once

#include <cstdint>
#include <functional>

namespace veltra::assign {

// Number of threads to use: requested, or the machine's cores when requested <= 0.
int32_t ThreadCount(int32_t requested);

// Calls work(index, worker) for every index in [0, count), worker in [0, threads) naming the
// caller's scratch. The first exception by index order is rethrown after all threads stop.
void ParallelFor(int32_t count, int32_t threads, const std::function<void(int32_t index, int32_t worker)>& work);

// Calls own() on the calling thread while threads - 1 others call work(index, worker) for every
// index in [0, count); once own() has returned, the calling thread takes indices too, as worker
// 0. work must not depend on own(), nor own() on work. The first exception (own()'s, then by
// index) is rethrown after all threads stop.
void RunBeside(int32_t count, int32_t threads, const std::function<void()>& own,
               const std::function<void(int32_t index, int32_t worker)>& work);

} // namespace veltra::assign
