#include <gtest/gtest.h>

#include "loop/iteration.h"
#include "support/test_support.h"

namespace veltra {
namespace {

// Adds a signalised node of network 7 with the given stages (green, intergreen, minimum green).
void AddSignalNode(Run& run, int number, int transyt, int offset, int cycle,
                   const std::vector<std::array<int, 3>>& stages) {
  TPlanSemaforo plan;
  plan.NodeNumber = number;
  plan.StageCount = static_cast<int>(stages.size());
  plan.Offset = offset;
  plan.CycleTime = cycle;
  for (size_t s = 0; s < stages.size(); ++s) {
    plan.Stages[s + 1].GreenTime = stages[s][0];
    plan.Stages[s + 1].Intergreen = stages[s][1];
    plan.Stages[s + 1].MinimumGreen = stages[s][2];
  }
  run.Sat.SignalPlans.push_back(plan);
  TNodo node;
  node.Number = number;
  node.SignalPlan = static_cast<int>(run.Sat.SignalPlans.size()) - 1;
  node.TransytNetwork = 7;
  node.TransytNode = transyt;
  run.Sat.Nodes.push_back(node);
}

TEST(History, SignalNodesOfTheNetworkInNodeTableOrder) {
  test::TestRun t;
  veltra::Run& run = t.run;
  run.Qor.NumRedes = 1;
  test::SetNetwork(run.Qor, 1, 7);
  run.Qor.CicloRed[1] = 90;
  AddSignalNode(run, 100, 3, 10, 90, {{40, 5, 12}, {30, 5, 10}, {5, 5, 6}});
  TNodo other;  // a node of another network
  other.Number = 200;
  other.TransytNetwork = 8;
  other.SignalPlan = 1;
  run.Sat.Nodes.push_back(other);
  AddSignalNode(run, 300, 4, 85, 90, {{30, 5, 8}, {40, 5, 9}, {5, 5, 10}, {0, 0, 0}});

  RecordHistory(run, NetworkPosition(1), 2);
  EXPECT_EQ(run.Qor.HistCiclo[2][1], 90);
  ASSERT_EQ(run.Qor.NumNodosSemaforo[1], 2);
  EXPECT_EQ(run.Qor.NodosSemaforo[1][1], 100);
  EXPECT_EQ(run.Qor.NodosSemaforo[1][2], 300);
  EXPECT_EQ(run.Qor.NodosSemaforoTransyt[1][2], 4);

  const THistNodo& h = run.Qor.Hist[2][1][1];
  EXPECT_EQ(h.Etapas[1], 45);
  EXPECT_EQ(h.Etapas[3], 10);
  EXPECT_EQ(h.Etapas[4], 0);
  // Stage 1 starts after the intergreen of stage 3 plus the offset: 5 + 10.
  const std::vector<std::string> expected = {"3", "15", "60", "5", " ", " ", " ", "10", "40", "30", "5", " ", " ",
                                             " ", "5", "5", "5", " ", " ", " ", "12", "10", "6", " ", " ", " "};
  for (size_t c = 0; c < expected.size(); ++c) EXPECT_EQ(h.Textos[c], expected[c]) << "column " << c;

  // Intergreen of the last stage plus offset equal to the cycle: the cycle itself is kept.
  const THistNodo& w = run.Qor.Hist[2][1][2];
  EXPECT_EQ(w.Textos[0], "4");
  EXPECT_EQ(w.Textos[1], "85");   // 0 + 85
  EXPECT_EQ(w.Textos[2], "30");   // 85 + 35 = 120 > 90
  EXPECT_EQ(w.Textos[3], "75");
  EXPECT_EQ(w.Textos[4], "85");
}

TEST(History, StartOfStageOneEqualToTheCycleIsNotWrapped) {
  test::TestRun t;
  veltra::Run& run = t.run;
  run.Qor.NumRedes = 1;
  test::SetNetwork(run.Qor, 1, 7);
  AddSignalNode(run, 100, 3, 85, 90, {{40, 5, 0}, {35, 5, 0}});
  RecordHistory(run, NetworkPosition(1), 1);
  EXPECT_EQ(run.Qor.Hist[1][1][1].Textos[1], "90");
  EXPECT_EQ(run.Qor.Hist[1][1][1].Textos[2], "45");
}

}  // namespace
}  // namespace veltra
