#include "model/setting_lists.h"

#include <algorithm>
#include <optional>

#include "util/conversions.h"
#include "util/text.h"

namespace veltra {

namespace {

// The fields of an entry, at least `count` of them (the missing ones empty).
std::vector<std::string> Fields(const std::string& entry, size_t count) {
  std::vector<std::string> fields = Split(entry, ',');
  if (fields.size() < count) fields.resize(count);
  return fields;
}

std::vector<int32_t> NodeNumbers(const std::string& text) { return NodeList(text).Numbers(); }

template <class Entry>
std::optional<Entry> ParseEntry(const std::string& entry);

template <>
std::optional<MovementEntry> ParseEntry(const std::string& entry) {
  const auto f = Fields(entry, 4);
  return MovementEntry{TextToInt(f[0]), TextToInt(f[1]), TextToInt(f[2]), TextToInt(f[3])};
}

template <>
std::optional<MinimumGreenEntry> ParseEntry(const std::string& entry) {
  const auto f = Fields(entry, 7);
  MinimumGreenEntry greens;
  greens.Node = TextToInt(f[0]);
  for (size_t k = 1; k <= 6; ++k) greens.Greens[k] = TextToInt(f[k]);
  return greens;
}

template <>
std::optional<QueueEntry> ParseEntry(const std::string& entry) {
  const auto f = Fields(entry, 5);
  return QueueEntry{TextToInt(f[0]), TextToInt(f[1]), TextToInt(f[2]), TextToInt(f[3]), TextToInt(f[4])};
}

template <>
std::optional<GraphEntry> ParseEntry(const std::string& entry) {
  const auto f = Fields(entry, 4);
  return GraphEntry{TextToInt(f[0]), TextToInt(f[1]), TextToInt(f[2]), TextToInt(f[3])};
}

template <>
std::optional<DuplicationEntry> ParseEntry(const std::string& entry) {
  const std::vector<std::string> f = Split(entry, ',');
  if (f.size() != 4) return std::nullopt;
  return DuplicationEntry{TextToInt(f[0]), TextToInt(f[1]), TextToInt(f[2]), TextToInt(f[3])};
}

template <>
std::optional<NodeGroup> ParseEntry(const std::string& entry) {
  return NodeGroup{NodeNumbers(entry)};
}

}  // namespace

NodeList::NodeList(const std::string& text) : text_(text) {
  for (const std::string& piece : Split(text, ','))
    if (!Trim(piece).empty()) items_.push_back({piece, TextToInt(piece)});
}

bool NodeList::Has(int32_t number) const {
  return std::any_of(items_.begin(), items_.end(), [number](const NodeListItem& item) { return item.Number == number; });
}

std::vector<int32_t> NodeList::Numbers() const {
  std::vector<int32_t> numbers;
  for (const NodeListItem& item : items_) numbers.push_back(item.Number);
  return numbers;
}

std::string NodeList::First() const { return Trim(Split(text_, ',').front()); }

PublicTransportDetail PublicTransportDetail::Parse(const std::string& value) {
  const auto f = Fields(value, 6);
  PublicTransportDetail detail;
  detail.A = TextToInt(f[0]);
  detail.B = TextToInt(f[1]);
  detail.C = TextToInt(f[2]);
  // A share outside 0..100 % would give one of the two links a negative flow.
  detail.Share = std::clamp(TextToReal(f[3]) / 100.0, 0.0, 1.0);
  detail.CruiseIncrement = TextToInt(f[4]);
  detail.Value = TextToInt(f[5]);
  return detail;
}

template <class Entry>
NumberedList<Entry>::NumberedList(const std::string& text) : text_(text) {
  const std::vector<std::string> pieces = Split(text, '/');
  // The text starts with "/": the first piece is no entry.
  for (size_t i = 1; i < pieces.size(); ++i)
    if (std::optional<Entry> entry = ParseEntry<Entry>(pieces[i])) entries_.push_back(*entry);
}

template class NumberedList<MovementEntry>;
template class NumberedList<MinimumGreenEntry>;
template class NumberedList<QueueEntry>;
template class NumberedList<GraphEntry>;
template class NumberedList<DuplicationEntry>;
template class NumberedList<NodeGroup>;

}  // namespace veltra
