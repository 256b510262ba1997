// Bad input never crashes the engine: every field of a valid data file is replaced in turn by
// extreme and odd values, and every run ends with a result or with a print file that says why.
#include <gtest/gtest.h>

#include <sstream>

#include "signal_cases.h"
#include "signals/engine.h"
#include "support/test_support.h"
#include "util/text.h"

namespace veltra::signals {
namespace {

TEST(SignalRobustness, EveryFieldReplacedByAnOddValueEndsInOrder) {
  RunOptions o;
  o.Cycle = 40;
  o.Steps = 20;
  std::vector<std::string> base = test::Arterial(2, o);
  base.push_back("   30  202  101    0   50   22   19                      100    0  700    0    0    1");
  base.push_back(Card({7, 101, 104, 0, 0, 0}));
  base.push_back(Card({35, 101, 202}));
  base.push_back(Card({38, 203, 5, 10}));
  const char* odd[] = {"    0", "   -1", "99999", "-9999", "  1.5", "    x", "     "};
  veltra::test::TempDir dir;
  int runs = 0, results = 0;
  for (size_t line = 1; line < base.size(); ++line) {
    const size_t fields = (base[line].size() + 4) / 5;
    for (size_t f = 0; f < fields; ++f)
      for (const char* value : odd) {
        std::vector<std::string> lines = base;
        std::string& text = lines[line];
        if (text.size() < 5 * f + 5) text.resize(5 * f + 5, ' ');
        text.replace(5 * f, 5, value);
        dir.WriteLines("f.dat", lines);
        std::ostringstream console;
        const bool table = runs % 7 == 0;  // some runs make the cycle table instead
        const std::string print = table ? "f.cyo" : "f.prt";
        const int code = RunProgram(dir.File("f.dat"), dir.File(print), console);
        ++runs;
        ASSERT_TRUE(code == 0 || code == 1) << "line " << line + 1 << " field " << f + 1 << " value [" << value << "]";
        const std::string out = dir.Read(print);
        if (code == 0) {
          ++results;
          EXPECT_NE(out.find(table ? "0MAXIMA" : "TOTALS"), std::string::npos);
        } else {
          EXPECT_NE(out.find("ERROR: "), std::string::npos);
          EXPECT_EQ(out.find("FINAL SETTINGS"), std::string::npos);
        }
      }
  }
  EXPECT_GT(runs, 500);
  EXPECT_GT(results, runs / 3);
}

}  // namespace
}  // namespace veltra::signals
