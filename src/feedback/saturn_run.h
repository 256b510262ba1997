// Running SATURN on the network file of an iteration.
#pragma once

#include "run/run.h"

namespace veltra {

void RunSaturn(Run& run, int iteration);

}  // namespace veltra
