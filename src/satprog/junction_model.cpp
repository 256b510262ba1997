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

double TurnSaturationFlow(const TGiro& turn) {
  const double value = std::abs(static_cast<double>(turn.TurnValue));
  if (value >= 100) return value;
  const int lanes = turn.LastLane >= turn.FirstLane && turn.FirstLane > 0 ? turn.LastLane - turn.FirstLane + 1
                                                                          : std::max(1, std::abs(turn.Lanes));
  return 1800.0 * lanes;
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

double GiveWayCapacity(double saturationFlow, double majorFlow, double criticalGap) {
  const double s = saturationFlow / 3600;
  const double q = std::max(majorFlow, 0.0) / 3600;
  if (s <= 0) return 0;
  // q / (1 - exp(-q / s)) tends to s as q falls to 0; expm1 keeps it exact there.
  if (q < 1e-12) return saturationFlow;
  return 3600 * q * std::exp(-q * criticalGap) / -std::expm1(-q / s);
}

TurnPriority PriorityOf(const std::string& code) {
  if (code.find('X') != std::string::npos) return TurnPriority::Crossing;
  if (code.find('G') != std::string::npos || code.find('M') != std::string::npos) return TurnPriority::Merging;
  return TurnPriority::Major;
}

}  // namespace veltra::satprog
