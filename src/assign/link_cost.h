// Link performance functions of the assignment: travel time as a function of the link's flow, with
// its derivative (for Newton flow shifts and the conjugate direction) and its integral (for the
// Beckmann objective) side by side, so that the three can never disagree.
#pragma once

#include <cstdint>

namespace veltra::assign {

// The largest time, slope or integral the engine works with. The forms are computed exactly over
// their whole domain and only their final value is held at this ceiling, never an intermediate
// factor. It is far above any real link's time (a capacity of 0.001 carrying 4000 vehicles stays
// below it) and far enough below the largest double that sums over a path, over every link and
// over every trip stay finite. A link whose time reaches it is reported by the solver.
constexpr double kTimeCeiling = 1e100;

// A cost form the engine does not know: the programs that build junction models give each turn
// their own delay curve through this interface. It must be non-decreasing and finite for
// flow >= 0; Integral(0) must be 0.
class LinkCostFunction {
public:
    virtual ~LinkCostFunction() = default;
    virtual double Value(double flow) const = 0;
    virtual double Derivative(double flow) const = 0;
    virtual double Integral(double flow) const = 0;
};

enum class CostForm : uint8_t {
    Bpr = 0,    // t0 * (1 + B * (v / c)^P), the US Bureau of Public Roads form of the TNTP files
    Power = 1,  // t0 + (t1 - t0) * (v / c)^n: SATURN's speed-flow curve of buffer links, with
                // t1 the time at capacity
    Custom = 2, // the LinkCostFunction given in Custom
};

// One link's cost function. Plain data so that a network of them is one compact array and the
// solver evaluates the common forms without a virtual call.
struct LinkCost {
    CostForm Form = CostForm::Bpr;
    double FreeTime = 0;      // t0: time at zero flow
    double Alpha = 0;         // B of the BPR form
    double Capacity = 1;      // c: veh/h
    double Power = 1;         // P or n
    double TimeAtCapacity = 0; // t1 of the power form
    const LinkCostFunction* Custom = nullptr; // not owned; Form == Custom

    static LinkCost Bpr(double freeTime, double alpha, double capacity, double power);
    static LinkCost SpeedFlowPower(double freeTime, double timeAtCapacity, double capacity, double power);
    static LinkCost FromFunction(const LinkCostFunction& function);
};

// Time, its derivative and its integral from 0 at the given flow. Valid over the whole domain:
// B = 0, P = 0, P < 1, tiny capacity, huge or tiny B, zero free-flow time, zero flow. Each is
// finite, at most kTimeCeiling, and never NaN (a supplied function's NaN is read as the ceiling).
double LinkTime(const LinkCost& cost, double flow);
double LinkTimeDerivative(const LinkCost& cost, double flow);
double LinkTimeIntegral(const LinkCost& cost, double flow);
// Time and derivative together, for the solver's inner loop: the same values as LinkTime and
// LinkTimeDerivative up to rounding, from one evaluation of the power.
void LinkTimeAndSlope(const LinkCost& cost, double flow, double& time, double& slope);
// The time at this flow is held at the ceiling: its true value is larger.
bool AtTimeCeiling(const LinkCost& cost, double flow);

} // namespace veltra::assign
