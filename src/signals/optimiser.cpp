#include "signals/optimiser.h"

#include <algorithm>
#include <cmath>

namespace veltra::signals {

namespace {

bool Better(double candidate, double best) { return candidate < best - 1e-9 * std::max(1.0, std::fabs(best)); }

void ShiftPattern(const SignalNetwork& net, Timings& t, int node, int delta) {
  const int p = PatternSeconds(net.Nodes[static_cast<size_t>(node)], t.Cycle);
  for (int k = 0; k < t.Stages(node); ++k) t.At(node, k) = ((t.At(node, k) + delta) % p + p) % p;
}

// Moves the start of stage k by delta when both stages beside the change keep their minimums.
bool ShiftChange(const SignalNetwork& net, Timings& t, int node, int k, int delta) {
  const SignalNode& nd = net.Nodes[static_cast<size_t>(node)];
  const int n = nd.Stages;
  if (n < 2) return false;
  const int p = PatternSeconds(nd, t.Cycle);
  const int before = (k + n - 1) % n;
  const int lenBefore = StageLength(t, node, before, p) + delta;
  const int lenHere = StageLength(t, node, k, p) - delta;
  if (lenBefore < nd.MinStage[static_cast<size_t>(before)] || lenHere < nd.MinStage[static_cast<size_t>(k)]) return false;
  if (lenBefore <= 0 || lenHere <= 0) return false;
  t.At(node, k) = ((t.At(node, k) + delta) % p + p) % p;
  return true;
}

}  // namespace

std::vector<int> StepSizes(int cycle) {
  std::vector<int> sizes;
  for (int s = std::max(1, cycle / 2); s >= 1; s /= 2) {
    sizes.push_back(s);
    if (s == 1) break;
  }
  return sizes;
}

ClimbResult HillClimb(const SignalNetwork& net, const Timings& start, Objective& objective,
                      const ClimbSettings& settings) {
  ClimbResult result;
  Timings t = start;
  double best = objective.Evaluate(t);
  ++result.Evaluations;
  result.StartIndex = best;

  // Units of offset moves: a coordinated group moves whole, and only when all of it may move.
  std::vector<std::vector<int>> units;
  std::vector<int> optimised;
  for (int g = 0; g < net.GroupCount; ++g) {
    std::vector<int> members;
    bool movable = true;
    for (size_t n = 0; n < net.Nodes.size(); ++n)
      if (net.Nodes[n].Group == g) {
        members.push_back(static_cast<int>(n));
        movable = movable && net.Nodes[n].Optimise;
      }
    if (movable && !members.empty()) units.push_back(members);
  }
  for (size_t n = 0; n < net.Nodes.size(); ++n) {
    if (!net.Nodes[n].Optimise) continue;
    optimised.push_back(static_cast<int>(n));
    if (net.Nodes[n].Group < 0) units.push_back({static_cast<int>(n)});
  }
  if (optimised.empty()) {
    result.Best = t;
    result.FinalIndex = best;
    return result;
  }

  // Tries a move in both directions, and keeps going in a direction while it improves. The
  // trial timings reuse their storage from one try to the next.
  Timings trial = t;
  auto climb = [&](const std::vector<int>& nodes, auto move) {
    bool improved = false;
    for (int sign : {+1, -1}) {
      // At most one turn of the cycle in one direction, however the estimates fall.
      for (int moves = 0; moves < t.Cycle; ++moves) {
        trial.Start = t.Start;
        if (!move(trial, sign)) break;
        double v = objective.TryChange(trial, nodes);
        ++result.Evaluations;
        if (!Better(v, best)) break;
        objective.Accept();
        t.Start = trial.Start;
        best = v;
        result.Accepted.push_back(v);
        improved = true;
      }
      if (improved) break;
    }
    return improved;
  };

  double roundStart = best;
  for (int size : StepSizes(t.Cycle)) {
    if (size < settings.SmallestStep) break;
    Timings roundTimings = t;
    for (int sweep = 0; sweep < settings.MaxSweeps; ++sweep) {
      bool improved = false;
      if (settings.Offsets)
        for (const auto& unit : units)
          improved |= climb(unit, [&](Timings& trial, int sign) {
            for (int n : unit) ShiftPattern(net, trial, n, sign * size);
            return true;
          });
      std::vector<int> one(1);
      if (settings.ChangeTimes)
        for (int n : optimised)
          for (int k = 0; k < net.Nodes[static_cast<size_t>(n)].Stages; ++k) {
            one[0] = n;
            improved |= climb(one, [&](Timings& trial, int sign) { return ShiftChange(net, trial, n, k, sign * size); });
          }
      if (!improved) break;
    }
    // The trials estimate the effect of a move near it; the whole network decides.
    double full = objective.Evaluate(t);
    ++result.Evaluations;
    if (full > roundStart) {
      t = roundTimings;
      full = objective.Evaluate(t);
      ++result.Evaluations;
    }
    best = full;
    roundStart = full;
  }
  result.Best = t;
  result.FinalIndex = best;
  return result;
}

}  // namespace veltra::signals
