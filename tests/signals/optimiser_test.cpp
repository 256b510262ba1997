// The hill-climber: on objectives whose optimum is known, and on signal networks against an
// exhaustive search of offsets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "signal_cases.h"
#include "signals/model.h"
#include "signals/optimiser.h"

namespace veltra::signals {
namespace {

// Distance around a cycle.
int Around(int a, int b, int cycle) {
  int d = ((a - b) % cycle + cycle) % cycle;
  return std::min(d, cycle - d);
}

// Squared distance of each node's first start and first stage length from a target.
class TargetObjective : public Objective {
 public:
  TargetObjective(const SignalNetwork& net, std::vector<int> offsets, std::vector<int> lengths)
      : net_(net), offsets_(offsets), lengths_(lengths) {}
  double Evaluate(const Timings& t) override {
    double v = 0;
    for (size_t n = 0; n < offsets_.size(); ++n) {
      const int node = static_cast<int>(n);
      const int d = Around(t.At(node, 0), offsets_[n], t.Cycle);
      const int len = StageLength(t, node, 0, PatternSeconds(net_.Nodes[n], t.Cycle));
      v += d * d + (len - lengths_[n]) * (len - lengths_[n]);
    }
    return v;
  }

 private:
  const SignalNetwork& net_;
  std::vector<int> offsets_, lengths_;
};

std::vector<std::string> ThreeNodes(const std::string& cardTwo) {
  RunOptions o;
  return {"three", CardOne(o), cardTwo, Card({12, 1, 0, 12, 30, 10}), Card({12, 2, 0, 12, 30, 10}),
          Card({13, 3, 0, 12, 20, 10, 40, 10})};
}

TEST(SignalOptimiser, ClimbsToAKnownOptimumWithinTheMinimumStages) {
  struct Case {
    std::vector<int> offsets, lengths;   // targets
    std::vector<int> expectOffset, expectLength;
  } cases[] = {
      {{17, 43, 5}, {25, 31, 20}, {17, 43, 5}, {25, 31, 20}},
      {{59, 0, 30}, {5, 55, 50}, {59, 0, 30}, {12, 50, 40}},  // held at the minimums of 12, 10 and 10 + 10
  };
  for (const Case& c : cases) {
    SignalNetwork net = Parse(ThreeNodes(Card({2, 1, 2, 3})));
    TargetObjective objective(net, c.offsets, c.lengths);
    ClimbResult r = HillClimb(net, StartingTimings(net, 60), objective);
    for (int n = 0; n < 3; ++n) {
      EXPECT_EQ(r.Best.At(n, 0), c.expectOffset[static_cast<size_t>(n)]) << "node " << n + 1;
      EXPECT_EQ(StageLength(r.Best, n, 0, 60), c.expectLength[static_cast<size_t>(n)]) << "node " << n + 1;
      EXPECT_TRUE(MeetsMinimums(net, r.Best, n));
    }
    EXPECT_LE(r.FinalIndex, r.StartIndex);
    for (size_t i = 1; i < r.Accepted.size(); ++i) EXPECT_LE(r.Accepted[i], r.Accepted[i - 1]);
  }
}

TEST(SignalOptimiser, FixedNodesStayAndCoordinatedNodesMoveTogether) {
  // Node 1 fixed (not on card 2); nodes 2 and 3 coordinated.
  SignalNetwork net = Parse(ThreeNodes(Card({2, 2, 3, -2, 3})));
  TargetObjective objective(net, {20, 40, 10}, {30, 30, 20});
  const Timings start = StartingTimings(net, 60);
  ClimbSettings offsetsOnly;
  offsetsOnly.ChangeTimes = false;
  ClimbResult r = HillClimb(net, start, objective, offsetsOnly);
  EXPECT_EQ(r.Best.At(0, 0), start.At(0, 0));
  EXPECT_EQ(r.Best.At(0, 1), start.At(0, 1));
  const int before = ((start.At(2, 0) - start.At(1, 0)) % 60 + 60) % 60;
  const int after = ((r.Best.At(2, 0) - r.Best.At(1, 0)) % 60 + 60) % 60;
  EXPECT_EQ(after, before);
  EXPECT_LT(r.FinalIndex, r.StartIndex);
}

TEST(SignalOptimiser, DoubleCycledNodeMovesWithinItsHalfCycle) {
  RunOptions o;
  SignalNetwork net = Parse({"d", CardOne(o), Card({2, 1}), Card({22, 1, 0, 8, 15, 8})});
  TargetObjective objective(net, {25}, {10});
  ClimbResult r = HillClimb(net, StartingTimings(net, 60), objective);
  EXPECT_LT(r.Best.At(0, 0), 30);
  EXPECT_LT(r.Best.At(0, 1), 30);
  EXPECT_EQ(StageLength(r.Best, 0, 0, 30) + StageLength(r.Best, 0, 1, 30), 30);
  EXPECT_EQ(StageLength(r.Best, 0, 0, 30), 10);
}

// The best index over every offset of nodes 2..N (node 1 held) on a grid, splits as started.
double GridBest(const SignalNetwork& net, NetworkModel& model, const Timings& start, int step) {
  const int nodes = static_cast<int>(net.Nodes.size());
  std::vector<int> shift(static_cast<size_t>(nodes), 0);
  double best = std::numeric_limits<double>::max();
  for (;;) {
    Timings t = start;
    for (int n = 1; n < nodes; ++n)
      for (int k = 0; k < t.Stages(n); ++k) t.At(n, k) = (t.At(n, k) + shift[static_cast<size_t>(n)]) % t.Cycle;
    best = std::min(best, model.Evaluate(t));
    int n = 1;
    while (n < nodes && (shift[static_cast<size_t>(n)] += step) >= start.Cycle) shift[static_cast<size_t>(n++)] = 0;
    if (n >= nodes) break;
  }
  return best;
}

TEST(SignalOptimiser, OptimisedIndexIsWithinOnePercentOfAnExhaustiveOffsetSearch) {
  struct Case {
    int nodes, cycle, gridStep, dispersion;
  } cases[] = {{2, 60, 1, 1}, {2, 80, 1, 0}, {3, 60, 2, 1}, {4, 60, 4, 1}, {5, 72, 6, 1}};
  for (const Case& c : cases) {
    RunOptions o;
    o.Cycle = c.cycle;
    o.Steps = c.cycle;
    o.Dispersion = c.dispersion;
    SignalNetwork net = Parse(test::Arterial(c.nodes, o));
    NetworkModel model(net, c.cycle);
    const Timings start = StartingTimings(net, c.cycle);
    const double startIndex = model.Evaluate(start);
    const double grid = GridBest(net, model, start, c.gridStep);
    ModelObjective objective(model);
    ClimbResult r = HillClimb(net, start, objective);
    NetworkModel check(net, c.cycle);
    const double optimised = check.Evaluate(r.Best);
    EXPECT_NEAR(optimised, r.FinalIndex, 1e-6 * optimised);
    EXPECT_LE(optimised, startIndex);
    EXPECT_LE(optimised, grid * 1.01) << c.nodes << " junctions: grid " << grid << ", climb " << optimised;
  }
}

}  // namespace
}  // namespace veltra::signals
