// TRANSYT links of lane groups: numbers, flows, public-transport twins, shares, signal data,
// the node fields of the network and the capacity of the link table.
#include "construction_fixture.h"
#include "loop/convergence.h"

namespace veltra::test {
namespace {

TEST_F(ConstructionTest, LinkNumbersEndInTheDigitOfClassAndKind) {
  BuildCross();
  for (int32_t exit : {2, 3, 4}) b.TurnFlow(1, 100, exit, 200, 20);  // bus flow on the north arm
  net.TPublicoDet = {PublicTransportDetail::Parse("1,100,0,50,0,0")};
  Construct();

  struct Case {
    int P;
    std::vector<int32_t> numbers;  // general, public transport, detailed public transport
  };
  const Case cases[] = {{1, {1230, 1233, 1236}}, {2, {1231, 1234, 1237}}, {3, {1232, 1235, 1238}}};
  for (const Case& c : cases) EXPECT_EQ(SlotNumbers(1, c.P), c.numbers) << "group " << c.P;
  // The south arm is arm number 1 and carries no bus flow.
  EXPECT_EQ(SlotNumbers(3, 2), (std::vector<int32_t>{1211, 0, 0}));
}

TEST_F(ConstructionTest, SecondRightLinkOfAnArmTakesTheNodePlus200) {
  struct Case {
    int32_t transyt;
    int32_t first, second;
    bool error;
  };
  const Case cases[] = {{12, 1230, 21230, false}, {125, 12530, 32530, false}, {126, 12630, 12630, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.transyt);
    CrossRun local;
    ModelBuilder& builder = local.b;
    // The straight movement of the north arm becomes a second right turn.
    local.run.Sat.Turns[static_cast<size_t>(builder.TurnIndex(1, 100, 3))].Direction = 1;
    builder.Arm(100, 1).Groups[2].Direction = 1;
    AssignNetwork(local.run, 1, 7, {{100, c.transyt}});
    ConstruirArcos(local.run.Cfg, NetworkPosition(1), 1, local.run.Sat, local.run.Qor, local.run.Log);

    const TConector& arm = builder.Arm(100, 1);
    EXPECT_EQ(local.run.Qor.Arcos[static_cast<size_t>(arm.Groups[1].LinkSlots[1])].Numero, c.first);
    EXPECT_EQ(local.run.Qor.Arcos[static_cast<size_t>(arm.Groups[2].LinkSlots[1])].Numero, c.second);
    const std::string error = "\nERROR - Nodo 100 (126) debe tener un codigo menor que 125\n\n";
    EXPECT_EQ(local.t.console.str().find(error) != std::string::npos, c.error) << local.t.console.str();
  }
}

TEST_F(ConstructionTest, OnlyTheFirstNonStraightGroupIsReclassified) {
  struct Case {
    std::vector<int32_t> directions;  // of groups 1..3 (exits 2, 3, 4) before
    std::vector<int32_t> after;
    std::vector<uint8_t> marks;
  };
  const Case cases[] = {
      {{0, 0, -1}, {1, 0, -1}, {1, 0, 0}},   // a straight group holding the arm's only right turn
      {{1, 0, 0}, {1, 0, 0}, {0, 0, 0}},     // the first group is not straight: nothing examined
      {{0, 1, 0}, {0, 1, 0}, {0, 0, 0}},     // group 1 has no left turn while group 3 could: stop after group 2
      {{0, 1, -1}, {0, 1, -1}, {0, 0, 0}},   // a single straight group
      {{1, 0, 0}, {1, 0, 0}, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    CrossRun local;
    ModelBuilder& builder = local.b;
    TConector& arm = builder.Arm(100, 1);
    for (int P = 1; P <= 3; ++P) arm.Groups[static_cast<size_t>(P)].Direction = c.directions[static_cast<size_t>(P - 1)];
    ReclasificarGrupos(local.run.Sat, local.run.Sat.FindNode(100), 1);
    for (int P = 1; P <= 3; ++P) {
      EXPECT_EQ(arm.Groups[static_cast<size_t>(P)].Direction, c.after[static_cast<size_t>(P - 1)]) << P;
      EXPECT_EQ(arm.Groups[static_cast<size_t>(P)].Mark, c.marks[static_cast<size_t>(P - 1)]) << P;
    }
  }
}

TEST_F(ConstructionTest, ReclassifiedGroupTakesTheNodePlus200) {
  b.CrossNodes(100, 0, 0, 1, 2, 3, 4);
  std::vector<ArmSpec> arms = ModelBuilder::CrossArms(1, 2, 3, 4);
  arms[0].LaneText = "2";
  arms[0].Slots = {{1800, "", 1, 1}, {1800, "", 1, 2}, {1800, "", 2, 2}};  // one group: right, straight, left
  b.Junction(100, 3, arms, ModelBuilder::CrossStages(1, 2, 3, 4));
  b.Finish();
  // Two straight groups: the mixed one, and one whose only turn is classed straight.
  TConector& arm = b.Arm(100, 1);
  arm.GroupCount = 2;
  arm.Groups[1].Exits = "2/3";
  arm.Groups[2] = arm.Groups[1];
  arm.Groups[2].Exits = "4";
  sat.Turns[static_cast<size_t>(b.TurnIndex(1, 100, 4))].Direction = 0;
  SetFlows(300, 120, 80);
  AssignNetwork(run, 1, 7, {{100, 12}});
  Construct();
  EXPECT_EQ(arm.Groups[1].Direction, 1);
  EXPECT_EQ(SlotNumbers(1, 1)[0], 21230);
  EXPECT_EQ(SlotNumbers(1, 2)[0], 1231);
}

TEST_F(ConstructionTest, FlowsHaveAMinimumOf10AndSharesSplitTheArm) {
  BuildCross();
  b.TurnFlow(1, 100, 2, 0);
  b.TurnFlow(1, 100, 3, 300, 0.5f);  // half a bus: the twin still gets the minimum of 10
  b.TurnFlow(1, 100, 4, 90);
  b.LinkFlowsFromTurns();
  b.LinkFlow(1, 100, FlowSlot::ZoneConnectors, 40);
  b.LinkFlow(1, 100, FlowSlot::NodeConnectors, 8);
  Construct();

  const TArco& right = Link(1230);
  const TArco& straight = Link(1231);
  const TArco& left = Link(1232);
  EXPECT_FLOAT_EQ(right.Flujo, 10);
  EXPECT_FLOAT_EQ(straight.Flujo, 300);
  EXPECT_FLOAT_EQ(left.Flujo, 90);
  EXPECT_FLOAT_EQ(right.Reparto, 10.0f / 400);
  EXPECT_FLOAT_EQ(straight.Reparto, 300.0f / 400);
  EXPECT_FLOAT_EQ(left.Reparto, 90.0f / 400);
  EXPECT_EQ(straight.FlujoClase, (std::array<float, 3>{0, 300, 0}));
  EXPECT_FLOAT_EQ(straight.FlujoPublico, 0.5f);
  EXPECT_FLOAT_EQ(straight.FlujoConector1, 30);  // 40 x 0.75
  EXPECT_FLOAT_EQ(straight.FlujoConector2, 6);

  const TArco& twin = Link(1234);
  EXPECT_FLOAT_EQ(twin.Flujo, 10);
  EXPECT_FLOAT_EQ(twin.Reparto, 1);
  EXPECT_EQ(twin.EsPublico, 1);
  EXPECT_EQ(twin.Salidas, "3");
  EXPECT_EQ(twin.Clase, 0);
  EXPECT_FALSE(HasLink(1233));  // no bus flow on the right turn
  EXPECT_FALSE(HasLink(1235));

  // The convergence test gets every turn a link carries, with the flow it was built from.
  RememberTurnFlows(sat, qor);
  const size_t turn = static_cast<size_t>(b.TurnIndex(1, 100, 3));
  EXPECT_EQ(sat.TurnMarks[turn], 1);
  EXPECT_FLOAT_EQ(sat.PreviousTurnFlows[turn], 300);
}

TEST_F(ConstructionTest, BusOnABusLaneComesFromTheOtherBusTable) {
  std::vector<ArmSpec> arms = ModelBuilder::CrossArms(1, 2, 3, 4);
  arms[0].LaneText = "3B";
  BuildCross(arms);
  b.TurnFlow(1, 100, 3, 300, 40);  // fixed flow, ignored on a bus lane
  b.OtherBus(1, 100, 3, 25);
  Construct();
  EXPECT_FLOAT_EQ(Link(1231).FlujoPublico, 25);
  EXPECT_EQ(Link(1231).Corredor, 1);
  EXPECT_FLOAT_EQ(Link(1234).Flujo, 25);
}

TEST_F(ConstructionTest, DetailSharesSplitTheBusFlow) {
  struct Case {
    int32_t keyExit;  // -1: no entry
    std::string share, speed, detail;
    float twinFlow, detailFlow;
    int32_t detailSpeed, detailValue;
  };
  const Case cases[] = {
      {0, "100", "5", "0", 0, 40, 4505, -9999},
      {3, "25", "0", "7", 30, 10, 4500, 7},
      {2, "25", "0", "7", 40, 0, 0, 0},  // an entry for another exit of the arm
      {-1, "", "", "", 40, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.share + "/" + std::to_string(c.keyExit));
    CrossRun local;
    ModelBuilder& builder = local.b;
    builder.TurnFlow(1, 100, 3, 300, 40);
    builder.LinkFlowsFromTurns();
    AssignNetwork(local.run, 1, 7, {{100, 12}});
    NetworkSettings& settings = local.run.Cfg.Red[1];
    if (c.keyExit >= 0) {
      settings.TPublicoDet = {PublicTransportDetail::Parse(
          Printf("1,100,%d,%s,%s,%s", c.keyExit, c.share.c_str(), c.speed.c_str(), c.detail.c_str()))};
    }
    ConstruirArcos(local.run.Cfg, NetworkPosition(1), 1, local.run.Sat, local.run.Qor, local.run.Log);
    const QorVars& q = local.run.Qor;
    const TArco& twin = q.Arcos[static_cast<size_t>(q.LinkByNumber(1234))];
    EXPECT_FLOAT_EQ(twin.Flujo, c.twinFlow);
    EXPECT_EQ(twin.Velocidad, 4500);  // 50 km/h x 0.9, in hundredths
    EXPECT_EQ(twin.EsDetalle, 0);
    const int32_t x = q.LinkByNumber(1237);
    EXPECT_EQ(x != 0, c.detailFlow > 0);
    if (x == 0) continue;
    const TArco& detail = q.Arcos[static_cast<size_t>(x)];
    EXPECT_FLOAT_EQ(detail.Flujo, c.detailFlow);
    EXPECT_EQ(detail.Velocidad, c.detailSpeed);
    EXPECT_EQ(detail.DatoDetalle, c.detailValue);
    EXPECT_EQ(detail.EsDetalle, 1);
    EXPECT_FLOAT_EQ(detail.FraccionPublico + twin.FraccionPublico, 1);
  }
}

TEST_F(ConstructionTest, PublicTransportOnlyArmHasNoGeneralLinks) {
  std::vector<ArmSpec> arms = ModelBuilder::CrossArms(1, 2, 3, 4);
  arms[0].PtOnly = true;
  BuildCross(arms);
  b.TurnFlow(1, 100, 3, 0, 40);
  net.TPublicoDet = {PublicTransportDetail::Parse("1,100,3,50,3,1")};
  Construct();

  EXPECT_EQ(SlotNumbers(1, 1), (std::vector<int32_t>{1233, 0, 0}));
  EXPECT_EQ(SlotNumbers(1, 2), (std::vector<int32_t>{1234, 0, 1237}));
  EXPECT_EQ(SlotNumbers(1, 3), (std::vector<int32_t>{1235, 0, 0}));
  EXPECT_FLOAT_EQ(Link(1233).Flujo, 0);  // no minimum without bus flow
  EXPECT_FLOAT_EQ(Link(1234).Flujo, 20);
  EXPECT_FLOAT_EQ(Link(1237).Flujo, 20);
  EXPECT_EQ(Link(1234).Velocidad, 50);
  EXPECT_EQ(Link(1237).Velocidad, 53);
  for (int32_t i : LinksOfMovement(qor, 1, 100, 0)) EXPECT_EQ(qor.Arcos[static_cast<size_t>(i)].EsPublico, 1);
}

TEST_F(ConstructionTest, ArmsWithoutLanesAndNodesOutsideTheNetworkGiveNoLinks) {
  std::vector<ArmSpec> arms = ModelBuilder::CrossArms(1, 2, 3, 4);
  arms[0].LaneText = "0";
  BuildCross(arms);
  Construct();
  EXPECT_EQ(qor.NumArcos, 9);
  EXPECT_EQ(qor.NextLinkOfMovement(0, 1, 100, 0), qor.NumArcos + 1);

  AssignNetwork(run, 1, 7, {});
  Construct();
  EXPECT_EQ(qor.NumArcos, 0);
  EXPECT_EQ(qor.NumCasos, 0);
  EXPECT_NE(Log().find("   Construyendo arcos Transyt (1,7)...\n"), std::string::npos);
}

TEST_F(ConstructionTest, StageMaskAndInitialIntergreenComeFromTheGreenStages) {
  b.CrossNodes(100, 0, 0, 1, 2, 3, 4);
  const std::vector<StageSpec> stages = {{20, 5, {1, 3}}, {20, 6, {1, 2}}, {20, 7, {1, 4, 1, 3}}};
  b.Junction(100, 3, ModelBuilder::CrossArms(1, 2, 3, 4), stages);
  b.Finish();
  SetFlows(300, 120, 80);
  AssignNetwork(run, 1, 7, {{100, 12}});
  Construct();
  struct Case {
    int32_t numero;
    int32_t mask, stages, intergreen;
  };
  const Case cases[] = {
      {1231, 5, 3, 7},  // green in stages 1 and 3: the stage before stage 1 is the last
      {1230, 2, 3, 5},
      {1232, 4, 3, 6},
      {1211, 0, 0, 0},  // the south arm never gets green
  };
  for (const Case& c : cases) {
    const TArco& link = Link(c.numero);
    EXPECT_EQ(link.MascaraEtapas, c.mask) << c.numero;
    EXPECT_EQ(link.NumEtapas, c.stages) << c.numero;
    EXPECT_EQ(link.EntreVerdeInicial, c.intergreen) << c.numero;
  }
}

TEST_F(ConstructionTest, NodesTakeTheirNumbersAndRepeatIndicatorsOfTheNetwork) {
  struct Case {
    int dobleIgual;
    int32_t indicator, expected;
  };
  const Case cases[] = {{-1, 1, -1}, {1, -1, 1}, {-1, 0, 0}, {0, 1, 1}};
  for (const Case& c : cases) {
    CrossRun local;
    ModelBuilder& builder = local.b;
    AssignNetwork(local.run, 1, 7, {{100, 12}, {1, 400}});
    SaturnVars& s = local.run.Sat;
    s.SignalPlans[1].RepeatIndicator = c.indicator;
    builder.NodeOf(100).DrawingMark = builder.NodeOf(100).TransytMark = 1;
    builder.NodeOf(3).TransytNetwork = 7;  // listed in the node list, but without a number
    local.run.Cfg.Red[1].DobleIgual = c.dobleIgual;
    ConstruirArcos(local.run.Cfg, NetworkPosition(1), 1, local.run.Sat, local.run.Qor, local.run.Log);
    EXPECT_EQ(s.SignalPlans[1].RepeatIndicator, c.expected);
    EXPECT_EQ(builder.NodeOf(100).TransytNode, 12);
    EXPECT_EQ(builder.NodeOf(100).TransytNetwork, 7);
    EXPECT_EQ(builder.NodeOf(100).DrawingMark + builder.NodeOf(100).TransytMark, 0);
    EXPECT_EQ(builder.NodeOf(3).TransytNetwork, 0);
    EXPECT_EQ(local.run.Qor.NodoTransytUsado[12], 1);
    EXPECT_EQ(builder.NodeOf(1).TransytNode, 400);  // above the table of used numbers: kept, not marked
  }
}

// The links of a network are as many as its junctions make: past the 4999 of the original
// program's table, every link is built and every number looked up finds its own link.
TEST_F(ConstructionTest, NetworkOfManyJunctionsBuildsAllItsLinks) {
  const std::vector<int32_t> junctions = BuildGrid(b, 20, 22);
  std::vector<std::pair<int32_t, int32_t>> nodes;
  for (size_t i = 0; i < junctions.size(); ++i) nodes.push_back({junctions[i], static_cast<int32_t>(i + 1)});
  AssignNetwork(run, 1, 3, nodes);
  ASSERT_NO_THROW(Construct());
  EXPECT_GT(qor.NumArcos, 4999);
  EXPECT_EQ(Log().find("con mas de"), std::string::npos);
  for (int32_t i = 1; i <= qor.NumArcos; ++i) {
    const TArco& arco = At(qor.Arcos, i);
    EXPECT_EQ(At(qor.Arcos, qor.LinkByNumber(arco.Numero)).Numero, arco.Numero) << i;
  }
}

}  // namespace
}  // namespace veltra::test
