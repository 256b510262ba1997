// The convergence test of the loop and the SATURN performance figures.
#pragma once

#include <cstddef>
#include <functional>

#include "state/run.h"

namespace veltra {

// Remembers the turns the TRANSYT links just built carry, with the assigned flow they were
// built from: what the convergence test compares with the next assignment. The memory is kept
// across reloads of the network (it is indexed by turn position) and over all networks.
void RememberTurnFlows(SaturnVars& sat, const QorVars& qor);

// How far flows are from those the TRANSYT links were built from, over the turns they carry:
// the sum of the absolute differences and twice the sum of both flows.
struct TurnFlowGap {
  double SumDif = 0, SumPro = 0;
  int Turns = 0;
  // SumDif / SumPro; 999 when there is nothing to compare.
  double Precision() const { return SumPro == 0 ? 999.0 : SumDif / SumPro; }
};
// The gap of the flows `flowOf` gives each turn (by turn position).
TurnFlowGap MarkedTurnGap(const SaturnVars& sat, const std::function<double(size_t)>& flowOf);

// Slot 0 of the turn figures, from the flows read at start-up.
void BaseFigures(Run& run);
// True for "stop". With `averaged` (the averaged coupling) the stop is judged on how much the
// averaged flows moved, and the assigned flows' own precision is shown beside it.
bool ConvergenceTest(Run& run, int iteration, const AveragingStep* averaged = nullptr);

}  // namespace veltra
