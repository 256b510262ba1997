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

// Gap acceptance of the turns that give way (priority codes "X", "G", "M").
struct GapAcceptance {
  double CrossingGap = 5.0;  // s, critical gap of a turn that crosses the major flows ("X")
  double MergingGap = 4.0;   // s, critical gap of a turn that merges into them ("G", "M")
};

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

// The capacity of a turn that gives way to a major flow of `majorFlow` pcu/h with critical
// gap `criticalGap` (s): Harders' formula with the turn's own saturation headway as the
// follow-up time, so that the capacity is the saturation flow when there is no major flow
// and falls as the major flow rises:
//   c = q exp(-q tc) / (1 - exp(-q / s)),  q in pcu/s, s the saturation flow in pcu/s.
double GiveWayCapacity(double saturationFlow, double majorFlow, double criticalGap);

// Kinds of turns by their priority code.
enum class TurnPriority : uint8_t { Major, Crossing, Merging };
TurnPriority PriorityOf(const std::string& code);

}  // namespace veltra::satprog
