// Reading the TRANSYT and CYOP print files.
#pragma once

#include <string>

#include "run/run.h"

namespace veltra {

// Performance index of a test run; 999999.0 when the print file holds no result.
double ReadPerformanceIndex(const std::string& printFile);

// Final settings of the TRANSYT run of network position r in an iteration, into the signal
// plans and the links' results.
void ReadFinalSettings(Run& run, int r, int iteration);

}  // namespace veltra
