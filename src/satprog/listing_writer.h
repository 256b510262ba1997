// The assignment listing (".lpa") of the SATURN-shaped programs: a readable report whose flow
// rows, class blocks and totals are laid out where the loop's listing reader takes them, and
// the flows table NET_flows.csv.
#pragma once

#include <string>
#include <vector>

#include "model/saturn_vars.h"
#include "satprog/engine_network.h"
#include "satprog/simulation_assignment.h"

namespace veltra::satprog {

struct ListingHeader {
  std::string Program = "SATALL";
  std::string NetworkFile;
  std::string MatrixFile;
  std::vector<std::string> Warnings;  // one line each
};

// The listing's lines (no line ends).
std::vector<std::string> ListingLines(const SaturnVars& sat, const EngineNetwork& network,
                                      const SimulationAssignmentResult& result, const ListingHeader& header);

// NET_flows.csv: one row per link and per turn with flows, times and capacities.
std::vector<std::string> FlowTableLines(const SaturnVars& sat, const EngineNetwork& network,
                                        const SimulationAssignmentResult& result);

// Pcu-hours per hour and pcu-kilometres per hour of the simulation network (links from arms
// and the turns' delays) and of the buffer network.
struct NetworkTotals {
  double SimulationHours = 0, SimulationKm = 0;
  double BufferHours = 0, BufferKm = 0;
};
NetworkTotals ComputeTotals(const SaturnVars& sat, const EngineNetwork& network, const assign::AssignmentResult& result);

}  // namespace veltra::satprog
