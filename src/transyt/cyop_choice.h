// The cycle and structure choice from the CYOP print file: the table of performance indices
// by node and cycle gives the best cycle and, per optimised node, the single or double
// structure of its signal plan.
#pragma once

#include <string>

#include "model/saturn_vars.h"
#include "model/settings.h"
#include "model/transyt_model.h"
#include "transyt/print_files.h"
#include "util/log.h"

namespace veltra {

// The CYOP column whose structure serves a cycle c: c to the nearest ten, then the cycles
// CYOP does not print (110, 130, 150, above 160) moved to a neighbouring printed one.
int StructureCycle(int c);

// The CYOP cycle-and-structure choice of network position r from the CYOP print file: sets
// the structure of the optimised nodes and the double-structure flag; returns the cycle. A
// missing print file, or one without a candidate cycle, stops the run.
int CyopCycleChoice(const Settings& cfg, NetworkPosition r, const std::string& cyopPrintFile, SaturnVars& sat, QorVars& qor,
                    MessageLog& log);

// The structure check at structure cycle s for cycle c: sets the structure of the optimised
// nodes from the CYOP column of cycle s. `singleTestBest`: the search's best test ran
// without double cycling, so the double structure is out. Returns 2 when the double
// structure won, 1 for the single structure, 0 when the nodes kept their structure.
int CyopStructureCheck(const Settings& cfg, NetworkPosition r, const std::string& cyopPrintFile, int s, int c, bool singleTestBest,
                       SaturnVars& sat, QorVars& qor, MessageLog& log);

}  // namespace veltra
