// Construction of the TRANSYT links of one network from the SATURN model.
#pragma once

#include "run/run.h"

namespace veltra {

void ConstruirArcos(Run& run, int r, int iteration);

}  // namespace veltra
