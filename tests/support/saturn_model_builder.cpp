#include "support/test_support.h"
#include "support/saturn_model_builder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <stdexcept>

#include "saturn/junctions.h"
#include "util/conversions.h"
#include "util/text.h"

namespace veltra::test {

namespace {

int ArmAfter(int p, int r, int n) { return p + r > n ? p + r - n : p + r; }

}  // namespace

ModelBuilder::ModelBuilder(SaturnVars& sat) : sat_(sat) {
  sat_.Clear();
  sat_.Network.HasCoordinates = true;
  sat_.Network.BufferOnly = false;
}

void ModelBuilder::Node(int32_t number, double x, double y) {
  int32_t i = sat_.RegisterNode(number);
  if (i == 0) throw std::runtime_error("node table full");
  TNodo& node = sat_.Nodes[static_cast<size_t>(i)];
  node.X = static_cast<float>(x);
  node.Y = static_cast<float>(y);
  node.HasCoordinates = 1;
}

void ModelBuilder::Junction(int32_t number, int32_t type, const std::vector<ArmSpec>& arms,
                            const std::vector<StageSpec>& stages, int32_t cycle, int32_t offset) {
  int32_t i = sat_.RegisterNode(number);
  for (const ArmSpec& armSpec : arms) sat_.RegisterNode(armSpec.ANode);
  TNodo& node = sat_.Nodes[static_cast<size_t>(i)];
  node.NodeClass = type == 3 ? 2 : 1;
  node.ArmCount = static_cast<int32_t>(arms.size());
  node.JunctionType = type;
  for (size_t k = 0; k < arms.size() && k < kMaxArms; ++k) {
    const ArmSpec& armSpec = arms[k];
    TConector& arm = node.Arms[k + 1];
    arm.ANode = armSpec.ANode;
    arm.LaneText = armSpec.LaneText;
    std::string digits;
    for (char c : armSpec.LaneText)
      if (c != 'B' && c != 'F') digits.push_back(c);
    arm.Lanes = TextToInt(digits);
    arm.BusLane = armSpec.LaneText.find('B') != std::string::npos;
    arm.LeadingF = !armSpec.LaneText.empty() && armSpec.LaneText.front() == 'F';
    arm.TrailingF = !armSpec.LaneText.empty() && armSpec.LaneText.back() == 'F';
    if (arm.Lanes != 0) {
      arm.Speed = armSpec.Speed;
      arm.Length = armSpec.Length;
      arm.Time = armSpec.Speed != 0 ? RoundEven(armSpec.Length * 3.6 / armSpec.Speed) : 0;
    }
    for (size_t j = 0; j < armSpec.Slots.size() && j < kMaxSlots; ++j) {
      const SlotSpec& s = armSpec.Slots[j];
      TMovimiento& slot = arm.Slots[j + 1];
      slot.TurnValue = s.TurnValue;
      slot.Code = s.Code;
      slot.FirstLane = s.FirstLane;
      slot.LastLane = s.LastLane;
      for (int f = 0; f < 8; ++f)
        if (s.Code.find(kTurnCodeLetters[f]) != std::string::npos) node.TurnCodeFlags[static_cast<size_t>(f)] = 1;
      if (s.Code.find('G') != std::string::npos) arm.HasGTurn = true;
      if (s.Code.find('X') != std::string::npos) arm.HasXTurn = true;
      if (s.Code.find('F') != std::string::npos) arm.HasFTurn = true;
      if (s.TurnValue != 0) ++arm.TurnCount;
    }
    if (armSpec.PtOnly) ptOnlyApproaches_.push_back({armSpec.ANode, number});
  }
  if (type == 3) {
    TPlanSemaforo plan;
    plan.NodeNumber = number;
    plan.StageCount = static_cast<int32_t>(stages.size());
    plan.Offset = offset;
    plan.CycleTime = cycle;
    for (size_t k = 0; k < stages.size() && k < kMaxStages; ++k) {
      TFase& stage = plan.Stages[k + 1];
      stage.StageNumber = static_cast<int32_t>(k + 1);
      stage.GreenTime = stages[k].Green;
      stage.Intergreen = stages[k].Intergreen;
      stage.EntryCount = static_cast<int32_t>(std::min<size_t>(stages[k].Movements.size(), kMaxMovementNodes));
      for (int e = 1; e <= stage.EntryCount; ++e) stage.MovementNodes[static_cast<size_t>(e)] = stages[k].Movements[static_cast<size_t>(e - 1)];
    }
    sat_.SignalPlans.push_back(plan);
    node.SignalPlan = static_cast<int32_t>(sat_.SignalPlans.size()) - 1;
    node.Field16_20 = plan.StageCount;
    node.Field21_25 = offset;
  }
}

void ModelBuilder::Link(int32_t a, int32_t b) { bufferLinks_.push_back({a, b}); }

void ModelBuilder::Finish() {
  SaturnVars& sat = sat_;
  // Nodes in ascending number, as the reader leaves them.
  std::sort(sat.Nodes.begin() + 1, sat.Nodes.end(), [](const TNodo& a, const TNodo& b) { return a.Number < b.Number; });
  sat.NodeIndex.clear();
  for (size_t i = 1; i < sat.Nodes.size(); ++i) sat.NodeIndex[Printf("%9d", sat.Nodes[i].Number)] = static_cast<int32_t>(i);
  sat.Network.NodeCount = static_cast<int32_t>(sat.Nodes.size()) - 1;
  sat.InvalidateIndexes();

  // Simulation links from the arms, then exit links of the turns that have none.
  std::map<std::string, Tardat> links;
  for (size_t m = 1; m < sat.Nodes.size(); ++m) {
    const TNodo& node = sat.Nodes[m];
    for (int k = 1; k <= node.ArmCount; ++k) {
      const TConector& arm = node.Arms[static_cast<size_t>(k)];
      if (arm.Lanes == 0) continue;
      Tardat link;
      link.Key = SaturnVars::LinkKey(arm.ANode, node.Number);
      link.ANode = arm.ANode;
      link.BNode = node.Number;
      link.KindFlags = 2;
      if (arm.HasGTurn) link.KindFlags |= 32;
      if (arm.Lanes < 0) link.KindFlags |= 16;
      link.Lanes = std::abs(arm.Lanes);
      link.Speed1 = arm.Speed;
      link.Time1 = arm.Time;
      link.Length = arm.Length;
      link.DirectionText = "1";
      links[link.Key] = link;
    }
  }
  auto addBufferLink = [&links](int32_t a, int32_t b, const char* direction) {
    std::string key = SaturnVars::LinkKey(a, b);
    if (links.count(key)) return;
    Tardat& link = links[key];
    link.Key = key;
    link.ANode = a;
    link.BNode = b;
    link.KindFlags = 1;
    link.Length = 100;
    link.DirectionText = direction;
  };
  for (size_t m = 1; m < sat.Nodes.size(); ++m) {
    const TNodo& node = sat.Nodes[m];
    for (int p = 1; p <= node.ArmCount; ++p)
      for (int r = 1; r < node.ArmCount; ++r)
        addBufferLink(node.Number, node.Arms[static_cast<size_t>(ArmAfter(p, r, node.ArmCount))].ANode, "1");
  }
  for (const auto& [a, b] : bufferLinks_) addBufferLink(a, b, "2");
  for (const auto& [a, b] : ptOnlyApproaches_) {
    auto it = links.find(SaturnVars::LinkKey(a, b));
    if (it != links.end()) it->second.KindFlags |= 8;
  }
  sat.Links.assign(1, Tardat());
  for (auto& entry : links) sat.Links.push_back(entry.second);
  sat.Network.LinkCount = static_cast<int32_t>(sat.Links.size()) - 1;
  sat.InvalidateIndexes();

  // Turns and stage masks as the reader makes them after section 1, then its sort.
  sat.Turns.assign(1, TGiro());
  sat.Network.TurnCount = 0;
  BuildTurns(sat);
  BuildStageMasks(sat);
  sat.SortTables();
  sat.InvalidateIndexes();

  // What the network reader derives once the tables are sorted.
  ResolveIndices(sat);
  DeriveGeometry(sat);
  NumberArms(sat);
  BuildLaneGroups(sat);

  sat.LinkFlows.assign(sat.Links.size(), TFlujoArco{});
  sat.Network.SignalPlanCount = static_cast<int32_t>(sat.SignalPlans.size()) - 1;
  sat.Network.Loaded = true;
  sat.Network.FlowsRead = true;
}

void ModelBuilder::CrossNodes(int32_t number, double x, double y, int32_t north, int32_t west, int32_t south,
                              int32_t east) {
  Node(number, x, y);
  Node(north, x, y + 100);
  Node(west, x - 100, y);
  Node(south, x, y - 100);
  Node(east, x + 100, y);
}

std::vector<ArmSpec> ModelBuilder::CrossArms(int32_t north, int32_t west, int32_t south, int32_t east) {
  std::vector<ArmSpec> arms;
  for (int32_t a : {north, west, south, east}) {
    ArmSpec arm;
    arm.ANode = a;
    arm.LaneText = "3";
    arm.Slots = {{1800, "", 1, 1}, {1800, "", 2, 2}, {1800, "", 3, 3}};
    arms.push_back(arm);
  }
  return arms;
}

std::vector<StageSpec> ModelBuilder::CrossStages(int32_t north, int32_t west, int32_t south, int32_t east) {
  return {{30, 5, {north, 0, south, 0}}, {20, 5, {west, 0, east, 0}}};
}

int32_t ModelBuilder::TurnIndex(int32_t a, int32_t junction, int32_t c) const {
  int32_t t = sat_.FindTurn(a, junction, c);
  if (t == 0) throw std::runtime_error(Printf("no turn %d-%d-%d", a, junction, c));
  return t;
}

void ModelBuilder::TurnFlow(int32_t a, int32_t junction, int32_t c, float assigned, float fixed) {
  TGiro& turn = sat_.Turns[static_cast<size_t>(TurnIndex(a, junction, c))];
  turn.AssignedFlow = assigned;
  turn.FixedFlow = fixed;
  turn.TotalFlow = assigned + fixed;
}

void ModelBuilder::LinkFlowsFromTurns() {
  for (TFlujoArco& flows : sat_.LinkFlows) flows = TFlujoArco{};
  for (size_t t = 1; t < sat_.Turns.size(); ++t) {
    const TGiro& turn = sat_.Turns[t];
    if (turn.EntryLink == 0) continue;
    TFlujoArco& flows = sat_.LinkFlows[static_cast<size_t>(turn.EntryLink)];
    flows[TFlujoArco::ByDirection(FlowSlot::TurnAssigned, turn.Direction)] += turn.AssignedFlow;
    flows[TFlujoArco::ByDirection(FlowSlot::TurnFixed, turn.Direction)] += turn.FixedFlow;
    flows[FlowSlot::Assigned] += turn.AssignedFlow;
    flows[FlowSlot::Fixed] += turn.FixedFlow;
    flows[FlowSlot::Total] += turn.AssignedFlow + turn.FixedFlow;
    flows[FlowSlot::TurnsAssigned] += turn.AssignedFlow;
    flows[FlowSlot::TurnsFixed] += turn.FixedFlow;
    flows[FlowSlot::TurnsTotal] += turn.AssignedFlow + turn.FixedFlow;
  }
}

void ModelBuilder::LinkFlow(int32_t a, int32_t b, FlowSlot slot, float value) {
  int32_t link = sat_.FindLink(a, b);
  if (link == 0) throw std::runtime_error(Printf("no link %d-%d", a, b));
  sat_.LinkFlows[static_cast<size_t>(link)][slot] = value;
}

void ModelBuilder::OtherBus(int32_t a, int32_t junction, int32_t c, float pcu) {
  if (sat_.OtherBusTurn.size() < sat_.Turns.size()) sat_.OtherBusTurn.resize(sat_.Turns.size(), 0.0f);
  sat_.OtherBusTurn[static_cast<size_t>(TurnIndex(a, junction, c))] = pcu;
}

TNodo& ModelBuilder::NodeOf(int32_t number) {
  int32_t i = sat_.FindNode(number);
  if (i == 0) throw std::runtime_error(Printf("no node %d", number));
  return sat_.Nodes[static_cast<size_t>(i)];
}

TConector& ModelBuilder::Arm(int32_t node, int32_t aNode) {
  TNodo& n = NodeOf(node);
  for (int k = 1; k <= n.ArmCount; ++k)
    if (n.Arms[static_cast<size_t>(k)].ANode == aNode) return n.Arms[static_cast<size_t>(k)];
  throw std::runtime_error(Printf("no arm %d at node %d", aNode, node));
}

std::vector<int32_t> BuildGrid(ModelBuilder& builder, int rows, int cols, int extraNodes, int extraLinks) {
  auto id = [](int row, int col) { return 10000 + 100 * row + col; };  // row, col 0..rows+1, 0..cols+1
  std::vector<int32_t> junctions;
  for (int row = 0; row <= rows + 1; ++row)
    for (int col = 0; col <= cols + 1; ++col) {
      bool corner = (row == 0 || row == rows + 1) && (col == 0 || col == cols + 1);
      if (!corner) builder.Node(id(row, col), 200.0 * col, -200.0 * row);
    }
  for (int row = 1; row <= rows; ++row)
    for (int col = 1; col <= cols; ++col) {
      const int32_t n = id(row - 1, col), w = id(row, col - 1), s = id(row + 1, col), e = id(row, col + 1);
      std::vector<ArmSpec> arms = ModelBuilder::CrossArms(n, w, s, e);
      if ((row + col) % 2 == 0)
        for (ArmSpec& arm : arms) arm.Slots[2].Code = "X ";  // left turns give way to oncoming traffic
      builder.Junction(id(row, col), 3, arms, ModelBuilder::CrossStages(n, w, s, e));
      junctions.push_back(id(row, col));
    }
  // Shape and zone nodes beyond the town, linked in a chain and then to their second neighbours.
  for (int i = 0; i < extraNodes; ++i) builder.Node(90000 + i, 10.0 * i, 5000.0);
  int links = 0;
  for (int i = 0; i + 1 < extraNodes && links < extraLinks; ++i, links += 2) {
    builder.Link(90000 + i, 90001 + i);
    builder.Link(90001 + i, 90000 + i);
  }
  for (int i = 0; i + 2 < extraNodes && links < extraLinks; ++i, ++links) builder.Link(90000 + i, 90002 + i);
  builder.Finish();
  SaturnVars& sat = builder.Sat();
  for (size_t t = 1; t < sat.Turns.size(); ++t) {
    TGiro& turn = sat.Turns[t];
    turn.AssignedFlow = turn.Direction == 0 ? 300.0f : (turn.Direction == 1 ? 120.0f : 80.0f);
    const int junction = turn.JunctionNode % 100 + turn.JunctionNode / 100;
    turn.FixedFlow = turn.Direction == 0 && junction % 3 == 0 ? 0.5f : 0.0f;
    turn.TotalFlow = turn.AssignedFlow + turn.FixedFlow;
  }
  builder.LinkFlowsFromTurns();
  return junctions;
}

void AssignNetwork(Run& run, int r, int32_t network, const std::vector<std::pair<int32_t, int32_t>>& nodes) {
  QorVars& qor = run.Qor;
  SetNetwork(qor, r, network);
  TRedNodos& row = qor.RedNodos[static_cast<size_t>(r)];
  row.Reset(NetworkNumber(network), run.Sat.Nodes.size() - 1);
  for (const auto& [number, transyt] : nodes) {
    int32_t i = run.Sat.FindNode(number);
    if (i == 0) throw std::runtime_error(Printf("no node %d", number));
    row.SetTransytNode(i, transyt);
    run.Sat.Nodes[static_cast<size_t>(i)].TransytNetwork = network;
  }
}

}  // namespace veltra::test
