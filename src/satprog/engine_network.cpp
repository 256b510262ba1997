#include "satprog/engine_network.h"

#include <algorithm>

#include "util/text.h"

namespace veltra::satprog {

namespace {

bool IsBuffer(const Tardat& link) { return (link.KindFlags & 1) != 0; }

class Builder {
 public:
  Builder(const SaturnVars& sat, const NetworkOptions& options) : sat_(sat), options_(options) {}
  EngineNetwork Build();

 private:
  int32_t AddVertex() { return vertexCount_++; }
  int32_t AddArc(int32_t tail, int32_t head, ArcOrigin origin, assign::LinkCost cost, double length, double fixed);
  void Vertices();
  void LinkArcs();
  void TurnArcs();
  void ConnectorArcs();
  void TurnControls();
  void ConnectAt(int32_t zoneVertex, int32_t zone, int32_t node, int32_t second, double time);
  assign::LinkCost CostOf(const Tardat& link, ArcKind& kind);
  void Feed(int32_t link, int32_t arc) { feeders_[static_cast<size_t>(link)].push_back(arc); }

  const SaturnVars& sat_;
  const NetworkOptions& options_;
  EngineNetwork out_;
  int32_t vertexCount_ = 0;
  std::vector<int32_t> tails_, heads_;
  std::vector<int32_t> nodeVertex_;  // [Nodes position]
  std::vector<uint8_t> hasTurns_;    // [Nodes position]
  std::vector<int32_t> linkTail_, linkHead_;  // [Links position] vertex at each end
  std::vector<std::vector<int32_t>> feeders_;  // [Links position] arcs running on into an arc-less link
};

// The speed-flow curve of a buffer link, t0 + (t1 - t0) (v / C)^n: time 1 at no flow, time 2
// at capacity, the power n in the record's real value. Without capacity or a slower time at
// capacity the link keeps its free time, as every simulation link does.
assign::LinkCost Builder::CostOf(const Tardat& link, ArcKind& kind) {
  kind = IsBuffer(link) ? ArcKind::BufferLink : ArcKind::SimulationLink;
  if (IsBuffer(link) && link.Capacity > 0 && link.Time2 > link.Time1 && link.ExtraValue > 0)
    return assign::LinkCost::SpeedFlowPower(std::max(0, link.Time1), link.Time2, link.Capacity, link.ExtraValue);
  return assign::LinkCost::Bpr(std::max(0, link.Time1), 0, 1, 1);
}

int32_t Builder::AddArc(int32_t tail, int32_t head, ArcOrigin origin, assign::LinkCost cost, double length,
                        double fixed) {
  tails_.push_back(tail);
  heads_.push_back(head);
  out_.Arcs.push_back(origin);
  out_.Net.Costs.push_back(cost);
  out_.Net.Toll.push_back(0);
  out_.Net.Length.push_back(length);
  out_.Net.FixedFlow.push_back(fixed);
  out_.ArcOffset.push_back(0);
  return static_cast<int32_t>(tails_.size()) - 1;
}

void Builder::Vertices() {
  const int32_t zones = sat_.Network.ZoneCount;
  for (int32_t z = 0; z < zones; ++z) AddVertex();
  out_.Net.NoThroughNodes = zones;
  const int32_t nodes = sat_.Network.NodeCount;
  nodeVertex_.assign(static_cast<size_t>(nodes) + 1, -1);
  hasTurns_.assign(static_cast<size_t>(nodes) + 1, 0);
  for (int32_t t = 1; t <= sat_.Network.TurnCount; ++t) {
    const int32_t j = sat_.FindNode(sat_.Turns[static_cast<size_t>(t)].JunctionNode);
    if (j > 0) hasTurns_[static_cast<size_t>(j)] = 1;
  }
  for (int32_t n = 1; n <= nodes; ++n)
    if (!hasTurns_[static_cast<size_t>(n)]) nodeVertex_[static_cast<size_t>(n)] = AddVertex();
  const int32_t links = sat_.Network.LinkCount;
  linkTail_.assign(static_cast<size_t>(links) + 1, -1);
  linkHead_.assign(static_cast<size_t>(links) + 1, -1);
  feeders_.assign(static_cast<size_t>(links) + 1, {});
  out_.LinkMerged.assign(static_cast<size_t>(links) + 1, 0);
  out_.LinkFixedTime.assign(static_cast<size_t>(links) + 1, 0.0);
  for (int32_t l = 1; l <= links; ++l) {
    const Tardat& link = sat_.Links[static_cast<size_t>(l)];
    const int32_t a = sat_.FindNode(link.ANode), b = sat_.FindNode(link.BNode);
    if (a <= 0 || b <= 0) continue;
    ArcKind kind;
    const bool fixedTime = CostOf(link, kind).Form == assign::CostForm::Bpr;
    const size_t li = static_cast<size_t>(l);
    out_.LinkFixedTime[li] = std::max(0, link.Time1);
    out_.LinkMerged[li] = hasTurns_[static_cast<size_t>(a)] && fixedTime;
    if (!out_.LinkMerged[li])
      linkTail_[li] = hasTurns_[static_cast<size_t>(a)] ? AddVertex() : nodeVertex_[static_cast<size_t>(a)];
    linkHead_[li] = hasTurns_[static_cast<size_t>(b)] ? AddVertex() : nodeVertex_[static_cast<size_t>(b)];
  }
}

void Builder::LinkArcs() {
  out_.LinkArc.assign(static_cast<size_t>(sat_.Network.LinkCount) + 1, -1);
  out_.LinkBus.assign(static_cast<size_t>(sat_.Network.LinkCount) + 1, 0.0);
  for (int32_t l = 1; l <= sat_.Network.LinkCount; ++l) {
    const Tardat& link = sat_.Links[static_cast<size_t>(l)];
    ArcKind kind;
    const assign::LinkCost cost = CostOf(link, kind);
    if (IsBuffer(link) && link.Capacity > 0 && link.Time2 > link.Time1 && !(link.ExtraValue > 0))
      out_.Warnings.push_back(Printf("buffer link %d-%d has no power for its speed-flow curve: fixed time %d s", link.ANode,
                                     link.BNode, link.Time1));
    const size_t li = static_cast<size_t>(l);
    const double bus = li < sat_.OtherBusLink.size() ? sat_.OtherBusLink[li] + sat_.SelectedBusLink[li] : 0.0;
    out_.LinkBus[li] = bus;
    if (linkTail_[li] < 0 || linkHead_[li] < 0) continue;
    out_.LinkArc[li] = AddArc(linkTail_[li], linkHead_[li], {kind, l, 0}, cost, link.Length, bus);
  }
}

void Builder::TurnArcs() {
  const int32_t turns = sat_.Network.TurnCount;
  out_.TurnArc.assign(static_cast<size_t>(turns) + 1, -1);
  out_.Delays.resize(static_cast<size_t>(turns) + 1);
  for (int32_t t = 1; t <= turns; ++t) {
    const TGiro& turn = sat_.Turns[static_cast<size_t>(t)];
    const int32_t in = sat_.FindLink(turn.ANode, turn.JunctionNode);
    const int32_t out = sat_.FindLink(turn.JunctionNode, turn.CNode);
    if (in <= 0 || out <= 0 || linkHead_[static_cast<size_t>(in)] < 0 || linkHead_[static_cast<size_t>(out)] < 0) {
      out_.Warnings.push_back(Printf("turn %d-%d-%d has no %s link: not assigned", turn.ANode, turn.JunctionNode,
                                     turn.CNode, in <= 0 ? "entry" : "exit"));
      continue;
    }
    auto delay = std::make_unique<TurnDelay>();
    const size_t ti = static_cast<size_t>(t);
    const double bus = ti < sat_.OtherBusTurn.size() ? sat_.OtherBusTurn[ti] + sat_.SelectedBusTurn[ti] : 0.0;
    const size_t oi = static_cast<size_t>(out);
    const bool merged = out_.LinkMerged[oi] != 0;
    if (merged) delay->Offset = out_.LinkFixedTime[oi];
    const int32_t arc = AddArc(linkHead_[static_cast<size_t>(in)], merged ? linkHead_[oi] : linkTail_[oi],
                               {ArcKind::Turn, t, 0}, assign::LinkCost::FromFunction(*delay), 0, bus);
    out_.TurnArc[ti] = arc;
    if (merged) {
      out_.ArcOffset[static_cast<size_t>(arc)] = delay->Offset;
      Feed(out, arc);
    }
    out_.Delays[ti] = std::move(delay);
  }
}

// A zone connected to a node: to and from the node itself, or, where the node is a
// junction with turns, onto the links that leave it and from the links that enter it (onto
// the one link towards `second` when the connector names it).
void Builder::ConnectAt(int32_t zoneVertex, int32_t zone, int32_t node, int32_t second, double time) {
  const int32_t n = sat_.FindNode(node);
  if (n <= 0) {
    out_.Warnings.push_back(Printf("zone %d is connected to node %d, which is not in the network", sat_.Zones[static_cast<size_t>(zone)].ZoneNumber, node));
    return;
  }
  const assign::LinkCost cost = assign::LinkCost::Bpr(std::max(0.0, time), 0, 1, 1);
  if (!hasTurns_[static_cast<size_t>(n)]) {
    const int32_t v = nodeVertex_[static_cast<size_t>(n)];
    AddArc(zoneVertex, v, {ArcKind::ZoneToNode, zone, node}, cost, 0, 0);
    AddArc(v, zoneVertex, {ArcKind::NodeToZone, zone, node}, cost, 0, 0);
    return;
  }
  for (int32_t l = 1; l <= sat_.Network.LinkCount; ++l) {
    const Tardat& link = sat_.Links[static_cast<size_t>(l)];
    const size_t li = static_cast<size_t>(l);
    if (link.ANode == node && (second <= 0 || link.BNode == second)) {
      if (out_.LinkMerged[li] && linkHead_[li] >= 0) {
        const double offset = out_.LinkFixedTime[li];
        const int32_t arc = AddArc(zoneVertex, linkHead_[li], {ArcKind::ZoneToNode, zone, node},
                                   assign::LinkCost::Bpr(std::max(0.0, time) + offset, 0, 1, 1), 0, 0);
        out_.ArcOffset[static_cast<size_t>(arc)] = offset;
        Feed(l, arc);
      } else if (linkTail_[li] >= 0) {
        AddArc(zoneVertex, linkTail_[li], {ArcKind::ZoneToNode, zone, node}, cost, 0, 0);
      }
    }
    if (link.BNode == node && (second <= 0 || link.ANode == second) && linkHead_[static_cast<size_t>(l)] >= 0)
      AddArc(linkHead_[static_cast<size_t>(l)], zoneVertex, {ArcKind::NodeToZone, zone, node}, cost, 0, 0);
  }
}

void Builder::ConnectorArcs() {
  for (int32_t z = 1; z <= sat_.Network.ZoneCount; ++z) {
    const Tcent& zone = sat_.Zones[static_cast<size_t>(z)];
    if (zone.ConnectorCount == 0)
      out_.Warnings.push_back(Printf("zone %d has no connector: its trips cannot be assigned", zone.ZoneNumber));
    for (int32_t c = 1; c <= std::min(zone.ConnectorCount, kMaxConnectors); ++c) {
      const TConexion& connector = zone.Connectors[static_cast<size_t>(c)];
      const bool buffer = connector.Buffer == 1;
      ConnectAt(z - 1, z, connector.Node, buffer ? 0 : connector.SecondValue, buffer ? connector.Time : 0);
    }
  }
}

void Builder::TurnControls() {
  const int32_t turns = sat_.Network.TurnCount;
  out_.Controls.assign(static_cast<size_t>(turns) + 1, TurnControl());
  for (int32_t t = 1; t <= turns; ++t) {
    const TGiro& turn = sat_.Turns[static_cast<size_t>(t)];
    TurnControl& control = out_.Controls[static_cast<size_t>(t)];
    control.Arc = out_.TurnArc[static_cast<size_t>(t)];
    control.SaturationFlow = TurnSaturationFlow(turn);
    control.Priority = PriorityOf(turn.Code);
    const int32_t j = sat_.FindNode(turn.JunctionNode);
    const TNodo& node = sat_.Nodes[static_cast<size_t>(j)];
    if (node.JunctionType == 3 && node.SignalPlan > 0 && static_cast<size_t>(node.SignalPlan) < sat_.SignalPlans.size()) {
      const TPlanSemaforo& plan = sat_.SignalPlans[static_cast<size_t>(node.SignalPlan)];
      control.Signalised = true;
      control.Cycle = PlanCycle(plan);
      if (control.Cycle <= 0) {
        out_.Warnings.push_back(Printf("signal %d has no cycle: its turns run as if without signals", node.Number));
        control.Signalised = false;
      } else if (turn.StageMask == 0) {
        if (turn.Code.find('F') != std::string::npos) {
          control.GreenRatio = 1;  // a filter runs through every stage
        } else {
          control.GreenRatio = 1 / control.Cycle;
          out_.Warnings.push_back(Printf("turn %d-%d-%d has green in no stage of signal %d: 1 s of green assumed",
                                         turn.ANode, turn.JunctionNode, turn.CNode, node.Number));
        }
      } else {
        control.GreenRatio = std::max(EffectiveGreen(plan, turn.StageMask), 1.0) / control.Cycle;
        control.GreenRatio = std::min(control.GreenRatio, 1.0);
      }
    }
    control.MajorBegin = static_cast<int32_t>(out_.MajorTurns.size());
    if (control.Priority != TurnPriority::Major) {
      // Turns are sorted by junction first: the junction's turns lie around this one.
      int32_t first = t, last = t;
      while (first > 1 && sat_.Turns[static_cast<size_t>(first - 1)].JunctionNode == turn.JunctionNode) --first;
      while (last < turns && sat_.Turns[static_cast<size_t>(last + 1)].JunctionNode == turn.JunctionNode) ++last;
      for (int32_t u = first; u <= last; ++u) {
        const TGiro& other = sat_.Turns[static_cast<size_t>(u)];
        if (other.JunctionNode != turn.JunctionNode || other.ANode == turn.ANode) continue;
        if (PriorityOf(other.Code) != TurnPriority::Major) continue;
        if (control.Signalised && (other.StageMask & turn.StageMask) == 0) continue;
        const bool conflicts = control.Priority == TurnPriority::Merging ? other.CNode == turn.CNode
                                                                         : other.CNode != turn.ANode;
        if (conflicts) out_.MajorTurns.push_back(u);
      }
    }
    control.MajorEnd = static_cast<int32_t>(out_.MajorTurns.size());
  }
}

EngineNetwork Builder::Build() {
  Vertices();
  LinkArcs();
  TurnArcs();
  ConnectorArcs();
  TurnControls();
  out_.FeederBegin.assign(feeders_.size() + 1, 0);
  for (size_t l = 0; l < feeders_.size(); ++l) {
    out_.FeederBegin[l + 1] = out_.FeederBegin[l] + static_cast<int32_t>(feeders_[l].size());
    out_.Feeders.insert(out_.Feeders.end(), feeders_[l].begin(), feeders_[l].end());
  }
  out_.Net.Links = assign::Graph(vertexCount_, std::move(tails_), std::move(heads_));
  std::vector<double> empty(out_.Controls.size(), 0.0);
  SimulateJunctions(out_, empty, options_);
  return std::move(out_);
}

}  // namespace

namespace {
double At(const std::vector<double>& values, int32_t arc) {
  return arc >= 0 && static_cast<size_t>(arc) < values.size() ? values[static_cast<size_t>(arc)] : 0.0;
}
}  // namespace

bool EngineNetwork::HasLink(int32_t link) const {
  const size_t l = static_cast<size_t>(link);
  return LinkArc[l] >= 0 || LinkMerged[l];
}

// An arc-less link carries what runs on into it, less the fixed flow of the turns that feed
// it, plus its own fixed flow.
double EngineNetwork::LinkFlow(const assign::AssignmentResult& result, int32_t link) const {
  const size_t l = static_cast<size_t>(link);
  if (LinkArc[l] >= 0) return At(result.Flow, LinkArc[l]);
  double flow = LinkFixed(link);
  for (int32_t f = FeederBegin[l]; f < FeederBegin[l + 1]; ++f)
    flow += At(result.Flow, Feeders[static_cast<size_t>(f)]) - At(Net.FixedFlow, Feeders[static_cast<size_t>(f)]);
  return flow;
}

double EngineNetwork::LinkClassFlow(const assign::AssignmentResult& result, size_t userClass, int32_t link) const {
  if (userClass >= result.ClassFlow.size()) return 0;
  const std::vector<double>& flows = result.ClassFlow[userClass];
  const size_t l = static_cast<size_t>(link);
  if (LinkArc[l] >= 0) return At(flows, LinkArc[l]);
  double flow = 0;
  for (int32_t f = FeederBegin[l]; f < FeederBegin[l + 1]; ++f) flow += At(flows, Feeders[static_cast<size_t>(f)]);
  return flow;
}

double EngineNetwork::LinkFixed(int32_t link) const {
  const size_t l = static_cast<size_t>(link);
  if (LinkArc[l] >= 0) return At(Net.FixedFlow, LinkArc[l]);
  return l < LinkBus.size() ? LinkBus[l] : 0.0;
}

double EngineNetwork::LinkTime(const assign::AssignmentResult& result, int32_t link) const {
  const size_t l = static_cast<size_t>(link);
  return LinkArc[l] >= 0 ? At(result.Time, LinkArc[l]) : LinkFixedTime[l];
}

double EngineNetwork::TurnFlow(const assign::AssignmentResult& result, int32_t turn) const {
  return At(result.Flow, TurnArc[static_cast<size_t>(turn)]);
}

double EngineNetwork::TurnClassFlow(const assign::AssignmentResult& result, size_t userClass, int32_t turn) const {
  return userClass < result.ClassFlow.size() ? At(result.ClassFlow[userClass], TurnArc[static_cast<size_t>(turn)]) : 0.0;
}

double EngineNetwork::TurnFixed(int32_t turn) const { return At(Net.FixedFlow, TurnArc[static_cast<size_t>(turn)]); }

double EngineNetwork::TurnTime(const assign::AssignmentResult& result, int32_t turn) const {
  const int32_t arc = TurnArc[static_cast<size_t>(turn)];
  return arc < 0 ? 0.0 : At(result.Time, arc) - ArcOffset[static_cast<size_t>(arc)];
}

double EngineNetwork::TurnCapacity(int32_t turn) const {
  const auto& delay = Delays[static_cast<size_t>(turn)];
  return delay ? delay->Curve.Capacity : 0.0;
}

EngineNetwork BuildEngineNetwork(const SaturnVars& sat, const NetworkOptions& options) {
  return Builder(sat, options).Build();
}

void SimulateJunctions(EngineNetwork& network, const std::vector<double>& turnFlows, const NetworkOptions& options) {
  for (size_t t = 1; t < network.Controls.size(); ++t) {
    const TurnControl& control = network.Controls[t];
    if (control.Arc < 0 || !network.Delays[t]) continue;
    double major = 0;
    for (int32_t m = control.MajorBegin; m < control.MajorEnd; ++m)
      major += turnFlows[static_cast<size_t>(network.MajorTurns[static_cast<size_t>(m)])];
    const double gap =
        control.Priority == TurnPriority::Crossing ? options.Gaps.CrossingGap : options.Gaps.MergingGap;
    TurnDelayCurve& curve = network.Delays[t]->Curve;
    curve.PeriodHours = options.PeriodHours;
    if (control.Signalised) {
      const double g = control.GreenRatio;
      // A turn that gives way within its green sees the major flow compressed into that green.
      curve.Capacity = control.Priority == TurnPriority::Major ? control.SaturationFlow * g
                                                               : g * GiveWayCapacity(control.SaturationFlow, major / g, gap);
      curve.Cycle = control.Cycle;
      curve.GreenRatio = g;
    } else {
      curve.Capacity = control.Priority == TurnPriority::Major ? control.SaturationFlow
                                                               : GiveWayCapacity(control.SaturationFlow, major, gap);
      curve.Cycle = 0;
      curve.GreenRatio = 1;
    }
    curve.Capacity = std::max(curve.Capacity, kMinCapacity);
  }
}

}  // namespace veltra::satprog
