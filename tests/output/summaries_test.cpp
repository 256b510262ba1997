// The CSV summaries of a run: cycles with the SATURN figures, splits per signal node, and the
// node report of the last iteration.
#include "output/summaries.h"

#include <gtest/gtest.h>

#include "support/output_model.h"
#include "util/text.h"

namespace veltra {
namespace {

using test::OutputModel;
using test::TempDir;
using test::Written;
using Stage = OutputModel::Stage;

std::string CrLf(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

// Networks 5 and 7 (and, when asked, 9 without signal nodes), two iterations recorded.
struct TwoNetworks {
  OutputModel m;
  int r1, r2, r3 = 0;
  explicit TwoNetworks(bool withEmptyNetwork = false) {
    r1 = m.AddNetwork(5, "Centro");
    r2 = m.AddNetwork(7, "Norte");
    if (withEmptyNetwork) r3 = m.AddNetwork(9, "Sur");
    m.AddSignalNode(r1, 501, 1, 10, 90, {{30, 5, 7}, {20, 4, 6}});
    m.AddSignalNode(r1, 502, 2, 0, 90, {{40, 5, 7}, {30, 5, 6}, {5, 5, 5}});
    m.AddSignalNode(r1, 503, 3, 0, 90, {{80, 10, 7}});
    m.AddSignalNode(r2, 701, 4, 0, 60, {{25, 5, 7}, {25, 5, 7}});
    for (int i = 1; i <= 2; ++i) {
      m.Record(r1, i, 88 + 2 * i);
      m.Record(r2, i, 60);
      if (r3) m.Record(r3, i, 0);
    }
  }
};

TEST(CycleSummary, OneLinePerIterationWithCyclesAndSaturnFigures) {
  TwoNetworks x;
  TIterationFigures& first = x.m.run().Sat.FiguresOf(1);
  first.SubTotalHr = 1234.56f;
  first.SubTotalKm = 9876.54f;
  first.Precision = 0.12345f;
  TIterationFigures& second = x.m.run().Sat.FiguresOf(2);
  second.SubTotalHr = 1000.04f;
  second.SubTotalKm = 20000;
  second.Precision = 999;
  const std::string text = Written([&](TextWriter& out) { WriteCycleSummary(x.m.run().Qor, x.m.run().Sat, 2, out); });
  EXPECT_EQ(test::DiffLines(CrLf({",Red 5,Red 7,Pcu-Hr/Hr,Pcu-Km/Hr,Precision", "1,90,60,1234.6,9876.5,0.123",
                                  "2,92,60,1000.0,20000.0,999.000"}),
                            text),
            "");
}

TEST(RunSummaries, RunWithoutIterationsWritesOnlyTheHeaderLines) {
  OutputModel m;
  EXPECT_EQ(Written([&](TextWriter& out) { WriteCycleSummary(m.run().Qor, m.run().Sat, 0, out); }),
            CrLf({",Pcu-Hr/Hr,Pcu-Km/Hr,Precision"}));
  EXPECT_EQ(Written([&](TextWriter& out) { WriteSplitSummary(m.run().Qor, 0, out); }), CrLf({"Redes:", "Nodos:", ""}));
}

TEST(SplitSummary, OneColumnPerSignalNodeAndSixLinesPerIteration) {
  TwoNetworks x(true);
  const std::string text = Written([&](TextWriter& out) { WriteSplitSummary(x.m.run().Qor, 2, out); });
  const std::vector<std::string> iteration = {
      ",35,45,90,30,0", ",24,35,0,30,0", ",0,10,0,0,0", ",0,0,0,0,0", ",0,0,0,0,0", ",0,0,0,0,0"};
  std::vector<std::string> expected = {"Redes:,Red 5,,,Red 7,Red 9", "Nodos:,501,502,503,701,0", ",1,2,3,4,0"};
  for (int i = 1; i <= 2; ++i)
    for (size_t s = 0; s < iteration.size(); ++s)
      expected.push_back((s == 0 ? Printf("Iter. %d", i) : std::string()) + iteration[s]);
  EXPECT_EQ(test::DiffLines(CrLf(expected), text), "");
}

TEST(SplitSummary, NodesMissingFromAnEarlierIterationReadAsZero) {
  TempDir dir;
  TwoNetworks x;
  // A signal node that only the last reload brought: iteration 1 has no history for it.
  x.m.AddSignalNode(x.r2, 702, 5, 0, 60, {{50, 10, 7}});
  x.m.Record(x.r2, 2, 60);
  WriteTextFile("repartos.csv", [&](TextWriter& out) { WriteSplitSummary(x.m.run().Qor, 2, out); });
  const auto lines = test::ReadLines("repartos.csv");
  ASSERT_EQ(lines.size(), 15u);
  EXPECT_EQ(lines[0], "Redes:,Red 5,,,Red 7,");
  EXPECT_EQ(lines[3], "Iter. 1,35,45,90,30,0");
  EXPECT_EQ(lines[9], "Iter. 2,35,45,90,30,60");
}

TEST(NodeReport, OneBlockPerNetworkWithTheLastIterationsTimings) {
  OutputModel m;
  const int r = m.AddNetwork(5, "Centro");
  m.AddSignalNode(r, 501, 12, 10, 90, {{20, 5, 7}, {15, 4, 6}, {25, 3, 8}, {10, 5, 5}});
  m.Record(r, 1, 80);
  m.Record(r, 2, 90);
  const std::string text = Written([&](TextWriter& out) { WriteNodeReport(m.run().Cfg, m.run().Qor, 2, out); });
  const std::vector<std::string> expected = {
      "Red:,5,Centro",
      "Ciclo:,90",
      "",
      "Nodo,Fases,Inicio Fases,,,,,,,Duración Verde (seg),,,,,,Entreverde,,,,,,Verde Mínimo,,,,,",
      ",,F1,F2,F3,F4,F5,F6,Desfase,F1,F2,F3,F4,F5,F6,F1,F2,F3,F4,F5,F6,F1,F2,F3,F4,F5,F6",
      // Four stages: the columns of stages 5 and 6 hold one blank each.
      "12,4,15,40,59,87, , ,10,20,15,25,10, , ,5,4,3,5, , ,7,6,8,5, , ",
      "",
      "",
      ""};
  EXPECT_EQ(test::DiffLines(CrLf(expected), text), "");
}

}  // namespace
}  // namespace veltra
