#include "transyt/transyt_file.h"

#include <gtest/gtest.h>

#include "output/companion_files.h"
#include "support/test_support.h"
#include "support/transyt_network.h"
#include "transyt/node_cards.h"

namespace veltra {
namespace {

// Network 10 (position 2) of three signalised junctions:
//   101 (TRANSYT 1): two stages, optimised;
//   102 (TRANSYT 2): four stages repeated (double cycled), fixed timings (NoOptimiza);
//   103 (TRANSYT 12): a priority node.
// Outside neighbours 12 (a number the network uses), 3 and 1040.
void BuildNetwork(Run& run) {
  test::NetworkBuilder other(run, 1, 2);  // an earlier network, not written
  test::NetworkBuilder b(run, 2, 10);
  b.Node(3, 0, 500);
  b.Node(12, -100, 0);
  int n101 = b.NetworkNode(101, 1, 0, 0);
  int n102 = b.NetworkNode(102, 2, 200, 0);
  int n103 = b.NetworkNode(103, 12, 200, 200);
  b.Node(1040, 0, -150);
  b.Plan(n101, 0, 90, 0, {{2, 40, 5}, {1, 35, 10}});
  b.Plan(n102, 10, 100, 1, {{2, 20, 5}, {1, 15, 10}, {2, 20, 5}, {1, 15, 10}});
  b.Plan(n103, 0, 60, 0, {{1, 25, 5}, {1, 25, 5}});
  b.Arms(n101, {{12, 1}, {102, 2}, {1040, 3}});
  b.Arms(n102, {{101, 1}, {103, 2}});
  b.Arms(n103, {{102, 1}, {3, 2}});

  b.Turn(12, 101, 102, 0, 1, 2).FixedFlow = 5;
  b.Turn(12, 101, 1040, 1, 2, 2);
  b.Turn(102, 101, 12, 0, 1, 1);
  b.Turn(1040, 101, 102, -1, 1, 1);
  b.Turn(101, 102, 103, 0, 1, 2);
  b.Turn(103, 102, 101, 0, 1, 1);
  b.Turn(102, 103, 3, 1, 1, 1, -1);
  b.Turn(3, 103, 102, 0, 1, 1);
  b.SortTurns();

  NetworkSettings& net = b.Net();
  net.NombreRed = "Red de prueba 10";
  net.NoOptimiza = "2";
  net.NodoPrioridad = "12";
  net.Coordina = "/1,2/12,1";
  net.Grafico = "/12,101,0,3";
  net.Cola = "/101,102,103,5,7";

  TArco* a = &b.Link(111, 12, 101, "102/1040");
  a->Carriles = 2;
  a->CarrilFin = 2;
  a->Largo = 2500;
  a->Flujo = 450.4f;
  a->MascaraEtapas = 1;
  a->EntreVerdeInicial = 10;
  a->Velocidad = 50;
  a = &b.Link(114, 12, 101, "102");
  a->EsPublico = 1;
  a->Carriles = 2;
  a->CarrilFin = 2;
  a->Flujo = 4.2f;
  a->MascaraEtapas = 1;
  a->EntreVerdeInicial = 10;
  a->Velocidad = 4000;
  a = &b.Link(121, 102, 101, "12");
  a->Flujo = 320.6f;
  a->FlujoConector1 = 12.3f;
  a->FlujoConector2 = 20;
  a->MascaraEtapas = 2;
  a->EntreVerdeInicial = 5;
  a->NumAguasArriba = 1;
  a->FlujoEntrante = 300;
  a->AguasArriba[1] = 221;
  a->FlujoAguasArriba[1] = 300;
  a->VelAguasArriba[1] = 40;
  a = &b.Link(131, 1040, 101, "102");
  a->Flujo = 80;
  a->MascaraEtapas = 3;
  a->MarcaTramo = 1;
  a = &b.Link(211, 101, 102, "103");
  a->Flujo = 400;
  a->MascaraEtapas = 5;
  a->EntreVerdeInicial = 10;
  a->Lag35 = 3;
  a->NumAguasArriba = 1;
  a->FlujoEntrante = 380;
  a->AguasArriba[1] = 111;
  a->FlujoAguasArriba[1] = 380;
  a->VelAguasArriba[1] = 50;
  a = &b.Link(221, 103, 102, "101");
  a->Flujo = 300;
  a->MascaraEtapas = 10;
  a->EntreVerdeInicial = 5;
  a = &b.Link(312, 102, 103, "3");
  a->Flujo = 150;
  a->Largo = 120;
  a->MarcaTramo = 1;
  a = &b.Link(321, 3, 103, "102");
  a->Flujo = 200;
  a->MascaraEtapas = 1;
  b.Caso(312, 321, 0, 40, 120, 715, 1);
}

TEST(TransytFile, CompleteDataFileAndCompanionsOfASmallNetwork) {
  test::TestRun t;
  test::TempDir dir;
  BuildNetwork(t.run);
  WriteCompanionFiles(WriteTransytFile(t.run.Cfg, NetworkPosition(2), t.run.Sat, t.run.Qor, t.run.Log, dir.File("red_1_10.dat"), TransytFileKind::Final, 96),
                      t.run.Sat, t.run.Qor, t.run.Log);

  const std::string expected = std::string(VELTRA_TEST_DATA) + "/transyt/writer/red_1_10";
  for (const char* ext : {".dat", ".top", ".dic", ".csv", ".arc", ".geo", ".giro"}) {
    std::string written = dir.File(std::string("red_1_10") + ext);
    ASSERT_TRUE(dir.Exists(written)) << ext;
    std::string text = test::ReadFile(written);
    for (size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1))
      ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << ext << ": line end at " << i;
    EXPECT_EQ(test::DiffLines(test::ReadFile(expected + ext), text), "") << ext;
  }

  const std::string frame = "ERROR - ERROR - ERROR - ERROR - ERROR\n";
  EXPECT_EQ(t.console.str(), "\n\n" + frame + "Intenta coordinar nodo 12, no semaforizado\n" + frame + "\n\n");
  EXPECT_TRUE(t.run.Log.Errors.empty());

  // What the writer leaves in the model.
  const SaturnVars& sat = t.run.Sat;
  EXPECT_EQ(sat.Nodes[5].NodeClass, 3);  // the priority node
  EXPECT_EQ(sat.Nodes[3].Optimise, 1);
  EXPECT_EQ(sat.Nodes[4].Optimise, 0);
  EXPECT_EQ(sat.SignalPlans[1].Stages[1].MinimumGreen, 18);
  EXPECT_EQ(sat.SignalPlans[1].Stages[2].MinimumGreen, 15);
  EXPECT_EQ(sat.SignalPlans[2].Stages[1].MinimumGreen, 18);
  EXPECT_EQ(sat.SignalPlans[2].Stages[2].MinimumGreen, 15);
  EXPECT_EQ(sat.SignalPlans[2].Stages[3].MinimumGreen, 0);
  EXPECT_EQ(sat.Nodes[2].TransytNode, -4);
  EXPECT_EQ(t.run.Qor.Arcos[3].FlujoConector1, 12.3f);
  EXPECT_EQ(t.run.Qor.Arcos[1].PresenciaClase, (std::array<int32_t, 3>{0, 1, 1}));

  // A file of the same network written again replaces the old one.
  WriteTransytFile(t.run.Cfg, NetworkPosition(2), t.run.Sat, t.run.Qor, t.run.Log, dir.File("red_1_10.dat"), TransytFileKind::Final, 96);
  EXPECT_EQ(test::DiffLines(test::ReadFile(expected + ".dat"), test::ReadFile(dir.File("red_1_10.dat"))), "");
}

// A value five columns cannot hold would run into the field before it, and TRANSYT would read
// every later field of the card shifted: the file is not left to be run.
TEST(TransytFile, AValueWiderThanItsFieldStopsNamingFileLineCardAndField) {
  auto problem = [](const std::vector<int32_t>& fields, int32_t card, size_t first) -> std::string {
    try {
      const std::string text = card < 0 ? CardText(fields) : CardText(fields, card, first);
      return text.size() == 5 * fields.size() ? "" : "widened: " + text;
    } catch (const CardFieldError& error) {
      return error.what();
    }
  };
  struct Case {
    std::vector<int32_t> Fields;
    int32_t Card;  // -1: the first field
    size_t First;
    const char* Expected;  // empty: fits
  } cases[] = {
      {{32, 111, 100000}, -1, 1, "tarjeta 32, campo 3: el valor 100000 no cabe en 5 columnas"},
      {{31, 111, 0, -10000}, -1, 1, "tarjeta 31, campo 4: el valor -10000 no cabe en 5 columnas"},
      {{38, 99999, -9999}, -1, 1, ""},
      // The rest of a card after blank fields counts from its first field's position.
      {{0, 123456}, 30, 12, "tarjeta 30, campo 13: el valor 123456"},
  };
  for (const Case& c : cases) {
    const std::string message = problem(c.Fields, c.Card, c.First);
    if (*c.Expected == '\0')
      EXPECT_EQ(message, "");
    else
      EXPECT_NE(message.find(c.Expected), std::string::npos) << message;
  }

  test::TestRun t;
  test::TempDir dir;
  BuildNetwork(t.run);
  t.run.Qor.Arcos[1].Flujo = 250000.0f;  // link 111: its flow card cannot hold it
  try {
    WriteTransytFile(t.run.Cfg, NetworkPosition(2), t.run.Sat, t.run.Qor, t.run.Log, dir.File("red_1_10.dat"), TransytFileKind::Final, 96);
    ADD_FAILURE() << "a flow of 250000 was written";
  } catch (const FileError& error) {
    const std::string message = error.what();
    EXPECT_EQ(message.rfind("ERROR - Red Transyt ", 0), 0u) << message;
    EXPECT_NE(message.find("red_1_10.dat, linea "), std::string::npos) << message;
    EXPECT_NE(message.find("el valor 250000 no cabe en 5 columnas"), std::string::npos) << message;
  }
}

TEST(TransytFile, CyopFileUsesTheCycleSettingAndSingleTestFilesNoDoubleCards) {
  test::TestRun t;
  test::TempDir dir;
  BuildNetwork(t.run);
  t.run.Cfg.Red[2].Ciclo = 90;
  WriteCompanionFiles(WriteTransytFile(t.run.Cfg, NetworkPosition(2), t.run.Sat, t.run.Qor, t.run.Log, "cyop_1_10.dat", TransytFileKind::Cyop, 90), t.run.Sat,
                      t.run.Qor, t.run.Log);
  std::vector<std::string> lines = test::ReadLines(dir.File("cyop_1_10.dat"));
  ASSERT_GT(lines.size(), 2u);
  EXPECT_EQ(lines[1], "    1   90   45  120    2    2    1    1    0    0    1    0    1    0  930  170");
  EXPECT_TRUE(dir.Exists("cyop_1_10.giro"));

  WriteTransytFile(t.run.Cfg, NetworkPosition(2), t.run.Sat, t.run.Qor, t.run.Log, "t11096S.dat", TransytFileKind::SingleStructureTest, 96);
  lines = test::ReadLines(dir.File("t11096S.dat"));
  // Node 2 with its four stages: lengths 0.96·(20+10) = 29 and 0.96·(15+5) = 19, twice.
  EXPECT_NE(std::find(lines.begin(), lines.end(), "   14    2   10   18   39   15   58   18   87   15"), lines.end());
  // Its links no longer halve the stages: two periods.
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "   31  211    2    1   10    2    3    3   10    4    0  100    0 1800    0    0    1"),
            lines.end());
}

}  // namespace
}  // namespace veltra
