#include "loop/cycle_search.h"
#include "loop/actualizar_saturn.h"
#include "transyt/cyop_choice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>

#include "support/test_support.h"
#include "transyt/print_files.h"
#include "support/search_model.h"

namespace veltra {
namespace {

using test::ConsoleLines;
using test::CopyRunsData;
using test::RunsData;
using Lines = std::vector<std::string>;

TEST(StructureCycle, NearestPrintedCycle) {
  const int cases[][2] = {{105, 100}, {115, 120}, {125, 120}, {175, 180}, {200, 180}, {85, 80},   {95, 100},
                          {90, 90},   {109, 100}, {112, 120}, {129, 120}, {131, 140}, {149, 140}, {150, 160},
                          {165, 160}, {166, 160}, {170, 180}, {60, 60},   {44, 40},
                          // Cycles read from a damaged print file's headings.
                          {INT_MAX, 180}, {INT_MIN, INT_MIN}};
  for (const auto& c : cases) EXPECT_EQ(StructureCycle(c[0]), c[1]) << c[0];
}

// Network 1 with three optimised nodes: TRANSYT 1 (SATURN 101, three stages), TRANSYT 2
// (SATURN 102, two stages running double) and TRANSYT 3 (SATURN 103, two stages).
class CycleSearchTest : public ::testing::Test {
 protected:
  CycleSearchTest() : model(run) {
    model.AddSignalNode(101, 1, {20, 25, 30});
    model.AddSignalNode(102, 2, {30, 40}, {4, 6});
    model.MakeDouble(102);
    model.AddSignalNode(103, 3, {35, 35});
    model.Plan(103).CycleTime = 75;
    model.AddLink(1011, 201, 101, 3, 1);
    model.AddLink(1012, 202, 101, 3, 6);
    model.AddLink(1021, 203, 102, 4, 5);
    model.AddLink(1031, 204, 103, 2, 2);
    model.AddLink(1041, 101, 104, 0, 0);
    model.AddTurn(101, 201, 301, 1);
    model.AddTurn(101, 202, 302, 6);
    model.AddTurn(102, 203, 303, 10);
    model.AddTurn(103, 204, 304, 1);
  }

  Lines Console() const { return ConsoleLines(t.console.str()); }
  // The console lines from the first that equals `first`, `count` of them.
  Lines ConsoleFrom(const std::string& first, size_t count) const {
    Lines all = Console();
    for (size_t i = 0; i < all.size(); ++i)
      if (all[i] == first)
        return Lines(all.begin() + static_cast<long>(i),
                     all.begin() + static_cast<long>(std::min(all.size(), i + count)));
    return {};
  }
  void ExpectNode1Doubled(int cycle) {
    const TPlanSemaforo& p = model.Plan(101);
    EXPECT_EQ(p.StageCount, 6);
    EXPECT_EQ(p.RepeatIndicator, -1);
    EXPECT_EQ(p.CycleTime, cycle);
    EXPECT_EQ(p.Stages[4].GreenTime, 20);
    EXPECT_EQ(p.Stages[6].GreenTime, 30);
    EXPECT_EQ(model.Link(1).NumEtapas, 6);
    EXPECT_EQ(model.Link(1).MascaraEtapas, 1 + 8);
    EXPECT_EQ(model.Link(2).MascaraEtapas, 6 + 48);
    EXPECT_EQ(model.Turn(1).StageMask, 9);
    EXPECT_EQ(model.Turn(2).StageMask, 54);
  }
  void ExpectNode2Single(int cycle) {
    const TPlanSemaforo& p = model.Plan(102);
    EXPECT_EQ(p.StageCount, 2);
    EXPECT_EQ(p.RepeatIndicator, 0);
    EXPECT_EQ(p.CycleTime, cycle);
    EXPECT_EQ(model.Link(3).NumEtapas, 2);
    EXPECT_EQ(model.Link(3).MascaraEtapas, 1);
    EXPECT_EQ(model.Turn(3).StageMask, 2);
  }
  void ExpectUnchanged(int saturnNode, int stages, int cycle) {
    EXPECT_EQ(model.Plan(saturnNode).StageCount, stages) << saturnNode;
    EXPECT_EQ(model.Plan(saturnNode).CycleTime, cycle) << saturnNode;
  }

  test::TempDir dir;
  test::TestRun t;
  veltra::Run& run = t.run;
  test::SearchModel model;
};

// The search lines of cyop_printed.cyo.
const char* const kCiclos = "      Ciclos:      60      70      80      90     100     120     140     160     180";
const char* const kSimple = "      Simple:   300.0   280.0   270.0   265.0   268.0   275.0   290.0   310.0   330.0";
const char* const kDobles = "      Dobles:                   262.0   255.0   258.0   259.0   270.0   280.0   300.0";

TEST_F(CycleSearchTest, CyopChoiceFromPrintedTotals) {
  int cycle = CyopCycleChoice(run.Cfg, NetworkPosition(1), RunsData("cyop_printed.cyo"), run.Sat, run.Qor, run.Log);
  EXPECT_EQ(cycle, 90);
  EXPECT_TRUE(run.Qor.DoubleStructure);
  EXPECT_EQ(Console(), (Lines{"   Busqueda Ciclo Optimo (Cyop)", kCiclos, kSimple, kDobles,
                              "   Estructura Optima c/Dobles", "      Nodos:   1D   2S   3S", ""}));
  ExpectNode1Doubled(90);
  ExpectNode2Single(90);
  ExpectUnchanged(103, 2, 75);
  EXPECT_EQ(model.Link(4).MascaraEtapas, 2);
  EXPECT_EQ(model.Link(5).NumEtapas, 0);  // a link out of node 101 is not node 101's
}

TEST_F(CycleSearchTest, CyopChoiceSettings) {
  struct Case {
    const char* name;
    void (*set)(veltra::Run&);
    int cycle;
    Lines lines;  // from the cycles line to the node list
  } cases[] = {
      {"CicloSimple",
       [](veltra::Run& r) { r.Cfg.Red[1].CicloSimple = true; },
       90,
       {kCiclos, kSimple, "   Estructura Optima Simple", "      Nodos:   1S   2S   3S"}},
      {"CicloDoble",
       [](veltra::Run& r) { r.Cfg.Red[1].CicloDoble = true; },
       90,
       {kCiclos, kDobles, "   Estructura Optima c/Dobles", "      Nodos:   1D   2S   3S"}},
      {"MaximoCiclo 80",
       [](veltra::Run& r) { r.Cfg.MaximoCiclo = 80; },
       80,
       {kCiclos, kSimple, kDobles, "   Estructura Optima c/Dobles", "      Nodos:   1D   2S   3S"}},
      {"MinimoCicloDoble 90",
       [](veltra::Run& r) { r.Cfg.Red[1].MinimoCicloDoble = 90; },
       90,
       {kCiclos, kSimple, "      Dobles:                           255.0   258.0   259.0   270.0   280.0   300.0",
        "   Estructura Optima c/Dobles", "      Nodos:   1D   2S   3S"}},
      {"first double column below MinimoCicloDoble",
       [](veltra::Run& r) { r.Cfg.Red[1].MinimoCicloDoble = 85; },
       90,
       {kCiclos, kSimple, "      Dobles:                100000000.0   255.0   258.0   259.0   270.0   280.0   300.0",
        "   Estructura Optima c/Dobles", "      Nodos:   1D   2S   3S"}},
      {"NodoSimple",
       [](veltra::Run& r) { r.Cfg.Red[1].NodoSimple = " 1 "; },
       90,
       {kCiclos, kSimple, kDobles, "   Estructura Optima c/Dobles", "      Nodos:   1S   2S   3S"}},
      {"NodoDoble",
       [](veltra::Run& r) { r.Cfg.Red[1].NodoDoble = "3"; },
       90,
       {kCiclos, kSimple, kDobles, "   Estructura Optima c/Dobles", "      Nodos:   1D   2S   3D"}},
      {"chained groups",
       [](veltra::Run& r) { r.Cfg.Red[1].Grupo = "/3,2/1,3"; },
       90,
       {kCiclos, kSimple, kDobles, "   Estructura Optima c/Dobles", "      Nodos:   1D   2D   3D"}},
      {"Grupo",
       [](veltra::Run& r) { r.Cfg.Red[1].Grupo = "/2,7/1, 3"; },
       90,
       {kCiclos, kSimple, kDobles, "   Estructura Optima c/Dobles", "      Nodos:   1D   2S   3D"}},
  };
  for (const auto& c : cases) {
    test::TestRun fresh;
    test::SearchModel m(fresh.run);
    m.AddSignalNode(101, 1, {20, 25, 30});
    m.AddSignalNode(103, 3, {35, 35});
    c.set(fresh.run);
    EXPECT_EQ(CyopCycleChoice(fresh.run.Cfg, NetworkPosition(1), RunsData("cyop_printed.cyo"), fresh.run.Sat, fresh.run.Qor, fresh.run.Log), c.cycle) << c.name;
    Lines all = ConsoleLines(fresh.console.str());
    ASSERT_GE(all.size(), c.lines.size() + 1) << c.name;
    EXPECT_EQ(Lines(all.begin() + 1, all.begin() + 1 + static_cast<long>(c.lines.size())), c.lines) << c.name;
    const bool doubled3 = c.lines.back().find("3D") != std::string::npos;
    EXPECT_EQ(m.Plan(103).StageCount, doubled3 ? 4 : 2) << c.name;
  }
}

TEST_F(CycleSearchTest, EqualBestTotalsKeepTheSingleStructure) {
  model.Net().NodoDoble = "3";
  EXPECT_EQ(CyopCycleChoice(run.Cfg, NetworkPosition(1), RunsData("cyop_equal.cyo"), run.Sat, run.Qor, run.Log), 90);
  EXPECT_FALSE(run.Qor.DoubleStructure);
  EXPECT_EQ(ConsoleFrom("   Estructura Optima Simple", 5),
            (Lines{"   Estructura Optima Simple", "   ATENCION: Los nodos impuestos con ciclo doble se han ignorado",
                   "", "      Nodos:   1S   2S   3S", ""}));
  ExpectNode2Single(90);
  ExpectUnchanged(101, 3, 90);
  ExpectUnchanged(103, 2, 75);
}

TEST_F(CycleSearchTest, ComputedTotalsWithImposedAndGroupedNodes) {
  model.Net().NodoDoble = "2";
  model.Net().Grupo = "/2,3";
  EXPECT_EQ(CyopCycleChoice(run.Cfg, NetworkPosition(1), RunsData("cyop_computed.cyo"), run.Sat, run.Qor, run.Log), 100);
  EXPECT_EQ(Console(),
            (Lines{"   Busqueda Ciclo Optimo (Cyop)",
                   "      Ciclos:      50      60      70      80      90     100     120     140     160     180",
                   "      Simple:   128.0   135.0   125.0   120.0   116.0   119.0   125.0   133.0   144.0   156.0",
                   "      Dobles:                           124.0   118.0   115.0   129.0   127.0   128.0   130.0",
                   "   Estructura Optima c/Dobles", "      Nodos:   1S   2D   3D", ""}));
  ExpectUnchanged(101, 3, 90);
  EXPECT_EQ(model.Plan(102).StageCount, 4);  // double and marked "D": stays double
  EXPECT_EQ(model.Plan(103).StageCount, 4);
  EXPECT_EQ(model.Plan(103).CycleTime, 100);
  EXPECT_EQ(model.Link(4).MascaraEtapas, 2 + 8);
  EXPECT_EQ(model.Turn(4).StageMask, 1 + 4);
}

TEST_F(CycleSearchTest, NodeListWrapsAfterThirteenNodes) {
  const std::string first = "      Nodos:   1D   2S   3D   4S   5D   6S   7D   8S   9D  10S  11D  12S  13D";
  const std::string second = "              14S  15D  16S  17D  18S  19D  20S  21D  22S  23D  24S  25D  26S";
  CyopCycleChoice(run.Cfg, NetworkPosition(1), RunsData("cyop_27.cyo"), run.Sat, run.Qor, run.Log);
  EXPECT_EQ(ConsoleFrom("   Estructura Optima c/Dobles", 5),
            (Lines{"   Estructura Optima c/Dobles", first, second, "              27D", ""}));
  // The 26th node ends the list: no line of blanks after it.
  t.console.str("");
  CyopCycleChoice(run.Cfg, NetworkPosition(1), RunsData("cyop_26.cyo"), run.Sat, run.Qor, run.Log);
  EXPECT_EQ(ConsoleFrom("   Estructura Optima c/Dobles", 5),
            (Lines{"   Estructura Optima c/Dobles", first, second, ""}));
}

TEST_F(CycleSearchTest, NodesThatCannotChangeStructureKeepIt) {
  // Node 104 has four stages and no repeat: it cannot run double. Node 105 was doubled from
  // five stages (not a structure this program makes) and cannot halve.
  model.AddSignalNode(104, 4, {10, 10, 10, 10});
  model.AddSignalNode(105, 5, {10, 10, 10, 10, 10});
  model.Plan(105).RepeatIndicator = 1;
  model.Net().NodoDoble = "4";
  model.Net().NodoSimple = "5";
  CyopCycleChoice(run.Cfg, NetworkPosition(1), RunsData("cyop_27.cyo"), run.Sat, run.Qor, run.Log);
  EXPECT_EQ(ConsoleFrom("              27D", 4),
            (Lines{"              27D", "",
                   "   ATENCION: Nodo 4 con 4 etapas no admite ciclo doble, se mantiene su estructura",
                   "   ATENCION: Nodo 5 con 5 etapas no admite ciclo simple, se mantiene su estructura"}));
  ExpectUnchanged(104, 4, 90);
  ExpectUnchanged(105, 5, 90);
  ExpectNode1Doubled(90);
}

TEST_F(CycleSearchTest, NodesNotOptimisedKeepTheirStructure) {
  model.Node(101).Optimise = 0;
  model.Node(102).Optimise = 0;
  CyopCycleChoice(run.Cfg, NetworkPosition(1), RunsData("cyop_printed.cyo"), run.Sat, run.Qor, run.Log);
  ExpectUnchanged(101, 3, 90);
  ExpectUnchanged(102, 4, 90);
  EXPECT_EQ(model.Link(1).MascaraEtapas, 1);
}

TEST_F(CycleSearchTest, StructureCheckAtOneColumn) {
  struct Case {
    const char* name;
    int s, c;
    bool singleTestBest;
    void (*set)(veltra::Run&);
    int result;
    const char* nodes;
  } cases[] = {
      {"double", 90, 90, false, [](veltra::Run&) {}, 2, "      Nodos:   1D   2S   3S"},
      {"cycle below MinimoCicloDoble", 90, 79, false, [](veltra::Run&) {}, 1, "      Nodos:   1S   2S   3S"},
      {"cycle at MinimoCicloDoble", 90, 80, false, [](veltra::Run&) {}, 2, "      Nodos:   1D   2S   3S"},
      {"best test single", 90, 90, true, [](veltra::Run&) {}, 1, "      Nodos:   1S   2S   3S"},
      {"CicloSimple", 90, 90, false, [](veltra::Run& r) { r.Cfg.Red[1].CicloSimple = true; }, 1,
       "      Nodos:   1S   2S   3S"},
      {"NodoDoble in every column", 90, 90, false, [](veltra::Run& r) { r.Cfg.Red[1].NodoDoble = "3"; }, 2,
       "      Nodos:   1D   2S   3D"},
      {"single totals lower", 60, 90, false, [](veltra::Run&) {}, 1, "      Nodos:   1S   2S   3S"},
  };
  for (const auto& c : cases) {
    test::TestRun fresh;
    test::SearchModel m(fresh.run);
    m.AddSignalNode(101, 1, {20, 25, 30});
    m.AddSignalNode(102, 2, {30, 40});
    m.MakeDouble(102);
    m.AddSignalNode(103, 3, {35, 35});
    c.set(fresh.run);
    EXPECT_EQ(CyopStructureCheck(fresh.run.Cfg, NetworkPosition(1), RunsData("cyop_printed.cyo"), c.s, c.c, c.singleTestBest, fresh.run.Sat, fresh.run.Qor, fresh.run.Log), c.result)
        << c.name;
    Lines all = ConsoleLines(fresh.console.str());
    ASSERT_GE(all.size(), 5u) << c.name;
    EXPECT_EQ(all[0], Printf("   Buscando estructura para ciclo %d", c.s)) << c.name;
    EXPECT_EQ(all[1], Printf("   Usando estructura de ciclo %d (%d)", c.s, c.s == 90 ? 9 : 6)) << c.name;
    EXPECT_EQ(all[2], c.result == 2 ? "   Estructura Optima c/Dobles" : "   Estructura Optima Simple") << c.name;
    EXPECT_EQ(all[3], c.nodes) << c.name;
    EXPECT_EQ(m.Plan(101).StageCount, c.result == 2 ? 6 : 3) << c.name;
    EXPECT_EQ(m.Plan(102).StageCount, 2) << c.name;
    EXPECT_EQ(m.Plan(102).CycleTime, c.s) << c.name;
  }
}

TEST_F(CycleSearchTest, StructureCheckTakesTheLaggedIndexFromColumnEight) {
  // No printed totals: NodoDoble node 2 runs double; at 70 s (column 7) its double index is
  // still its own (its 35 s index would win), at 100 s (column 10) the one of 50 s.
  model.Net().NodoDoble = "2";
  EXPECT_EQ(CyopStructureCheck(run.Cfg, NetworkPosition(1), RunsData("cyop_computed.cyo"), 70, 90, false, run.Sat, run.Qor, run.Log), 1);
  EXPECT_EQ(CyopStructureCheck(run.Cfg, NetworkPosition(1), RunsData("cyop_computed.cyo"), 100, 90, false, run.Sat, run.Qor, run.Log), 2);
}

TEST_F(CycleSearchTest, StructureCheckWithoutItsColumnKeepsTheNodes) {
  EXPECT_EQ(CyopStructureCheck(run.Cfg, NetworkPosition(1), RunsData("cyop_printed.cyo"), 95, 95, false, run.Sat, run.Qor, run.Log), 0);
  EXPECT_EQ(CyopStructureCheck(run.Cfg, NetworkPosition(1), RunsData("cyop_toolow.cyo"), 90, 90, false, run.Sat, run.Qor, run.Log), 0);
  const std::string printed = RunsData("cyop_printed.cyo");
  const std::string toolow = RunsData("cyop_toolow.cyo");
  EXPECT_EQ(Console(),
            (Lines{"   Buscando estructura para ciclo 95",
                   "   ATENCION: Ninguna columna de ciclo 95 en " + printed + ", los nodos mantienen su estructura", "",
                   "   Buscando estructura para ciclo 90", "   Usando estructura de ciclo 90 (9)",
                   "   ATENCION: Ningun ciclo candidato en " + toolow +
                       " (todos \"TOO LOW\"), los nodos mantienen su estructura",
                   ""}));
  ExpectUnchanged(101, 3, 90);
  ExpectUnchanged(102, 4, 90);
}

TEST_F(CycleSearchTest, NoCycleFromCyopStopsTheRun) {
  ASSERT_TRUE(run.Log.OpenMessagesFile("mensajes.txt"));
  struct Case {
    std::string file;
    std::string reason;
  } cases[] = {{"cyop_9_1.cyo", "   No existe cyop_9_1.cyo"},
               {RunsData("cyop_toolow.cyo"),
                "   Ningun ciclo candidato en " + RunsData("cyop_toolow.cyo") + " (todos \"TOO LOW\")"}};
  for (const auto& c : cases) {
    t.console.str("");
    try {
      CyopCycleChoice(run.Cfg, NetworkPosition(1), c.file, run.Sat, run.Qor, run.Log);
      ADD_FAILURE() << "no stop for " << c.file;
    } catch (const RunStop& stop) {
      EXPECT_EQ(stop.ExitCode, 1);
      EXPECT_TRUE(stop.SaveErrors);
      // The program's entry closes the messages file first, as the stop asks.
      EXPECT_TRUE(stop.CloseMessagesFirst);
      run.Log.CloseMessagesFile();
    }
    EXPECT_EQ(Console(), (Lines{"", "ERROR SEVERO:", "   No se puede obtener Ciclo Optimo", c.reason, "",
                                "Deteniendo proceso ..."}));
  }
  EXPECT_EQ(dir.Read("mensajes.txt"),
            "\r\nERROR SEVERO:\r\n   No se puede obtener Ciclo Optimo\r\n   No existe cyop_9_1.cyo\r\n\r\n"
            "Deteniendo proceso ...\r\n");
  EXPECT_THROW(CyopStructureCheck(run.Cfg, NetworkPosition(1), "cyop_9_1.cyo", 90, 90, false, run.Sat, run.Qor, run.Log), RunStop);
  ExpectUnchanged(101, 3, 90);
}

// The searches through the real batch run of the stand-in program.
class SearchModes : public CycleSearchTest {
 protected:
  SearchModes() { CopyRunsData("t8s"); }

  void Indices(const Lines& lines) { dir.WriteLines("indices.txt", lines, "\n"); }
  Lines Calls() const { return test::ReadLines(dir.File("t8s.log")); }
  NetworkSettings& Net() { return model.Net(); }
  int NetworkCycle() const { return run.Qor.CicloRed[1]; }
};

TEST_F(SearchModes, TestsOverARange) {
  Net().OptimizaCiclo = CycleMode::RangeTests;
  Net().CicloMinimo = 60;
  Net().CicloMaximo = 90;
  Net().PasoCiclo = 10;
  Indices({"60 310.2", "70 305.0", "80 305.0", "90 320.1"});
  CycleSearch(run, NetworkPosition(1), 1);
  EXPECT_EQ(NetworkCycle(), 70);
  EXPECT_EQ(Calls(), (Lines{"prt 60 1", "prt 70 1", "prt 80 1", "prt 90 1"}));
  EXPECT_EQ(Console(), (Lines{"   Generando red Test (1,1,60)...", "   Corriendo Transyt/test (1,1,60)...",
                              "   Generando red Test (1,1,70)...", "   Corriendo Transyt/test (1,1,70)...",
                              "   Generando red Test (1,1,80)...", "   Corriendo Transyt/test (1,1,80)...",
                              "   Generando red Test (1,1,90)...", "   Corriendo Transyt/test (1,1,90)...", "",
                              "   Analizando Indices (1,1)", "      Ciclos:      60      70      80      90",
                              "      I.Perf:   310.2   305.0   305.0   320.1", "   Ciclo Indices (1,1) : 70", "", ""}));
  EXPECT_TRUE(dir.Exists("t1170.dat"));
  EXPECT_TRUE(dir.Exists("t1170.prt"));
  EXPECT_FALSE(Net().PreassignedCycle());
}

// A range of tens of thousands of cycles would write as many data and print files: the search
// stops before its first test, naming the configuration, the range and the limit.
TEST_F(SearchModes, RangeOfTooManyTestsStopsBeforeTheFirstTest) {
  struct Case {
    int minimo, maximo, paso;
    const char* text;
  };
  const Case cases[] = {
      {10, 999, 1, "de 10 a 999 en pasos de 1 haria 990 pruebas (maximo 250)"},
      {-999, 999, 0, "de -999 a 999 en pasos de 1 haria 1999 pruebas"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Net().OptimizaCiclo = CycleMode::RangeTests;
    Net().CicloMinimo = c.minimo;
    Net().CicloMaximo = c.maximo;
    Net().PasoCiclo = c.paso;
    run.Cfg.MaximoCiclo = 999;
    EXPECT_THROW(CycleSearch(run, NetworkPosition(1), 1), RunStop);
    ASSERT_FALSE(run.Log.Errors.empty());
    EXPECT_NE(run.Log.Errors.back().find("ERROR - Configuracion "), std::string::npos) << run.Log.Errors.back();
    EXPECT_NE(run.Log.Errors.back().find(c.text), std::string::npos) << run.Log.Errors.back();
    EXPECT_FALSE(dir.Exists("t8s.log"));
  }
}

TEST_F(SearchModes, TestWithoutResultLoses) {
  Net().OptimizaCiclo = CycleMode::RangeTests;
  Net().CicloMinimo = 60;
  Net().CicloMaximo = 70;
  Net().PasoCiclo = 10;
  Indices({"70 999998.5"});
  CycleSearch(run, NetworkPosition(1), 1);
  EXPECT_EQ(NetworkCycle(), 70);
  EXPECT_EQ(ConsoleFrom("   Analizando Indices (1,1)", 4),
            (Lines{"   Analizando Indices (1,1)", "      Ciclos:      60      70", "      I.Perf:999999.0999998.5",
                   "   Ciclo Indices (1,1) : 70"}));
}

TEST_F(SearchModes, TestFilesCleanUp) {
  struct Case {
    int level;
    bool dat, prt;
  } cases[] = {{0, true, true}, {1, true, true}, {2, true, false}, {3, false, false}};
  Net().OptimizaCiclo = CycleMode::RangeTests;
  Net().CicloMinimo = 60;
  Net().CicloMaximo = 64;
  Net().PasoCiclo = 4;
  Indices({"60 300", "64 301"});
  for (const auto& c : cases) {
    run.Cfg.BorrarTest = c.level;
    dir.Write("t1160.top", "companion");
    CycleSearch(run, NetworkPosition(1), 1);
    for (const char* name : {"t1160", "t1164"}) {
      EXPECT_EQ(dir.Exists(std::string(name) + ".dat"), c.dat) << c.level << name;
      EXPECT_EQ(dir.Exists(std::string(name) + ".prt"), c.prt) << c.level << name;
    }
    EXPECT_EQ(dir.Exists("t1160.top"), c.level == 0) << c.level;
    EXPECT_EQ(NetworkCycle(), 60);
  }
}

TEST_F(SearchModes, CyopThenTestsAroundItsCycle) {
  struct Case {
    int minimoCicloDoble, maximoCiclo, paso;
    bool cicloSimple;
    Lines cycles;
  } cases[] = {
      {80, 120, 4, false, {"85", "89", "93", "97", "101", "105", "95"}},
      {90, 120, 4, false, {"93", "97", "101", "105", "95"}},
      {90, 120, 4, true, {"85", "89", "93", "97", "101", "105", "95"}},
      {80, 100, 4, false, {"85", "89", "93", "97", "95"}},
      {80, 120, 5, false, {"85", "90", "95", "100", "105"}},
  };
  Indices({"85 310", "89 305", "90 304", "93 301", "97 302", "100 303", "101 306", "105 309", "95 299.5"});
  CopyRunsData("cyop_95.cyo", "cyop.cyo");
  for (const auto& c : cases) {
    std::filesystem::remove("t8s.log");
    test::TestRun fresh;
    test::SearchModel m(fresh.run);
    m.AddSignalNode(101, 1, {20, 25, 30});
    NetworkSettings& net = m.Net();
    net.OptimizaCiclo = CycleMode::CyopThenTests;
    net.CicloMinimo = 10;
    net.CicloMaximo = 10;
    net.PasoCiclo = c.paso;
    net.MinimoCicloDoble = c.minimoCicloDoble;
    net.CicloSimple = c.cicloSimple;
    fresh.run.Cfg.MaximoCiclo = c.maximoCiclo;
    CycleSearch(fresh.run, NetworkPosition(1), 1);
    EXPECT_EQ(fresh.run.Qor.CicloRed[1], 95);
    Lines calls{"cyo 120 1"};  // CYOP on the file written with the network's Ciclo
    for (const auto& cycle : c.cycles) calls.push_back("prt " + cycle + " 1");
    EXPECT_EQ(test::ReadLines(dir.File("t8s.log")), calls) << c.minimoCicloDoble << " " << c.maximoCiclo;
    Lines all = ConsoleLines(fresh.console.str());
    EXPECT_NE(std::find(all.begin(), all.end(), "   Ciclo Cyop (1,1) : 95"), all.end());
    EXPECT_EQ(all.back(), "");
    EXPECT_EQ(all[all.size() - 3], "   Ciclo Indices (1,1) : 95");
  }
}

TEST_F(SearchModes, CyopCycle) {
  struct Case {
    int level;
    bool dat, cyo;
  } cases[] = {{0, true, true}, {2, true, false}, {3, false, false}};
  CopyRunsData("cyop_printed.cyo", "cyop.cyo");
  Net().OptimizaCiclo = CycleMode::Cyop;
  for (const auto& c : cases) {
    run.Cfg.BorrarCyop = c.level;
    t.console.str("");
    CycleSearch(run, NetworkPosition(1), 1);
    EXPECT_EQ(NetworkCycle(), 90);
    Lines all = Console();
    ASSERT_GE(all.size(), 3u);
    EXPECT_EQ(all[0], "   Generando red Cyop (1,1)...");
    EXPECT_EQ(all[1], "   Corriendo CYOP (1,1)...");
    EXPECT_EQ(all[2], "   Busqueda Ciclo Optimo (Cyop)");
    EXPECT_EQ(all.back(), "   Ciclo optimo Cyop (1,1) : 90");
    EXPECT_EQ(dir.Exists("cyop_1_1.dat"), c.dat) << c.level;
    EXPECT_EQ(dir.Exists("cyop_1_1.cyo"), c.cyo) << c.level;
  }
  ExpectNode1Doubled(90);
}

TEST_F(SearchModes, CyopRunWithoutPrintFileStops) {
  Net().OptimizaCiclo = CycleMode::Cyop;
  EXPECT_THROW(CycleSearch(run, NetworkPosition(1), 1), RunStop);
  EXPECT_EQ(ConsoleFrom("ERROR SEVERO:", 3),
            (Lines{"ERROR SEVERO:", "   No se puede obtener Ciclo Optimo", "   No existe cyop_1_1.cyo"}));
  EXPECT_EQ(Calls(), (Lines{"cyo 120 1"}));
}

TEST_F(SearchModes, OtherProgramNameRunsNothingAndStopsWithoutCyopPrint) {
  CopyRunsData("cyop_printed.cyo", "cyop.cyo");
  run.Cfg.TransytExe = "T8S";
  Net().OptimizaCiclo = CycleMode::Cyop;
  EXPECT_THROW(CycleSearch(run, NetworkPosition(1), 1), RunStop);
  EXPECT_FALSE(dir.Exists("t8s.log"));
}

TEST_F(SearchModes, PreassignedCycle) {
  Net().OptimizaCiclo = CycleMode::Preassigned;
  Net().Ciclo = 90;
  CycleSearch(run, NetworkPosition(1), 1);
  EXPECT_EQ(NetworkCycle(), 90);
  EXPECT_EQ(Console(), (Lines{"   Ciclo Preasignado (1,1) : 90"}));
  EXPECT_FALSE(dir.Exists("t8s.log"));
  EXPECT_FALSE(Net().PreassignedCycle());
}

TEST_F(SearchModes, PreassignedCycleWithCyopStructure) {
  CopyRunsData("cyop_printed.cyo", "cyop.cyo");
  Net().OptimizaCiclo = CycleMode::Preassigned;
  Net().Ciclo = -90;
  run.Cfg.BorrarCyop = 3;
  for (int i = 1; i <= 2; ++i) {
    t.console.str("");
    CycleSearch(run, NetworkPosition(1), i);
    EXPECT_EQ(NetworkCycle(), 90);
    EXPECT_EQ(Net().Ciclo, -90);
    EXPECT_TRUE(Net().PreassignedCycle());
    EXPECT_EQ(Console(), (Lines{Printf("   Generando red Cyop (%d,1)...", i), Printf("   Corriendo CYOP (%d,1)...", i),
                                "   Buscando estructura para ciclo 90", "   Usando estructura de ciclo 90 (9)",
                                "   Estructura Optima c/Dobles", "      Nodos:   1D   2S   3S", "",
                                Printf("   Ciclo Preasignado (%d,1) : 90", i)}));
    EXPECT_FALSE(dir.Exists(Printf("cyop_%d_1.cyo", i)));
  }
  EXPECT_EQ(Calls(), (Lines{"cyo 90 1", "cyo 90 1"}));
  ExpectNode1Doubled(90);
}

TEST_F(SearchModes, CycleKept) {
  struct Case {
    int mode, before, ciclo, after;
  } cases[] = {{-1, 77, 100, 77}, {-1, 0, 100, 100}, {-1, 0, -90, 0}, {6, 85, 100, 85}};
  for (const auto& c : cases) {
    Net().OptimizaCiclo = static_cast<CycleMode>(c.mode);
    Net().Ciclo = c.ciclo;
    run.Qor.CicloRed[1] = c.before;
    t.console.str("");
    CycleSearch(run, NetworkPosition(1), 3);
    EXPECT_EQ(NetworkCycle(), c.after);
    EXPECT_EQ(Console(), (Lines{Printf("   Ciclo Predeterminado (3,1) : %d", c.after)}));
  }
  EXPECT_FALSE(dir.Exists("t8s.log"));
}

TEST_F(SearchModes, TestsWithAStructurePerCycle) {
  CopyRunsData("cyop_printed.cyo", "cyop.cyo");
  Net().OptimizaCiclo = CycleMode::StructureTests;
  Net().CicloMinimo = 85;
  Net().CicloMaximo = 100;
  Net().PasoCiclo = 5;
  run.Cfg.MaximoCiclo = 95;
  Indices({"85 300.25", "90 299.75", "95 301.5"});
  CycleSearch(run, NetworkPosition(1), 1);
  EXPECT_EQ(NetworkCycle(), 90);
  EXPECT_EQ(Calls(), (Lines{"cyo 120 1", "prt 85 1", "prt 90 1", "prt 95 1"}));
  EXPECT_EQ(
      ConsoleFrom("   Corriendo CYOP (1,1)...", 9),
      (Lines{"   Corriendo CYOP (1,1)...", "", "   Buscando estructura para ciclo 80",
             "   Usando estructura de ciclo 80 (8)", "   Estructura Optima c/Dobles", "      Nodos:   1D   2S   3S", "",
             "   Generando red Test (1,1,85)...", "   Corriendo Transyt/test (1,1,85)..."}));
  EXPECT_EQ(ConsoleFrom("   Analizando Indices (1,1)", 6),
            (Lines{"   Analizando Indices (1,1)", "      Ciclos:      85      90      95",
                   "      I.Perf:  300.25  299.75  301.50", "   Ciclo Indices (1,1) : 90", "", ""}));
  // The structure of the 80 s column was applied first; the check after the tests keeps it at 90 s.
  ExpectNode1Doubled(80);
  ExpectNode2Single(80);
}

TEST_F(SearchModes, SingleStructureTestsBesideDoubleOnes) {
  CopyRunsData("cyop_printed.cyo", "cyop.cyo");
  Net().OptimizaCiclo = CycleMode::SingleStructureTests;
  Net().CicloMinimo = 85;
  Net().CicloMaximo = 90;
  Net().PasoCiclo = 5;
  Indices({"85 300.25 298.00", "90 299.75 299.50"});
  CycleSearch(run, NetworkPosition(1), 1);
  EXPECT_EQ(NetworkCycle(), 85);
  EXPECT_EQ(Calls(), (Lines{"cyo 120 1", "prt 85 1", "prt 85 1", "prt 90 1", "prt 90 1"}));
  EXPECT_EQ(ConsoleFrom("   Generando red Test (1,1,85)...", 4),
            (Lines{"   Generando red Test (1,1,85)...", "   Corriendo Transyt/test (1,1,85)...",
                   "   Generando red Test (1,1,85)...", "   Corriendo Transyt/test (1,1,85)... (Simple)"}));
  EXPECT_TRUE(dir.Exists("t1185S.dat"));
  EXPECT_TRUE(dir.Exists("t1185S.prt"));
  EXPECT_EQ(ConsoleFrom("   Analizando Indices (1,1)", 4),
            (Lines{"   Analizando Indices (1,1)", "      Ciclos:      85      85      90      90",
                   "      I.Perf:  300.25  298.00  299.75  299.50", "   Ciclo Indices (1,1) : 85"}));
  // The best test ran single: the check after the tests makes every node single.
  Lines last = ConsoleFrom("      Nodos:   1S   2S   3S", 1);
  EXPECT_EQ(last.size(), 1u);
  ExpectUnchanged(101, 3, 80);
  ExpectNode2Single(80);
}

TEST_F(SearchModes, FinalRun) {
  struct Case {
    int corre;
    bool printed;
  } cases[] = {{1, true}, {0, false}, {2, false}};
  Indices({"80 250.5"});
  for (const auto& c : cases) {
    std::filesystem::remove("red_2_1.prt");
    run.Cfg.CorreTransyt = c.corre;
    run.Qor.CicloRed[1] = 80;
    t.console.str("");
    FinalTransytRun(run, NetworkPosition(1), 2);
    EXPECT_EQ(Field(test::ReadLines(dir.File("red_2_1.dat"))[1], 6, 10), "   80");  // card 1
    EXPECT_EQ(dir.Exists("red_2_1.prt"), c.printed) << c.corre;
    Lines expected{"   Generando red Transyt (2,1)..."};
    if (c.printed) expected.push_back("   Corriendo Transyt (2,1)...");
    EXPECT_EQ(Console(), expected);
    if (c.printed) {
      EXPECT_DOUBLE_EQ(ReadPerformanceIndex("red_2_1.prt"), 250.5);
    }
  }
}

// t8s refusing the final data file of an iteration leaves the network as its signals are: the
// cycle, the structure CYOP chose and the timings go back to what they were before the search,
// so that the network file, the history and the summaries never show a cycle the signals do
// not run. The failure is named with t8s's own error, and the network is marked.
TEST_F(SearchModes, RefusedFinalRunLeavesTheNetworkAsItsSignalsAre) {
  CopyRunsData("cyop_printed.cyo", "cyop.cyo");
  run.Files.SaturnFile = "sat.dat";
  run.Qor.CicloRed[1] = 75;
  const TPlanSemaforo before = model.Plan(101);
  const int maskBefore = model.Turn(1).StageMask;
  CycleSearch(run, NetworkPosition(1), 1);
  ASSERT_EQ(NetworkCycle(), 90);
  ExpectNode1Doubled(90);  // the CYOP choice changed the structure
  dir.Write("refuse", "");
  t.console.str("");
  FinalTransytRun(run, NetworkPosition(1), 1);
  ActualizarSaturn(run, NetworkPosition(1), 1);

  EXPECT_EQ(NetworkCycle(), 75);
  EXPECT_EQ(model.Plan(101).StageCount, before.StageCount);
  EXPECT_EQ(model.Plan(101).CycleTime, before.CycleTime);
  EXPECT_EQ(model.Plan(101).Stages[2].GreenTime, before.Stages[2].GreenTime);
  EXPECT_EQ(model.Turn(1).StageMask, maskBefore);
  EXPECT_TRUE(run.NotOptimised(1, NetworkNumber(1)));
  const std::string failure =
      "ERROR - Transyt (1,1): t8s termino con codigo de salida 1; red_1_1.prt sin FINAL SETTINGS (t8s rechazo el archivo "
      "de datos)";
  EXPECT_EQ(ConsoleFrom("   Corriendo Transyt (1,1)...", 10),
            (Lines{"   Corriendo Transyt (1,1)...", "   ATENCION: Transyt (1,1): link 1041 is served in no stage", "",
                   failure, "        Red 1 sin optimizar en la iteracion 1: mantiene su ciclo y sus tiempos anteriores",
                   "        t8s: ERROR: card 13: node 1 starts a stage at 90, outside 0..89", "",
                   "   Actualizando Saturn (1,1)...", "", "      SIN ACTUALIZAR REPARTOS"}));
  EXPECT_EQ(run.Log.Errors, (Lines{failure, "        Red 1 sin optimizar en la iteracion 1: mantiene su ciclo y sus "
                                            "tiempos anteriores",
                                   "        t8s: ERROR: card 13: node 1 starts a stage at 90, outside 0..89"}));
}

// A final print file's warnings section is shown line by line, naming the network.
TEST_F(SearchModes, WarningsOfTheFinalPrintFileAreShown) {
  Indices({"80 250.5"});
  dir.Write("warnings.txt", "link 1041 is served in no stage\nnode 3 has no effective green\n");
  run.Qor.CicloRed[1] = 80;
  FinalTransytRun(run, NetworkPosition(1), 2);
  EXPECT_EQ(ConsoleFrom("   Corriendo Transyt (2,1)...", 3),
            (Lines{"   Corriendo Transyt (2,1)...", "   ATENCION: Transyt (2,1): link 1041 is served in no stage",
                   "   ATENCION: Transyt (2,1): node 3 has no effective green"}));
  EXPECT_FALSE(run.NotOptimised(2, NetworkNumber(1)));
  ASSERT_EQ(run.EngineNotes.size(), 2u);
  EXPECT_EQ(run.EngineNotes[1].Text, "node 3 has no effective green");
}

// A search whose tests all came back without a performance index (999999.0 everywhere) cannot
// tell one cycle from another: the cycle stays, each test says why it has no result, and the
// network keeps its timings without a final run.
TEST_F(SearchModes, SearchWithoutAnyResultKeepsTheCycleAndMarksTheNetwork) {
  Net().OptimizaCiclo = CycleMode::RangeTests;
  Net().CicloMinimo = 60;
  Net().CicloMaximo = 70;
  Net().PasoCiclo = 10;
  run.Qor.CicloRed[1] = 75;
  CycleSearch(run, NetworkPosition(1), 1);
  FinalTransytRun(run, NetworkPosition(1), 1);
  EXPECT_EQ(NetworkCycle(), 75);
  EXPECT_EQ(Calls(), (Lines{"prt 60 1", "prt 70 1"}));
  Lines all = Console();
  for (const char* line : {"   ATENCION: Transyt/test (1,1,60) sin resultado: t1160.prt sin FINAL SETTINGS",
                           "      I.Perf:999999.0999999.0", "   Ciclo Indices (1,1) : 75",
                           "ERROR - Busqueda de ciclo (1,1): ninguna prueba de Transyt dio indice de rendimiento",
                           "   Transyt (1,1) no se corre: la red queda sin optimizar en esta iteracion"})
    EXPECT_NE(std::find(all.begin(), all.end(), line), all.end()) << line;
  EXPECT_TRUE(run.NotOptimised(1, NetworkNumber(1)));
  EXPECT_FALSE(dir.Exists("red_1_1.dat"));
}

// A CYOP print file without its cycle table gives no cycle: the run stops, naming what the
// print file lacks rather than "TOO LOW" headings it does not have.
TEST_F(SearchModes, CyopPrintWithoutCycleTableStopsNamingIt) {
  Net().OptimizaCiclo = CycleMode::Cyop;
  CopyRunsData("final_settings.prt", "cyop.cyo");  // a TRANSYT print, no cycle table
  EXPECT_THROW(CycleSearch(run, NetworkPosition(1), 1), RunStop);
  EXPECT_EQ(ConsoleFrom("ERROR SEVERO:", 3), (Lines{"ERROR SEVERO:", "   No se puede obtener Ciclo Optimo",
                                                   "   CYOP (1,1): cyop_1_1.cyo sin tabla de ciclos"}));
  EXPECT_EQ(run.StopReason, "Detenida: CYOP (1,1): cyop_1_1.cyo sin tabla de ciclos");
}

}  // namespace
}  // namespace veltra
