// The simulation-assignment loop: assign the trips with the turns' current delay curves,
// simulate the junctions with the assigned turn flows, refit each give-way turn's curve around
// those flows with the conflicting flows held, averaging what the simulations gave over the
// loops, and assign again warm from the last solution, until the turn flows settle and the
// assignment reaches its relative gap, or the loop limit.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "assign/assignment.h"
#include "satprog/engine_network.h"

namespace veltra::satprog {

struct LoopSettings {
  double Gap = 1e-6;            // relative gap the assignment must reach
  // and, with it, every used route within this share of the free-flow cost of its pair's
  // shortest route, so that a saturated connector cannot make an unequal split look converged
  double ExcessTolerance = 1e-6;
  int32_t MaxIterations = 500;  // iterations of one assignment
  int32_t MaxLoops = 50;        // simulation-assignment loops
  // Solver iterations of each loop while the turn flows are still settling: the curves change
  // after every loop, so solving each loop's assignment to the gap would be wasted. Once a loop
  // finds the flows settled, the assignments run to the gap.
  int32_t SettlingIterations = 3;
  // The turn flows have settled when fewer than ChangedShare of the turns carrying flow changed
  // by more than TurnChange of their flow (and by more than MinChange pcu/h) since the loop
  // before.
  double TurnChange = 0.05;
  double ChangedShare = 0.01;
  double MinChange = 1.0;
  int32_t Threads = 0;
  // Flow-shift sweeps over the bushes per solver iteration; 0: the solver's default.
  int32_t InnerPasses = 0;
  NetworkOptions Junctions;
};

struct LoopRecord {
  int32_t Loop = 0;
  double ChangedShare = 0;  // share of the turns carrying flow whose flow changed (1 in the first loop)
  double Gap = 0;           // relative gap the loop's assignment reached
  double TotalDelay = 0;    // pcu-hours per hour spent in the junctions' delays
  double Step = 0;          // share of this loop's simulation in the delays of the next one (0: none)
  int32_t Iterations = 0;
  double Seconds = 0;  // since the start of the loop
};

struct SimulationAssignmentResult {
  bool Settled = false;    // the last loop's turn flows had settled
  bool GapReached = false; // the last assignment reached its gap
  bool Converged = false;  // both
  // The criteria it was held to (shares, not per cents).
  double TurnChange = 0, ChangedShareLimit = 0, TargetGap = 0;
  assign::AssignmentResult Assignment;  // the last loop's
  std::vector<LoopRecord> Loops;
};

// Runs the loop on a network whose demand is in network.Net.Classes; `progress`, when given,
// hears of each loop as it ends, and `iterationProgress` of each iteration of a loop's
// assignment. Throws assign::AssignmentError when trips cannot reach their destination.
SimulationAssignmentResult AssignAndSimulate(
    EngineNetwork& network, const LoopSettings& settings, const std::function<void(const LoopRecord&)>& progress = {},
    const std::function<void(int32_t loop, const assign::IterationRecord&)>& iterationProgress = {});

// The total flow of every turn ([Turns position]) in an assignment result.
std::vector<double> TurnFlows(const EngineNetwork& network, const assign::AssignmentResult& result);

// The share of the turns carrying flow in either loop whose flow changed by more than
// `turnChange` of the larger of the two flows and by more than `minChange` pcu/h.
double ChangedShare(const std::vector<double>& before, const std::vector<double>& after, double turnChange,
                    double minChange);

}  // namespace veltra::satprog
