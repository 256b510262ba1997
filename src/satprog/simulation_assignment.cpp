#include "satprog/simulation_assignment.h"

#include <chrono>
#include <cmath>

namespace veltra::satprog {

std::vector<double> TurnFlows(const EngineNetwork& network, const assign::AssignmentResult& result) {
  std::vector<double> flows(network.TurnArc.size(), 0.0);
  for (size_t t = 1; t < network.TurnArc.size(); ++t) {
    const int32_t arc = network.TurnArc[t];
    if (arc >= 0 && static_cast<size_t>(arc) < result.Flow.size()) flows[t] = result.Flow[static_cast<size_t>(arc)];
  }
  return flows;
}

SimulationAssignmentResult AssignAndSimulate(EngineNetwork& network, const LoopSettings& settings) {
  const auto start = std::chrono::steady_clock::now();
  assign::SolverSettings solverSettings;
  solverSettings.TargetGap = settings.Gap;
  solverSettings.ExcessTolerance = settings.ExcessTolerance;
  solverSettings.MaxIterations = settings.MaxIterations;
  solverSettings.Threads = settings.Threads;
  if (settings.InnerPasses > 0) solverSettings.InnerPasses = settings.InnerPasses;

  // Only turns that give way have capacities that depend on flows; without them one
  // assignment is the answer.
  bool flowDependent = false;
  for (const TurnControl& control : network.Controls) flowDependent = flowDependent || control.MajorEnd > control.MajorBegin;

  SimulateJunctions(network, std::vector<double>(network.Controls.size(), 0.0), settings.Junctions);
  assign::Assignment solver(network.Net, solverSettings);
  SimulationAssignmentResult out;
  std::vector<double> previous, simulated;
  for (int32_t loop = 1; loop <= settings.MaxLoops; ++loop) {
    out.Assignment = solver.Solve();
    out.GapReached = out.Assignment.Converged;
    std::vector<double> flows = TurnFlows(network, out.Assignment);
    LoopRecord record;
    record.Loop = loop;
    record.Gap = out.Assignment.RelativeGap;
    record.Iterations = out.Assignment.Iterations;
    double change = 0, total = 0;
    for (size_t t = 1; t < flows.size(); ++t) {
      total += flows[t];
      change += previous.empty() ? flows[t] : std::fabs(flows[t] - previous[t]);
    }
    record.Delta = total > 0 ? change / total : 0;
    record.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    out.Loops.push_back(record);
    if (!flowDependent || (loop > 1 && record.Delta < settings.Tolerance)) {
      out.Converged = true;
      break;
    }
    if (loop == settings.MaxLoops) break;
    if (simulated.empty()) {
      simulated = flows;
    } else {
      for (size_t t = 1; t < flows.size(); ++t) simulated[t] += settings.Damping * (flows[t] - simulated[t]);
    }
    previous = std::move(flows);
    // The turns' curves change in place; the solver takes the costs again, warm from its bushes.
    SimulateJunctions(network, simulated, settings.Junctions);
    solver.SetLinkCosts(network.Net.Costs);
  }
  return out;
}

}  // namespace veltra::satprog
