// The iteration of the loop, one step for both modes (TipoIteracion). What sets the modes apart
// sits where it acts, in iteration.cpp:
//  - all networks per iteration (2): every network is optimised in each iteration and SATURN
//    runs once per iteration; the iteration is announced ("Iteracion %d"), the base figures of
//    the start come before the first SATURN run, SATURN's results (network, flows, node list,
//    priority lists, street names) are read back after every run, and a network stops its
//    cycle search from BusquedaCiclo on after its network step; with Promediado=1 each
//    assignment read back joins the average of the flows, which the convergence test judges and
//    the next iteration's signals are set on;
//  - networks in turn (1): each network is iterated on its own from iteration 1 until the
//    convergence test stops it, without reading SATURN's results back between its iterations
//    (the test compares the flows its links were built from), and the BusquedaCiclo test comes
//    before the final TRANSYT run.
#pragma once

#include "state/run.h"

namespace veltra {

// The iterations of the mode the configuration chooses; any other mode runs none.
void RunIterations(Run& run);

// One iteration `iteration` of the networks first..last (positions; all of them in mode 2, one
// in mode 1), ending with SATURN's run and the convergence test. Returns true for "stop".
bool Iterate(Run& run, IterationMode mode, NetworkPosition first, NetworkPosition last, int iteration);

// The network step after the TRANSYT and SATURN-update calls: the drawing and the signal
// history of network position r in iteration i.
void NetworkStep(Run& run, NetworkPosition r, int iteration);
// Records HistCiclo, the signal nodes and their history for network position r, iteration i;
// iteration 0 records the timings the SATURN network came with (the cycle of its plans).
void RecordHistory(Run& run, NetworkPosition r, int iteration);

}  // namespace veltra
