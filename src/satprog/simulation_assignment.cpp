#include "satprog/simulation_assignment.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

namespace veltra::satprog {

std::vector<double> TurnFlows(const EngineNetwork& network, const assign::AssignmentResult& result) {
  std::vector<double> flows(network.TurnArc.size(), 0.0);
  for (size_t t = 1; t < network.TurnArc.size(); ++t) {
    const int32_t arc = network.TurnArc[t];
    if (arc >= 0 && static_cast<size_t>(arc) < result.Flow.size()) flows[t] = result.Flow[static_cast<size_t>(arc)];
  }
  return flows;
}

double ChangedShare(const std::vector<double>& before, const std::vector<double>& after, double turnChange,
                    double minChange) {
  int64_t loaded = 0, changed = 0;
  for (size_t t = 1; t < after.size() && t < before.size(); ++t) {
    const double larger = std::max(before[t], after[t]);
    if (!(larger > 0)) continue;
    ++loaded;
    const double change = std::fabs(after[t] - before[t]);
    if (change > turnChange * larger && change > minChange) ++changed;
  }
  return loaded > 0 ? static_cast<double>(changed) / static_cast<double>(loaded) : 0.0;
}

namespace {

double TotalDelay(const EngineNetwork& network, const assign::AssignmentResult& result) {
  double hours = 0;
  for (size_t t = 1; t < network.TurnArc.size(); ++t)
    if (network.TurnArc[t] >= 0)
      hours += network.TurnFlow(result, static_cast<int32_t>(t)) * network.TurnTime(result, static_cast<int32_t>(t)) / 3600;
  return hours;
}

// The step of each loop's simulation into the delays of the next assignment: 1 / eta, eta
// growing by 1 after each loop whose simulation lay no nearer the curves than the one before (a
// setback) and kept while the loop closes in. This is the residual-driven rule of self-regulated
// averaging (Liu, He and He, 2009) without its growth between setbacks, so that the step falls
// only where the loop stops closing in, as in Kesten's accelerated stochastic approximation
// (1958): successive averages (1 / k) would shrink it as fast on a loop that closes in steadily
// and leave the curves lagging behind the simulations.
class AveragingStep {
 public:
  // `residual`: how far this simulation lies from the curves it would move. Once the flows have
  // settled the loop only confirms them, and each step is at most half the one before, so that
  // the curves come to rest while the assignments are solved to their gap.
  double Next(double residual, bool settled) {
    const double last = 1 / eta_;
    if (first_) {
      // The first simulation replaces the empty junctions' curves outright: they are no
      // estimate of anything loaded, and how far it lay from them says nothing either.
      first_ = false;
      eta_ = 1;
      residual = std::numeric_limits<double>::infinity();
    } else if (residual >= lastResidual_) {
      eta_ += 1;
    }
    lastResidual_ = residual;
    if (settled) eta_ = std::max(eta_, 2 / last);
    return 1 / eta_;
  }

 private:
  bool first_ = true;
  double eta_ = 1;
  double lastResidual_ = 0;
};

// The simulation after an assignment: each give-way turn's curve is refitted around its flow,
// the conflicting flows held: the delay it gives there moves from the present curve's towards
// the simulated one by the averaging step, and the curve's capacity becomes the one that gives
// that delay. Averaging delays rather than capacities lets a turn far below capacity, whose
// delay hardly depends on it, follow its simulated capacity at once, and averages an
// overloaded turn's delay, which grows as the inverse of its capacity, where it matters.
double RefitGiveWayCurves(EngineNetwork& network, const std::vector<double>& flows, AveragingStep& step, bool settled) {
  const std::vector<double> simulated = SimulatedCapacities(network, flows);
  struct Fit {
    double Flow, Present, Simulated;
  };
  std::vector<Fit> fits;
  fits.reserve(network.GiveWayOrder.size());
  double residual = 0;  // pcu-hours per hour between the present and the simulated delays
  for (int32_t t : network.GiveWayOrder) {
    const size_t i = static_cast<size_t>(t);
    if (!network.Delays[i]) continue;
    TurnDelayCurve curve = network.Delays[i]->Curve;
    // A turn without flow is fitted at 1 pcu/h, where its delay still tells its capacity.
    const double v = std::max(flows[i], 1.0);
    const Fit fit{v, curve.Delay(v), (curve.Capacity = std::max(simulated[i], kMinCapacity), curve.Delay(v))};
    residual += flows[i] * std::fabs(fit.Simulated - fit.Present) / 3600;
    fits.push_back(fit);
  }
  const double lambda = step.Next(residual, settled);
  std::vector<double> capacities(network.Controls.size(), 0.0);
  for (size_t t = 1; t < capacities.size(); ++t) capacities[t] = network.TurnCapacity(static_cast<int32_t>(t));
  size_t k = 0;
  for (int32_t t : network.GiveWayOrder) {
    const size_t i = static_cast<size_t>(t);
    if (!network.Delays[i]) continue;
    const Fit& fit = fits[k++];
    const double target = fit.Present + lambda * (fit.Simulated - fit.Present);
    capacities[i] = lambda >= 1 ? simulated[i]
                                : CapacityForDelay(network.Delays[i]->Curve, fit.Flow, target, capacities[i],
                                                   std::max(simulated[i], kMinCapacity));
  }
  SetCapacities(network, capacities);
  return lambda;
}

}  // namespace

SimulationAssignmentResult AssignAndSimulate(
    EngineNetwork& network, const LoopSettings& settings, const std::function<void(const LoopRecord&)>& progress,
    const std::function<void(int32_t loop, const assign::IterationRecord&)>& iterationProgress) {
  const auto start = std::chrono::steady_clock::now();
  // Only turns that give way have capacities that depend on flows; without them one
  // assignment is the answer.
  const bool flowDependent = !network.GiveWayOrder.empty();
  assign::SolverSettings solverSettings;
  solverSettings.TargetGap = settings.Gap;
  solverSettings.ExcessTolerance = settings.ExcessTolerance;
  solverSettings.Threads = settings.Threads;
  if (settings.InnerPasses > 0) solverSettings.InnerPasses = settings.InnerPasses;
  assign::Assignment solver(network.Net, solverSettings);

  SimulationAssignmentResult out;
  out.TurnChange = settings.TurnChange;
  out.ChangedShareLimit = settings.ChangedShare;
  out.TargetGap = settings.Gap;
  std::vector<double> previous;
  AveragingStep step;
  bool closing = !flowDependent;  // the flows have settled once: assignments run to the gap
  // At least one assignment, whatever the limit says: a result without one has no flows to list.
  const int32_t maxLoops = std::max(1, settings.MaxLoops);
  for (int32_t loop = 1; loop <= maxLoops; ++loop) {
    // The last loop runs to the gap whatever happened before: the flows listed are then an
    // equilibrium of the curves listed.
    const bool full = closing || loop == maxLoops;
    solverSettings.MaxIterations = full ? settings.MaxIterations : std::max(1, settings.SettlingIterations);
    solver.SetSettings(solverSettings);
    out.Assignment = iterationProgress ? solver.Solve([&](const assign::IterationRecord& r) { iterationProgress(loop, r); })
                                       : solver.Solve();
    std::vector<double> flows = TurnFlows(network, out.Assignment);
    LoopRecord record;
    record.Loop = loop;
    record.Gap = out.Assignment.RelativeGap;
    record.Iterations = out.Assignment.Iterations;
    record.TotalDelay = TotalDelay(network, out.Assignment);
    record.ChangedShare = previous.empty() ? 1.0 : ChangedShare(previous, flows, settings.TurnChange, settings.MinChange);
    out.GapReached = out.Assignment.Converged;
    out.Settled = !flowDependent || (loop > 1 && record.ChangedShare < settings.ChangedShare);
    out.Converged = out.Settled && out.GapReached;
    closing = closing || out.Settled;
    if (!out.Converged && loop < maxLoops) {
      record.Step = RefitGiveWayCurves(network, flows, step, closing);
      // The curves changed in place; the solver takes the costs again, warm from its bushes.
      solver.SetLinkCosts(network.Net.Costs);
    }
    record.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    out.Loops.push_back(record);
    if (progress) progress(record);
    if (out.Converged) break;
    previous = std::move(flows);
  }
  return out;
}

}  // namespace veltra::satprog
