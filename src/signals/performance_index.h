// The performance index: what a link's delay, stops and queue cost, in the weights the run data
// give. The optimiser lowers the sum over all links.
#pragma once

#include "signals/network.h"

namespace veltra::signals {

// delay weight x delay (PCU-h/h) + stop weight x stops per hour / 100, plus, for a link with a
// queue limit, its penalty for every PCU by which the largest queue exceeds the limit.
double LinkIndex(const RunData& run, const SignalLink& link, double delayPcuHours, double stopsPerHour,
                 double maxQueue);

}  // namespace veltra::signals
