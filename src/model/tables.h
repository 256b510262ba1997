// One checked accessor for the 1-based tables of the models (nodes, links, turns, signal
// plans, arms, stages, TRANSYT links, networks...): element 0 is the placeholder that an index
// of 0 ("none") reaches, and 1..n are the entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <stdexcept>
#include <string>

namespace veltra {

// An index outside a table is a fault of the program, not of its input; the check stops the
// run in order instead of reading or writing another entry's memory.
struct TableIndexError : std::out_of_range {
  using std::out_of_range::out_of_range;
};

[[noreturn]] void ThrowTableIndexError(int64_t index, size_t size);

template <class Table>
auto At(Table& table, int64_t index) -> decltype(table[0]) {
  if (index < 0 || static_cast<uint64_t>(index) >= table.size()) ThrowTableIndexError(index, table.size());
  return table[static_cast<size_t>(index)];
}

// Rows kept by a 1-based position whose count the input decides (the per-network settings): a
// row is added when a position is first written, and rows already handed out stay where they
// are. A position never written reads as a row of defaults.
template <class Row>
class GrowingRows {
 public:
  Row& operator[](size_t position) {
    while (rows_.size() <= position) rows_.emplace_back();
    return rows_[position];
  }
  const Row& operator[](size_t position) const {
    static const Row kDefaults{};
    return position < rows_.size() ? rows_[position] : kDefaults;
  }
  size_t size() const { return rows_.size(); }

 private:
  std::deque<Row> rows_;
};

}  // namespace veltra
