#include "loop/flow_averaging.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "support/loop_model_builder.h"

namespace veltra {
namespace {

// A two-route toy with one signal, where the engines are closed forms.
//
// 400 pcu/h travel from A to B, either along a side road that crosses a main road at a signal
// (route 1, its time the signal's delay) or round a bypass (route 2: 60 s + 0.005 s per pcu/h on
// it). The signal has two stages, 10 s of lost time, saturation flows of 1800 pcu/h and
// 1500 pcu/h on the main road. Signal timings as an engineer sets them from the flows (the
// "optimiser"): Webster's cycle (1.5 L + 5) / (1 - Y) = 20 / (1 - Y), Y = (1500 + x) / 1800 for
// x pcu/h on the side road, and the side road held at its minimum green of 10 s. Route choice
// (the "assignment"): user equilibrium with Webster's delay on the side road,
// d = c (1 - l)^2 / (2 (1 - x / s)) + X^2 / (2 q (1 - X)), l = g / c, X = x / (l s), q = x / 3600.
//
// More traffic on the side road lengthens the cycle and so its red, which sends the traffic
// away; none there shortens the cycle, which brings it back. Set each time on the last
// assignment, the timings alternate between two plans for ever: no side-road traffic and a
// 120 s cycle, 65.7 pcu/h and 153.6 s.
//
// The consistent state, by hand: x = 30.07 pcu/h; c = 36000 / (300 - x) = 133.37 s; l = 10 / c
// = 0.07498; capacity l s = 134.96 pcu/h, X = 0.2228; uniform delay 133.37 x 0.92502^2 /
// (2 x 0.98329) = 58.03 s, random delay 0.2228^2 / (2 x 0.008353 x 0.7772) = 3.82 s; together
// 61.85 s = 60 + 0.005 x 369.93 on the bypass.
constexpr double kDemand = 400, kSaturation = 1800, kMainRoad = 1500, kLostTime = 10, kMinimumGreen = 10;
constexpr double kConsistentSplit = 30.07, kConsistentCycle = 133.37;

struct Timings {
  double Cycle = 0, SideGreen = 0;
};

Timings WebsterTimings(double side) {
  const double y = (kMainRoad + side) / kSaturation;
  const double cycle = std::clamp((1.5 * kLostTime + 5) / (1 - y), 30.0, 180.0);
  return {cycle, std::max(kMinimumGreen, (cycle - kLostTime) * (side / kSaturation) / y)};
}

double SideRoadDelay(double side, const Timings& t) {
  const double share = t.SideGreen / t.Cycle, degree = side / (share * kSaturation);
  if (degree >= 0.999) return 1e9;
  const double uniform = t.Cycle * (1 - share) * (1 - share) / (2 * (1 - share * degree));
  return uniform + (side > 0 ? degree * degree / (2 * (side / 3600) * (1 - degree)) : 0);
}

double EquilibriumSide(const Timings& t) {
  const auto gap = [&](double side) { return SideRoadDelay(side, t) - (60 + 0.005 * (kDemand - side)); };
  double low = 1e-6, high = std::min(kDemand, 0.999 * t.SideGreen / t.Cycle * kSaturation);
  if (gap(low) >= 0) return 0;
  for (int k = 0; k < 200; ++k) (gap((low + high) / 2) > 0 ? high : low) = (low + high) / 2;
  return (low + high) / 2;
}

// The loop on the toy: signals set on the flows the turn table holds (the TRANSYT links record
// them as the turns' previous flows), the assignment's answer read back into it, and with
// `averaged` that answer folded into the average, which is handed to the next iteration.
struct ToyLoop {
  SaturnVars sat;
  FlowAverage average;
  Timings timings;
  ToyLoop() {
    test::TableBuilder b(sat);
    const int entry = b.Link(201, 101, 300, 20.0f);
    b.Turn(entry, 101, 202, 20.0f, 0.0f, true, 0.0f);                             // side road at the signal
    b.Turn(b.Link(201, 301, 900, 60.0f), 301, 302, 380.0f, 0.0f, true, 0.0f);  // bypass
  }
  double Side() const { return sat.Turns[1].AssignedFlow; }
  void Iterate(int iteration, bool averaged) {
    for (size_t t = 1; t <= 2; ++t) sat.PreviousTurnFlows[t] = sat.Turns[t].AssignedFlow;
    timings = WebsterTimings(Side());
    const double side = EquilibriumSide(timings);
    sat.Turns[1].AssignedFlow = static_cast<float>(side);
    sat.Turns[2].AssignedFlow = static_cast<float>(kDemand - side);
    if (!averaged) return;
    FoldAssignment(average, sat, iteration);
    HandAveragedFlows(average, sat);
  }
};

TEST(AveragedCoupling, TwoRouteToyAlternatesWhenPlainAndConvergesToItsConsistentStateWhenAveraged) {
  ToyLoop plain;
  std::vector<double> cycles;
  for (int i = 1; i <= 30; ++i) {
    plain.Iterate(i, false);
    cycles.push_back(plain.timings.Cycle);
  }
  // Two plans, taken in turn to the end.
  EXPECT_NEAR(cycles[28], 120.0, 0.5);
  EXPECT_NEAR(cycles[29], 153.6, 0.5);

  ToyLoop averaged;
  for (int i = 1; i <= 30; ++i) averaged.Iterate(i, true);
  EXPECT_NEAR(averaged.timings.Cycle, kConsistentCycle, 0.01 * kConsistentCycle);
  EXPECT_EQ(averaged.timings.SideGreen, kMinimumGreen);
  // The split the signals were set on, and the assignment's answer to them, both at the
  // consistent split: timings and routes agree.
  EXPECT_NEAR(averaged.Side(), kConsistentSplit, 0.01 * kConsistentSplit);
  EXPECT_NEAR(EquilibriumSide(averaged.timings), kConsistentSplit, 0.01 * kConsistentSplit);
  const AveragingStep& last = averaged.average.Steps.back();
  EXPECT_LT(last.Precision, 1e-4);
  EXPECT_LT(last.RawPrecision, 1e-3);
  EXPECT_LT(last.Step, 0.2);
  EXPECT_EQ(last.Turns, 2);
}

// A reload that lists the turns in another order, or adds one, keeps each averaged flow with
// its own turn; a new turn starts from its assigned flow.
TEST(AveragedCoupling, AveragedFlowsFollowTheirTurnsThroughAReload) {
  SaturnVars sat;
  test::TableBuilder b(sat);
  const int entry = b.Link(201, 101, 300, 20.0f);
  b.Turn(entry, 101, 202, 100.0f, 0.0f, true, 100.0f);
  b.Turn(entry, 101, 203, 300.0f, 0.0f, true, 300.0f);
  FlowAverage average;
  FoldAssignment(average, sat, 1);  // the first assignment is taken whole
  EXPECT_EQ(average.TurnFlows[1], 100.0f);

  std::swap(sat.Turns[1], sat.Turns[2]);
  sat.Turns.push_back(sat.Turns[1]);
  sat.Turns[3].Key = SaturnVars::TurnKey(101, 201, 204);
  sat.Turns[1].AssignedFlow = 200.0f;  // 101 -> 203, averaged 300 before
  sat.Turns[2].AssignedFlow = 200.0f;  // 101 -> 202, averaged 100 before
  sat.Turns[3].AssignedFlow = 50.0f;
  const AveragingStep& step = FoldAssignment(average, sat, 2);
  // b grows from 1 by kStepGrowthOnFall or kStepGrowthOnRise: here the gap rose from 0.
  EXPECT_DOUBLE_EQ(step.Step, 1 / (1 + kStepGrowthOnRise));
  HandAveragedFlows(average, sat);
  EXPECT_FLOAT_EQ(sat.Turns[1].AssignedFlow, 300.0f + (200.0f - 300.0f) / 3);
  EXPECT_FLOAT_EQ(sat.Turns[2].AssignedFlow, 100.0f + (200.0f - 100.0f) / 3);
  EXPECT_FLOAT_EQ(sat.Turns[3].AssignedFlow, 50.0f);
}

}  // namespace
}  // namespace veltra
