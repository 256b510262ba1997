// Bringing the TRANSYT results into the SATURN model and writing the SATURN network file of
// an iteration.
#pragma once

#include "run/run.h"

namespace veltra {

void ActualizarSaturn(Run& run, int r, int iteration);

}  // namespace veltra
