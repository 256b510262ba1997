// The spreadsheet report of the signal timings.
#pragma once

#include "run/run.h"

namespace veltra {

void WriteSpreadsheetReport(Run& run, int lastIteration);

}  // namespace veltra
