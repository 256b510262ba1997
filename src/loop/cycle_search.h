// The cycle search of a network and the final TRANSYT run of an iteration.
#pragma once

#include <string>

#include "state/run.h"

namespace veltra {

// The cycle of network position r in an iteration, as its OptimizaCiclo asks: given, from
// CYOP, from TRANSYT test runs over a range, or both.
void CycleSearch(Run& run, NetworkPosition r, int iteration);
// The TRANSYT data file of the iteration at the chosen cycle, and its TRANSYT run.
void FinalTransytRun(Run& run, NetworkPosition r, int iteration);

}  // namespace veltra
