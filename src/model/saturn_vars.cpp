#include "model/saturn_vars.h"

#include <algorithm>
#include <numeric>
#include <type_traits>
#include <utility>

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
    const std::decay_t<decltype(keyOf(low))> pivot = keyOf((low + high) / 2);
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

// The keys are the node numbers written "%9d" one after the other, and the tables are kept in
// the text order of their keys: the order every file written from them follows. A number that
// fills at most its nine columns (-99999999 to 999999999) is placed in that order by its rank
// below, so that keys compare as numbers; a wider number (or a record whose key is not the
// text of its numbers, as the spare entries after the last record) is compared as text.
bool FitsKeyField(int32_t number) { return number >= -99999999 && number <= 999999999; }

// The place of "%9d" of `number` among those of all fitting numbers: a text with more
// characters before it comes later (blanks sort first); at equal length a minus sign sorts
// before any digit. So 0..9, then -1..-9, then 10..99, then -10..-99, and so on: a
// non-negative number of d digits follows the 10^(d-1) - 1 negatives of fewer than d digits,
// a negative one of d digits follows the 10^d non-negatives of at most d digits.
uint32_t KeyFieldRank(int32_t number) {
  const uint32_t magnitude = number < 0 ? 0u - static_cast<uint32_t>(number) : static_cast<uint32_t>(number);
  uint32_t lowest = 1;  // 10^(digits - 1)
  while (lowest <= magnitude / 10) lowest *= 10;
  return magnitude + (number < 0 ? lowest * 10 : lowest) - 1;
}

// The two numbers compared as their key fields compare.
int CompareKeyFields(int32_t x, int32_t y) {
  if (x == y) return 0;
  if ((x | y) >= 0) return x < y ? -1 : 1;  // both non-negative: the order of the numbers
  return KeyFieldRank(x) < KeyFieldRank(y) ? -1 : 1;
}

bool LinkKeyIsOfFields(const Tardat& link) {
  return link.Key.size() == 18 && FitsKeyField(link.ANode) && FitsKeyField(link.BNode);
}

bool TurnKeyIsOfFields(const TGiro& turn) {
  return turn.Key.size() == 27 && FitsKeyField(turn.JunctionNode) && FitsKeyField(turn.ANode) &&
         FitsKeyField(turn.CNode);
}

uint64_t LinkPair(int32_t aNode, int32_t bNode) {
  return static_cast<uint64_t>(static_cast<uint32_t>(aNode)) << 32 | static_cast<uint32_t>(bNode);
}

uint64_t LinkRank(const Tardat& link) {
  return static_cast<uint64_t>(KeyFieldRank(link.ANode)) << 32 | KeyFieldRank(link.BNode);
}

std::pair<uint64_t, uint32_t> TurnRank(const TGiro& turn) {
  return {static_cast<uint64_t>(KeyFieldRank(turn.JunctionNode)) << 32 | KeyFieldRank(turn.ANode),
          KeyFieldRank(turn.CNode)};
}

// The order of records 1..last of a table by the text of their keys: entry k holds the
// position of the record that belongs at k. When every key is the text of its numbers the
// keys compare as the numbers' ranks, which order them as their texts do. Only the order is
// sorted: the records are large, and each then moves once.
template <class Record, class Rank>
std::vector<int32_t> OrderByKey(const std::vector<Record>& table, bool (*keyIsOfFields)(const Record&),
                                Rank (*rankOf)(const Record&)) {
  const int last = static_cast<int>(table.size()) - 1;
  std::vector<int32_t> order(table.size());
  std::iota(order.begin(), order.end(), 0);
  auto swapOrder = [&order](int a, int b) { std::swap(order[static_cast<size_t>(a)], order[static_cast<size_t>(b)]); };
  if (last >= 1 && std::all_of(table.begin() + 1, table.end(), keyIsOfFields)) {
    std::vector<Rank> rank(table.size());
    for (size_t i = 1; i < table.size(); ++i) rank[i] = rankOf(table[i]);
    QuickSortByKey(
        1, last, [&rank](int i) { return rank[static_cast<size_t>(i)]; },
        [&rank, &swapOrder](int a, int b) {
          swapOrder(a, b);
          std::swap(rank[static_cast<size_t>(a)], rank[static_cast<size_t>(b)]);
        });
  } else {
    QuickSortByKey(
        1, last, [&table, &order](int i) -> const std::string& { return At(table, order[static_cast<size_t>(i)]).Key; },
        swapOrder);
  }
  return order;
}

// Moves every record of the table to its new position: position k receives the record at
// from[k], following each cycle of the permutation so that a record moves only once.
template <class Record>
void MoveInto(std::vector<Record>& table, const std::vector<int32_t>& from) {
  std::vector<uint8_t> placed(table.size(), 0);
  for (size_t start = 1; start < table.size() && start < from.size(); ++start) {
    if (placed[start] || from[start] == static_cast<int32_t>(start)) continue;
    Record held = std::move(table[start]);
    size_t at = start;
    while (static_cast<size_t>(from[at]) != start) {
      table[at] = std::move(At(table, from[at]));
      placed[at] = 1;
      at = static_cast<size_t>(from[at]);
    }
    table[at] = std::move(held);
    placed[at] = 1;
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
    linkByNodes_.clear();
    linkByKey_.clear();
    linkIndexedCount_ = 1;
    linkIndexValid_ = true;
  }
  // A key that is the text of its two numbers is found by the numbers; the others (spare
  // entries, wider numbers) by their text.
  for (size_t i = linkIndexedCount_; i < Links.size(); ++i) {
    const Tardat& link = Links[i];
    if (LinkKeyIsOfFields(link))
      linkByNodes_[LinkPair(link.ANode, link.BNode)] = static_cast<int32_t>(i);
    else
      linkByKey_[link.Key] = static_cast<int32_t>(i);
  }
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
  if (FitsKeyField(aNode) && FitsKeyField(bNode)) {
    auto it = linkByNodes_.find(LinkPair(aNode, bNode));
    return it == linkByNodes_.end() ? 0 : it->second;
  }
  keyScratch_.clear();
  AppendLinkKey(keyScratch_, aNode, bNode);
  auto it = linkByKey_.find(keyScratch_);
  return it == linkByKey_.end() ? 0 : it->second;
}

int32_t SaturnVars::FindTurn(int32_t aNode, int32_t junctionNode, int32_t cNode) const {
  const bool byNumbers = FitsKeyField(junctionNode) && FitsKeyField(aNode) && FitsKeyField(cNode);
  keyScratch_.clear();  // the text of the key, made only when a comparison needs it
  auto compare = [&](const TGiro& turn) {
    if (byNumbers && TurnKeyIsOfFields(turn)) {
      if (int c = CompareKeyFields(turn.JunctionNode, junctionNode)) return c;
      if (int c = CompareKeyFields(turn.ANode, aNode)) return c;
      return CompareKeyFields(turn.CNode, cNode);
    }
    if (keyScratch_.empty()) AppendTurnKey(keyScratch_, junctionNode, aNode, cNode);
    return turn.Key.compare(keyScratch_);
  };
  int low = 0;
  // The spare entries after the last turn hold no key and must stay outside the search.
  int high = static_cast<int>(Turns.size()) - 1;
  if (Network.TurnCount > 0 && Network.TurnCount < high) high = Network.TurnCount;
  while (low <= high) {
    int middle = (low + high) / 2;
    int c = compare(At(Turns, middle));
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
    MoveInto(Nodes, from);
  }

  const std::vector<int32_t> linkOrder = OrderByKey(Links, LinkKeyIsOfFields, LinkRank);
  MoveInto(Links, linkOrder);
  if (LinkKnobs.size() == Links.size()) MoveInto(LinkKnobs, linkOrder);

  const std::vector<int32_t> original = OrderByKey(Turns, TurnKeyIsOfFields, TurnRank);
  MoveInto(Turns, original);
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
