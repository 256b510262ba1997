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

// What became of the matrices' trips (pcu/h, every user class together).
struct TripTotals {
  double Matrix = 0;      // every trip of the matrices
  double Intrazonal = 0;  // origin and destination the same zone: they never enter the network
  double Dropped = 0;     // could not be loaded and were dropped on request
  int64_t DroppedRows = 0;
  double Assigned() const { return Matrix - Intrazonal - Dropped; }
};

struct ListingHeader {
  std::string Program = "SATALL";
  std::string NetworkFile;
  std::string MatrixFile;
  std::vector<std::string> Warnings;  // one line each
  TripTotals Trips;
};

// A value the listing cannot hold in its column, named with the element it belongs to.
struct ListingValueError {
  std::string Message;
};

// The listing's lines (no line ends). Every value is right-aligned in its 10-column field with
// a blank before it, with fewer decimals when its whole part needs the room; a value whose
// whole part does not fit in 9 digits, or that is not finite, throws ListingValueError rather
// than run into its neighbour (the loop's listing reader takes the values by their columns).
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
