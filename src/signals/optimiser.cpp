#include "signals/optimiser.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "util/text.h"

namespace veltra::signals {

namespace {

// A move is kept when it lowers the objective by more than this share of it: less is rounding.
constexpr double kImprovement = 1e-9;

bool Better(double candidate, double best) {
  return candidate < best - kImprovement * std::max(1.0, std::fabs(best));
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

// A search's result before its first move: the start and its value.
ClimbResult StartAt(const Timings& start, Objective& objective) {
  ClimbResult result;
  result.Best = start;
  result.StartIndex = result.FinalIndex = objective.Evaluate(start);
  result.Evaluations = 1;
  return result;
}

// The first stage whose start a single change-time move may shift. A coordinated node keeps
// the start of its stage 1 (its offset) against the rest of its group, so only the later
// changes move on their own; they reach every split all the same.
int FirstMovableChange(const SignalNetwork& net, int node) { return net.Nodes[static_cast<size_t>(node)].Group >= 0 ? 1 : 0; }

std::vector<int> OptimisedNodes(const SignalNetwork& net) {
  std::vector<int> nodes;
  for (size_t n = 0; n < net.Nodes.size(); ++n)
    if (net.Nodes[n].Optimise) nodes.push_back(static_cast<int>(n));
  return nodes;
}

// Nodes whose timings bear on each other's links: a link of one feeds or opposes a link of the
// other, directly or through one link that no signal controls. [node] -> neighbours.
std::vector<std::vector<int>> Neighbours(const SignalNetwork& net) {
  std::vector<std::vector<int>> near(net.Nodes.size());
  auto owners = [&](int l, auto&& add) {
    const SignalLink& link = net.Links[static_cast<size_t>(l)];
    if (link.Node >= 0) {
      add(link.Node);
      return;
    }
    for (int h = 0; h < link.SourceCount; ++h) {
      const int up = net.Links[static_cast<size_t>(link.Sources[static_cast<size_t>(h)].Link)].Node;
      if (up >= 0) add(up);
    }
  };
  for (const SignalLink& link : net.Links) {
    if (link.Node < 0) continue;
    auto add = [&](int other) {
      if (other == link.Node) return;
      near[static_cast<size_t>(link.Node)].push_back(other);
      near[static_cast<size_t>(other)].push_back(link.Node);
    };
    for (int h = 0; h < link.SourceCount; ++h) owners(link.Sources[static_cast<size_t>(h)].Link, add);
    if (link.GivesWay)
      for (int o : {link.Gw.Opposing1, link.Gw.Opposing2})
        if (o >= 0) owners(o, add);
  }
  for (std::vector<int>& list : near) {
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
  }
  return near;
}

// A scan over `count` moves tries every stride-th first, then the moves around the two best.
constexpr int kCoarseMoves = 30;

// Calls of the objective between two looks at the clock: an evaluation of a large network takes
// far longer than the look, a trial on a small one far less.
constexpr int64_t kCallsPerLook = 64;

}  // namespace

void WatchedObjective::Step(Objective& inner, std::string what) {
  inner_ = &inner;
  step_ = std::move(what);
  stepEvaluated_ = false;
}

double WatchedObjective::Evaluate(const Timings& t) {
  const double v = inner_->Evaluate(t);
  if (!stepEvaluated_ || v < stepBest_) stepBest_ = v;
  stepEvaluated_ = true;
  Count();
  return v;
}

double WatchedObjective::TryChange(const Timings& t, const std::vector<int>& nodes) {
  const double v = inner_->TryChange(t, nodes);
  Count();
  return v;
}

void WatchedObjective::Count() {
  if (++calls_ % kCallsPerLook != 0 || !progress_.Due()) return;
  std::string line = Printf("t8s: %s: %lld evaluations", step_.c_str(), static_cast<long long>(calls_));
  if (stepEvaluated_) line += Printf(", best index %.1f", stepBest_);
  progress_.Write(line);
}

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
  ClimbResult result = StartAt(start, objective);
  Timings t = start;
  double best = result.StartIndex;

  // Units of offset moves: a coordinated group moves whole, and only when all of it may move.
  const std::vector<std::vector<int>> units = MoveUnits(net);
  const std::vector<int> optimised = OptimisedNodes(net);
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
            for (int n : unit) ShiftNode(net, trial, n, sign * size);
            return true;
          });
      std::vector<int> one(1);
      if (settings.ChangeTimes)
        for (int n : optimised)
          for (int k = FirstMovableChange(net, n); k < net.Nodes[static_cast<size_t>(n)].Stages; ++k) {
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

ClimbResult Polish(const SignalNetwork& net, const Timings& start, Objective& objective,
                   const std::vector<std::vector<int>>& largeMoves, const PolishSettings& settings) {
  ClimbResult result = StartAt(start, objective);
  Timings t = start;
  double current = result.StartIndex;
  const std::vector<std::vector<int>> units = MoveUnits(net);
  const std::vector<int> optimised = OptimisedNodes(net);
  const std::vector<std::vector<int>> near = Neighbours(net);

  // A scan needs doing again only when a node near the ones it moves has changed since: the
  // clock counts the moves kept, and each node remembers the last one that moved it.
  int clock = 0;
  std::vector<int> changed(net.Nodes.size(), 0);
  auto lastChangeNear = [&](const std::vector<int>& nodes) {
    int last = 0;
    for (int n : nodes) {
      last = std::max(last, changed[static_cast<size_t>(n)]);
      for (int m : near[static_cast<size_t>(n)]) last = std::max(last, changed[static_cast<size_t>(m)]);
    }
    return last;
  };

  // Tries moves 0 .. count-1 of the given nodes (every stride-th first, then those around the
  // two best) and keeps the one that lowers the objective most.
  Timings trial = t;
  std::vector<double> value;
  auto keepBest = [&](const std::vector<int>& nodes, int count, auto move) {
    if (count <= 0) return false;
    value.assign(static_cast<size_t>(count), std::numeric_limits<double>::infinity());
    auto tryMove = [&](int m) {
      if (m < 0 || m >= count || value[static_cast<size_t>(m)] != std::numeric_limits<double>::infinity()) return;
      trial.Start = t.Start;
      value[static_cast<size_t>(m)] = std::numeric_limits<double>::max();  // tried
      if (!move(trial, m)) return;
      value[static_cast<size_t>(m)] = objective.TryChange(trial, nodes);
      ++result.Evaluations;
    };
    const int stride = (count + kCoarseMoves - 1) / kCoarseMoves;
    for (int m = 0; m < count; m += stride) tryMove(m);
    if (stride > 1) {
      int first = -1, second = -1;
      for (int m = 0; m < count; m += stride) {
        if (first < 0 || value[static_cast<size_t>(m)] < value[static_cast<size_t>(first)]) {
          second = first;
          first = m;
        } else if (second < 0 || value[static_cast<size_t>(m)] < value[static_cast<size_t>(second)]) {
          second = m;
        }
      }
      for (int centre : {first, second})
        for (int d = 1; d < stride && centre >= 0; ++d) {
          tryMove(centre - d);
          tryMove(centre + d);
        }
    }
    int bestMove = -1;
    double bestValue = current;
    for (int m = 0; m < count; ++m)
      if (Better(value[static_cast<size_t>(m)], bestValue)) {
        bestValue = value[static_cast<size_t>(m)];
        bestMove = m;
      }
    if (bestMove < 0) return false;
    trial.Start = t.Start;
    move(trial, bestMove);
    current = objective.TryChange(trial, nodes);  // the objective keeps only the last trial
    ++result.Evaluations;
    objective.Accept();
    t.Start = trial.Start;
    result.Accepted.push_back(current);
    ++clock;
    for (int n : nodes) changed[static_cast<size_t>(n)] = clock;
    return true;
  };

  std::vector<int> offsetScanned(units.size(), -1), changeScanned(net.Nodes.size(), -1);
  std::vector<int> one(1);
  for (int round = 0; round < settings.MaxRounds; ++round) {
    const Timings roundStart = t;
    const double roundIndex = current;
    bool moved = false;
    if (settings.Offsets)
      for (size_t u = 0; u < units.size(); ++u) {
        const std::vector<int>& unit = units[u];
        if (offsetScanned[u] >= lastChangeNear(unit)) continue;
        int period = 0;
        for (int n : unit) period = std::max(period, PatternSeconds(net.Nodes[static_cast<size_t>(n)], t.Cycle));
        moved |= keepBest(unit, period - 1, [&](Timings& tr, int m) {
          for (int n : unit) ShiftNode(net, tr, n, m + 1);
          return true;
        });
        offsetScanned[u] = clock;
      }
    if (settings.ChangeTimes)
      for (int n : optimised) {
        const SignalNode& nd = net.Nodes[static_cast<size_t>(n)];
        one[0] = n;
        if (nd.Stages < 2 || changeScanned[static_cast<size_t>(n)] >= lastChangeNear(one)) continue;
        const int p = PatternSeconds(nd, t.Cycle);
        for (int k = FirstMovableChange(net, n); k < nd.Stages; ++k) {
          // Stage k starts d seconds later: the stage before it gains d, stage k loses d.
          const int before = (k + nd.Stages - 1) % nd.Stages;
          const int lenBefore = StageLength(t, n, before, p), lenHere = StageLength(t, n, k, p);
          const int low = std::max(nd.MinStage[static_cast<size_t>(before)], 1) - lenBefore;
          const int high = lenHere - std::max(nd.MinStage[static_cast<size_t>(k)], 1);
          moved |= keepBest(one, high - low + 1, [&](Timings& tr, int m) {
            const int d = low + m;
            return d != 0 && ShiftChange(net, tr, n, k, d);
          });
        }
        changeScanned[static_cast<size_t>(n)] = clock;
      }
    // When no single node can do better, whole parts of the network jump against the rest.
    if (!moved && settings.Offsets) {
      const int jumps[] = {t.Cycle / 2, t.Cycle / 4, t.Cycle - t.Cycle / 4};
      for (const std::vector<int>& nodes : largeMoves)
        moved |= keepBest(nodes, 3, [&](Timings& tr, int m) {
          if (jumps[m] == 0) return false;
          for (int n : nodes) ShiftNode(net, tr, n, jumps[m]);
          return true;
        });
    }
    // The trials estimate a move near it; the whole network decides.
    const double full = objective.Evaluate(t);
    ++result.Evaluations;
    if (full > roundIndex) {
      t = roundStart;
      current = objective.Evaluate(t);
      ++result.Evaluations;
      break;
    }
    current = full;
    if (!moved || !Better(full, roundIndex)) break;
  }
  result.Best = t;
  result.FinalIndex = current;
  return result;
}

}  // namespace veltra::signals
