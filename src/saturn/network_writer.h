// Writing the SATURN network data file of an iteration: the file's own lines around a
// junction section regenerated from the model with the signal settings now in force.
#pragma once

#include <string>
#include <vector>

#include "model/saturn_vars.h"
#include "util/text.h"

namespace veltra {

// Writes the network file from NetworkLines and the model into `out`; `cicloRed` gives the
// cycle that unsignalised junctions follow (indexed by network position).
void WriteSaturnNetwork(SaturnVars& sat, const std::vector<int32_t>& cicloRed, TextWriter& out);

}  // namespace veltra
