// Writing the SATURN network data file of an iteration: the file's own lines around a
// junction section regenerated from the model with the signal settings now in force.
#pragma once

#include "util/errors.h"
#include <string>
#include <vector>

#include "model/saturn_vars.h"
#include "util/text.h"

namespace veltra {

// A junction value its field cannot hold (a green of 100000 in five columns): the message names
// the junction and the value; the caller adds the file and the line.
struct NetworkFieldError : InputError {
  explicit NetworkFieldError(const std::string& what) : InputError(what) {}
};

// Writes the network file from NetworkLines and the model into `out`; `cicloRed` gives the
// cycle that unsignalised junctions follow (indexed by network position). Throws
// NetworkFieldError for a value wider than its field.
void WriteSaturnNetwork(SaturnVars& sat, const std::vector<int32_t>& cicloRed, TextWriter& out);

}  // namespace veltra
