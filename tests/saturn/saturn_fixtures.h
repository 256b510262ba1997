// Helpers of the SATURN reader tests: test files, fixed-column cards and reading a network
// from lines.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "loop/input_check.h"
#include "state/run.h"
#include "saturn/listing.h"
#include "saturn/network_reader.h"
#include "support/test_support.h"
#include "util/text.h"

namespace veltra::test {

inline std::string SaturnData(const std::string& name) { return std::string(VELTRA_TEST_DATA) + "/saturn/" + name; }

// Copies test files of tests/data/saturn into the temporary directory.
inline void CopySaturnData(const TempDir& dir, const std::vector<std::string>& names) {
  for (const auto& name : names) dir.Write(name, ReadFile(SaturnData(name)));
}

// A fixed-column line: texts placed at 1-based columns, blanks between them.
class Card {
 public:
  Card() = default;
  // A card that starts as the given line, to be changed at some columns.
  explicit Card(std::string line) : line_(std::move(line)) {}
  Card& At(int column, const std::string& text) {
    size_t start = static_cast<size_t>(column - 1);
    if (line_.size() < start + text.size()) line_.resize(start + text.size(), ' ');
    line_.replace(start, text.size(), text);
    return *this;
  }
  // An integer right-aligned in columns first..last.
  Card& Int(int first, int last, long value) { return At(first, Printf("%*ld", last - first + 1, value)); }
  operator std::string() const { return line_; }

 private:
  std::string line_;
};

// The head of a network file: first namelist, title and &PARAM with the given items.
inline std::vector<std::string> NetworkHead(const std::vector<std::string>& param = {}) {
  std::vector<std::string> lines = {"&OPTION", " &END", "TEST NETWORK", "&PARAM"};
  lines.insert(lines.end(), param.begin(), param.end());
  lines.push_back(" &END");
  return lines;
}

// Reads the lines as the network file "test.dat".
inline void ReadNetworkLines(Run& run, std::vector<std::string> lines, const std::string& name = "test.dat") {
  run.Sat.Clear();
  run.Sat.NetworkLines = std::move(lines);
  run.Sat.NetworkFileName = name;
  SaturnRead(SaturnSettingsOf(run), run.Sat, run.Log);
}

// Reads the run's listing lines as the flows of `iteration`.
inline void ReadRunListing(Run& run, int iteration) {
  SaturnSettings settings = SaturnSettingsOf(run);
  settings.FirstRead = iteration == run.Cfg.IteracionInicial;
  ReadListing(run.Sat.ListingLines, iteration, settings, run.Sat, run.Log);
}

inline void ReadNetworkFile(Run& run, const std::string& path) {
  std::vector<std::string> lines;
  ASSERT_TRUE(LoadLines(path, lines)) << path;
  ReadNetworkLines(run, std::move(lines), path);
}

// A message of the run's log, or an empty text.
inline bool LogHas(const TestRun& t, const std::string& text) { return t.console.str().find(text) != std::string::npos; }

// The cross-roads and Y-junction network of tests/data/saturn/cross.dat, read in a fresh directory.
class CrossNetworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CopySaturnData(dir, {"cross.dat", "cross_inc.dat"});
    ReadNetworkFile(t.run, "cross.dat");
  }
  const TGiro& Turn(int32_t a, int32_t junction, int32_t c) const {
    int32_t i = sat.FindTurn(a, junction, c);
    EXPECT_NE(i, 0) << a << "-" << junction << "-" << c;
    return sat.Turns[static_cast<size_t>(i)];
  }
  const Tardat& Link(int32_t a, int32_t b) const {
    int32_t i = sat.FindLink(a, b);
    EXPECT_NE(i, 0) << a << "-" << b;
    return sat.Links[static_cast<size_t>(i)];
  }
  const TNodo& Node(int32_t number) const { return sat.Nodes[static_cast<size_t>(sat.FindNode(number))]; }
  // The arm of a junction that comes from `aNode`.
  const TConector& Arm(int32_t node, int32_t aNode) const {
    const TNodo& n = Node(node);
    for (int a = 1; a <= n.ArmCount; ++a)
      if (n.Arms[static_cast<size_t>(a)].ANode == aNode) return n.Arms[static_cast<size_t>(a)];
    ADD_FAILURE() << "no arm " << aNode << " at " << node;
    return n.Arms[0];
  }

  TempDir dir;
  TestRun t;
  SaturnVars& sat = t.run.Sat;
};

}  // namespace veltra::test
