// The model's links and turns are kept in the text order of their keys (node numbers written
// "%9d" one after the other), and found by their node numbers, whatever the numbers' widths
// and signs: the files written from the tables follow that order.
#include "model/saturn_vars.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <random>
#include <string>
#include <vector>

namespace veltra {
namespace {

// Numbers around every change of width, both signs; `wide` adds numbers wider than nine columns.
std::vector<int32_t> Numbers(bool wide) {
  std::vector<int32_t> numbers = {0,   7,   9,    10,   99,    100,      12345,    99999999, 100000000, 999999999,
                                  -1,  -9,  -10,  -99,  -100,  -12345,   -9999999, -10000000, -99999999};
  if (wide) numbers.insert(numbers.end(), {1000000000, -100000000, INT_MIN, INT_MAX});
  return numbers;
}

void ExpectTextOrderAndLookups(bool wide) {
  const std::vector<int32_t> numbers = Numbers(wide);
  SaturnVars sat;
  std::vector<std::array<int32_t, 3>> triples;
  for (int32_t a : numbers)
    for (int32_t b : numbers) triples.push_back({a, b, numbers[(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)) % numbers.size()]});
  std::shuffle(triples.begin(), triples.end(), std::mt19937(7));
  for (const auto& [a, b, c] : triples) {
    Tardat link;
    link.ANode = a;
    link.BNode = b;
    link.Key = SaturnVars::LinkKey(a, b);
    sat.Links.push_back(link);
    TGiro turn;
    turn.ANode = a;
    turn.JunctionNode = b;
    turn.CNode = c;
    turn.Key = SaturnVars::TurnKey(b, a, c);
    sat.Turns.push_back(turn);
  }
  sat.Network.LinkCount = sat.Network.TurnCount = static_cast<int32_t>(triples.size());
  sat.SortTables();

  auto keyOrder = [](const auto& x, const auto& y) { return x.Key < y.Key; };
  EXPECT_TRUE(std::is_sorted(sat.Links.begin() + 1, sat.Links.end(), keyOrder)) << wide;
  EXPECT_TRUE(std::is_sorted(sat.Turns.begin() + 1, sat.Turns.end(), keyOrder)) << wide;
  for (const auto& [a, b, c] : triples) {
    const int32_t l = sat.FindLink(a, b), t = sat.FindTurn(a, b, c);
    ASSERT_NE(l, 0) << a << " " << b;
    ASSERT_NE(t, 0) << a << " " << b << " " << c;
    EXPECT_EQ(sat.Links[static_cast<size_t>(l)].Key, SaturnVars::LinkKey(a, b));
    EXPECT_EQ(sat.Turns[static_cast<size_t>(t)].Key, SaturnVars::TurnKey(b, a, c));
    // A number the tables do not hold finds nothing, whichever field it is in.
    EXPECT_EQ(sat.FindLink(a, 5), 0);
    EXPECT_EQ(sat.FindTurn(a, b, -5), 0);
    EXPECT_EQ(sat.FindTurn(a, -5, c), 0);
  }
}

TEST(ModelKeys, LinksAndTurnsAreSortedAsTheirKeyTextsAndFoundByTheirNumbers) {
  ExpectTextOrderAndLookups(false);
  ExpectTextOrderAndLookups(true);
}

}  // namespace
}  // namespace veltra
