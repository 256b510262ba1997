// Reading a SATURN network data file into the model for the programs, outside the loop's run:
// the reader's messages are kept as lines for the network report.
#pragma once

#include <string>
#include <vector>

#include "model/saturn_vars.h"

namespace veltra::satprog {

struct NetworkRead {
  bool Ok = false;
  std::vector<std::string> Messages;  // what the reader wrote (warnings, errors with their line)
  std::vector<std::string> Errors;    // the errors among them
};

// The programs' capacities: city models of tens of thousands of nodes. Zones stay within
// the 4-digit zone field of the data file.
constexpr SaturnCapacities kProgramCapacities{50000, 150000, 300000, 20000, 9999, 10000};

// Reads `path` (with its include files) into `sat`, emptied first; the model's capacities
// (kProgramCapacities for the programs) bound what it holds.
NetworkRead ReadNetworkFile(const std::string& path, SaturnVars& sat);

}  // namespace veltra::satprog
