#include "assign/link_cost.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace veltra::assign {

namespace {

// log of the ceiling: a term whose logarithm passes it is held at the ceiling without being formed.
const double kLogCeiling = std::log(kTimeCeiling);

// x^p, by multiplication for the whole powers of the common curves (BPR's 4), which is several
// times faster than pow and as exact for our purpose.
double Raise(double x, double p) {
    if (p == 4) {
        double x2 = x * x;
        return x2 * x2;
    }
    if (p == 3) return x * x * x;
    if (p == 2) return x * x;
    if (p == 1) return x;
    return std::pow(x, p);
}

// a * b * (flow / capacity)^power * num / den for positive arguments, exact wherever the result is a
// normal double, however large or small the factors are: the product is formed directly when no
// factor leaves the double range, else through logarithms, so that B = 1e-17 with v / c = 1e4 gives
// its true time rather than a product of clamped factors. Returns +inf past the ceiling.
double Term(double a, double b, double flow, double capacity, double power, double num, double den) {
    double ratio = flow / capacity;
    if (ratio >= DBL_MIN && ratio <= DBL_MAX) {
        double raised = power == 0 ? 1.0 : Raise(ratio, power);
        if (raised >= DBL_MIN && raised <= DBL_MAX) {
            double value = a * b * raised * num / den;
            if (value >= DBL_MIN && value <= DBL_MAX) return value;
        }
    }
    double logValue = std::log(a) + std::log(b) + (power == 0 ? 0.0 : power * (std::log(flow) - std::log(capacity))) +
                      std::log(num) - std::log(den);
    return logValue > kLogCeiling ? HUGE_VAL : std::exp(logValue);
}

// The value held at the ceiling; NaN, which only a supplied function can give, counts as past it.
double Capped(double value) { return value < kTimeCeiling ? value : kTimeCeiling; }

// Below this share of capacity a power below 1 has a vertical tangent at zero flow; the slope is
// taken at this flow instead, so that a Newton step on such a link is small but not 0.
constexpr double kSlopeFloorRatio = 1e-6;

// The congested term scale * (v / c)^p is a * b * (v / c)^p: t0 * B for the BPR form, (t1 - t0) * 1
// for the power form. Kept as two factors, so that t0 * B is never formed when it would overflow.
struct Scale {
    double A, B;
    bool Zero() const { return !(A > 0) || !(B > 0); }
};

Scale CongestionScale(const LinkCost& cost) {
    if (cost.Form == CostForm::Bpr) return {cost.FreeTime, cost.Alpha};
    return {cost.TimeAtCapacity - cost.FreeTime, 1.0};
}

// scale * (v / c)^p at flow v >= 0; (v / c)^0 is 1 even at zero flow (the limit for p -> 0).
double CongestedTerm(const Scale& s, double flow, double capacity, double power) {
    if (s.Zero()) return 0;
    if (power == 0) return Term(s.A, s.B, 1, 1, 0, 1, 1);
    if (!(flow > 0)) return 0;
    if (!(capacity > 0)) return HUGE_VAL;
    return Term(s.A, s.B, flow, capacity, power, 1, 1);
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

double LinkTime(const LinkCost& cost, double flow) {
    if (cost.Form == CostForm::Custom) return Capped(cost.Custom->Value(flow));
    return Capped(cost.FreeTime + CongestedTerm(CongestionScale(cost), flow, cost.Capacity, cost.Power));
}

double LinkTimeDerivative(const LinkCost& cost, double flow) {
    if (cost.Form == CostForm::Custom) return Capped(cost.Custom->Derivative(flow));
    Scale s = CongestionScale(cost);
    double p = cost.Power, c = cost.Capacity;
    if (s.Zero() || p == 0) return 0;
    if (!(c > 0)) return kTimeCeiling;
    // d/dv of a b (v / c)^p = a b p (v / c)^(p - 1) / c
    double v = std::max(flow, 0.0);
    if (p < 1) v = std::max(v, kSlopeFloorRatio * c);
    if (v == 0) return p == 1 ? Capped(Term(s.A, s.B, 1, 1, 0, 1, c)) : 0; // p > 1: flat at 0
    return Capped(Term(s.A, s.B, v, c, p - 1, p, c));
}

double LinkTimeIntegral(const LinkCost& cost, double flow) {
    if (cost.Form == CostForm::Custom) return Capped(cost.Custom->Integral(flow));
    if (!(flow > 0)) return 0;
    // integral from 0 to v of t0 + a b (x / c)^p dx = t0 v + a b v (v / c)^p / (p + 1)
    Scale s = CongestionScale(cost);
    double congested = 0;
    if (!s.Zero()) {
        if (!(cost.Capacity > 0) && cost.Power != 0) congested = HUGE_VAL;
        else congested = Term(s.A, s.B, flow, cost.Power == 0 ? 1.0 : cost.Capacity, cost.Power, flow, cost.Power + 1);
    }
    return Capped(cost.FreeTime * flow + congested);
}

void LinkTimeAndSlope(const LinkCost& cost, double flow, double& time, double& slope) {
    Scale s = CongestionScale(cost);
    if (cost.Form == CostForm::Custom || s.Zero() || !(flow > 0) || !(cost.Capacity > 0) || cost.Power < 1) {
        time = LinkTime(cost, flow);
        slope = LinkTimeDerivative(cost, flow);
        return;
    }
    // One power for both: d/dv of a b (v / c)^p is p times the term over v.
    double term = Term(s.A, s.B, flow, cost.Capacity, cost.Power, 1, 1);
    time = Capped(cost.FreeTime + term);
    slope = Capped(cost.Power * term / flow);
}

bool AtTimeCeiling(const LinkCost& cost, double flow) { return LinkTime(cost, flow) >= kTimeCeiling; }

} // namespace veltra::assign
