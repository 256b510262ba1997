#include "loop/input_check.h"
#include "saturn/street_names.h"
#include "transyt/node_list.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "saturn/saturn_fixtures.h"

namespace veltra {
namespace {

using test::CrossNetworkTest;

int32_t TransytNumber(const Run& run, int position, int32_t saturnNode) {
  return run.Qor.RedNodos[static_cast<size_t>(position)].TransytNodeOf(run.Sat.FindNode(saturnNode));
}

class NodeListTest : public CrossNetworkTest {
 protected:
  void ReadList(const std::vector<std::string>& lines) {
    dir.WriteLines("nodos.txt", lines);
    ReadNodeList("nodos.txt", t.run.Cfg.TransytNodeLimit(), t.run.Sat, t.run.Qor, t.run.Log);
  }
};

TEST_F(NodeListTest, NetworksAreOrderedAsTextAndNodesNumbered) {
  ReadList({"100 1 3", "500 2 12   anything after the third", "", "101 3 7"});
  const QorVars& qor = t.run.Qor;
  ASSERT_EQ(qor.NumRedes, 3);
  EXPECT_EQ(qor.RedNodos[1].Number.Value(), 12);
  EXPECT_EQ(qor.RedNodos[2].Number.Value(), 3);
  EXPECT_EQ(qor.RedNodos[3].Number.Value(), 7);
  EXPECT_EQ(TransytNumber(t.run, 2, 100), 1);
  EXPECT_EQ(TransytNumber(t.run, 1, 500), 2);
  EXPECT_EQ(TransytNumber(t.run, 1, 100), 0);
  // An external node keeps its network but gets no TRANSYT number.
  EXPECT_EQ(Node(101).TransytNetwork, 7);
  EXPECT_EQ(TransytNumber(t.run, 3, 101), 0);
  EXPECT_TRUE(test::LogHas(t, "Leyendo nodos...\n"));
  EXPECT_TRUE(test::LogHas(t, "   ATENCION: Nodo 101 es Externo, no debe ser incluido en la red 7.\n"
                              "             Continua el proceso omitiendo este nodo.\n"));
}

// Each message is written on the first reading of the run, once, and goes to the errors list
// (the errors file and the run report); the readings after each SATURN run repeat none.
TEST_F(NodeListTest, MessagesForListedNodesThatCannotBeUsedAsGiven) {
  struct Case {
    std::vector<std::string> lines;
    const char* message;
    int32_t node;
    int32_t number;  // its TRANSYT number in position 1 afterwards
    int leftOut;     // lines whose junction is left out
  };
  const Case cases[] = {
      {{"100 1 3", "100 5 3"}, "ERROR - Nodo Saturn  100 definido más de una vez en red 3", 100, 5, 0},
      {{"100 1 3", "100 1 3"}, "ERROR - Nodo Transyt 1 definido más de una vez en red 3", 100, 1, 0},
      {{"100 250 3"}, "ERROR - Nodo transyt 250 invalido (máximo 200)", 100, 250, 0},
      {{"999 4 3", "100 4 3"}, "ERROR - Nodo 999 no reconocido", 100, 4, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    for (bool firstRead : {true, false}) {
      t.console.str("");
      t.run.Log.Errors.clear();
      dir.WriteLines("nodos.txt", c.lines);
      EXPECT_EQ(ReadNodeList("nodos.txt", t.run.Cfg.TransytNodeLimit(), t.run.Sat, t.run.Qor, t.run.Log, firstRead),
                c.leftOut);
      EXPECT_EQ(test::LogHas(t, c.message), firstRead) << t.console.str();
      EXPECT_EQ(std::count(t.run.Log.Errors.begin(), t.run.Log.Errors.end(), c.message), firstRead ? 1 : 0);
      EXPECT_EQ(TransytNumber(t.run, 1, c.node), c.number);
    }
  }
  // A SATURN node numbered like a TRANSYT node of another line is no repetition.
  t.console.str("");
  ReadList({"100 500 3", "500 7 3"});
  EXPECT_FALSE(test::LogHas(t, "más de una vez"));
}

// Two junctions of a network under one TRANSYT number would share one node of the data file,
// and only the first would get its timings back: the run stops, naming both.
TEST_F(NodeListTest, TwoSaturnNodesUnderOneTransytNumberStopTheRun) {
  EXPECT_THROW(ReadList({"100 1 3", "500 1 3", "101 1 12"}), RunStop);
  EXPECT_TRUE(test::LogHas(t, "ERROR - Nodo Transyt 1 definido más de una vez en red 3\n"
                              "        nodos Saturn 100 y 500 con el mismo nodo Transyt (archivo nodos.txt, linea 2)\n"));
  ASSERT_FALSE(t.run.Log.Errors.empty());
  EXPECT_EQ(t.run.Log.Errors.back(),
            "ERROR - Archivo nodos.txt: cada nodo Saturn de una red necesita su propio nodo Transyt. Proceso detenido.");
}

TEST_F(NodeListTest, TheLimitOf325AllowsLargerNumbers) {
  t.run.Cfg.Limite325 = 1;
  ReadList({"100 250 3", "500 326 3"});
  EXPECT_FALSE(test::LogHas(t, "Nodo transyt 250"));
  EXPECT_TRUE(test::LogHas(t, "ERROR - Nodo transyt 326 invalido (máximo 325)"));
}

TEST_F(NodeListTest, NodesWithoutCoordinatesAreSkipped) {
  sat.Nodes[static_cast<size_t>(sat.FindNode(500))].X = kCoordinateNotSet;
  ReadList({"500 2 3"});
  EXPECT_TRUE(test::LogHas(t, "\n\nERROR - ERROR - ERROR - ERROR - ERROR\nNodo 500 obligatorio, sin coordenadas\n"
                              "ERROR - ERROR - ERROR - ERROR - ERROR\n\n\n"));
  EXPECT_EQ(t.run.Log.Errors, std::vector<std::string>{"ERROR - Nodo 500 obligatorio, sin coordenadas"});
  EXPECT_EQ(Node(500).TransytNetwork, 0);
  EXPECT_EQ(TransytNumber(t.run, 1, 500), 0);
}

TEST_F(NodeListTest, UnreadableValuesEndTheRunWithoutTheErrorsFile) {
  for (const std::vector<std::string>& lines : {std::vector<std::string>{"100 1 3", "500 x 3"}, std::vector<std::string>{"100 1 3", "500 2"}}) {
    t.console.str("");
    dir.WriteLines("dir_nodos.txt", lines);
    try {
      ReadNodeList(dir.File("dir_nodos.txt"), t.run.Cfg.TransytNodeLimit(), t.run.Sat, t.run.Qor, t.run.Log);
      FAIL() << "no stop";
    } catch (const RunStop& stop) {
      EXPECT_EQ(stop.ExitCode, 1);
      EXPECT_FALSE(stop.SaveErrors);
      // The program's entry keeps the message on the screen for three seconds.
      EXPECT_EQ(stop.PauseMs, 3000);
    }
    EXPECT_TRUE(test::LogHas(t, "ERROR - Lectura erronea en archivo DIR_NODOS.TXT (2)\n"));
  }
}

TEST_F(NodeListTest, PriorityListsGiveNodesTheirNetworkPosition) {
  ReadList({"100 1 3", "500 2 3", "101 3 12"});
  t.run.Cfg.CicloPrioridadSaturn = "503,12,999,3";
  t.run.Cfg.Red[2].CicloPrioridad = " -1 , 503";  // network 3: position 2
  t.run.Cfg.Red[1].CicloPrioridad = "502,888";     // network 12: position 1
  ApplyPriorityLists(t.run.Cfg, t.run.Sat, t.run.Qor, t.run.Log);
  EXPECT_EQ(Node(500).TransytNetworkPosition, 2);  // no plan, in network 3
  EXPECT_EQ(Node(100).TransytNetworkPosition, 0);  // signalised
  EXPECT_EQ(Node(503).TransytNetworkPosition, 1);  // only the "-1" rule applies to network 3
  EXPECT_EQ(Node(502).TransytNetworkPosition, 1);
  EXPECT_TRUE(test::LogHas(t, "ERROR - Nodo (CicloPrioridad) 999 no existe en red Saturn\n"));
  EXPECT_TRUE(test::LogHas(t, "ERROR - Nodo (CicloPrioridad) 888 no existe en red 12\n"));
}

TEST_F(NodeListTest, StreetNamesNameLinksAndReportUnknownOnesOnce) {
  dir.WriteLines("calles.csv", {"A,B,NOMBRE", "101,100,  Avenida de los Libertadores del Norte  ", "555,100,Nada", "", "102"});
  ReadStreetNames("calles.csv", t.run.FirstRead(), t.run.Sat, t.run.Log);
  EXPECT_EQ(Link(101, 100).Name, "Avenida de los Libertador");
  EXPECT_EQ(Link(101, 100).Name.size(), 25u);
  EXPECT_TRUE(test::LogHas(t, "Arco 555 100 en calles.csv no reconocido.\n"));
  t.console.str("");
  t.run.Iteracion = 1;
  ReadStreetNames("calles.csv", t.run.FirstRead(), t.run.Sat, t.run.Log);
  EXPECT_FALSE(test::LogHas(t, "no reconocido"));
}

class InputCheckTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::TestRun t;
};

TEST_F(InputCheckTest, ReadsTheNetworkAndItsListing) {
  test::CopySaturnData(dir, {"cross.dat", "cross_inc.dat", "cross.lpa"});
  t.run.ProgressMessage = "Leyendo red Saturn/Inner...";
  InputCheck(t.run, "cross.dat", 0);
  EXPECT_TRUE(t.run.Sat.Network.Loaded);
  EXPECT_TRUE(t.run.Sat.Network.FlowsRead);
  EXPECT_EQ(t.run.Sat.NetworkFileName, "cross.dat");
  EXPECT_EQ(t.console.str().rfind("Leyendo red Saturn/Inner...\n", 0), 0u) << t.console.str();
  EXPECT_FLOAT_EQ(t.run.Sat.FiguresOf(0).GrandTotalHr, 133.4f);
}

TEST_F(InputCheckTest, CountsFileTakesThePlaceOfTheListing) {
  test::CopySaturnData(dir, {"cross.dat", "cross_inc.dat"});
  dir.WriteLines("conteos.csv", {"A,B,C,Q,F", "101,100,0,10,0"});
  t.run.Cfg.Conteos = "conteos.csv";
  InputCheck(t.run, "cross", 0);
  const SaturnVars& sat = t.run.Sat;
  EXPECT_FLOAT_EQ(sat.LinkFlows[static_cast<size_t>(sat.FindLink(101, 100))][8], 10.0f);
}

TEST_F(InputCheckTest, MissingFilesOrCoordinatesStopTheRun) {
  struct Case {
    std::vector<std::string> files;
    const char* conteos;
    const char* message;
    int enterWaits;
  };
  const Case cases[] = {
      {{}, "null", "\n\nERROR - cross.dat no existe. Abortando ...\n\n\n", 0},
      {{"cross.dat", "cross_inc.dat"}, "null", "\n\nERROR - Red Saturn cross.lpa no existe\n\n\n", 0},
      {{"cross.dat", "cross_inc.dat"}, "conteos.csv", "\n\nERROR - Archivo conteos.csv no existe\n\n\n", 0},
      {{"nocoord.dat"}, "null", "\nFaltan coordenadas geograficas. Abortando ...\n\n", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    test::TempDir fresh;
    test::TestRun run;
    for (const auto& f : c.files) {
      if (f == "nocoord.dat")
        fresh.WriteLines("cross.dat", {"&OPTION", "&END", "T", "&PARAM", "&END", "3", "    1    2", "99999"});
      else
        test::CopySaturnData(fresh, {f});
    }
    run.run.Cfg.Conteos = c.conteos;
    try {
      InputCheck(run.run, "cross.dat", 0);
      FAIL() << "no stop";
    } catch (const RunStop& stop) {
      EXPECT_TRUE(stop.SaveErrors);
    }
    EXPECT_NE(run.console.str().find(c.message), std::string::npos) << run.console.str();
    EXPECT_EQ(run.platform.enterWaits, c.enterWaits);
  }
}

}  // namespace
}  // namespace veltra
