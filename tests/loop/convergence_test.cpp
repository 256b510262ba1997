#include "loop/convergence.h"

#include <gtest/gtest.h>

#include "support/loop_model_builder.h"
#include "support/test_support.h"

namespace veltra {
namespace {

using test::TableBuilder;

// Two marked turns entering over links with known times and lengths, and one unmarked turn
// whose flow change must not count.
void BuildTurns(test::TestRun& t, float previous1, float flow1, float previous2, float flow2) {
  TableBuilder b(t.run.Sat);
  int l1 = b.Link(201, 101, 500, 30.0f);
  int l2 = b.Link(202, 101, 250, 12.0f);
  b.Turn(l1, 101, 202, flow1, 6.0f, true, previous1);
  b.Turn(l2, 101, 201, flow2, 6.0f, true, previous2);
  b.Turn(l2, 101, 203, 5000.0f, 6.0f, false, 0.0f);
}

TEST(Convergence, ReportsEveryFigureAndStopsWhenFlowsAreUnchanged) {
  test::TestRun t;
  BuildTurns(t, 720.0f, 720.0f, 360.0f, 360.0f);
  t.run.Cfg.PrecisionSaturn = 0.05;
  t.run.Cfg.Iteraciones = 5;
  t.run.Sat.FiguresOf(1).SubTotalHr = 123.46f;
  t.run.Sat.FiguresOf(1).SubTotalKm = 6789.0f;
  t.run.Sat.FiguresOf(2).SubTotalHr = 120.0f;
  t.run.Sat.FiguresOf(2).SubTotalKm = 6700.06f;

  EXPECT_TRUE(ConvergenceTest(t.run, 2));
  // Turn 1: (30 + 6) x 720 / 3600 = 7.2 h, 500 x 720 / 1000 = 360 km; turn 2: 18 x 360 / 3600
  // = 1.8 h, 250 x 360 / 1000 = 90 km. Slot 0 was never computed and shows 0.0.
  const std::string expected =
      "   Analisis convergencia (2)...\n"
      "   SumDif/SumPro [2] (0.00/4320.00)...\n"
      "      Precision Flujos Saturn [0.0000 <= 0.0500]\n"
      "      Indice de Rendimiento Saturn\n"
      "         Pcu-Hr/Hr:       0.0       0.0       9.0\n"
      "         Pcu-Km/Hr:       0.0       0.0     450.0\n"
      "      Indice de Rendimiento Saturn Global\n"
      "         Pcu-Hr/Hr:       0.0     123.5     120.0\n"
      "         Pcu-Km/Hr:       0.0    6789.0    6700.1\n"
      "\n"
      "\n"
      "   Termina por Precision Flujos Saturn (0.0000)\n"
      "\n";
  EXPECT_EQ(test::DiffLines(expected, t.console.str()), "");
  EXPECT_EQ(t.run.Sat.FiguresOf(2).Precision, 0.0f);
  EXPECT_FLOAT_EQ(t.run.Sat.FiguresOf(2).TurnHr, 9.0f);
  EXPECT_FLOAT_EQ(t.run.Sat.FiguresOf(2).TurnKm, 450.0f);
}

TEST(Convergence, StopsByPrecisionOrByTheIterationLimit) {
  struct Case {
    const char* rule;
    float previous1, flow1, previous2, flow2;
    double threshold;
    int iterations, iteration;
    bool stop;
    const char* precisionLine;
    const char* stopLine;  // empty: goes on
  };
  const Case cases[] = {
      {"ratio equal to the threshold stops", 90, 110, 0, 0, 0.05, 5, 1, true,
       "      Precision Flujos Saturn [0.0500 <= 0.0500]", "   Termina por Precision Flujos Saturn (0.0500)"},
      {"above the threshold goes on", 80, 120, 0, 0, 0.05, 5, 1, false,
       "      Precision Flujos Saturn [0.1000 > 0.0500]", ""},
      {"above the threshold at the limit stops", 80, 120, 0, 0, 0.05, 3, 3, true,
       "      Precision Flujos Saturn [0.1000 > 0.0500]", "   Termina por Maximo de iteraciones alcanzado (3)"},
      {"a restart past the limit stops at once", 80, 120, 0, 0, 0.05, 3, 4, true,
       "      Precision Flujos Saturn [0.1000 > 0.0500]", "   Termina por Maximo de iteraciones alcanzado (4)"},
      {"no flow at all gives 999 and goes on", 0, 0, 0, 0, 0.05, 5, 2, false,
       "      Precision Flujos Saturn [999.0000 > 0.0500]", ""},
  };
  for (const Case& c : cases) {
    test::TestRun t;
    BuildTurns(t, c.previous1, c.flow1, c.previous2, c.flow2);
    t.run.Cfg.PrecisionSaturn = c.threshold;
    t.run.Cfg.Iteraciones = c.iterations;
    EXPECT_EQ(ConvergenceTest(t.run, c.iteration), c.stop) << c.rule;
    const std::string log = t.console.str();
    EXPECT_NE(log.find(std::string(c.precisionLine) + "\n"), std::string::npos) << c.rule << "\n" << log;
    if (*c.stopLine != '\0')
      EXPECT_NE(log.find(std::string("\n\n") + c.stopLine + "\n\n"), std::string::npos) << c.rule << "\n" << log;
    else
      EXPECT_EQ(log.find("Termina"), std::string::npos) << c.rule;
  }
}

TEST(Convergence, NoMarkedTurnGives999AndRunsToTheLimit) {
  test::TestRun t;
  TableBuilder b(t.run.Sat);
  int l = b.Link(201, 101, 500, 30.0f);
  b.Turn(l, 101, 202, 100.0f, 6.0f, false, 50.0f);
  t.run.Cfg.Iteraciones = 2;
  EXPECT_FALSE(ConvergenceTest(t.run, 1));
  EXPECT_TRUE(ConvergenceTest(t.run, 2));
  EXPECT_EQ(t.run.Sat.FiguresOf(1).Precision, 999.0f);
  EXPECT_NE(t.console.str().find("   SumDif/SumPro [0] (0.00/0.00)...\n"), std::string::npos);
}

TEST(Convergence, BaseFiguresFillSlotZeroFromTheMarkedTurns) {
  test::TestRun t;
  BuildTurns(t, 0.0f, 720.0f, 0.0f, 360.0f);
  t.run.Sat.FiguresOf(0).TurnHr = 55.0f;  // recomputed, not added to
  BaseFigures(t.run);
  EXPECT_FLOAT_EQ(t.run.Sat.FiguresOf(0).TurnHr, 9.0f);
  EXPECT_FLOAT_EQ(t.run.Sat.FiguresOf(0).TurnKm, 450.0f);
  EXPECT_EQ(t.console.str(), "");
  // A later test of the same slot counts afresh too.
  t.run.Cfg.Iteraciones = 9;
  ConvergenceTest(t.run, 1);
  ConvergenceTest(t.run, 1);
  EXPECT_FLOAT_EQ(t.run.Sat.FiguresOf(1).TurnHr, 9.0f);
}

}  // namespace
}  // namespace veltra
