#include "model/saturn_vars.h"

#include <algorithm>
#include <numeric>

#include "model/tables.h"
#include "util/text.h"

namespace veltra {

namespace {

// Quicksort of positions low..high by a text key, the pivot being the key of the middle
// position. Records with equal keys end in the order this partitioning leaves them, which
// decides which of them a "last match" lookup finds. The smaller part is sorted first by
// recursion and the larger one by the loop: the arrangement is the same, the depth stays small.
template <class KeyOf, class SwapAt>
void QuickSortByKey(int low, int high, const KeyOf& keyOf, const SwapAt& swapAt) {
  while (low < high) {
    int i = low;
    int j = high;
    const std::string pivot = keyOf((low + high) / 2);
    do {
      while (keyOf(i) < pivot) ++i;
      while (keyOf(j) > pivot) --j;
      if (i <= j) {
        if (i != j) swapAt(i, j);
        ++i;
        --j;
      }
    } while (i <= j);
    if (j - low < high - i) {
      if (low < j) QuickSortByKey(low, j, keyOf, swapAt);
      low = i;
    } else {
      if (i < high) QuickSortByKey(i, high, keyOf, swapAt);
      high = j;
    }
  }
}

}  // namespace

SaturnVars::SaturnVars(const SaturnCapacities& capacity) : capacity_(capacity) {
  TurnMarks.assign(1, 0);
  PreviousTurnFlows.assign(1, 0.0f);
  Figures.resize(1);
  Clear();
}

TIterationFigures& SaturnVars::FiguresOf(int iteration) {
  if (iteration < 0) iteration = 0;
  if (static_cast<size_t>(iteration) >= Figures.size()) Figures.resize(static_cast<size_t>(iteration) + 1);
  return Figures[static_cast<size_t>(iteration)];
}

TIterationFigures SaturnVars::FiguresAt(int iteration) const {
  if (iteration < 0) iteration = 0;
  if (static_cast<size_t>(iteration) >= Figures.size()) return TIterationFigures();
  return Figures[static_cast<size_t>(iteration)];
}

void SaturnVars::Clear() {
  Network = TNetwork();
  Param = TParam();
  // The tables keep the room the last network took: the loop reloads the same network after
  // every SATURN run, so only the first reading grows them.
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
  SelectedBusLink.clear();
  OtherBusLink.clear();
  SelectedBusTurn.clear();
  OtherBusTurn.clear();
  Xmin = kBoundStartMin;
  Xmax = kBoundStartMax;
  Ymin = kBoundStartMin;
  Ymax = kBoundStartMax;
  InvalidateIndexes();
}

std::string SaturnVars::LinkKey(int32_t aNode, int32_t bNode) {
  std::string key;
  AppendLinkKey(key, aNode, bNode);
  return key;
}

std::string SaturnVars::TurnKey(int32_t junctionNode, int32_t aNode, int32_t cNode) {
  std::string key;
  AppendTurnKey(key, junctionNode, aNode, cNode);
  return key;
}

// "%9d%9d" and "%9d%9d%9d": the lookups make a key per call, so they are made without printf.
void SaturnVars::AppendLinkKey(std::string& key, int32_t aNode, int32_t bNode) {
  AppendInt(key, aNode, 9);
  AppendInt(key, bNode, 9);
}

void SaturnVars::AppendTurnKey(std::string& key, int32_t junctionNode, int32_t aNode, int32_t cNode) {
  AppendInt(key, junctionNode, 9);
  AppendInt(key, aNode, 9);
  AppendInt(key, cNode, 9);
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
  return node == 0 ? 0 : At(Nodes, node).SignalPlan;
}

int32_t SaturnVars::FindZone(int32_t zone) const {
  EnsureZoneIndex();
  auto it = zoneByNumber_.find(zone);
  return it == zoneByNumber_.end() ? 0 : it->second;
}

int32_t SaturnVars::FindLink(int32_t aNode, int32_t bNode) const {
  EnsureLinkIndex();
  keyScratch_.clear();
  AppendLinkKey(keyScratch_, aNode, bNode);
  auto it = linkByKey_.find(keyScratch_);
  return it == linkByKey_.end() ? 0 : it->second;
}

int32_t SaturnVars::FindTurn(int32_t aNode, int32_t junctionNode, int32_t cNode) const {
  keyScratch_.clear();
  AppendTurnKey(keyScratch_, junctionNode, aNode, cNode);
  const std::string& key = keyScratch_;
  int low = 0;
  // The spare entries after the last turn hold no key and must stay outside the search.
  int high = static_cast<int>(Turns.size()) - 1;
  if (Network.TurnCount > 0 && Network.TurnCount < high) high = Network.TurnCount;
  while (low <= high) {
    int middle = (low + high) / 2;
    int c = At(Turns, middle).Key.compare(key);
    if (c == 0) return middle;
    if (c < 0)
      low = middle + 1;
    else
      high = middle - 1;
  }
  return 0;
}

float SaturnVars::LinkFlow(int32_t link, FlowSlot slot) const {
  if (link <= 0 || static_cast<size_t>(link) >= LinkFlows.size()) return 0;
  return LinkFlows[static_cast<size_t>(link)][slot];
}

const TPlanSemaforo* SaturnVars::PlanOf(int32_t node) const {
  if (node <= 0 || static_cast<size_t>(node) >= Nodes.size()) return nullptr;
  const int32_t plan = Nodes[static_cast<size_t>(node)].SignalPlan;
  if (plan <= 0 || static_cast<size_t>(plan) >= SignalPlans.size()) return nullptr;
  return &SignalPlans[static_cast<size_t>(plan)];
}

TPlanSemaforo* SaturnVars::PlanOf(int32_t node) {
  return const_cast<TPlanSemaforo*>(static_cast<const SaturnVars&>(*this).PlanOf(node));
}

int32_t SaturnVars::RegisterNode(int32_t number) {
  std::string key = IntText(number, 9);
  auto it = NodeIndex.find(key);
  if (it != NodeIndex.end()) return it->second;
  if (Nodes.size() > static_cast<size_t>(capacity_.Nodes)) return 0;
  TNodo node;
  node.Number = number;
  Nodes.push_back(std::move(node));
  int32_t position = static_cast<int32_t>(Nodes.size()) - 1;
  NodeIndex.emplace(std::move(key), position);
  Network.NodeCount = position;
  return position;
}

void SaturnVars::SortTables() {
  // Nodes: position k receives the record whose key is the k-th of NodeIndex (every node was
  // registered there), and the index follows the records.
  const size_t nodeCount = Nodes.size() - 1;
  if (NodeIndex.size() == nodeCount) {
    std::vector<int32_t> from(Nodes.size(), 0);  // new position -> old position
    size_t k = 0;
    for (auto& entry : NodeIndex) {
      from[++k] = entry.second;
      entry.second = static_cast<int32_t>(k);
    }
    std::vector<uint8_t> placed(Nodes.size(), 0);
    for (size_t start = 1; start <= nodeCount; ++start) {
      if (placed[start] || from[start] == static_cast<int32_t>(start)) continue;
      TNodo held = std::move(Nodes[start]);
      size_t at = start;
      while (static_cast<size_t>(from[at]) != start) {
        Nodes[at] = std::move(At(Nodes, from[at]));
        placed[at] = 1;
        at = static_cast<size_t>(from[at]);
      }
      Nodes[at] = std::move(held);
      placed[at] = 1;
    }
  }

  const int linkCount = static_cast<int>(Links.size()) - 1;
  const bool knobRows = LinkKnobs.size() == Links.size();
  QuickSortByKey(
      1, linkCount, [this](int i) -> const std::string& { return At(Links, i).Key; },
      [this, knobRows](int a, int b) {
        std::swap(At(Links, a), At(Links, b));
        if (knobRows) std::swap(At(LinkKnobs, a), At(LinkKnobs, b));
      });

  const int turnCount = static_cast<int>(Turns.size()) - 1;
  std::vector<int32_t> original(Turns.size());
  std::iota(original.begin(), original.end(), 0);
  QuickSortByKey(
      1, turnCount, [this](int i) -> const std::string& { return At(Turns, i).Key; },
      [this, &original](int a, int b) {
        std::swap(At(Turns, a), At(Turns, b));
        std::swap(original[static_cast<size_t>(a)], original[static_cast<size_t>(b)]);
      });
  std::vector<int32_t> moved(Turns.size(), 0);  // old position -> new position
  for (size_t i = 1; i < original.size(); ++i) moved[static_cast<size_t>(original[i])] = static_cast<int32_t>(i);
  for (auto& node : Nodes)
    for (auto& arm : node.Arms)
      for (auto& slot : arm.Slots)
        if (slot.Turn > 0 && static_cast<size_t>(slot.Turn) < moved.size()) slot.Turn = moved[static_cast<size_t>(slot.Turn)];
  InvalidateIndexes();
}

void SaturnVars::BuildFirstLinkOfNode() {
  const int32_t nodeCount = static_cast<int32_t>(Nodes.size()) - 1;
  const int32_t linkCount = Network.LinkCount;
  FirstLinkOfNode.assign(static_cast<size_t>(nodeCount) + 2, linkCount + 1);
  // A indices rise along Links, so one pass finds the first link of every node.
  int32_t j = 1;
  for (int32_t i = 1; i <= nodeCount; ++i) {
    while (j <= linkCount && At(Links, j).AIndex < i) ++j;
    At(FirstLinkOfNode, i) = j;
  }
  FirstLinkOfNode[0] = FirstLinkOfNode.size() > 1 ? FirstLinkOfNode[1] : linkCount + 1;
}

void SaturnVars::TrimTables() {
  // The capacity reserved for reading stays: memory a table never used is never touched, and
  // giving it back would copy the table.
  auto trim = [](auto& table, int32_t count, int spare) {
    table.resize(static_cast<size_t>(std::max(count, 0)) + 1 + static_cast<size_t>(spare));
  };
  trim(Nodes, Network.NodeCount, 0);
  trim(Links, Network.LinkCount, 1);
  if (!LinkKnobs.empty()) LinkKnobs.resize(Links.size());
  trim(Turns, Network.TurnCount, 2);
  trim(SignalPlans, Network.SignalPlanCount, 1);
  trim(Zones, Network.ZoneCount, 0);
  trim(BusLines, Network.BusLineCount, 0);
  InvalidateIndexes();
}

}  // namespace veltra
