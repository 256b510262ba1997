// The convergence test of the loop and the SATURN performance figures.
#pragma once

#include "state/run.h"

namespace veltra {

// Remembers the turns the TRANSYT links just built carry, with the assigned flow they were
// built from: what the convergence test compares with the next assignment. The memory is kept
// across reloads of the network (it is indexed by turn position) and over all networks.
void RememberTurnFlows(SaturnVars& sat, const QorVars& qor);

// Slot 0 of the turn figures, from the flows read at start-up.
void BaseFigures(Run& run);
// True for "stop".
bool ConvergenceTest(Run& run, int iteration);

}  // namespace veltra
