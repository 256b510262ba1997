// The junction model's formulas on cases worked by hand.
#include <cmath>

#include <gtest/gtest.h>

#include "satprog/junction_model.h"

namespace veltra::satprog {
namespace {

TEST(JunctionModel, SignalDelayIsWebsterUniformPlusTimeDependentOverflow) {
  // Saturation flow 1800, green 25 s of a 60 s cycle: capacity 750 pcu/h. Worked by hand:
  //   v = 300: x = 0.4, d1 = 60 (35/60)^2 / (2 (1 - 0.4 x 25/60)) = 12.25, d2 = 1.5976
  //   v = 900: x = 1.2, d1 = 60 (35/60) / 2 = 17.5 (the uniform term stops at capacity),
  //            d2 = 900 (0.2 + sqrt(0.04 + 4.8 / 750)) = 373.866
  struct Case {
    double Flow, Expected;
  } cases[] = {{300, 13.847637}, {900, 391.365933}, {0, 60 * (35.0 / 60) * (35.0 / 60) / 2}};
  TurnDelayCurve curve{750, 60, 25.0 / 60, 1};
  for (const Case& c : cases) EXPECT_NEAR(curve.Delay(c.Flow), c.Expected, 1e-5) << "flow " << c.Flow;
}

TEST(JunctionModel, DerivativeAndIntegralAgreeWithTheDelayEverywhere) {
  const TurnDelayCurve curves[] = {
      {750, 60, 25.0 / 60, 1}, {2000, 0, 1, 1}, {100, 90, 0.1, 0.25}, {kMinCapacity, 0, 1, 1}, {1800, 120, 1, 1}};
  for (const TurnDelayCurve& curve : curves) {
    for (double x : {0.0, 0.3, 0.9, 0.999, 1.0, 1.3, 4.0}) {
      const double v = x * curve.Capacity;
      // From above: at capacity the uniform term stops growing, and the derivative given
      // there is the one of the flows above.
      const double h = 1e-6 * std::max(1.0, curve.Capacity);
      const double numeric = (curve.Delay(v + h) - curve.Delay(v)) / h;
      EXPECT_NEAR(curve.Derivative(v), numeric, 1e-3 * std::max(1.0, std::fabs(numeric))) << "capacity " << curve.Capacity << " x " << x;
      // Simpson's rule over [0, v].
      const int n = 2000;
      double sum = 0;
      for (int i = 0; i <= n; ++i) sum += curve.Delay(v * i / n) * (i == 0 || i == n ? 1 : (i % 2 ? 4 : 2));
      const double integral = sum * v / n / 3;
      EXPECT_NEAR(curve.Integral(v), integral, 1e-5 * std::max(1.0, integral)) << "capacity " << curve.Capacity << " x " << x;
      EXPECT_TRUE(std::isfinite(curve.Delay(v)) && curve.Derivative(v) >= 0);
    }
  }
}

TEST(JunctionModel, EffectiveGreenRunsThroughTheIntergreenIntoAStageThatKeepsTheTurn) {
  TPlanSemaforo plan;
  plan.StageCount = 3;
  plan.CycleTime = 90;
  const int green[] = {0, 30, 20, 25}, intergreen[] = {0, 5, 4, 6};
  for (int k = 1; k <= 3; ++k) {
    plan.Stages[static_cast<size_t>(k)].GreenTime = green[k];
    plan.Stages[static_cast<size_t>(k)].Intergreen = intergreen[k];
  }
  struct Case {
    int Mask;
    double Expected;
  } cases[] = {
      {0b001, 30}, {0b010, 20}, {0b011, 30 + 5 + 20}, {0b101, 25 + 6 + 30}, {0b111, 90}, {0, 0},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(EffectiveGreen(plan, c.Mask), c.Expected) << "mask " << c.Mask;
  EXPECT_DOUBLE_EQ(SignalTurnCapacity(1800, 30, 90), 600);
}

TEST(JunctionModel, PotentialCapacityIsHardersRelation) {
  const GapTimes gap{6.2, 3.3};
  // No conflicting flow: one vehicle per follow-up time.
  EXPECT_DOUBLE_EQ(PotentialCapacity(0, gap), 3600 / 3.3);
  // Worked by hand: v = 600 / 3600 pcu/s: v e^(-v tc) / (1 - e^(-v tf)) = 504.648 pcu/h.
  EXPECT_NEAR(PotentialCapacity(600, gap), 504.6478, 1e-3);
  double last = 3600 / 3.3;
  for (double conflicting : {1e-9, 100.0, 400.0, 800.0, 1500.0, 3000.0}) {
    const double capacity = PotentialCapacity(conflicting, gap);
    EXPECT_LE(capacity, last) << conflicting;
    EXPECT_GT(capacity, 0) << conflicting;
    last = capacity;
  }
  // The rank-4 impedance keeps the certain cases certain and lies above the plain product in
  // between (the queues it multiplies are not independent).
  EXPECT_DOUBLE_EQ(RankFourImpedance(1), 1);
  EXPECT_DOUBLE_EQ(RankFourImpedance(0), 0);
  EXPECT_NEAR(RankFourImpedance(0.5), 0.65 * 0.5 - 0.5 / 3.5 + 0.6 * std::sqrt(0.5), 1e-15);
  EXPECT_GT(RankFourImpedance(0.5), 0.5);
}

// The curve refitted through a delay at a flow gives that delay there, for turns below and above
// their capacity and at a signal.
TEST(JunctionModel, TheCapacityForADelayReproducesTheDelay) {
  for (const TurnDelayCurve& curve : {TurnDelayCurve{500, 0, 1, 1}, TurnDelayCurve{750, 60, 25.0 / 60, 0.5}}) {
    for (double flow : {1.0, 200.0, 600.0, 1500.0}) {
      TurnDelayCurve low = curve, high = curve;
      low.Capacity = 100;
      high.Capacity = 5000;
      const double target = 0.3 * low.Delay(flow) + 0.7 * high.Delay(flow);
      TurnDelayCurve fitted = curve;
      fitted.Capacity = CapacityForDelay(curve, flow, target, 5000, 100);
      EXPECT_NEAR(fitted.Delay(flow), target, 1e-6 * target) << "flow " << flow;
    }
  }
}

TEST(JunctionModel, PriorityCodesNameWhatATurnGivesWayTo) {
  struct Case {
    const char* Code;
    TurnPriority Expected;
  } cases[] = {{"", TurnPriority::Major},      {"  ", TurnPriority::Major},     {"X", TurnPriority::Crossing},
               {"G", TurnPriority::Merging},   {"M ", TurnPriority::Merging},   {"F", TurnPriority::Major}};
  for (const Case& c : cases) EXPECT_EQ(PriorityOf(c.Code), c.Expected) << "\"" << c.Code << "\"";
}

TEST(JunctionModel, SaturationFlowComesFromTheSlotOrFromItsLanes) {
  TGiro turn;
  turn.TurnValue = -1600;
  EXPECT_DOUBLE_EQ(TurnSaturationFlow(turn), 1600);
  turn.TurnValue = 1;
  turn.FirstLane = 1;
  turn.LastLane = 2;
  EXPECT_DOUBLE_EQ(TurnSaturationFlow(turn), 3600);
}

}  // namespace
}  // namespace veltra::satprog
