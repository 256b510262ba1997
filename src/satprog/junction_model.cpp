#include "satprog/junction_model.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace veltra::satprog {

namespace {

// Overflow term d2(x) / (900 T) and its integral over x from 0.
double OverflowShape(double x, double a) {
  const double e = x - 1;
  return e + std::sqrt(e * e + a * x);
}

double OverflowShapeIntegral(double x, double a) {
  // (y - 1)^2 + a y = u^2 + m with u = y + (a - 2) / 2 and m = a (1 - a / 4).
  const double m = a * (1 - a / 4);
  double root;
  if (m > 1e-12) {
    auto primitive = [m](double u) {
      const double s = std::sqrt(u * u + m);
      return 0.5 * (u * s + m * std::log(u + s));
    };
    const double shift = (a - 2) / 2;
    root = primitive(x + shift) - primitive(shift);
  } else {
    // A capacity below one vehicle over the period: Simpson's rule is exact enough there.
    const int n = 64;
    const double h = x / n;
    double sum = 0;
    for (int i = 0; i <= n; ++i) {
      const double y = i * h;
      const double e = y - 1;
      const double f = std::sqrt(e * e + a * y);
      sum += f * (i == 0 || i == n ? 1 : (i % 2 == 1 ? 4 : 2));
    }
    root = sum * h / 3;
  }
  return 0.5 * x * x - x + root;
}

}  // namespace

double TurnDelayCurve::Delay(double flow) const {
  const double c = std::max(Capacity, kMinCapacity);
  const double x = std::max(flow, 0.0) / c;
  double d = 900 * PeriodHours * OverflowShape(x, 4 / (c * PeriodHours));
  if (Cycle > 0 && GreenRatio < 1) {
    const double r = 1 - GreenRatio;
    d += Cycle * r * r / (2 * (1 - GreenRatio * std::min(x, 1.0)));
  }
  return d;
}

double TurnDelayCurve::Derivative(double flow) const {
  const double c = std::max(Capacity, kMinCapacity);
  const double x = std::max(flow, 0.0) / c;
  const double a = 4 / (c * PeriodHours);
  const double e = x - 1;
  double d = 900 * PeriodHours / c * (1 + (e + a / 2) / std::sqrt(e * e + a * x));
  if (Cycle > 0 && GreenRatio < 1 && x < 1) {
    const double r = 1 - GreenRatio;
    const double q = 1 - GreenRatio * x;
    d += Cycle * r * r * GreenRatio / (2 * c * q * q);
  }
  return d;
}

double TurnDelayCurve::Integral(double flow) const {
  const double c = std::max(Capacity, kMinCapacity);
  const double x = std::max(flow, 0.0) / c;
  double value = 900 * PeriodHours * c * OverflowShapeIntegral(x, 4 / (c * PeriodHours));
  if (Cycle > 0 && GreenRatio < 1) {
    const double r = 1 - GreenRatio;
    const double k = Cycle * r * r / 2;
    const double below = std::min(x, 1.0);
    value += c * k * -std::log1p(-GreenRatio * below) / GreenRatio;
    if (x > 1) value += Cycle * r / 2 * (x - 1) * c;
  }
  return value;
}

int32_t TurnLanes(const TGiro& turn) {
  return turn.LastLane >= turn.FirstLane && turn.FirstLane > 0 ? turn.LastLane - turn.FirstLane + 1
                                                                : std::max(1, std::abs(turn.Lanes));
}

double TurnSaturationFlow(const TGiro& turn) {
  const double value = std::abs(static_cast<double>(turn.TurnValue));
  if (value >= 100) return value;
  return 1800.0 * TurnLanes(turn);
}

double PlanCycle(const TPlanSemaforo& plan) {
  if (plan.CycleTime > 0) return plan.CycleTime;
  double sum = 0;
  for (int k = 1; k <= std::min(plan.StageCount, kMaxStages); ++k)
    sum += plan.Stages[static_cast<size_t>(k)].GreenTime + plan.Stages[static_cast<size_t>(k)].Intergreen;
  return sum;
}

double EffectiveGreen(const TPlanSemaforo& plan, int32_t stageMask) {
  const int n = std::clamp(plan.StageCount, 0, kMaxStages);
  if (n == 0 || stageMask == 0) return 0;
  const double cycle = PlanCycle(plan);
  auto runs = [stageMask](int k) { return ((stageMask >> (k - 1)) & 1) != 0; };
  bool everyStage = true;
  for (int k = 1; k <= n; ++k) everyStage = everyStage && runs(k);
  if (everyStage) return cycle;
  double green = 0;
  for (int k = 1; k <= n; ++k) {
    if (!runs(k)) continue;
    const TFase& stage = plan.Stages[static_cast<size_t>(k)];
    green += std::max(0, stage.GreenTime);
    if (runs(k % n + 1)) green += std::max(0, stage.Intergreen);
  }
  return std::min(green, cycle);
}

double SignalTurnCapacity(double saturationFlow, double effectiveGreen, double cycle) {
  if (cycle <= 0) return saturationFlow;
  return saturationFlow * std::clamp(effectiveGreen / cycle, 0.0, 1.0);
}

double PotentialCapacity(double conflictingFlow, const GapTimes& gap) {
  const double v = std::max(conflictingFlow, 0.0) / 3600;
  if (!(gap.FollowUp > 0)) return 0;
  // v / (1 - exp(-v tf)) tends to 1 / tf as v falls to 0; expm1 keeps it exact there.
  if (v < 1e-12) return 3600 / gap.FollowUp;
  return 3600 * v * std::exp(-v * gap.Critical) / -std::expm1(-v * gap.FollowUp);
}

double RankFourImpedance(double pBoth) {
  const double p = std::clamp(pBoth, 0.0, 1.0);
  return std::clamp(0.65 * p - p / (p + 3) + 0.6 * std::sqrt(p), 0.0, 1.0);
}

double CapacityForDelay(TurnDelayCurve curve, double flow, double delay, double low, double high) {
  // Bisection on the logarithm: capacities of a give-way turn span several orders of magnitude.
  double lo = std::log(std::max(std::min(low, high), kMinCapacity));
  double hi = std::log(std::max(std::max(low, high), kMinCapacity));
  for (int i = 0; i < 50 && hi - lo > 1e-9; ++i) {
    const double mid = 0.5 * (lo + hi);
    curve.Capacity = std::exp(mid);
    (curve.Delay(flow) > delay ? lo : hi) = mid;
  }
  return std::exp(0.5 * (lo + hi));
}

TurnPriority PriorityOf(const std::string& code) {
  if (code.find('X') != std::string::npos) return TurnPriority::Crossing;
  if (code.find('G') != std::string::npos || code.find('M') != std::string::npos) return TurnPriority::Merging;
  return TurnPriority::Major;
}

}  // namespace veltra::satprog
