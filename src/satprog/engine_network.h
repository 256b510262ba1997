// The assignment network of a SATURN model: every link is an arc, every turn of a simulation
// junction is an arc of its own (from the head of its entry link to the tail of its exit
// link), and every zone is a centroid that no path passes through.
//
// Vertices, 0-based: the zones first (Zones order), then one vertex per model node without
// turns, then, at every node that has turns, one vertex for the head of each link entering
// it and one for the tail of each link leaving it, so that a path crosses such a junction
// only by a turn. A link that leaves a junction with turns and whose time does not depend on
// its flow (every simulation link) has no arc and no tail vertex of its own: the turns into
// it (and the zones loaded onto it) lead straight to its head, their cost carrying its time.
// That keeps the graph of a junction network near the size of its turns.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "assign/assignment.h"
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
// Offset: the time of the exit link a turn arc runs on into, when that link has no arc.
class TurnDelay : public assign::LinkCostFunction {
 public:
  TurnDelayCurve Curve;
  double Offset = 0;
  double Value(double flow) const override { return Curve.Delay(flow) + Offset; }
  double Derivative(double flow) const override { return Curve.Derivative(flow); }
  double Integral(double flow) const override { return Curve.Integral(flow) + Offset * flow; }
};

// What a turn gives way to, by its rank in the priority order of the junction: rank 1 gives way
// to nothing; rank 2 to major streams only; rank 3 also to the rank-2 movements' queues; rank 4
// also to the rank-3 movements' queues.
enum class GiveWayRole : uint8_t { None, MajorFarTurn, MinorNearTurn, MinorThrough, MinorFarTurn };

// One stream a turn gives way to: a turn's flow counted `Weight` times (the conflicting flow of
// the two-way-stop-control method counts a far-side turn twice, a near-side turn into the
// minor road half, a through stream over its lanes for a near-side merge).
struct Conflict {
  int32_t Turn = 0;  // Turns position
  double Weight = 1;
};

// The junction simulation's view of one turn: how it is controlled and what it gives way to.
struct TurnControl {
  int32_t Arc = -1;              // arc of the turn
  bool Signalised = false;
  double SaturationFlow = 0;     // pcu/h
  int32_t Lanes = 1;
  double Cycle = 0;              // s (signals)
  double GreenRatio = 1;         // effective green / cycle (signals)
  GiveWayRole Role = GiveWayRole::None;
  int32_t Rank = 1;
  GapTimes Gap;                  // of its role
  // The streams it gives way to: Conflicts[ConflictBegin .. ConflictEnd).
  int32_t ConflictBegin = 0, ConflictEnd = 0;
  // The give-way turns whose queues block it: Impeders[ImpedeBegin .. ImpedeSplit) enter the
  // product of chances of no queue (for rank 4 through the rank-4 impedance), and
  // Impeders[ImpedeSplit .. ImpedeEnd) multiply the result as they are.
  int32_t ImpedeBegin = 0, ImpedeSplit = 0, ImpedeEnd = 0;
  bool GivesWay() const { return Role != GiveWayRole::None; }
};

struct EngineNetwork {
  assign::Network Net;
  std::vector<ArcOrigin> Arcs;          // [arc]
  std::vector<double> ArcOffset;        // [arc] time of an arc-less link included in its cost
  std::vector<int32_t> LinkArc;         // [Links position] its arc, -1 none
  // A link without an arc: its time, and the arcs that run on into it
  // (Feeders[FeederBegin[l] .. FeederBegin[l + 1])).
  std::vector<uint8_t> LinkMerged;      // [Links position]
  std::vector<double> LinkFixedTime;    // [Links position]
  std::vector<double> LinkBus;          // [Links position] fixed (bus) flow
  std::vector<int32_t> FeederBegin;     // [Links position], LinkCount + 2 entries
  std::vector<int32_t> Feeders;
  std::vector<int32_t> TurnArc;         // [Turns position] its arc, -1 none
  std::vector<TurnControl> Controls;    // [Turns position]; position 0 unused
  std::vector<Conflict> Conflicts;      // grouped by the turn that gives way
  std::vector<int32_t> Impeders;        // Turns positions, grouped by the turn they block
  std::vector<int32_t> GiveWayOrder;    // the turns that give way, rank by rank
  // How many priority junctions had their turns ranked by the major road, and how many, not
  // laid out as one major road with minor roads beside it, give way by their codes alone.
  int32_t RankedJunctions = 0, CodedJunctions = 0;
  std::vector<std::unique_ptr<TurnDelay>> Delays;  // [Turns position] owned curves of Net.Costs
  std::vector<std::string> Warnings;    // what the network check found (English, one per line)

  // What a link or turn carries and takes in an assignment result; false when the model
  // element is not in the assignment network. Turn times are the junction's delay alone.
  bool HasLink(int32_t link) const;
  double LinkFlow(const assign::AssignmentResult& result, int32_t link) const;
  double LinkClassFlow(const assign::AssignmentResult& result, size_t userClass, int32_t link) const;
  double LinkFixed(int32_t link) const;
  double LinkTime(const assign::AssignmentResult& result, int32_t link) const;
  bool HasTurn(int32_t turn) const { return TurnArc[static_cast<size_t>(turn)] >= 0; }
  double TurnFlow(const assign::AssignmentResult& result, int32_t turn) const;
  double TurnClassFlow(const assign::AssignmentResult& result, size_t userClass, int32_t turn) const;
  double TurnFixed(int32_t turn) const;
  double TurnTime(const assign::AssignmentResult& result, int32_t turn) const;
  double TurnCapacity(int32_t turn) const;
};

struct NetworkOptions {
  GapAcceptance Gaps;
  double PeriodHours = 1.0;  // modelled period of the overflow term
};

// Builds the assignment network from a model read by the network reader (sorted, indices
// resolved). Demand is added separately. Turn capacities start from empty junctions.
EngineNetwork BuildEngineNetwork(const SaturnVars& sat, const NetworkOptions& options);

// The junction simulation: every turn's capacity ([Turns position], pcu/h) from the total
// flows of all turns ([Turns position], fixed flow included), each give-way turn against its
// conflicting streams and behind the queues of the higher-ranked turns that give way.
std::vector<double> SimulatedCapacities(const EngineNetwork& network, const std::vector<double>& turnFlows);

// The turns' delay curves take these capacities (at least kMinCapacity).
void SetCapacities(EngineNetwork& network, const std::vector<double>& capacities);

}  // namespace veltra::satprog
