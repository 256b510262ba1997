#include "loop/actualizar_saturn.h"

#include <gtest/gtest.h>

#include "support/loop_model_builder.h"
#include "support/test_support.h"

namespace veltra {
namespace {

using test::TableBuilder;

// Junction 101 (two stages, offset 17) and 102 (three stages, offset 3) are signalised; 103
// is a priority junction. Arms play no part here.
void BuildPlans(test::TestRun& t) {
  TableBuilder b(t.run.Sat);
  int n101 = b.Junction(101, 0, 3);
  b.Plan(n101).Offset = 17;
  b.Plan(n101).CycleTime = 90;
  b.Stage(n101, 30, 5, {});
  b.Stage(n101, 40, 6, {});
  int n102 = b.Junction(102, 0, 3);
  b.Plan(n102).Offset = 3;
  b.Plan(n102).CycleTime = 90;
  b.Stage(n102, 20, 4, {});
  b.Stage(n102, 25, 5, {});
  b.Stage(n102, 30, 6, {});
  b.Junction(103, 0, 1);
}

std::string ErrorBlock(const std::string& message) {
  return "\n\nERROR - ERROR - ERROR - ERROR - ERROR\n" + message + "\nERROR - ERROR - ERROR - ERROR - ERROR\n\n\n";
}

TEST(DuplicarNodos, EveryProblemOfAnItemIsReportedAndTheItemSkipped) {
  struct Case {
    const char* duplica;
    std::string log;
    bool applied;  // 101 stage 2 copied onto 102 stage 3
  };
  const Case cases[] = {
      {"/101,2,102,3", "", true},
      {"/101,2,102", "", false},
      {"/101,2,102,3,1", "", false},
      {"/999,2,102,3", "Nodo Saturn 999 a duplicar, no reconocido\n", false},
      {"/103,1,102,3", ErrorBlock("Intenta duplicar nodo 103, no semaforizado"), false},
      {"/101,3,102,3", ErrorBlock("Fase 3 no reconocida en nodo 101"), false},
      {"/101,0,102,3", ErrorBlock("Fase 0 no reconocida en nodo 101"), false},
      {"/101,2,998,3", "Nodo Saturn 998 por duplicar, no reconocido\n", false},
      {"/101,2,103,3", ErrorBlock("Intenta duplicar nodo 103, no semaforizado"), false},
      {"/101,2,102,4", ErrorBlock("Fase 4 no reconocida en nodo 102"), false},
      {"/999,2,102,3/101,2,102,3", "Nodo Saturn 999 a duplicar, no reconocido\n", true},
      {"/ 101 , 2 , 102 , 3 ", "", true},
  };
  for (const Case& c : cases) {
    test::TestRun t;
    BuildPlans(t);
    t.run.Cfg.Red[1].Duplica = c.duplica;
    DuplicarNodos(t.run, NetworkPosition(1));
    EXPECT_EQ(t.console.str(), c.log) << c.duplica;
    const TPlanSemaforo& target = t.run.Sat.SignalPlans[2];
    const TNodo& targetNode = t.run.Sat.Nodes[2];
    if (c.applied) {
      EXPECT_EQ(target.Offset, 17) << c.duplica;
      EXPECT_EQ(target.Stages[3].GreenTime, 40) << c.duplica;
      EXPECT_EQ(target.Stages[3].Intergreen, 6) << c.duplica;
      EXPECT_EQ(targetNode.DuplicatePlan, 1) << c.duplica;
      EXPECT_EQ(targetNode.DuplicateStage, 2) << c.duplica;
    } else {
      EXPECT_EQ(target.Offset, 3) << c.duplica;
      EXPECT_EQ(target.Stages[3].GreenTime, 30) << c.duplica;
      EXPECT_EQ(target.Stages[3].Intergreen, 6) << c.duplica;
      EXPECT_EQ(targetNode.DuplicatePlan, 0) << c.duplica;
    }
    // Other stages are never touched.
    EXPECT_EQ(target.Stages[1].GreenTime, 20) << c.duplica;
  }
}

// The junctions above as TRANSYT network 7 of "red.dat" and "tr.dat", with a duplication.
void BuildNetwork7(test::TestRun& t) {
  BuildPlans(t);
  t.run.Sat.NetworkLines = {"11111", "99999"};
  t.run.Files.SaturnFile = "red.dat";
  t.run.Files.TransytFile = "tr.dat";
  t.run.Qor.NumRedes = 1;
  test::SetNetwork(t.run.Qor, 1, 7);
  t.run.Cfg.CorreTransyt = 1;
  t.run.Cfg.Red[1].Duplica = "/101,2,102,3";
}

TEST(ActualizarSaturn, WritesTheIterationsFileAndCleansTheTransytFilesAtTheAskedLevel) {
  test::TempDir dir;
  test::TestRun t;
  BuildNetwork7(t);
  t.run.Cfg.BorrarTransyt = 1;
  for (const char* ext : {".top", ".dic", ".geo", ".giro", ".arc", ".csv", ".dat"}) dir.Write(std::string("tr_2_7") + ext, "x");
  dir.Write("tr_2_7.prt", "sin resultados\r\n");

  ActualizarSaturn(t.run, NetworkPosition(1), 2);

  EXPECT_EQ(t.console.str().rfind("   Actualizando Saturn (2,7)...\n\n", 0), 0u) << t.console.str();
  for (const char* ext : {".top", ".dic", ".geo", ".giro", ".arc", ".csv"})
    EXPECT_FALSE(dir.Exists(std::string("tr_2_7") + ext)) << ext;
  EXPECT_TRUE(dir.Exists("tr_2_7.prt"));
  EXPECT_TRUE(dir.Exists("tr_2_7.dat"));
  EXPECT_EQ(t.run.Sat.SignalPlans[2].Offset, 17);
  EXPECT_EQ(dir.Read("red_2.dat"), "11111\r\n"
                                   "  101    0    3    2   17   90    0    0    0\r\n"
                                   "             30    5    0\r\n"
                                   "             40    6    0\r\n"
                                   "  102    0    3    3   17   90    0    0    0\r\n"
                                   "             20    4    0\r\n"
                                   "             25    5    0\r\n"
                                   "             40    6    0\r\n"
                                   "  103    0    1    0    0    0    0    0    0\r\n"
                                   "99999\r\n");
}

TEST(ActualizarSaturn, WithoutTransytOnlyTheFileIsWritten) {
  test::TempDir dir;
  test::TestRun t;
  BuildNetwork7(t);
  t.run.Cfg.CorreTransyt = 0;
  t.run.Cfg.BorrarTransyt = 3;
  dir.Write("tr_1_7.top", "x");

  ActualizarSaturn(t.run, NetworkPosition(1), 1);

  EXPECT_EQ(t.console.str(), "   Actualizando Saturn (1,7)...\n\n");
  EXPECT_TRUE(dir.Exists("tr_1_7.top"));
  EXPECT_EQ(t.run.Sat.SignalPlans[2].Offset, 3);
  EXPECT_TRUE(dir.Exists("red_1.dat"));
}

}  // namespace
}  // namespace veltra
