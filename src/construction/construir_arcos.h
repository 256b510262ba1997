// Construction of the TRANSYT links of one network from the SATURN model.
#pragma once

#include "construction/construction.h"

namespace veltra {

// Builds the links of network position r (messages name the iteration).
void ConstruirArcos(const Settings& cfg, NetworkPosition r, int iteration, SaturnVars& sat, QorVars& qor,
                    MessageLog& log);

}  // namespace veltra
