// Writing the SATURN network data file of an iteration: the file's own lines around a
// junction section regenerated from the model with the signal settings now in force.
#pragma once

#include <string>
#include <vector>

#include "run/run.h"
#include "util/text.h"

namespace veltra {

// Writes "%s_%d.dat" (SATURN base name, iteration) from NetworkLines and the model.
void EscribirRedSaturn(Run& run, int iteration);

// The same into an open writer; `cicloRed` gives the cycle that unsignalised junctions
// follow (indexed by network position).
void WriteSaturnNetwork(SaturnVars& sat, const std::vector<int32_t>& cicloRed, TextWriter& out);

}  // namespace veltra
