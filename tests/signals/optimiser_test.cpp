// The hill-climber: on objectives whose optimum is known, and on signal networks against an
// exhaustive search of offsets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "signal_cases.h"
#include "signals/model.h"
#include "signals/optimiser.h"
#include "signals/search.h"

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

  // The whole search, its starts and large moves, on an arterial with the same card 2.
  RunOptions o;
  std::vector<std::string> lines = test::Arterial(3, o, false);
  lines.insert(lines.begin() + 2, Card({2, 2, 3, -2, 3}));
  SignalNetwork arterial = Parse(lines);
  NetworkModel model(arterial, 60);
  const RunOutcome outcome = OptimiseTimings(arterial, model);
  const Timings given = GivenTimings(arterial);
  EXPECT_EQ(outcome.Final.At(0, 0), given.At(0, 0));
  EXPECT_EQ(outcome.Final.At(0, 1), given.At(0, 1));
  EXPECT_EQ(outcome.Final.At(1, 0), outcome.Final.At(2, 0));  // given together, they stay together
  EXPECT_LT(outcome.FinalIndex, outcome.StartIndex);
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

// The plan with the offsets of nodes 2..N moved by `shift` against node 1, splits kept.
Timings Shifted(const Timings& plan, const std::vector<int>& shift) {
  Timings t = plan;
  for (size_t n = 1; n < shift.size(); ++n)
    for (int k = 0; k < t.Stages(static_cast<int>(n)); ++k)
      t.At(static_cast<int>(n), k) = (t.At(static_cast<int>(n), k) + shift[n]) % t.Cycle;
  return t;
}

// The best index over every offset of nodes 2..N (node 1 held), second by second.
double ExhaustiveOffsets(NetworkModel& model, const Timings& plan, int nodes) {
  std::vector<int> shift(static_cast<size_t>(nodes), 0);
  double best = std::numeric_limits<double>::max();
  for (;;) {
    best = std::min(best, model.Evaluate(Shifted(plan, shift)));
    int n = 1;
    while (n < nodes && ++shift[static_cast<size_t>(n)] == plan.Cycle) shift[static_cast<size_t>(n++)] = 0;
    if (n >= nodes) return best;
  }
}

// Coordinate descent on the offsets of nodes 2..N, each scanned second by second until none
// improves, from many starts spread by a fixed pseudo-random sequence; the best it reaches.
double ManyStartDescent(NetworkModel& model, const Timings& plan, int nodes, int starts) {
  unsigned seed = 12345;
  double best = std::numeric_limits<double>::max();
  for (int s = 0; s < starts; ++s) {
    std::vector<int> shift(static_cast<size_t>(nodes), 0);
    for (int n = 1; n < nodes; ++n) {
      seed = seed * 1103515245u + 12345u;
      shift[static_cast<size_t>(n)] = static_cast<int>((seed >> 8) % static_cast<unsigned>(plan.Cycle));
    }
    double value = model.Evaluate(Shifted(plan, shift));
    for (bool improved = true; improved;) {
      improved = false;
      for (int n = 1; n < nodes; ++n) {
        std::vector<int> trial = shift;
        for (int o = 0; o < plan.Cycle; ++o) {
          trial[static_cast<size_t>(n)] = o;
          const double v = model.Evaluate(Shifted(plan, trial));
          if (v < value - 1e-9) {
            value = v;
            shift[static_cast<size_t>(n)] = o;
            improved = true;
          }
        }
      }
    }
    best = std::min(best, value);
  }
  return best;
}

// Arterials with and without platoon dispersion: the search ends within 1% of the best offsets
// for its own stage lengths, found by exhaustive search (3 junctions) or by many-start
// coordinate descent (5 junctions); and never above any of its starts.
TEST(SignalOptimiser, ArterialsReachTheBestOffsetsForTheirStageLengths) {
  struct Case {
    int nodes, cycle, dispersion;
    bool exhaustive;
  } cases[] = {{2, 80, 0, true}, {3, 60, 1, true}, {3, 60, 0, true}, {5, 72, 1, false}, {5, 60, 0, false}};
  for (const Case& c : cases) {
    RunOptions o;
    o.Cycle = c.cycle;
    o.Steps = c.cycle / 2;
    o.Dispersion = c.dispersion;
    SignalNetwork net = Parse(test::Arterial(c.nodes, o));
    NetworkModel model(net, c.cycle);
    const RunOutcome r = OptimiseTimings(net, model);
    NetworkModel check(net, c.cycle);
    const double optimised = check.Evaluate(r.Final);
    EXPECT_NEAR(optimised, r.FinalIndex, 1e-9 * optimised);
    for (const StartReport& s : r.Starts) EXPECT_LE(optimised, s.Index) << s.Name;
    const double reference =
        c.exhaustive ? ExhaustiveOffsets(check, r.Final, c.nodes) : ManyStartDescent(check, r.Final, c.nodes, 12);
    EXPECT_LE(optimised, reference * 1.01) << c.nodes << " junctions, dispersion " << c.dispersion << ": reference "
                                           << reference << ", search " << optimised;
  }
}

// A card that carries good timings (the best splits and offset, found by search) is never made
// worse, even when the run asks for equisaturation splits and moves only offsets. Stops weigh
// heavily here, so the best splits are not equisaturation's.
TEST(SignalOptimiser, GivenTimingsAreNeverMadeWorse) {
  for (int dispersion : {0, 1}) {
    RunOptions o;
    o.Cycle = 60;
    o.Dispersion = dispersion;
    o.Optimise = 1;
    o.StopWeight = 3000;
    std::vector<std::string> lines = test::Arterial(2, o);
    SignalNetwork net = Parse(lines);
    NetworkModel model(net, 60);
    Timings given = GivenTimings(net), best = given;
    double bestIndex = std::numeric_limits<double>::max();
    for (int split = 20; split <= 45; ++split)
      for (int shift = 0; shift < 60; ++shift) {
        for (int n = 0; n < 2; ++n) {
          given.At(n, 0) = n * shift;
          given.At(n, 1) = (n * shift + split) % 60;
        }
        const double v = model.Evaluate(given);
        if (v < bestIndex) {
          bestIndex = v;
          best = given;
        }
      }
    for (int n = 0; n < 2; ++n) lines[static_cast<size_t>(3 + n)] = Card({12, n + 1, best.At(n, 0), 10, best.At(n, 1), 10});
    SignalNetwork carried = Parse(lines);
    NetworkModel run(carried, 60);
    EXPECT_LE(OptimiseTimings(carried, run).FinalIndex, bestIndex * (1 + 1e-12)) << "dispersion " << dispersion;
  }
}

}  // namespace
}  // namespace veltra::signals
