#include "signals/timings.h"

#include <algorithm>
#include <cmath>

#include "util/conversions.h"

namespace veltra::signals {

double PatternPeriod(const SignalNode& node, int cycle) { return node.Doubled ? cycle / 2.0 : cycle; }

int PatternSeconds(const SignalNode& node, int cycle) { return node.Doubled ? RoundEven(cycle / 2.0) : cycle; }

int StageLength(const Timings& t, int node, int stage, int patternSeconds) {
  const int n = t.Stages(node);
  int next = t.At(node, stage + 1 == n ? 0 : stage + 1);
  int here = t.At(node, stage);
  int length = next - here;
  if (length <= 0) length += patternSeconds;
  if (n == 1) length = patternSeconds;
  return length;
}

bool MeetsMinimums(const SignalNetwork& net, const Timings& t, int node) {
  const SignalNode& nd = net.Nodes[static_cast<size_t>(node)];
  const int p = PatternSeconds(nd, t.Cycle);
  int total = 0;
  for (int k = 0; k < nd.Stages; ++k) {
    int len = StageLength(t, node, k, p);
    if (len < nd.MinStage[static_cast<size_t>(k)]) return false;
    total += len;
  }
  return total == p;  // starts out of order would make the lengths wrap more than once
}

Timings GivenTimings(const SignalNetwork& net, int cycle) {
  Timings t;
  t.Cycle = cycle > 0 ? cycle : net.Run.Cycle;
  t.First.assign(net.Nodes.size() + 1, 0);
  for (size_t n = 0; n < net.Nodes.size(); ++n) t.First[n + 1] = t.First[n] + net.Nodes[n].Stages;
  t.Start.assign(static_cast<size_t>(t.First.back()), 0);
  for (size_t n = 0; n < net.Nodes.size(); ++n) {
    const SignalNode& nd = net.Nodes[n];
    const int from = PatternSeconds(nd, net.Run.Cycle), to = PatternSeconds(nd, t.Cycle);
    for (int k = 0; k < nd.Stages; ++k) {
      int s = nd.Start[static_cast<size_t>(k)];
      if (from != to) s = static_cast<int>(static_cast<long>(s) * to / from);
      t.At(static_cast<int>(n), k) = ((s % to) + to) % to;
    }
  }
  return t;
}

std::vector<StageDemand> NodeDemands(const SignalNetwork& net) {
  std::vector<StageDemand> demands(net.Nodes.size());
  const double flowScale = net.Run.FlowFactor / 100.0;
  for (const SignalLink& link : net.Links) {
    if (link.Node < 0 || link.PeriodCount == 0) continue;
    StageDemand& d = demands[static_cast<size_t>(link.Node)];
    const int n = net.Nodes[static_cast<size_t>(link.Node)].Stages;
    std::array<bool, kMaxStagesPerNode> green{};
    int count = 0;
    for (int p = 0; p < link.PeriodCount; ++p) {
      const GreenPeriod& gp = link.Periods[static_cast<size_t>(p)];
      const size_t first = static_cast<size_t>(gp.StartStage - 1);
      d.Lost[first] = std::max(d.Lost[first], static_cast<double>(gp.StartLag + net.Run.StartLoss - gp.EndLag -
                                                                  net.Run.EndGain));
      int k = gp.StartStage - 1;
      do {
        if (!green[static_cast<size_t>(k)]) ++count;
        green[static_cast<size_t>(k)] = true;
        k = (k + 1) % n;
      } while (k != gp.EndStage - 1);
    }
    if (count == 0 || count == n || link.Saturation <= 0) continue;  // always green: never critical
    const double y = link.Flow * flowScale / link.Saturation / count;
    for (int k = 0; k < n; ++k)
      if (green[static_cast<size_t>(k)]) d.Ratio[static_cast<size_t>(k)] = std::max(d.Ratio[static_cast<size_t>(k)], y);
  }
  return demands;
}

void EquisatNode(const SignalNetwork& net, Timings& t, int node, const StageDemand& d) {
  const SignalNode& nd = net.Nodes[static_cast<size_t>(node)];
  const int n = nd.Stages;
  const int p = PatternSeconds(nd, t.Cycle);
  std::array<double, kMaxStagesPerNode> length{};
  std::array<bool, kMaxStagesPerNode> atMin{};
  for (int round = 0; round <= n; ++round) {
    double avail = p, ratio = 0;
    for (int k = 0; k < n; ++k) {
      const size_t kk = static_cast<size_t>(k);
      avail -= atMin[kk] ? nd.MinStage[kk] : std::max(0.0, d.Lost[kk]);
      if (!atMin[kk]) ratio += d.Ratio[kk];
    }
    int free = 0;
    for (int k = 0; k < n; ++k) free += atMin[static_cast<size_t>(k)] ? 0 : 1;
    bool changed = false;
    for (int k = 0; k < n; ++k) {
      const size_t kk = static_cast<size_t>(k);
      if (atMin[kk]) {
        length[kk] = nd.MinStage[kk];
        continue;
      }
      const double share = ratio > 0 ? d.Ratio[kk] / ratio : 1.0 / std::max(1, free);
      length[kk] = std::max(0.0, d.Lost[kk]) + std::max(0.0, avail) * share;
      if (length[kk] < nd.MinStage[kk]) {
        atMin[kk] = true;
        changed = true;
      }
    }
    if (!changed) break;
  }
  // Whole seconds: round down first.
  std::array<int, kMaxStagesPerNode> whole{};
  int used = 0;
  for (int k = 0; k < n; ++k) {
    const size_t kk = static_cast<size_t>(k);
    whole[kk] = std::max(nd.MinStage[kk], static_cast<int>(std::floor(length[kk])));
    used += whole[kk];
  }
  // Seconds left by the rounding go to the stages that lost most to it.
  while (used < p) {
    int best = 0;
    double most = -1.0;
    for (int k = 0; k < n; ++k) {
      const double lost = length[static_cast<size_t>(k)] - whole[static_cast<size_t>(k)];
      if (lost > most) {
        most = lost;
        best = k;
      }
    }
    ++whole[static_cast<size_t>(best)];
    ++used;
  }
  for (int k = n - 1; used > p && k >= 0; --k) {  // minimums rounded up past the pattern
    const size_t kk = static_cast<size_t>(k);
    const int cut = std::min(used - p, whole[kk] - nd.MinStage[kk]);
    whole[kk] -= cut;
    used -= cut;
  }
  int s = t.At(node, 0);
  for (int k = 0; k < n; ++k) {
    t.At(node, k) = s % p;
    s += whole[static_cast<size_t>(k)];
  }
}

void ShiftNode(const SignalNetwork& net, Timings& t, int node, int delta) {
  const int p = PatternSeconds(net.Nodes[static_cast<size_t>(node)], t.Cycle);
  for (int k = 0; k < t.Stages(node); ++k) t.At(node, k) = ((t.At(node, k) + delta) % p + p) % p;
}

std::vector<std::vector<int>> MoveUnits(const SignalNetwork& net) {
  std::vector<std::vector<int>> units(static_cast<size_t>(net.GroupCount));
  std::vector<bool> groupMoves(static_cast<size_t>(net.GroupCount), true);
  for (size_t n = 0; n < net.Nodes.size(); ++n) {
    const int g = net.Nodes[n].Group;
    if (g < 0) continue;
    units[static_cast<size_t>(g)].push_back(static_cast<int>(n));
    groupMoves[static_cast<size_t>(g)] = groupMoves[static_cast<size_t>(g)] && net.Nodes[n].Optimise;
  }
  std::vector<std::vector<int>> moving;
  for (size_t g = 0; g < units.size(); ++g)
    if (groupMoves[g] && !units[g].empty()) moving.push_back(units[g]);
  for (size_t n = 0; n < net.Nodes.size(); ++n)
    if (net.Nodes[n].Optimise && net.Nodes[n].Group < 0) moving.push_back({static_cast<int>(n)});
  return moving;
}

std::vector<bool> MovableNodes(const SignalNetwork& net) {
  std::vector<bool> movable(net.Nodes.size(), false);
  for (const std::vector<int>& unit : MoveUnits(net))
    for (int n : unit) movable[static_cast<size_t>(n)] = true;
  return movable;
}

int GreenStart(const SignalNetwork& net, const Timings& t, int l) {
  const SignalLink& link = net.Links[static_cast<size_t>(l)];
  if (link.Node < 0 || link.PeriodCount == 0) return -1;
  const GreenPeriod& gp = link.Periods[0];
  return t.At(link.Node, gp.StartStage - 1) + gp.StartLag + net.Run.StartLoss;
}

Timings StartingTimings(const SignalNetwork& net, int cycle, bool equisat) {
  Timings t = GivenTimings(net, cycle);
  const std::vector<StageDemand> demands = NodeDemands(net);
  for (size_t n = 0; n < net.Nodes.size(); ++n) {
    const int node = static_cast<int>(n);
    if (!net.Nodes[n].Optimise) continue;
    if (equisat || !MeetsMinimums(net, t, node)) EquisatNode(net, t, node, demands[n]);
  }
  return t;
}

Timings StartingTimings(const SignalNetwork& net, int cycle) { return StartingTimings(net, cycle, net.Run.Equisat); }

}  // namespace veltra::signals
