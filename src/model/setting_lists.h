// The list settings of a network, parsed once when they are read: comma lists of node numbers
// (NodoSimple, NodoDoble, NodoPrioridad, CicloPrioridad, NoOptimiza) and the numbered keys
// (Grupo_k, Lag35_k, FlujoSat_k, FlujoS30_k, VerdeMin_k, FlujoArco1_k, Cola_k, Grafico_k,
// Coordina_k, Duplica_k, TPublicoDet_k). A numbered list is given as its text: every entry
// preceded by "/", in the order of k, as the configuration keeps it; each entry's fields are
// split at "," and go through the text-to-number conversion (a field that is not a number, or
// is missing, counts as 0).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace veltra {

// One item of a comma list of node numbers: as written, and as a number.
struct NodeListItem {
  std::string Text;
  int32_t Number = 0;
};

// A comma list of node numbers; blank items are left out.
class NodeList {
 public:
  NodeList() = default;
  NodeList(const std::string& text);  // implicit: a list is given as its text
  NodeList(const char* text) : NodeList(std::string(text)) {}

  const std::string& Text() const { return text_; }
  const std::vector<NodeListItem>& Items() const { return items_; }
  bool Empty() const { return items_.empty(); }
  bool Has(int32_t number) const;
  // The numbers of the items, in order.
  std::vector<int32_t> Numbers() const;
  // The first piece before a ",", trimmed (blank or not).
  std::string First() const;

 private:
  std::string text_;
  std::vector<NodeListItem> items_;
};

// An entry for the links of a movement: upstream node A, junction node B, exit node C (0: any
// exit) and a value (Lag35_k, FlujoSat_k, FlujoS30_k, FlujoArco1_k).
struct MovementEntry {
  int32_t A = 0, B = 0, C = 0;
  int32_t Value = 0;
};
// Given minimum greens of a TRANSYT node, stages 1..6 (VerdeMin_k).
struct MinimumGreenEntry {
  int32_t Node = 0;
  std::array<int32_t, 7> Greens{};  // 1..6
};
// A queue card of the links of a movement (Cola_k): two values.
struct QueueEntry {
  int32_t A = 0, B = 0, C = 0;
  int32_t First = 0, Second = 0;
};
// Links of a movement drawn as graphs (Grafico_k): mode 0 and 1 general traffic, 2 public
// transport, 3 both.
struct GraphEntry {
  int32_t A = 0, B = 0, C = 0;
  int32_t Mode = 0;
};
// Offset and stage times of one junction's stage copied to another's (Duplica_k); entries
// without exactly four fields are left out.
struct DuplicationEntry {
  int32_t SourceNode = 0, SourceStage = 0, TargetNode = 0, TargetStage = 0;
};
// The detailed public-transport link of a movement (TPublicoDet_k): the movement, the share of
// its public-transport flow (fourth field, in percent, held within 0..100 %), the cruise
// increment (fifth) and the detail value (sixth).
struct PublicTransportDetail {
  int32_t A = 0, B = 0, C = 0;
  double Share = 0;
  int32_t CruiseIncrement = 0;
  int32_t Value = 0;
  // Parses one value of the key.
  static PublicTransportDetail Parse(const std::string& value);
};

// A numbered list parsed into entries of one kind; groups of node numbers (Grupo_k, Coordina_k)
// are entries of their own kind, NodeGroup.
template <class Entry>
class NumberedList {
 public:
  NumberedList() = default;
  NumberedList(const std::string& text);  // implicit: a list is given as its text
  NumberedList(const char* text) : NumberedList(std::string(text)) {}

  const std::string& Text() const { return text_; }
  const std::vector<Entry>& Entries() const { return entries_; }
  bool Empty() const { return entries_.empty(); }
  typename std::vector<Entry>::const_iterator begin() const { return entries_.begin(); }
  typename std::vector<Entry>::const_iterator end() const { return entries_.end(); }

 private:
  std::string text_;
  std::vector<Entry> entries_;
};

// The node numbers of one entry of Grupo_k or Coordina_k, blank items left out.
struct NodeGroup {
  std::vector<int32_t> Nodes;
};

using MovementList = NumberedList<MovementEntry>;
using MinimumGreenList = NumberedList<MinimumGreenEntry>;
using QueueList = NumberedList<QueueEntry>;
using GraphList = NumberedList<GraphEntry>;
using DuplicationList = NumberedList<DuplicationEntry>;
using NodeGroupList = NumberedList<NodeGroup>;

}  // namespace veltra
