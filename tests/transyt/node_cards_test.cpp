#include "transyt/node_cards.h"

#include <gtest/gtest.h>

#include "support/test_support.h"
#include "support/transyt_network.h"

namespace veltra {
namespace {

using Fields = std::vector<int32_t>;

TEST(CardOne, StepsAreTheCycleUpTo60ThenHalfOfItHalvesToEvenAtMost60) {
  const std::pair<int, int> cases[] = {{30, 30}, {60, 60}, {61, 30}, {62, 31}, {63, 32}, {65, 32},
                                       {119, 60}, {120, 60}, {121, 60}, {130, 60}};
  for (const auto& [cycle, steps] : cases) EXPECT_EQ(CycleSteps(cycle), steps) << cycle;
}

TEST(CardOne, TheCyopFileTakesNoOptimisationAndItsFlag) {
  NetworkSettings net;
  net.Ciclo = 75;
  net.TiempoSim = 3600;
  net.TpoD1 = 2;
  net.TpoD2 = 3;
  net.equisat = 1;
  net.FactFlu = 100;
  net.FactVel = 90;
  net.TpoVelo = 1;
  net.Optimiza = 2;
  net.Dispersion = 1;
  net.Output = 4;
  net.Pdelay = 930;
  net.Pstop = 170;
  EXPECT_EQ(CardOne(net, TransytFileKind::Cyop, 75), (Fields{1, 75, 38, 3600, 2, 3, 1, 1, 100, 90, 1, 0, 1, 4, 930, 170}));
  for (TransytFileKind kind : {TransytFileKind::Test, TransytFileKind::SingleStructureTest, TransytFileKind::Final}) {
    EXPECT_EQ(CardOne(net, kind, 96), (Fields{1, 96, 48, 3600, 2, 3, 1, 0, 100, 90, 1, 2, 1, 4, 930, 170}));
    // A cycle of 0 is the file's cycle, not a call for the CYOP file at the network's Ciclo.
    EXPECT_EQ(CardOne(net, kind, 0), (Fields{1, 0, 0, 3600, 2, 3, 1, 0, 100, 90, 1, 2, 1, 4, 930, 170}));
  }
  EXPECT_EQ(CardText(CardOne(net, TransytFileKind::Final, 96)),
            "    1   96   48 3600    2    3    1    0  100   90    1    2    1    4  930  170");
}

// Writes some cards of network 1 to a file and reads the lines back.
struct CardsFixture {
  test::TestRun t;
  test::TempDir dir;
  test::NetworkBuilder b{t.run, 1, 3};

  template <class F>
  std::vector<std::string> Write(F cards) {
    {
      TextWriter out("cards.dat");
      cards(out);
      out.Close();
    }
    return test::ReadLines(dir.File("cards.dat"));
  }
  // Signalised nodes with TRANSYT numbers 1..count (SATURN numbers 100 + t).
  void SignalNodes(int count) {
    for (int tn = 1; tn <= count; ++tn) {
      int i = b.NetworkNode(100 + tn, tn, static_cast<float>(tn), 0);
      b.Plan(i, 0, 60, 0, {{1, 20, 5}, {1, 25, 10}});
    }
  }
};

TEST(CardTwo, FifteenNodesALineThenTheCoordinatedGroupsOnTheSameCounter) {
  CardsFixture f;
  f.SignalNodes(16);
  auto lines = f.Write([&](TextWriter& out) { WriteCardTwo(f.t.run.Cfg.Red[1], f.t.run.Qor.RedNodos[1], f.t.run.Sat, f.t.run.Log, out); });
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "    2    1    2    3    4    5    6    7    8    9   10   11   12   13   14   15");
  EXPECT_EQ(lines[1], "    2   16");

  f.b.Net().Coordina = "/101,102,103";
  lines = f.Write([&](TextWriter& out) { WriteCardTwo(f.t.run.Cfg.Red[1], f.t.run.Qor.RedNodos[1], f.t.run.Sat, f.t.run.Log, out); });
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "    2   16 -101 -102  103");
}

TEST(CardTwo, OptimiseFlagsFollowNoOptimizaAndPriorityNodesAreLeftOut) {
  CardsFixture f;
  f.SignalNodes(4);
  int outside = f.b.Node(900, 0, 0);
  f.b.Plan(outside, 0, 60, 0, {{1, 20, 5}, {1, 25, 10}});  // signalised, in no network
  f.b.Net().NoOptimiza = "2, 4";
  f.b.Net().NodoPrioridad = "3";
  RaisePriorityNodes(f.t.run.Cfg.Red[1], f.t.run.Qor.RedNodos[1], f.t.run.Sat);
  auto lines = f.Write([&](TextWriter& out) { WriteCardTwo(f.t.run.Cfg.Red[1], f.t.run.Qor.RedNodos[1], f.t.run.Sat, f.t.run.Log, out); });
  EXPECT_EQ(lines, (std::vector<std::string>{"    2    1"}));
  EXPECT_EQ(f.b.At(1).Optimise, 1);
  EXPECT_EQ(f.b.At(2).Optimise, 0);
  EXPECT_EQ(f.b.At(3).NodeClass, 3);
  EXPECT_EQ(f.b.At(4).Optimise, 0);

  // No optimised node and no group: no card 2 at all.
  f.b.Net().NoOptimiza = "1,2,4";
  EXPECT_TRUE(f.Write([&](TextWriter& out) { WriteCardTwo(f.t.run.Cfg.Red[1], f.t.run.Qor.RedNodos[1], f.t.run.Sat, f.t.run.Log, out); }).empty());
}

TEST(CardTwo, CoordinatingAnUnsignalisedNodeIsReportedAndWrittenAllTheSame) {
  CardsFixture f;
  f.SignalNodes(2);
  f.b.NetworkNode(300, 7, 0, 0);  // a junction without signals
  f.b.Net().NoOptimiza = "1,2";
  f.b.Net().Coordina = "/7,1/2, 9 ,1";
  auto lines = f.Write([&](TextWriter& out) { WriteCardTwo(f.t.run.Cfg.Red[1], f.t.run.Qor.RedNodos[1], f.t.run.Sat, f.t.run.Log, out); });
  EXPECT_EQ(lines, (std::vector<std::string>{"    2   -7    1   -2   -9    1"}));
  const std::string frame = "ERROR - ERROR - ERROR - ERROR - ERROR\n";
  EXPECT_EQ(f.t.console.str(), "\n\n" + frame + "Intenta coordinar nodo 7, no semaforizado\n" + frame + "\n\n" + "\n\n" +
                                   frame + "Intenta coordinar nodo 9, no semaforizado\n" + frame + "\n\n");
}

TEST(CardSeven, LinksSharingAStopLine) {
  CardsFixture f;
  f.b.Link(111, 1, 2, "3");                   // general link with +3 and +6
  f.b.Link(114, 1, 2, "3").EsPublico = 1;     // follows 111: no entry of its own
  f.b.Link(117, 1, 2, "3").EsPublico = 1;
  f.b.Link(121, 1, 2, "3");                   // general link with +3 only
  f.b.Link(124, 1, 2, "3").EsPublico = 1;
  f.b.Link(134, 1, 2, "3").EsPublico = 1;     // public-transport-only link with its detail link
  f.b.Link(137, 1, 2, "3").EsPublico = 1;
  f.b.Link(141, 1, 2, "3").Corredor = 1;      // bus corridor: never
  f.b.Link(144, 1, 2, "3").EsPublico = 1;
  f.b.Link(151, 1, 2, "3");                   // nothing follows it
  f.b.Link(211, 1, 2, "3");
  f.b.Link(214, 1, 2, "3").EsPublico = 1;
  auto lines = f.Write([&](TextWriter& out) { WriteCardSeven(f.t.run.Qor, out); });
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "    7  111  114  117    0    0  121  124    0    0    0  134  137    0    0    0",
                       "    7  211  214    0    0    0"}));
}

TEST(MinimumGreens, ComputedFromTheBlockBeforeTheStage) {
  TPlanSemaforo plan;
  plan.StageCount = 3;
  // Lanes and intergreen of blocks 1..3.
  plan.Stages[1].GreenLanes = 1;
  plan.Stages[1].Intergreen = 5;
  plan.Stages[2].GreenLanes = 2;
  plan.Stages[2].Intergreen = 6;
  plan.Stages[3].GreenLanes = 4;
  plan.Stages[3].Intergreen = 7;
  // W = 3.5: one lane gives max(8, 7.5, 3.85) = 8; two lanes 10; four lanes 15.4 and 15 -> 15.
  EXPECT_EQ(ComputedMinimumGreen(plan, 1, 3, 3.5), 15 + 7);
  EXPECT_EQ(ComputedMinimumGreen(plan, 2, 3, 3.5), 8 + 5);
  EXPECT_EQ(ComputedMinimumGreen(plan, 3, 3, 3.5), 10 + 6);
  // The half of a double cycle: stage 1 follows block 2.
  EXPECT_EQ(ComputedMinimumGreen(plan, 1, 2, 3.5), 10 + 6);
  // 1.1·W·p wins for wide lanes: W = 10, 3 lanes: max(8, 26.43, 33) = 33.
  plan.Stages[3].GreenLanes = 3;
  EXPECT_EQ(ComputedMinimumGreen(plan, 1, 3, 10.0), 33 + 7);
}

TEST(MinimumGreens, SumAboveTheCycleIsScaledAndNoted) {
  struct Case {
    Fields values;
    int cycle;
    bool half;
    Fields corrected;
    std::vector<std::string> errors;
  };
  const Case cases[] = {
      {{40, 35},
       60,
       false,
       {32, 28},
       {"", "*** ERROR - Suma de verdes mínimos (75) excede ciclo (60) en nodo 4",
        "            Valores Originales: vm1 = 40  vm2 = 35", "            Valores Corregidos: vm1 = 32  vm2 = 28"}},
      {{20, 20}, 60, false, {20, 20}, {}},
      {{30, 30}, 60, false, {30, 30}, {}},  // equal to the cycle: left alone
      // Half of a double cycle: the sum counts twice and the last value fills half the cycle.
      {{20, 18},
       61,
       true,
       {16, 14},
       {"", "*** ERROR - Suma de verdes mínimos (76) excede ciclo (61) en nodo 4",
        "            Valores Originales: vm1 = 20  vm2 = 18", "            Valores Corregidos: vm1 = 16  vm2 = 14"}},
      {{10, 20, 30, 40, 50, 60},
       105,
       false,
       {5, 10, 15, 20, 25, 30},
       {"", "*** ERROR - Suma de verdes mínimos (210) excede ciclo (105) en nodo 4",
        "            Valores Originales: vm1 = 10  vm2 = 20  vm3 = 30  vm4 = 40  vm5 = 50  vm6 = 60",
        "            Valores Corregidos: vm1 = 5  vm2 = 10  vm3 = 15  vm4 = 20  vm5 = 25  vm6 = 30"}},
  };
  for (const Case& c : cases) {
    test::TestRun t;
    Fields values = c.values;
    FitToCycle(values, c.cycle, c.half, 4, t.run.Log);
    EXPECT_EQ(values, c.corrected);
    EXPECT_EQ(t.run.Log.Errors, c.errors);
  }
}

// One signalised node (TRANSYT 4, SATURN 404) and its timing card.
struct TimingCase {
  const char* what;
  int offset, planCycle, repeat;
  std::vector<test::StageData> stages;
  bool optimised, allowDouble;
  Fields given;  // minimum greens from VerdeMin_%d (empty: none)
  int cycle;
  Fields expected;
};

Fields TimingFields(const TimingCase& c, test::TestRun& t) {
  TNodo node;
  node.Number = 404;
  node.TransytNode = 4;
  if (!c.given.empty()) {
    node.MinGreenGiven = 1;
    for (size_t k = 0; k < c.given.size(); ++k) node.MinGreen[k + 1] = c.given[k];
  }
  TPlanSemaforo plan;
  plan.StageCount = static_cast<int>(c.stages.size());
  plan.Offset = c.offset;
  plan.CycleTime = c.planCycle;
  plan.RepeatIndicator = c.repeat;
  for (size_t k = 0; k < c.stages.size(); ++k) {
    plan.Stages[k + 1].GreenLanes = c.stages[k].GreenLanes;
    plan.Stages[k + 1].GreenTime = c.stages[k].Green;
    plan.Stages[k + 1].Intergreen = c.stages[k].Intergreen;
  }
  return NodeTimingCard(node, plan, c.cycle, 3.5, c.optimised, c.allowDouble, t.run.Log).Fields;
}

TEST(TimingCards, OptimisedNodesCarryTheirMinimumGreens) {
  // One-lane blocks: computed minimum = 8 + intergreen of the preceding block.
  const std::vector<test::StageData> four = {{1, 20, 5}, {1, 15, 6}, {1, 20, 5}, {1, 15, 6}};
  const std::vector<test::StageData> six = {{1, 10, 3}, {1, 10, 4}, {1, 10, 5}, {1, 10, 3}, {1, 10, 4}, {1, 10, 5}};
  const TimingCase cases[] = {
      {"two stages", 0, 60, 0, {{1, 20, 5}, {1, 25, 10}}, true, true, {}, 90, {12, 4, 0, 18, 0, 13}},
      {"three stages", 0, 60, 0, {{1, 20, 5}, {1, 25, 10}, {1, 5, 3}}, true, true, {}, 90,
       {13, 4, 0, 11, 0, 13, 0, 18}},
      {"four stages", 0, 80, 0, four, true, true, {}, 90, {14, 4, 0, 14, 0, 13, 0, 14, 0, 13}},
      {"four stages double cycled", 0, 80, 1, four, true, true, {}, 90, {22, 4, 0, 14, 0, 13}},
      {"four stages, double cycling not allowed", 0, 80, 1, four, true, false, {}, 90,
       {14, 4, 0, 14, 0, 13, 0, 14, 0, 13}},
      {"five stages", 0, 90, 0, {{1, 10, 3}, {1, 10, 4}, {1, 10, 5}, {1, 10, 6}, {1, 10, 7}}, true, true, {}, 90,
       {15, 4, 0, 15, 0, 11, 0, 12, 0, 13, 0, 14}},
      {"six stages", 0, 80, 0, six, true, true, {}, 90, {16, 4, 0, 13, 0, 11, 0, 12, 0, 13, 0, 11, 0, 12}},
      {"six stages double cycled", 0, 80, 1, six, true, true, {}, 90, {23, 4, 0, 13, 0, 11, 0, 12}},
      {"six stages, double cycling not allowed", 0, 80, 1, six, true, false, {}, 90,
       {16, 4, 0, 13, 0, 11, 0, 12, 0, 13, 0, 11, 0, 12}},
      {"given minimum greens", 0, 60, 0, {{1, 20, 5}, {1, 25, 10}}, true, true, {7, 9}, 90, {12, 4, 0, 7, 0, 9}},
      {"given minimum greens of a double cycle", 0, 80, 1, four, true, true, {7, 9, 0, 0}, 90, {22, 4, 0, 7, 0, 9}},
      {"computed 40 and 35 in a 60 s cycle", 0, 60, 0, {{1, 20, 27}, {1, 25, 32}}, true, true, {}, 60,
       {12, 4, 0, 32, 0, 28}},
      {"one stage", 0, 60, 0, {{1, 55, 5}}, true, true, {}, 60, {}},
      {"seven stages", 0, 70, 0, {{1, 5, 5}, {1, 5, 5}, {1, 5, 5}, {1, 5, 5}, {1, 5, 5}, {1, 5, 5}, {1, 5, 5}}, true,
       true, {}, 70, {}},
  };
  for (const TimingCase& c : cases) {
    test::TestRun t;
    EXPECT_EQ(TimingFields(c, t), c.expected) << c.what;
  }
}

TEST(TimingCards, FixedTimingsScaleTheStagesToTheNetworkCycle) {
  const std::vector<test::StageData> four = {{1, 20, 5}, {2, 15, 10}, {1, 20, 5}, {2, 15, 10}};
  const TimingCase cases[] = {
      // Ratio 90/60: L1 = 1.5·(20 + 10) = 45, L2 = 1.5·(25 + 5) = 45; starts 10, 55.
      {"two stages", 10, 60, 0, {{1, 20, 5}, {1, 25, 10}}, false, true, {}, 90, {12, 4, 10, 18, 55, 13}},
      // Starts wrap at the cycle once: 70 + 45 = 115 -> 25.
      {"start wraps", 70, 60, 0, {{1, 20, 5}, {1, 25, 10}}, false, true, {}, 90, {12, 4, 70, 18, 25, 13}},
      // A start equal to the cycle is kept: 45 + 45 = 90.
      {"start equal to the cycle", 45, 60, 0, {{1, 20, 5}, {1, 25, 10}}, false, true, {}, 90, {12, 4, 45, 18, 90, 13}},
      // Stage lengths halves to even: 1.5·(10+5) = 22.5 -> 22, 1.5·(40+5) = 67.5 -> 68.
      {"halves to even", 0, 60, 0, {{1, 10, 5}, {1, 40, 5}}, false, true, {}, 90, {12, 4, 0, 13, 22, 13}},
      // Ratio 90/100 = 0.9 in single precision: L1 = 0.9·(20+10) = 27, L2 = 0.9·(15+5) = 18;
      // the half cycle is 45: starts 30, 57 -> 12. Minimum greens from blocks 2 (two lanes) and 1.
      {"four stages double cycled", 30, 100, 1, four, false, true, {}, 90, {22, 4, 30, 20, 12, 13}},
      // Single: L = 0.9·(20+10), 0.9·(15+5), 0.9·(20+10), 0.9·(15+5) = 27, 18, 27, 18.
      {"four stages, double cycling not allowed", 30, 100, 1, four, false, false, {}, 90,
       {14, 4, 30, 20, 57, 13, 75, 20, 12, 13}},
      // Given minimum greens replace the stage lengths: starts 10, 10 + 7.
      {"given minimum greens", 10, 60, 0, {{1, 20, 5}, {1, 25, 10}}, false, true, {7, 9}, 90, {12, 4, 10, 7, 17, 9}},
      // Six stages double cycled, ratio 90/84: lengths 15, 13 and 14 scaled to 16, 14 and 15;
      // the half cycle is 45: starts 40, 56 -> 11, 25.
      {"six stages double cycled", 40, 84, 1, {{1, 10, 3}, {1, 10, 4}, {1, 10, 5}, {1, 10, 3}, {1, 10, 4}, {1, 10, 5}},
       false, true, {}, 90, {23, 4, 40, 13, 11, 11, 25, 12}},
      // Stage lengths above the cycle are corrected before the starts: 45, 45 in 60 -> 30, 30.
      {"lengths corrected", 0, 60, 0, {{1, 20, 5}, {1, 25, 10}}, false, true, {45, 45}, 60, {12, 4, 0, 30, 30, 30}},
  };
  for (const TimingCase& c : cases) {
    test::TestRun t;
    EXPECT_EQ(TimingFields(c, t), c.expected) << c.what;
  }
}

TEST(TimingCards, FiveStagesWithFixedTimingsGetNoCardAndAWarning) {
  test::TestRun t;
  TimingCase c{"five fixed", 0, 90, 0, {{1, 10, 3}, {1, 10, 4}, {1, 10, 5}, {1, 10, 6}, {1, 10, 7}}, false, true, {},
               90, {}};
  EXPECT_TRUE(TimingFields(c, t).empty());
  EXPECT_EQ(t.console.str(), "   ATENCION: Nodo 4 (404) con 5 fases y tiempos fijos, sin tarjeta de tiempos.\n");
}

TEST(TimingCards, WrittenForTheNetworkWithMinimumGreensStoredInThePlans) {
  CardsFixture f;
  f.SignalNodes(3);  // one-lane blocks, intergreens 5 and 10: computed minimum greens 18 and 13
  f.b.Net().NoOptimiza = "2";
  f.b.Net().NodoPrioridad = "3";
  f.b.Net().VerdeMin = "/1,12,0/2,20,14/9,1,1";
  RaisePriorityNodes(f.t.run.Cfg.Red[1], f.t.run.Qor.RedNodos[1], f.t.run.Sat);
  auto lines = f.Write([&](TextWriter& out) {
    WriteCardTwo(f.t.run.Cfg.Red[1], f.t.run.Qor.RedNodos[1], f.t.run.Sat, f.t.run.Log, out);
    ReadGivenMinimumGreens(f.t.run.Cfg.Red[1], f.t.run.Qor.RedNodos[1], f.t.run.Sat, f.t.run.Log);
    WriteTimingCards(f.t.run.Cfg.Red[1], f.t.run.Qor.RedNodos[1], f.t.run.Cfg.Red[1].PreassignedCycle(), f.t.run.Sat, f.t.run.Log, out, 90, true);
  });
  // Node 1 optimised with its given minimum greens; node 2 fixed: lengths 20, 14 from VerdeMin.
  EXPECT_EQ(lines, (std::vector<std::string>{"    2    1", "   12    1    0   12    0    0",
                                             "   12    2    0   20   20   14"}));
  EXPECT_EQ(f.t.console.str(), "*** ERROR: NO se proporciono verde minimo 2 para nodo 1 (101)\n");
  const auto& plans = f.t.run.Sat.SignalPlans;
  EXPECT_EQ(plans[1].Stages[1].MinimumGreen, 12);
  EXPECT_EQ(plans[1].Stages[2].MinimumGreen, 0);
  EXPECT_EQ(plans[2].Stages[1].MinimumGreen, 20);
  EXPECT_EQ(plans[2].Stages[2].MinimumGreen, 14);
  EXPECT_EQ(plans[3].Stages[1].MinimumGreen, 0);  // the priority node has no card
  EXPECT_EQ(f.b.At(1).MinGreenGiven, 1);
  EXPECT_EQ(f.b.At(3).MinGreenGiven, 0);
}

TEST(TimingCards, NodesAreFixedWhenTheNetworkOptimisesNothing) {
  CardsFixture f;
  f.SignalNodes(1);
  f.b.Net().OptimizaCiclo = CycleMode::Preassigned;
  f.b.Net().Optimiza = 0;
  auto write = [&] {
    return f.Write([&](TextWriter& out) {
      WriteCardTwo(f.t.run.Cfg.Red[1], f.t.run.Qor.RedNodos[1], f.t.run.Sat, f.t.run.Log, out);
      WriteTimingCards(f.t.run.Cfg.Red[1], f.t.run.Qor.RedNodos[1], f.t.run.Cfg.Red[1].PreassignedCycle(), f.t.run.Sat, f.t.run.Log, out, 60, true);
    })[1];
  };
  EXPECT_EQ(write(), "   12    1    0   18   30   13");  // fixed: starts 0 and 30
  f.b.Net().Ciclo = -60;
  EXPECT_EQ(write(), "   12    1    0   18    0   13");
  f.b.Net().Ciclo = 60;
  f.b.Net().OptimizaCiclo = CycleMode::RangeTests;
  EXPECT_EQ(write(), "   12    1    0   18    0   13");
}

}  // namespace
}  // namespace veltra
