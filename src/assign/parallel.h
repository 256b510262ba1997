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

// Calls produce(index, worker) for every index on all threads, and consume(index) on the calling
// thread in index order, each as soon as that index's produce has finished, so that a serial
// consumer overlaps with parallel producers. Produce calls must not depend on each other nor on
// consume calls. The first exception stops both and is rethrown.
void ProduceInOrder(int32_t count, int32_t threads, const std::function<void(int32_t index, int32_t worker)>& produce,
                    const std::function<void(int32_t index)>& consume);

} // namespace veltra::assign
