// One checked accessor for the 1-based tables of the models (nodes, links, turns, signal
// plans, arms, stages, TRANSYT links, networks...): element 0 is the placeholder that an index
// of 0 ("none") reaches, and 1..n are the entries.
#pragma once

#include <cstddef>
#include <cstdint>
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

}  // namespace veltra
