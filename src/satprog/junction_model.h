// The junction model of the SATURN-shaped programs: how much a turn can carry and how long
// it waits, at a signal (from the plan's stages) and at a priority junction (from the gaps
// in the flows it gives way to).
//
// Delay of a turn with capacity c (pcu/h), flow v, degree of saturation x = v / c:
//   uniform term (signals only, Webster):  d1 = C (1 - g)^2 / (2 (1 - g min(x, 1)))
//   overflow term (time-dependent, over a modelled period of T hours, random arrivals):
//                                          d2 = 900 T [(x - 1) + sqrt((x - 1)^2 + 4 x / (c T))]
// with C the cycle (s) and g the effective green over the cycle. The overflow term grows
// without bound but stays finite above capacity, so a turn loaded past its capacity queues
// over the period instead of stopping the assignment.
#pragma once

#include <cstdint>

#include "model/saturn_vars.h"

namespace veltra::satprog {

// The delay curve of one turn between two simulations: value, derivative and integral over
// the turn's own flow, all finite for every flow >= 0.
struct TurnDelayCurve {
  double Capacity = 0;     // pcu/h, at least kMinCapacity
  double Cycle = 0;        // s; 0 for a turn without signals (no uniform term)
  double GreenRatio = 1;   // effective green / cycle, 0 < g <= 1
  double PeriodHours = 1;  // modelled period

  double Delay(double flow) const;       // s
  double Derivative(double flow) const;  // s per pcu/h
  double Integral(double flow) const;    // s x pcu/h, from flow 0
};

// The smallest capacity a turn is given: a turn that the timings or the gaps leave without
// capacity still carries its flow, with the delay of a very long queue.
constexpr double kMinCapacity = 1.0;

// The side of the road traffic keeps to. A turn towards it (the near-side turn: right where
// traffic drives on the right) crosses no stream; a turn away from it (the far-side turn)
// crosses the streams coming the other way.
enum class DrivingSide : uint8_t { Right, Left };

// Critical gap and follow-up time of one kind of movement that gives way, s.
struct GapTimes {
  double Critical = 0;
  double FollowUp = 0;
};

// Gap acceptance at priority junctions by the movement's rank, as in the two-way-stop-control
// method of the Highway Capacity Manual (HCM 2000, chapter 17): base critical gaps and
// follow-up times of passenger cars with a two-lane major road.
struct GapAcceptance {
  GapTimes MajorFarTurn{4.1, 2.2};   // rank 2: from the major road across the opposing stream
  GapTimes MinorNearTurn{6.2, 3.3};  // rank 2: from the minor road into the near major stream
  GapTimes MinorThrough{6.5, 4.0};   // rank 3: across the major road
  GapTimes MinorFarTurn{7.1, 3.5};   // rank 4; rank 3 where no minor road is opposite
  // Less critical gap for a minor far-side turn at a three-arm junction (HCM's t3,LT).
  double ThreeArmReduction = 0.7;
  DrivingSide Side = DrivingSide::Right;
};

// The lanes a turn runs in: its slot's lane range, else its arm's lanes (at least one).
int32_t TurnLanes(const TGiro& turn);

// The saturation flow of a turn: the slot's value when it is a flow (100 pcu/h or more),
// else 1800 pcu/h per lane of the slot.
double TurnSaturationFlow(const TGiro& turn);

// The effective green of a turn (s) in a plan: the green of every stage whose bit is set in
// the stage mask, and the intergreen after such a stage when the next stage (cyclic) keeps
// the turn running. A turn green in every stage runs the whole cycle.
double EffectiveGreen(const TPlanSemaforo& plan, int32_t stageMask);
// The cycle of a plan (s): its cycle time, or the sum of its greens and intergreens when the
// card gives none.
double PlanCycle(const TPlanSemaforo& plan);

// The capacity of a signal turn: saturation flow x effective green / cycle.
double SignalTurnCapacity(double saturationFlow, double effectiveGreen, double cycle);

// The potential capacity of one lane of a movement that gives way to `conflictingFlow` pcu/h
// (Harders' relation, HCM 2000 equation 17-3):
//   c = v exp(-v tc / 3600) / (1 - exp(-v tf / 3600)),  3600 / tf when v = 0.
double PotentialCapacity(double conflictingFlow, const GapTimes& gap);

// The impedance of a rank-4 movement from p'', the chance that none of the rank-2 and rank-3
// movements it gives way to has a queue (HCM 2000, chapter 17): queues of those movements
// are not independent, so p' = 0.65 p'' - p'' / (p'' + 3) + 0.6 sqrt(p'').
double RankFourImpedance(double pBoth);

// The capacity at which `curve` gives `delay` at `flow`, between the capacities `low` and `high`
// whose delays there enclose it (the delay falls as the capacity grows).
double CapacityForDelay(TurnDelayCurve curve, double flow, double delay, double low, double high);

// Kinds of turns by their priority code.
enum class TurnPriority : uint8_t { Major, Crossing, Merging };
TurnPriority PriorityOf(const std::string& code);

}  // namespace veltra::satprog
