// The checked accessor of the 1-based tables: the placeholder and every entry are reached,
// an index outside the table stops with the index and the table's size.
#include "model/tables.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace veltra {
namespace {

TEST(TableAccess, PlaceholderAndEntriesAreReachedAndOutsideIndexesStop) {
  std::vector<int> links = {0, 10, 20, 30};  // placeholder, entries 1..3
  const std::array<int, 3> stages = {0, 5, 6};
  struct Case {
    int64_t index;
    bool inside;
  } cases[] = {{0, true}, {1, true}, {3, true}, {4, false}, {-1, false}, {int64_t{1} << 40, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    if (c.inside) {
      EXPECT_EQ(At(links, c.index), 10 * c.index);
      At(links, c.index) += 1;  // a reference into the table
      EXPECT_EQ(links[static_cast<size_t>(c.index)], 10 * c.index + 1);
    } else {
      EXPECT_THROW(At(links, c.index), TableIndexError);
    }
  }
  EXPECT_EQ(At(stages, 2), 6);
  try {
    At(stages, 3);
    FAIL() << "no stop";
  } catch (const TableIndexError& e) {
    EXPECT_STREQ(e.what(), "ERROR - Indice 3 fuera de una tabla de 3 entradas");
  }
}

}  // namespace
}  // namespace veltra
