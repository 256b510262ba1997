// Bringing the TRANSYT results into the SATURN model and writing the SATURN network file of
// an iteration.
#pragma once

#include "state/run.h"

namespace veltra {

void ActualizarSaturn(Run& run, NetworkPosition r, int iteration);

// Writes "%s_%d.dat" (SATURN base name, iteration) from the network's lines and the model.
void EscribirRedSaturn(Run& run, int iteration);

// Copies offsets and stage times between the junctions that the network's Duplica_%d list
// pairs. Items with a problem are reported and skipped.
void DuplicarNodos(Run& run, NetworkPosition r);

}  // namespace veltra
