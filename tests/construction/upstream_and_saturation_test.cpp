// Upstream links with the flow they feed, saturation flows and the per-network overrides.
#include <cmath>

#include "construction_fixture.h"

namespace veltra::test {
namespace {

// Two crossings in a row: 100 (TRANSYT 12) with node 200 (TRANSYT 13) as its east neighbour.
// Into 200 from 100 go the north left turn (80), the west straight movement (300) and the
// south right turn (120); from 100 at 200: right 30, straight 200, left 70.
class UpstreamTest : public ConstructionTest {
 protected:
  void BuildPair() {
    b.CrossNodes(100, 0, 0, 1, 2, 3, 200);
    b.CrossNodes(200, 100, 0, 5, 100, 6, 7);
    b.Junction(100, 3, ModelBuilder::CrossArms(1, 2, 3, 200), ModelBuilder::CrossStages(1, 2, 3, 200));
    b.Junction(200, 3, ModelBuilder::CrossArms(5, 100, 6, 7), ModelBuilder::CrossStages(5, 100, 6, 7));
    b.Finish();
    SetFlows(300, 120, 80);
    b.TurnFlow(100, 200, 6, 30);
    b.TurnFlow(100, 200, 7, 200);
    b.TurnFlow(100, 200, 5, 70);
    b.LinkFlowsFromTurns();
    AssignNetwork(run, 1, 7, {{100, 12}, {200, 13}});
  }
};

TEST_F(UpstreamTest, UpstreamLinksFeedTheirShareOfTheTurnFlow) {
  BuildPair();
  Construct();
  struct Case {
    int32_t numero;  // link at 200 from 100 (arm number 2)
    std::vector<float> flows;
    float entrante;
  };
  const Case cases[] = {
      {1320, {10, 30, 12}, 8 + 30 + 12},  // share 0.1: flows below 10 are raised in the list only
      {1321, {80 * 2 / 3.0f, 200, 80}, 80 * 2 / 3.0f + 200 + 80},
      {1322, {80 * 0.7f / 3, 70, 120 * 0.7f / 3}, 80 * 0.7f / 3 + 70 + 28},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.numero);
    const TArco& link = Link(c.numero);
    ASSERT_EQ(link.NumAguasArriba, 3);
    // In table order: the north, west and south arms of 100.
    EXPECT_EQ(link.AguasArriba[1], 1232);
    EXPECT_EQ(link.AguasArriba[2], 1221);
    EXPECT_EQ(link.AguasArriba[3], 1210);
    for (size_t n = 1; n <= 3; ++n) {
      EXPECT_NEAR(link.FlujoAguasArriba[n], c.flows[n - 1], 1e-3) << n;
      EXPECT_EQ(link.VelAguasArriba[n], 50);
    }
    EXPECT_NEAR(link.FlujoEntrante, c.entrante, 1e-3);
  }
  EXPECT_EQ(Link(1231).NumAguasArriba, 0);  // fed from outside the network
}

TEST_F(UpstreamTest, MarkedTurnsAndOtherKindsDoNotFeed) {
  BuildPair();
  sat.Turns[static_cast<size_t>(b.TurnIndex(2, 100, 200))].TurnValue = -1800;
  b.TurnFlow(2, 100, 200, 300, 20);  // buses go straight on through both junctions
  b.TurnFlow(100, 200, 7, 200, 20);
  b.LinkFlowsFromTurns();
  Construct();
  const TArco& general = Link(1321);
  ASSERT_EQ(general.NumAguasArriba, 2);
  EXPECT_EQ(general.AguasArriba[1], 1232);
  EXPECT_EQ(general.AguasArriba[2], 1210);
  const TArco& bus = Link(1324);
  ASSERT_EQ(bus.NumAguasArriba, 1);
  EXPECT_EQ(bus.AguasArriba[1], 1224);
  EXPECT_FLOAT_EQ(bus.FlujoAguasArriba[1], 20);
}

TEST_F(UpstreamTest, NetworkNumberedZeroTakesOnlyItsListedNodes) {
  BuildPair();
  AssignNetwork(run, 1, 0, {{100, 12}});
  Construct();
  EXPECT_EQ(qor.NumArcos, 12);
  EXPECT_EQ(LinksOfMovement(qor, 100, 200, 0), std::vector<int32_t>{});
}

TEST_F(ConstructionTest, ALinkKeepsItsFirstFiveUpstreamLinks) {
  // Junction 100 with six approaches that all lead into 200, then on to 201.
  std::vector<ArmSpec> arms;
  for (int32_t k = 1; k <= 6; ++k) {
    b.Node(k, -100 * std::cos(k * 0.4), 100 * std::sin(k * 0.4));
    ArmSpec arm;
    arm.ANode = k;
    arm.Slots.resize(static_cast<size_t>(7 - k));
    arm.Slots.back() = {1800, "", 1, 1};
    arms.push_back(arm);
  }
  arms.push_back({200, "0", 50, 100, {}, false});
  b.Node(100, 0, 0);
  b.Node(200, 100, 0);
  b.Node(201, 200, 0);
  b.Junction(100, 1, arms);
  b.Junction(200, 1, {{100, "1", 50, 100, {{1800, "", 1, 1}}, false}, {201, "0", 50, 100, {}, false}});
  b.Finish();
  SetFlows(100, 100, 100);
  AssignNetwork(run, 1, 7, {{100, 12}, {200, 13}});
  Construct();
  const TArco& link = qor.Arcos[static_cast<size_t>(qor.NextLinkOfMovement(0, 100, 200, 201))];
  EXPECT_EQ(link.NumAguasArriba, 5);
  EXPECT_FLOAT_EQ(link.FlujoEntrante, 500);
}

// Saturation flows of single hand-made links over the north arm's turns of the crossing.
TEST_F(ConstructionTest, SaturationFlowByKindOfLink) {
  BuildCross();
  TGiro& straight = sat.Turns[static_cast<size_t>(b.TurnIndex(1, 100, 3))];
  TGiro& right = sat.Turns[static_cast<size_t>(b.TurnIndex(1, 100, 2))];
  straight.TurnValue = 3600;
  straight.FirstLane = 1;
  straight.LastLane = 2;
  right.TurnValue = 1800;
  right.FirstLane = right.LastLane = 2;
  net.CorredorFlujosat = 900;
  net.CorredorCapacidad = 1465;

  struct Case {
    const char* name;
    std::string salidas;
    uint8_t publico, corredor;
    int32_t etapas;
    std::array<float, 3> general, bus;  // class flows -1, 0, 1
    bool twin;
    int32_t expected;
  };
  const Case cases[] = {
      // Lane 1 is the straight movement's alone; lane 2 is shared by 200.001 and 100.001 per lane.
      {"shared lane", "3/2", 0, 0, 2, {0, 400, 100}, {0, 0, 0}, false, 1800 + 1200 + 600},
      {"light general", "3/2", 0, 0, 2, {0, 5, 4}, {0, 0, 0}, false, 3600},
      {"general without turns", "9", 0, 0, 2, {0, 0, 0}, {0, 0, 0}, false, 0},
      {"bus lane with stages", "3", 1, 1, 2, {0, 0, 0}, {0, 30, 0}, false, 900},
      {"bus lane without stages", "3", 1, 1, 0, {0, 0, 0}, {0, 30, 0}, false, 1465},
      {"twin of a general link", "3", 1, 0, 2, {0, 0, 0}, {0, 30, 0}, true, 0},
      {"bus only", "3/2", 1, 0, 2, {0, 0, 0}, {0, 30, 10}, false, 2700 + 450},
      {"bus only, light", "3/2", 1, 0, 2, {0, 0, 0}, {0, 5, 4}, false, 0},
      {"bus only, no flow", "3/2", 1, 0, 2, {0, 0, 0}, {0, 0, 0}, false, 1800},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    qor.ClearLinks();
    if (c.twin) NewLink(1231, 0, 0, "");
    TArco& link = NewLink(1234, 1, 100, c.salidas);
    link.EsPublico = c.publico;
    link.Corredor = c.corredor;
    link.NumEtapas = c.etapas;
    link.FlujoClase = c.general;
    link.FlujoPublicoClase = c.bus;
    const size_t logged = Log().size();
    EvaluarFlujoSat(NetworkBuild{run.Cfg, run.Sat, run.Qor, run.Log}, NetworkPosition(1));
    EXPECT_EQ(qor.Arcos[static_cast<size_t>(qor.NumArcos)].FlujoSat, c.expected);
    const bool warned = Log().find("ATENCION", logged) != std::string::npos;
    EXPECT_EQ(warned, c.expected == 1800 && c.publico == 1);
  }
  EXPECT_NE(Log().find("   ATENCION: Arco 1234 (1-100-3/2) exclusivo de transporte publico, sin flujo.\n"
                       "             Se asume flujo saturacion = 1800.\n"),
            std::string::npos);
}

TEST_F(ConstructionTest, LanesAboveEightAreLeftOut) {
  BuildCross();
  TGiro& straight = sat.Turns[static_cast<size_t>(b.TurnIndex(1, 100, 3))];
  straight.TurnValue = 1800;
  straight.FirstLane = 8;
  straight.LastLane = 9;  // two lanes, of which only lane 8 is counted
  qor.ClearLinks();
  TArco& link = NewLink(1231, 1, 100, "3");
  link.FlujoClase = {0, 300, 0};
  EvaluarFlujoSat(NetworkBuild{run.Cfg, run.Sat, run.Qor, run.Log}, NetworkPosition(1));
  EXPECT_EQ(link.FlujoSat, 900);
}

TEST_F(ConstructionTest, OverrideListsReachEveryLinkOfTheirMovement) {
  BuildCross();
  b.TurnFlow(1, 100, 3, 300, 40);
  net.FlujoSat = "/1,100,0,1500/3,100,1,1700/";
  net.Lag35 = "/1,100,3,9";
  net.FlujoS30 = "/";
  Construct();
  struct Case {
    int32_t numero;
    int32_t flujoSat, lag35;
  };
  const Case cases[] = {
      {1230, 1500, 0}, {1231, 1500, 9}, {1232, 1500, 0},
      {1234, 0, 9},                 // the twin keeps its own saturation flow
      {1211, 1700, 0},              // the south arm's straight movement, into node 1
      {1212, 1800, 0},              // its left turn keeps the value of its turn
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Link(c.numero).FlujoSat, c.flujoSat) << c.numero;
    EXPECT_EQ(Link(c.numero).Lag35, c.lag35) << c.numero;
  }
}

TEST(OverrideLists, EntriesAreFourCommaFieldsAfterTheLeadingSlash) {
  struct Case {
    const char* list;
    std::vector<std::array<int32_t, 4>> entries;
  };
  const Case cases[] = {
      {"", {}},
      {"/", {{0, 0, 0, 0}}},
      {"/1,2,3,4/5,6", {{1, 2, 3, 4}, {5, 6, 0, 0}}},
      {"/a,2,3.6,x", {{0, 2, 4, 0}}},
  };
  for (const Case& c : cases) {
    std::vector<std::array<int32_t, 4>> got;
    for (const MovementEntry& e : MovementList(c.list)) got.push_back({e.A, e.B, e.C, e.Value});
    EXPECT_EQ(got, c.entries) << c.list;
  }
}

}  // namespace
}  // namespace veltra::test
