#include "signal_cases.h"

#include <gtest/gtest.h>

#include <cmath>

#include "util/text.h"

namespace veltra::signals::test {

std::string Card(std::initializer_list<int> fields) {
  std::string line;
  for (int f : fields) line += Printf("%5d", f);
  return line;
}

std::string CardOne(const RunOptions& o) {
  return Card({1, o.Cycle, o.Steps, o.Minutes, o.StartLoss, o.EndGain, o.Equisat, 0, 0, 0, 1, o.Optimise, o.Dispersion,
               0, o.DelayWeight, o.StopWeight});
}

std::vector<std::string> Arterial(int nodes, const RunOptions& o, bool optimise) {
  std::vector<std::string> lines{"* arterial", CardOne(o)};
  if (optimise) {
    std::string two = Printf("%5d", 2);
    for (int i = 1; i <= nodes; ++i) two += Printf("%5d", i);
    lines.push_back(two);
  }
  for (int i = 1; i <= nodes; ++i) lines.push_back(Card({12, i, 0, 10, o.Cycle / 2, 10}));
  for (int i = 1; i <= nodes; ++i) {
    lines.push_back(Card({31, 100 * i + 1, i, 1, 5, 2, 0, 0, 0, 0, 0, 300, 0, 1800, 0, 0, 1}));
    lines.push_back(Card({31, 100 * i + 2, i, 2, 5, 1, 0, 0, 0, 0, 0, 200, 0, 1800, 0, 0, 1}));
    lines.push_back(Card({31, 100 * i + 3, i, 1, 5, 2, 0, 0, 0, 0, 0, 300, 0, 1800, 0, 0, 1}));
  }
  for (int i = 1; i <= nodes; ++i) {
    if (i == 1)
      lines.push_back(Card({32, 101, 800, 0, 0, 0, 40}));
    else
      lines.push_back(Card({32, 100 * i + 1, 800, 0, 100 * (i - 1) + 1, 700, 40}));
    lines.push_back(Card({32, 100 * i + 2, 300, 0, 0, 0, 30}));
    if (i == nodes)
      lines.push_back(Card({32, 100 * i + 3, 600, 0, 0, 0, 40}));
    else
      lines.push_back(Card({32, 100 * i + 3, 600, 0, 100 * (i + 1) + 3, 500, 40}));
  }
  return lines;
}

std::vector<std::string> Isolated(double y1, double y2, const RunOptions& o) {
  return {"* isolated junction",
          CardOne(o),
          Card({2, 1}),
          Card({12, 1, 0, 7, o.Cycle / 2, 7}),
          Card({31, 11, 1, 1, 5, 2, 0, 0, 0, 0, 0, 200, 0, 1800, 0, 0, 1}),
          Card({31, 12, 1, 2, 5, 1, 0, 0, 0, 0, 0, 200, 0, 1800, 0, 0, 1}),
          Card({32, 11, static_cast<int>(std::lround(1800 * y1)), 0, 0, 0, 40}),
          Card({32, 12, static_cast<int>(std::lround(1800 * y2)), 0, 0, 0, 40})};
}

SignalNetwork Parse(const std::vector<std::string>& lines) {
  ReadReport report;
  SignalNetwork net = ReadDataFile(lines, "test.dat", report);
  EXPECT_TRUE(report.Ok()) << (report.Errors.empty() ? "" : report.Errors.front());
  return net;
}

}  // namespace veltra::signals::test
