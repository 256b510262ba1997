// The performance index of a TRANSYT network's starting timings, so that the run can set the
// loop's result beside where it started.
#pragma once

#include "state/run.h"

namespace veltra {

// Has TRANSYT evaluate, without optimising, the signal plans of network position r as the
// starting SATURN network gives them, on the starting flows (the links built for iteration 1),
// and keeps the index in the run's loop memory. Files "<transyt>_0_<n>.dat" and ".prt":
// iteration 0 is the starting network. Nothing is run when TRANSYT is not (CorreTransyt) or the
// network has no signal plan; an evaluation without an index is a warning, never a failure of
// the run.
void EvaluateStartingTimings(Run& run, NetworkPosition r);

}  // namespace veltra
