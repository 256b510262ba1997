// The cycle search of a network and the final TRANSYT run of an iteration.
#pragma once

#include "run/run.h"

namespace veltra {

void CycleSearch(Run& run, int r, int iteration);
void FinalTransytRun(Run& run, int r, int iteration);

}  // namespace veltra
