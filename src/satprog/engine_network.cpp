#include "satprog/engine_network.h"

#include <algorithm>

#include "util/text.h"

namespace veltra::satprog {

namespace {

bool IsBuffer(const Tardat& link) { return (link.KindFlags & 1) != 0; }

// The arms of a junction card and the turn of every slot, 0 where the slot has none. Slot r of
// arm p leads to arm p + r, counted round the junction: the cards list the arms clockwise.
struct JunctionLayout {
  int32_t Arms = 0;
  std::array<std::array<int32_t, kMaxSlots + 1>, kMaxArms + 1> Turn{};
  int32_t Exit(int32_t p, int32_t r) const { return (p - 1 + r) % Arms + 1; }
};

bool Coded(const TGiro& turn) { return PriorityOf(turn.Code) != TurnPriority::Major; }

int32_t FirstTurn(const JunctionLayout& layout) {
  for (int32_t p = 1; p <= layout.Arms; ++p)
    for (int32_t r = 1; r < layout.Arms; ++r)
      if (layout.Turn[static_cast<size_t>(p)][static_cast<size_t>(r)] > 0) return layout.Turn[static_cast<size_t>(p)][static_cast<size_t>(r)];
  return 0;
}

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
  void GiveWayAt(int32_t node);
  void ByCode(const JunctionLayout& layout, bool signalised, int32_t p, int32_t r, TurnControl& control);
  bool RankedTurn(const JunctionLayout& layout, const int32_t major[2], int32_t p, int32_t r, TurnControl& control);
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
    control.Lanes = TurnLanes(turn);
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
  }
  for (int32_t n = 1; n <= sat_.Network.NodeCount; ++n) GiveWayAt(n);
  // Rank by rank: a turn's capacity may depend on the queues of the turns ranked above it.
  for (int32_t rank = 2; rank <= 4; ++rank)
    for (int32_t t = 1; t <= turns; ++t)
      if (out_.Controls[static_cast<size_t>(t)].GivesWay() && out_.Controls[static_cast<size_t>(t)].Rank == rank)
        out_.GiveWayOrder.push_back(t);
}

void Builder::GiveWayAt(int32_t n) {
  const TNodo& node = sat_.Nodes[static_cast<size_t>(n)];
  JunctionLayout layout;
  layout.Arms = std::clamp(node.ArmCount, 0, kMaxArms);
  bool anyCoded = false;
  for (int32_t p = 1; p <= layout.Arms; ++p)
    for (int32_t r = 1; r < layout.Arms && r <= kMaxSlots; ++r) {
      const TMovimiento& slot = node.Arms[static_cast<size_t>(p)].Slots[static_cast<size_t>(r)];
      if (slot.TurnValue == 0 || slot.Turn <= 0 || slot.Turn > sat_.Network.TurnCount) continue;
      layout.Turn[static_cast<size_t>(p)][static_cast<size_t>(r)] = slot.Turn;
      anyCoded = anyCoded || Coded(sat_.Turns[static_cast<size_t>(slot.Turn)]);
    }
  if (!anyCoded) return;
  const bool signalised = node.JunctionType == 3 && out_.Controls[static_cast<size_t>(FirstTurn(layout))].Signalised;
  // A priority junction is ranked when exactly two arms have turns that give way to nothing: the
  // major road. Elsewhere, and at signals, a turn gives way by its code alone.
  int32_t major[2] = {0, 0}, majorCount = 0;
  for (int32_t p = 1; p <= layout.Arms; ++p) {
    bool unopposed = false;
    for (int32_t r = 1; r < layout.Arms; ++r) {
      const int32_t t = layout.Turn[static_cast<size_t>(p)][static_cast<size_t>(r)];
      unopposed = unopposed || (t > 0 && !Coded(sat_.Turns[static_cast<size_t>(t)]));
    }
    if (unopposed && majorCount++ < 2) major[majorCount - 1] = p;
  }
  const bool ranked = !signalised && majorCount == 2;
  if (!signalised) ++(ranked ? out_.RankedJunctions : out_.CodedJunctions);
  for (int32_t p = 1; p <= layout.Arms; ++p)
    for (int32_t r = 1; r < layout.Arms; ++r) {
      const int32_t t = layout.Turn[static_cast<size_t>(p)][static_cast<size_t>(r)];
      if (t == 0 || !Coded(sat_.Turns[static_cast<size_t>(t)])) continue;
      TurnControl& control = out_.Controls[static_cast<size_t>(t)];
      control.ConflictBegin = control.ConflictEnd = static_cast<int32_t>(out_.Conflicts.size());
      control.ImpedeBegin = control.ImpedeSplit = control.ImpedeEnd = static_cast<int32_t>(out_.Impeders.size());
      if (!ranked || !RankedTurn(layout, major, p, r, control)) ByCode(layout, signalised, p, r, control);
      control.ConflictEnd = static_cast<int32_t>(out_.Conflicts.size());
      control.ImpedeEnd = static_cast<int32_t>(out_.Impeders.size());
    }
}

// A turn that gives way by its code: one that crosses ("X") gives way to every free turn from
// another arm that does not lead back into its own arm, one that merges ("G", "M") to the free
// turns into its exit; at a signal only to those green in a stage of its own. At a signal the
// crossing turn is the opposed turn through the green; at a priority junction a turn across
// the road.
void Builder::ByCode(const JunctionLayout& layout, bool signalised, int32_t p, int32_t r, TurnControl& control) {
  const int32_t t = layout.Turn[static_cast<size_t>(p)][static_cast<size_t>(r)];
  const TGiro& turn = sat_.Turns[static_cast<size_t>(t)];
  const bool crossing = PriorityOf(turn.Code) == TurnPriority::Crossing;
  const GapAcceptance& gaps = options_.Gaps;
  control.Role = crossing ? (signalised ? GiveWayRole::MajorFarTurn : GiveWayRole::MinorThrough) : GiveWayRole::MinorNearTurn;
  control.Gap = crossing ? (signalised ? gaps.MajorFarTurn : gaps.MinorThrough) : gaps.MinorNearTurn;
  control.Rank = 2;
  const int32_t exit = layout.Exit(p, r);
  for (int32_t o = 1; o <= layout.Arms; ++o) {
    if (o == p) continue;
    for (int32_t s = 1; s < layout.Arms; ++s) {
      const int32_t u = layout.Turn[static_cast<size_t>(o)][static_cast<size_t>(s)];
      if (u == 0 || Coded(sat_.Turns[static_cast<size_t>(u)])) continue;
      if (signalised && (sat_.Turns[static_cast<size_t>(u)].StageMask & turn.StageMask) == 0) continue;
      const int32_t to = layout.Exit(o, s);
      if (crossing ? to != p : to == exit) out_.Conflicts.push_back({u, 1.0});
    }
  }
}

// A turn of a junction with one major road (arms a and b of `major`), ranked as the
// two-way-stop-control method ranks it, its conflicting flow counted as that method counts it
// (HCM 2000, exhibit 17-4, one-stage crossing of an undivided road). False for a turn the
// layout does not rank (a turn between two minor arms on the same side of the road, a major
// turn towards the near side that gives way): it gives way by its code.
bool Builder::RankedTurn(const JunctionLayout& layout, const int32_t major[2], int32_t p, int32_t r, TurnControl& control) {
  const int32_t n = layout.Arms;
  const int32_t m1 = major[0], m2 = major[1];
  // Side 1: the arms after m1 and before m2, clockwise; side 2: the others but the major ones.
  auto side = [&](int32_t a) { return a == m1 || a == m2 ? 0 : (a > m1 && a < m2 ? 1 : 2); };
  // Arms clockwise from m1 come on its left, so a major arm's far side is the side it reaches
  // first clockwise where traffic drives on the right.
  const bool right = options_.Gaps.Side == DrivingSide::Right;
  auto farSide = [&](int32_t m) { return (m == m1) == right ? 1 : 2; };
  auto other = [&](int32_t m) { return m == m1 ? m2 : m1; };
  // The flows of arm `from` into the arms `to` accepts, `weight` times each.
  auto add = [&](int32_t from, auto to, double weight) {
    for (int32_t s = 1; s < n; ++s) {
      const int32_t u = layout.Turn[static_cast<size_t>(from)][static_cast<size_t>(s)];
      if (u > 0 && to(layout.Exit(from, s))) out_.Conflicts.push_back({u, weight});
    }
  };
  auto impede = [&](int32_t from, auto to) {
    for (int32_t s = 1; s < n; ++s) {
      const int32_t u = layout.Turn[static_cast<size_t>(from)][static_cast<size_t>(s)];
      if (u > 0 && to(layout.Exit(from, s)) && Coded(sat_.Turns[static_cast<size_t>(u)])) out_.Impeders.push_back(u);
    }
  };
  const GapAcceptance& gaps = options_.Gaps;
  const int32_t exit = layout.Exit(p, r);
  if (side(p) == 0) {
    // From the major road across the opposing stream: its through traffic and its near-side
    // turns (HCM v1 = v5 + v6).
    if (side(exit) != farSide(p)) return false;
    const int32_t q = other(p);
    control.Role = GiveWayRole::MajorFarTurn;
    control.Gap = gaps.MajorFarTurn;
    control.Rank = 2;
    add(q, [&](int32_t e) { return e == p || side(e) == farSide(p); }, 1.0);
    return true;
  }
  // From a minor arm: the near major approach P is the one whose near side is this arm's side
  // (its traffic passes first), the far one Q the other.
  const int32_t own = side(p), opposite = 3 - own;
  const int32_t bigQ = farSide(m1) == own ? m1 : m2, bigP = other(bigQ);
  auto onOwnSide = [&](int32_t e) { return side(e) == own; };
  auto onOppositeSide = [&](int32_t e) { return side(e) == opposite; };
  auto is = [](int32_t arm) { return [arm](int32_t e) { return e == arm; }; };
  if (exit == bigQ) {
    // Into the near stream: its through traffic over its lanes, half its turns into this side
    // (HCM v9 = v2 / N + 0.5 v3).
    control.Role = GiveWayRole::MinorNearTurn;
    control.Gap = gaps.MinorNearTurn;
    control.Rank = 2;
    for (int32_t s = 1; s < n; ++s) {
      const int32_t u = layout.Turn[static_cast<size_t>(bigP)][static_cast<size_t>(s)];
      if (u > 0 && layout.Exit(bigP, s) == bigQ)
        out_.Conflicts.push_back({u, 1.0 / out_.Controls[static_cast<size_t>(u)].Lanes});
    }
    add(bigP, onOwnSide, 0.5);
    return true;
  }
  if (side(exit) == own) return false;
  // Across both streams (HCM v8 = 2 v1 + v2 + 0.5 v3 + 2 v4 + v5 + v6), or across the near one
  // into the far one (HCM v7 = 2 v1 + v2 + 0.5 v3 + 2 v4 + v5 + 0.5 v11 + 0.5 v12).
  const bool through = side(exit) == opposite;
  add(bigP, onOppositeSide, 2.0);
  add(bigP, is(bigQ), 1.0);
  add(bigP, onOwnSide, 0.5);
  add(bigQ, onOwnSide, 2.0);
  add(bigQ, is(bigP), 1.0);
  // The major far-side turns, rank 2, block it with their queues.
  impede(bigP, onOppositeSide);
  impede(bigQ, onOwnSide);
  if (through) {
    add(bigQ, onOppositeSide, 1.0);
    control.Role = GiveWayRole::MinorThrough;
    control.Gap = gaps.MinorThrough;
    control.Rank = 3;
    return true;
  }
  control.Role = GiveWayRole::MinorFarTurn;
  control.Gap = gaps.MinorFarTurn;
  bool opposed = false;
  for (int32_t o = 1; o <= n; ++o) {
    if (side(o) != opposite) continue;
    add(o, onOwnSide, 0.5);
    add(o, is(bigP), 0.5);
    impede(o, onOwnSide);  // the opposite minor through, rank 3
    for (int32_t s = 1; s < n; ++s) opposed = opposed || layout.Turn[static_cast<size_t>(o)][static_cast<size_t>(s)] > 0;
  }
  control.ImpedeSplit = static_cast<int32_t>(out_.Impeders.size());
  for (int32_t o = 1; o <= n; ++o)
    if (side(o) == opposite) impede(o, is(bigP));  // the opposite minor near-side turn, rank 2
  control.Rank = opposed ? 4 : 3;
  if (!opposed) control.Gap.Critical = std::max(0.0, control.Gap.Critical - gaps.ThreeArmReduction);
  return true;
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
  for (size_t t = 1; t < out_.Controls.size(); ++t) {
    if (!out_.Delays[t]) continue;
    const TurnControl& control = out_.Controls[t];
    TurnDelayCurve& curve = out_.Delays[t]->Curve;
    curve.PeriodHours = options_.PeriodHours;
    curve.Cycle = control.Signalised ? control.Cycle : 0;
    curve.GreenRatio = control.Signalised ? control.GreenRatio : 1;
  }
  SetCapacities(out_, SimulatedCapacities(out_, std::vector<double>(out_.Controls.size(), 0.0)));
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

std::vector<double> SimulatedCapacities(const EngineNetwork& network, const std::vector<double>& turnFlows) {
  std::vector<double> capacity(network.Controls.size(), 0.0);
  for (size_t t = 1; t < network.Controls.size(); ++t) {
    const TurnControl& control = network.Controls[t];
    capacity[t] = control.SaturationFlow * (control.Signalised ? control.GreenRatio : 1.0);
  }
  // The chance that a higher-ranked give-way turn has no queue, 1 - v / c, from the capacity
  // this simulation gave it.
  auto noQueue = [&](int32_t u) {
    const size_t i = static_cast<size_t>(u);
    return capacity[i] > 0 ? std::clamp(1 - turnFlows[i] / capacity[i], 0.0, 1.0) : 0.0;
  };
  for (int32_t t : network.GiveWayOrder) {
    const TurnControl& control = network.Controls[static_cast<size_t>(t)];
    double conflicting = 0;
    for (int32_t c = control.ConflictBegin; c < control.ConflictEnd; ++c) {
      const Conflict& conflict = network.Conflicts[static_cast<size_t>(c)];
      conflicting += conflict.Weight * turnFlows[static_cast<size_t>(conflict.Turn)];
    }
    double both = 1;
    for (int32_t i = control.ImpedeBegin; i < control.ImpedeSplit; ++i) both *= noQueue(network.Impeders[static_cast<size_t>(i)]);
    double factor = control.Rank == 4 ? RankFourImpedance(both) : both;
    for (int32_t i = control.ImpedeSplit; i < control.ImpedeEnd; ++i) factor *= noQueue(network.Impeders[static_cast<size_t>(i)]);
    // A turn that gives way within its green sees the conflicting flow compressed into that green.
    const double g = control.Signalised ? control.GreenRatio : 1.0;
    const double potential = control.Lanes * PotentialCapacity(conflicting / g, control.Gap);
    capacity[static_cast<size_t>(t)] = g * std::min(control.SaturationFlow, potential * factor);
  }
  return capacity;
}

void SetCapacities(EngineNetwork& network, const std::vector<double>& capacities) {
  for (size_t t = 1; t < network.Controls.size(); ++t)
    if (network.Delays[t]) network.Delays[t]->Curve.Capacity = std::max(capacities[t], kMinCapacity);
}

}  // namespace veltra::satprog
