// The search for the best timings of a network at its cycle: several starts (equisaturation
// splits; progression offsets along the heaviest routes; the timings the cards give), from
// each the hill-climb and then the full scans, and the best plan ever evaluated as the result,
// so that it is never worse than any start. Deterministic: the same file gives the same plan.
#pragma once

#include "signals/model.h"
#include "signals/network.h"
#include "signals/print_file.h"
#include "util/progress.h"

namespace veltra::signals {

// Optimises the network at its card cycle (or evaluates it when it has no node to optimise or
// the run asks for no optimisation). `model` is left holding the final timings' evaluation.
// `progress`, when given, hears which start and which step the search is at.
RunOutcome OptimiseTimings(const SignalNetwork& net, NetworkModel& model, ProgressLine* progress = nullptr);

}  // namespace veltra::signals
