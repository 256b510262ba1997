// The convergence test of the loop and the SATURN performance figures.
#pragma once

#include "state/run.h"

namespace veltra {

// Slot 0 of the turn figures, from the flows read at start-up.
void BaseFigures(Run& run);
// True for "stop".
bool ConvergenceTest(Run& run, int iteration);

}  // namespace veltra
