// The averaged coupling of signal timings and route choice (Promediado=1).
//
// In the plain loop the signals of iteration k are optimised on the flows of the assignment of
// iteration k-1 alone. Where the assignment answers a retiming by moving traffic so far that the
// next retiming undoes it, the loop wanders between plans and never settles. Here the signals
// are optimised instead on an average of the flows assigned so far, x(k) = x(k-1) + a(k) (y(k) -
// x(k-1)), y(k) the flows assigned to the timings that were set on x(k-1): the method of
// successive averages, with a self-regulated step a(k) = 1 / b(k). The first assignment is taken
// whole (b = 1: the starting flows belong to timings the loop did not set); after it b grows by
// kStepGrowthOnRise when the gap between assigned and averaged flows grew since the last
// assignment, by kStepGrowthOnFall when it shrank, so the step stays long while the loop closes
// in and shortens fast while it wanders. The loop's convergence is then judged on how much the
// averaged flows still move, with the gap itself (the plain loop's precision) beside it.
//
// Averaged are the flows the TRANSYT links take from the assignment: each turn's assigned flow
// and each link's two connector flows. The state is the run's (state/loop_memory.h).
#pragma once

#include "model/saturn_vars.h"
#include "state/loop_memory.h"

namespace veltra {

// How much b grows after an assignment whose gap rose (or stayed), and after one whose gap fell.
constexpr double kStepGrowthOnRise = 2.0;
constexpr double kStepGrowthOnFall = 0.5;

// Folds the flows just assigned for `iteration` (the turn and link tables as read) into the
// average and returns what it did. The turns' previous flows are those the TRANSYT links of the
// iteration were built from: the averaged flows handed to them.
const AveragingStep& FoldAssignment(FlowAverage& average, const SaturnVars& sat, int iteration);

// Puts the averaged flows into the turn and link tables, where the next iteration's TRANSYT
// links take their flows from. The assignment's own flows are gone from the tables afterwards.
void HandAveragedFlows(const FlowAverage& average, SaturnVars& sat);

}  // namespace veltra
