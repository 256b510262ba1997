#include "model/saturn_vars.h"

#include "util/text.h"

namespace veltra {

SaturnVars::SaturnVars() {
  TurnMarks.assign(kMaxTurns + 1, 0);
  PreviousTurnFlows.assign(kMaxTurns + 1, 0.0f);
  Figures.resize(kMaxIterations + 1);
  Clear();
}

TIterationFigures& SaturnVars::FiguresOf(int iteration) {
  if (iteration < 0) iteration = 0;
  if (static_cast<size_t>(iteration) >= Figures.size()) Figures.resize(static_cast<size_t>(iteration) + 1);
  return Figures[static_cast<size_t>(iteration)];
}

void SaturnVars::Clear() {
  Network = TNetwork();
  Param = TParam();
  Nodes.assign(1, TNodo());
  Links.assign(1, Tardat());
  LinkKnobs.clear();
  Turns.assign(1, TGiro());
  SignalPlans.assign(1, TPlanSemaforo());
  Zones.assign(1, Tcent());
  BusLines.assign(1, TLinea());
  LinkFlows.clear();
  LinkClassFlows.clear();
  NodeIndex.clear();
  FirstLinkOfNode.clear();
  OptionLines.clear();
  NetworkTitle.clear();
  ConnectorList.clear();
  SelectedBusLink.assign(kMaxLinks + 1, 0.0f);
  OtherBusLink.assign(kMaxLinks + 1, 0.0f);
  SelectedBusTurn.assign(kMaxTurns + 1, 0.0f);
  OtherBusTurn.assign(kMaxTurns + 1, 0.0f);
  Xmin = kBoundStartMin;
  Xmax = kBoundStartMax;
  Ymin = kBoundStartMin;
  Ymax = kBoundStartMax;
  InvalidateIndexes();
}

std::string SaturnVars::LinkKey(int32_t aNode, int32_t bNode) { return Printf("%9d%9d", aNode, bNode); }

std::string SaturnVars::TurnKey(int32_t junctionNode, int32_t aNode, int32_t cNode) {
  return Printf("%9d%9d%9d", junctionNode, aNode, cNode);
}

void SaturnVars::InvalidateIndexes() {
  nodeIndexValid_ = linkIndexValid_ = zoneIndexValid_ = false;
}

// The indexes map a number or key to the last position holding it, which is what a scan of
// 1..Count keeping the last match returns. Appended records extend an index in place.
void SaturnVars::EnsureNodeIndex() const {
  if (!nodeIndexValid_ || nodeIndexedCount_ > Nodes.size()) {
    nodeByNumber_.clear();
    nodeIndexedCount_ = 1;
    nodeIndexValid_ = true;
  }
  for (size_t i = nodeIndexedCount_; i < Nodes.size(); ++i) nodeByNumber_[Nodes[i].Number] = static_cast<int32_t>(i);
  nodeIndexedCount_ = Nodes.size();
}

void SaturnVars::EnsureLinkIndex() const {
  if (!linkIndexValid_ || linkIndexedCount_ > Links.size()) {
    linkByKey_.clear();
    linkIndexedCount_ = 1;
    linkIndexValid_ = true;
  }
  for (size_t i = linkIndexedCount_; i < Links.size(); ++i) linkByKey_[Links[i].Key] = static_cast<int32_t>(i);
  linkIndexedCount_ = Links.size();
}

void SaturnVars::EnsureZoneIndex() const {
  if (!zoneIndexValid_ || zoneIndexedCount_ > Zones.size()) {
    zoneByNumber_.clear();
    zoneIndexedCount_ = 1;
    zoneIndexValid_ = true;
  }
  for (size_t i = zoneIndexedCount_; i < Zones.size(); ++i) zoneByNumber_[Zones[i].ZoneNumber] = static_cast<int32_t>(i);
  zoneIndexedCount_ = Zones.size();
}

int32_t SaturnVars::FindNode(int32_t number) const {
  EnsureNodeIndex();
  auto it = nodeByNumber_.find(number);
  return it == nodeByNumber_.end() ? 0 : it->second;
}

int32_t SaturnVars::FindNodeByTransyt(int32_t transytNode) const {
  int32_t found = 0;
  for (size_t i = 1; i < Nodes.size(); ++i)
    if (Nodes[i].TransytNode == transytNode) found = static_cast<int32_t>(i);
  return found;
}

int32_t SaturnVars::SignalPlanOfTransyt(int32_t transytNode) const {
  int32_t node = FindNodeByTransyt(transytNode);
  return node == 0 ? 0 : Nodes[static_cast<size_t>(node)].SignalPlan;
}

int32_t SaturnVars::FindZone(int32_t zone) const {
  EnsureZoneIndex();
  auto it = zoneByNumber_.find(zone);
  return it == zoneByNumber_.end() ? 0 : it->second;
}

int32_t SaturnVars::FindLink(int32_t aNode, int32_t bNode) const {
  EnsureLinkIndex();
  auto it = linkByKey_.find(LinkKey(aNode, bNode));
  return it == linkByKey_.end() ? 0 : it->second;
}

int32_t SaturnVars::FindTurn(int32_t aNode, int32_t junctionNode, int32_t cNode) const {
  const std::string key = TurnKey(junctionNode, aNode, cNode);
  int low = 0;
  int high = static_cast<int>(Turns.size()) - 1;
  while (low <= high) {
    int middle = (low + high) / 2;
    int c = Turns[static_cast<size_t>(middle)].Key.compare(key);
    if (c == 0) return middle;
    if (c < 0)
      low = middle + 1;
    else
      high = middle - 1;
  }
  return 0;
}

int32_t SaturnVars::RegisterNode(int32_t number) {
  std::string key = Printf("%9d", number);
  auto it = NodeIndex.find(key);
  if (it != NodeIndex.end()) return it->second;
  if (static_cast<int>(Nodes.size()) > kMaxNodes) return 0;
  TNodo node;
  node.Number = number;
  Nodes.push_back(std::move(node));
  int32_t position = static_cast<int32_t>(Nodes.size()) - 1;
  NodeIndex.emplace(std::move(key), position);
  Network.NodeCount = position;
  return position;
}

}  // namespace veltra
