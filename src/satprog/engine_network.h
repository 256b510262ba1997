// The assignment network of a SATURN model: every link is an arc, every turn of a simulation
// junction is an arc of its own (from the head of its entry link to the tail of its exit
// link), and every zone is a centroid that no path passes through.
//
// Vertices, 0-based: the zones first (Zones order), then one vertex per model node, then, at
// every node that has turns, one vertex for the head of each link entering it and one for the
// tail of each link leaving it, so that a path crosses such a junction only by a turn.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "assign/network.h"
#include "model/saturn_vars.h"
#include "satprog/junction_model.h"

namespace veltra::satprog {

enum class ArcKind : uint8_t { SimulationLink, BufferLink, Turn, ZoneToNode, NodeToZone };

// What an arc of the assignment network stands for in the model.
struct ArcOrigin {
  ArcKind Kind = ArcKind::SimulationLink;
  int32_t Index = 0;  // Links or Turns position; for connectors the zone's position in Zones
  int32_t Node = 0;   // connectors: the model node number
};

// A turn's delay curve as a cost function of the assignment engine.
class TurnDelay : public assign::LinkCostFunction {
 public:
  TurnDelayCurve Curve;
  double Value(double flow) const override { return Curve.Delay(flow); }
  double Derivative(double flow) const override { return Curve.Derivative(flow); }
  double Integral(double flow) const override { return Curve.Integral(flow); }
};

// The junction simulation's view of one turn: how it is controlled and what it gives way to.
struct TurnControl {
  int32_t Arc = -1;              // arc of the turn
  bool Signalised = false;
  double SaturationFlow = 0;     // pcu/h
  double Cycle = 0;              // s (signals)
  double GreenRatio = 1;         // effective green / cycle (signals)
  TurnPriority Priority = TurnPriority::Major;
  int32_t MajorBegin = 0, MajorEnd = 0;  // its major turns: MajorTurns[MajorBegin .. MajorEnd)
};

struct EngineNetwork {
  assign::Network Net;
  std::vector<ArcOrigin> Arcs;          // [arc]
  std::vector<int32_t> LinkArc;         // [Links position] its arc, -1 none
  std::vector<int32_t> TurnArc;         // [Turns position] its arc, -1 none
  std::vector<TurnControl> Controls;    // [Turns position]; position 0 unused
  std::vector<int32_t> MajorTurns;      // Turns positions, grouped by the turn that gives way
  std::vector<std::unique_ptr<TurnDelay>> Delays;  // [Turns position] owned curves of Net.Costs
  std::vector<std::string> Warnings;    // what the network check found (English, one per line)
};

struct NetworkOptions {
  GapAcceptance Gaps;
  double PeriodHours = 1.0;  // modelled period of the overflow term
};

// Builds the assignment network from a model read by the network reader (sorted, indices
// resolved). Demand is added separately. Turn capacities start from empty junctions.
EngineNetwork BuildEngineNetwork(const SaturnVars& sat, const NetworkOptions& options);

// The junction simulation: every turn's capacity and delay curve from the total flows of all
// turns ([Turns position], fixed flow included).
void SimulateJunctions(EngineNetwork& network, const std::vector<double>& turnFlows, const NetworkOptions& options);

}  // namespace veltra::satprog
