#include "signals/performance_index.h"

namespace veltra::signals {

double LinkIndex(const RunData& run, const SignalLink& link, double delayPcuHours, double stopsPerHour,
                 double maxQueue) {
  double index = run.DelayWeight * delayPcuHours + run.StopWeight * stopsPerHour / 100.0;
  if (link.QueuePenalty > 0 && maxQueue > link.QueueLimit) index += link.QueuePenalty * (maxQueue - link.QueueLimit);
  return index;
}

}  // namespace veltra::signals
