// The cycle search of a network and the final TRANSYT run of an iteration.
#pragma once

#include <string>

#include "run/run.h"

namespace veltra {

void CycleSearch(Run& run, int r, int iteration);
void FinalTransytRun(Run& run, int r, int iteration);

// The CYOP column whose structure serves a cycle c: c to the nearest ten, then the cycles
// CYOP does not print (110, 130, 150, above 160) moved to a neighbouring printed one.
int StructureCycle(int c);

// The CYOP cycle-and-structure choice of network position r from the CYOP print file: sets
// the structure of the optimised nodes and the double-structure flag; returns the cycle.
int CyopCycleChoice(Run& run, int r, const std::string& cyopPrintFile);

// The structure check at structure cycle s for cycle c: sets the structure of the optimised
// nodes from the CYOP column of cycle s. `singleTestBest`: the search's best test ran
// without double cycling, so the double structure is out. Returns 2 when the double
// structure won, 1 for the single structure, 0 when the nodes kept their structure.
int CyopStructureCheck(Run& run, int r, const std::string& cyopPrintFile, int s, int c, bool singleTestBest);

}  // namespace veltra
