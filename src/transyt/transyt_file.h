// The TRANSYT data file of one network: title, card 1, card 2, card 7, node timing cards,
// link cards; then its six companion files.
#pragma once

#include <string>

#include "run/run.h"

namespace veltra {

// Writes the data file of network position r. `cycle` 0 means the network's Ciclo setting
// (the CYOP data file); `allowDouble` is false only for single-structure test files.
void WriteTransytFile(Run& run, int r, const std::string& fileName, int cycle, bool allowDouble);

}  // namespace veltra
