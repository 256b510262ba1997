// The simulation-assignment loop: assign the trips with the turns' current delay curves,
// simulate the junctions with the assigned turn flows (give-way capacities follow the flows
// they give way to), and assign again from the last solution, until the turn flows change
// by less than a tolerance between loops or the loop limit is reached.
#pragma once

#include <cstdint>
#include <vector>

#include "assign/assignment.h"
#include "satprog/engine_network.h"

namespace veltra::satprog {

struct LoopSettings {
  double Gap = 1e-6;          // relative gap of every assignment
  // and, with it, every used route within this share of the free-flow cost of its pair's
  // shortest route, so that a saturated connector cannot make an unequal split look converged
  double ExcessTolerance = 1e-6;
  int32_t MaxIterations = 500;  // iterations of one assignment
  int32_t MaxLoops = 30;      // simulation-assignment loops
  // The loop has converged when the turn flows of two loops differ by less than this share
  // of the turn flows: sum |v(k) - v(k-1)| / sum v(k).
  double Tolerance = 0.001;
  // Share of the new turn flows in the flows handed to the next simulation (1: none of the
  // old). Less than 1 damps the see-saw of give-way turns between loops.
  double Damping = 0.5;
  int32_t Threads = 0;
  // Flow-shift sweeps over the bushes per solver iteration; 0: the solver's default.
  int32_t InnerPasses = 0;
  NetworkOptions Junctions;
};

struct LoopRecord {
  int32_t Loop = 0;
  double Delta = 0;  // sum |v(k) - v(k-1)| / sum v(k) over the turns, as a share
  double Gap = 0;    // relative gap the loop's assignment reached
  int32_t Iterations = 0;
  double Seconds = 0;  // since the start of the loop
};

struct SimulationAssignmentResult {
  bool Converged = false;  // the turn flows settled within the loop limit
  bool GapReached = false; // the last assignment reached its gap
  assign::AssignmentResult Assignment;  // the last loop's
  std::vector<LoopRecord> Loops;
};

// Runs the loop on a network whose demand is in network.Net.Classes. Throws
// assign::AssignmentError when trips cannot reach their destination.
SimulationAssignmentResult AssignAndSimulate(EngineNetwork& network, const LoopSettings& settings);

// The total flow of every turn ([Turns position]) in an assignment result.
std::vector<double> TurnFlows(const EngineNetwork& network, const assign::AssignmentResult& result);

}  // namespace veltra::satprog
