#include "support/loop_model_builder.h"

#include "util/conversions.h"
#include "util/text.h"

namespace veltra::test {

int TableBuilder::Junction(int32_t number, int32_t armCount, int32_t junctionType) {
  int index = External(number);
  TNodo& node = Node(index);
  node.NodeClass = junctionType == 3 ? 2 : 1;
  node.ArmCount = armCount;
  node.JunctionType = junctionType;
  if (junctionType == 3) {
    TPlanSemaforo plan;
    plan.NodeNumber = number;
    sat_.SignalPlans.push_back(plan);
    node.SignalPlan = static_cast<int32_t>(sat_.SignalPlans.size() - 1);
    sat_.Network.SignalPlanCount = node.SignalPlan;
  }
  return index;
}

int TableBuilder::External(int32_t number) {
  TNodo node;
  node.Number = number;
  sat_.Nodes.push_back(node);
  sat_.Network.NodeCount = static_cast<int32_t>(sat_.Nodes.size() - 1);
  sat_.InvalidateIndexes();
  return sat_.Network.NodeCount;
}

TConector& TableBuilder::Arm(int node, int32_t aNode, const std::string& laneText, int32_t time, int32_t length,
                             const std::vector<TableSlot>& slots) {
  TNodo& n = Node(node);
  size_t a = 1;
  while (a <= kMaxArms && n.Arms[a].ANode != 0) ++a;
  TConector& arm = n.Arms[a];
  arm.ANode = aNode;
  arm.LaneText = laneText;
  std::string digits;
  for (char c : laneText)
    if (c != 'B' && c != 'F') digits += c;
  arm.Lanes = TextToInt(digits);
  arm.Time = time;
  arm.Length = length;
  for (size_t j = 0; j < slots.size(); ++j) {
    TMovimiento& slot = arm.Slots[j + 1];
    slot.TurnValue = slots[j].TurnValue;
    slot.Code = slots[j].Code;
    slot.FirstLane = slots[j].FirstLane;
    slot.LastLane = slots[j].LastLane;
  }
  return arm;
}

TPlanSemaforo& TableBuilder::Plan(int node) { return sat_.SignalPlans[static_cast<size_t>(Node(node).SignalPlan)]; }

TFase& TableBuilder::Stage(int node, int32_t green, int32_t intergreen, const std::vector<int32_t>& movementNodes) {
  TPlanSemaforo& plan = Plan(node);
  TFase& stage = plan.Stages[static_cast<size_t>(++plan.StageCount)];
  stage.StageNumber = plan.StageCount;
  stage.GreenTime = green;
  stage.Intergreen = intergreen;
  stage.EntryCount = static_cast<int32_t>(movementNodes.size());
  for (size_t e = 0; e < movementNodes.size(); ++e) stage.MovementNodes[e + 1] = movementNodes[e];
  return stage;
}

int TableBuilder::Link(int32_t aNode, int32_t bNode, int32_t length, float linkTime) {
  Tardat link;
  link.Key = SaturnVars::LinkKey(aNode, bNode);
  link.ANode = aNode;
  link.BNode = bNode;
  link.Length = length;
  sat_.Links.push_back(link);
  if (sat_.LinkFlows.empty()) sat_.LinkFlows.push_back(TFlujoArco{});
  TFlujoArco flows{};
  flows[FlowSlot::ListingValue] = linkTime;
  sat_.LinkFlows.push_back(flows);
  sat_.Network.LinkCount = static_cast<int32_t>(sat_.Links.size() - 1);
  sat_.InvalidateIndexes();
  return sat_.Network.LinkCount;
}

int TableBuilder::Turn(int entryLink, int32_t junction, int32_t cNode, float assigned, float listingValue,
                       bool marked, float previous) {
  TGiro turn;
  turn.ANode = sat_.Links[static_cast<size_t>(entryLink)].ANode;
  turn.JunctionNode = junction;
  turn.CNode = cNode;
  turn.Key = SaturnVars::TurnKey(junction, turn.ANode, cNode);
  turn.EntryLink = entryLink;
  turn.AssignedFlow = assigned;
  turn.ListingValue = listingValue;
  sat_.Turns.push_back(turn);
  const int index = static_cast<int>(sat_.Turns.size() - 1);
  sat_.Network.TurnCount = index;
  if (sat_.TurnMarks.size() <= static_cast<size_t>(index)) sat_.TurnMarks.resize(static_cast<size_t>(index) + 1, 0);
  if (sat_.PreviousTurnFlows.size() <= static_cast<size_t>(index))
    sat_.PreviousTurnFlows.resize(static_cast<size_t>(index) + 1, 0.0f);
  sat_.TurnMarks[static_cast<size_t>(index)] = marked ? 1 : 0;
  sat_.PreviousTurnFlows[static_cast<size_t>(index)] = previous;
  return index;
}

}  // namespace veltra::test
