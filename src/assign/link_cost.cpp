#include "assign/link_cost.h"

#include <algorithm>
#include <cmath>

namespace veltra::assign {

namespace {

// (v / c)^p for v >= 0, without 0^0 ambiguity (taken as 1, the limit of the curve for p -> 0) and
// without overflow past the ceiling.
double Ratio(double flow, double capacity) {
    if (flow <= 0) return 0;
    if (capacity <= 0) return kTimeCeiling;
    return std::min(flow / capacity, kTimeCeiling);
}

double RatioPower(double ratio, double power) {
    if (power == 0) return 1;
    if (ratio <= 0) return 0;
    return std::min(std::pow(ratio, power), kTimeCeiling);
}

// Below this share of capacity a power below 1 has a vertical tangent at zero flow; the slope is
// taken as the secant from 0 to this flow so that a Newton step on such a link is small but not 0.
constexpr double kSlopeFloorRatio = 1e-6;

// Slope of scale * (v / c)^p with respect to v.
double PowerTermSlope(double scale, double flow, double capacity, double power) {
    if (scale == 0 || power == 0) return 0;
    if (capacity <= 0) return kTimeCeiling;
    double ratio = std::max(Ratio(flow, capacity), power < 1 ? kSlopeFloorRatio : 0.0);
    if (ratio <= 0) return power == 1 ? std::min(scale / capacity, kTimeCeiling) : 0; // p > 1: flat at 0
    double slope = scale * power * RatioPower(ratio, power - 1) / capacity;
    return std::min(slope, kTimeCeiling);
}

// Integral from 0 to v of scale * (x / c)^p dx = scale * v * (v / c)^p / (p + 1).
double PowerTermIntegral(double scale, double flow, double capacity, double power) {
    if (scale == 0 || flow <= 0) return 0;
    double term = scale * RatioPower(Ratio(flow, capacity), power) / (power + 1);
    return std::min(flow * std::min(term, kTimeCeiling), kTimeCeiling * std::min(flow, kTimeCeiling));
}

} // namespace

LinkCost LinkCost::Bpr(double freeTime, double alpha, double capacity, double power) {
    LinkCost cost;
    cost.Form = CostForm::Bpr;
    cost.FreeTime = freeTime;
    cost.Alpha = alpha;
    cost.Capacity = capacity;
    cost.Power = power;
    return cost;
}

LinkCost LinkCost::SpeedFlowPower(double freeTime, double timeAtCapacity, double capacity, double power) {
    LinkCost cost;
    cost.Form = CostForm::Power;
    cost.FreeTime = freeTime;
    cost.TimeAtCapacity = timeAtCapacity;
    cost.Capacity = capacity;
    cost.Power = power;
    return cost;
}

LinkCost LinkCost::FromFunction(const LinkCostFunction& function) {
    LinkCost cost;
    cost.Form = CostForm::Custom;
    cost.Custom = &function;
    return cost;
}

// Scale of the congested term: t0 * B for the BPR form, t1 - t0 for the power form. A zero scale
// makes the link's time constant whatever the capacity, so a zero free-flow time with an infinite
// ratio never becomes 0 * inf.
static double CongestionScale(const LinkCost& cost) {
    if (cost.Form == CostForm::Bpr) return cost.FreeTime * cost.Alpha;
    return std::max(cost.TimeAtCapacity - cost.FreeTime, 0.0);
}

double LinkTime(const LinkCost& cost, double flow) {
    if (cost.Form == CostForm::Custom) return cost.Custom->Value(flow);
    double scale = CongestionScale(cost);
    if (scale == 0) return cost.FreeTime;
    double term = scale * RatioPower(Ratio(flow, cost.Capacity), cost.Power);
    return std::min(cost.FreeTime + term, kTimeCeiling);
}

double LinkTimeDerivative(const LinkCost& cost, double flow) {
    if (cost.Form == CostForm::Custom) return cost.Custom->Derivative(flow);
    return PowerTermSlope(CongestionScale(cost), flow, cost.Capacity, cost.Power);
}

double LinkTimeIntegral(const LinkCost& cost, double flow) {
    if (cost.Form == CostForm::Custom) return cost.Custom->Integral(flow);
    if (flow <= 0) return 0;
    return cost.FreeTime * flow + PowerTermIntegral(CongestionScale(cost), flow, cost.Capacity, cost.Power);
}

} // namespace veltra::assign
