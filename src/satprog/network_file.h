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

// Reads `path` (with its include files) into `sat`, emptied first.
NetworkRead ReadNetworkFile(const std::string& path, SaturnVars& sat);

}  // namespace veltra::satprog
