#include <gtest/gtest.h>

#include "saturn/junctions.h"
#include "saturn/saturn_fixtures.h"

namespace veltra {
namespace {

using test::Card;
using test::CrossNetworkTest;
using test::NetworkHead;
using test::ReadNetworkLines;
using test::TestRun;

TEST_F(CrossNetworkTest, CountsNodesLinksTurnsAndPlans) {
  EXPECT_EQ(sat.Network.NodeCount, 13);
  EXPECT_EQ(sat.Network.LinkCount, 28);
  EXPECT_EQ(sat.Network.TurnCount, 17);
  EXPECT_EQ(sat.Network.SignalPlanCount, 1);
  EXPECT_TRUE(sat.Network.HasCoordinates);
  EXPECT_FALSE(sat.Network.BufferOnly);
  EXPECT_EQ(Node(100).NodeClass, 2);
  EXPECT_EQ(Node(500).NodeClass, 1);
  EXPECT_EQ(Node(901).NodeClass, 0);
  EXPECT_EQ(Node(101).JunctionType, 0);
}

TEST_F(CrossNetworkTest, TurnDirectionsFollowTheArmsApproachAngles) {
  struct Case {
    int32_t a, junction, c;
    int32_t angle, direction;
  };
  const Case cases[] = {
      {101, 100, 102, -900, -1}, {101, 100, 103, -1800, 0}, {101, 100, 104, -2700, 1},
      {102, 100, 103, -900, -1}, {102, 100, 104, -1800, 0}, {102, 100, 101, 900, 1},
      {103, 100, 104, -900, -1}, {103, 100, 101, 1800, 0},  {103, 100, 102, 900, 1},
      {104, 100, 101, 2700, -1}, {104, 100, 102, 1800, 0},
      // Two exits of 501 lie ahead: the one nearer to 180 degrees stays straight.
      {501, 500, 502, 1967, 0},  {501, 500, 503, 1534, 1},
      {502, 500, 503, -433, -1}, {502, 500, 501, -1967, 0},
      {503, 500, 501, -1534, 0}, {503, 500, 502, 433, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Printf("%d-%d-%d", c.a, c.junction, c.c));
    const TGiro& turn = Turn(c.a, c.junction, c.c);
    EXPECT_EQ(turn.TurnAngle, c.angle);
    EXPECT_EQ(turn.Direction, c.direction);
  }
}

TEST_F(CrossNetworkTest, ArmsAreNumberedFromTheOneTravellingNorth) {
  struct Case {
    int32_t node, aNode, angle, number;
  };
  const Case cases[] = {{100, 101, 2700, 3}, {100, 102, 1800, 2}, {100, 103, 900, 1}, {100, 104, 0, 4},
                        {500, 501, 900, 1},  {500, 502, 2867, 3}, {500, 503, 2434, 2}, {101, 100, 900, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(Printf("%d from %d", c.node, c.aNode));
    EXPECT_EQ(Arm(c.node, c.aNode).ApproachAngle, c.angle);
    EXPECT_EQ(Arm(c.node, c.aNode).ArmNumber, c.number);
  }
  EXPECT_FLOAT_EQ(Arm(100, 101).GeometricLength, 100.0f);
  EXPECT_EQ(Link(100, 101).Angle, 900);
}

TEST_F(CrossNetworkTest, LaneGroupsJoinOverlappingSlots) {
  struct Group {
    int32_t direction, lanes, first, last;
    const char* exits;
    bool hasX;
  };
  struct Case {
    int32_t node, aNode;
    std::vector<Group> groups;
  };
  const Case cases[] = {
      {100, 101, {{0, 2, 1, 2, "102/103/104", false}}},
      {100, 102, {{-1, 1, 1, 1, "103", false}, {0, 1, 2, 2, "104", false}, {1, 1, 3, 3, "101", false}}},
      {100, 103, {{0, 2, 1, 2, "104/101", false}, {1, 1, 3, 3, "102", false}}},
      {100, 104, {{0, 1, 1, 1, "101/102", true}}},
      {500, 501, {{0, 1, 1, 1, "502/503", false}}},
      {101, 100, {{0, 2, 1, 2, "", false}}},  // not a simulation junction: one group of all lanes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Printf("%d from %d", c.node, c.aNode));
    const TConector& arm = Arm(c.node, c.aNode);
    ASSERT_EQ(arm.GroupCount, static_cast<int32_t>(c.groups.size()));
    for (size_t g = 0; g < c.groups.size(); ++g) {
      const TGrupoCarriles& group = arm.Groups[g + 1];
      EXPECT_EQ(group.Direction, c.groups[g].direction);
      EXPECT_EQ(group.LaneCount, c.groups[g].lanes);
      EXPECT_EQ(group.FirstLane, c.groups[g].first);
      EXPECT_EQ(group.LastLane, c.groups[g].last);
      EXPECT_EQ(group.Exits, c.groups[g].exits);
      EXPECT_EQ(group.HasX, c.groups[g].hasX);
    }
  }
}

TEST_F(CrossNetworkTest, StagesMaskTheTurnsTheyGiveGreen) {
  const TPlanSemaforo& plan = sat.SignalPlans[static_cast<size_t>(Node(100).SignalPlan)];
  EXPECT_EQ(plan.NodeNumber, 100);
  EXPECT_EQ(plan.StageCount, 4);
  EXPECT_EQ(plan.Offset, 10);
  EXPECT_EQ(plan.CycleTime, 100);
  EXPECT_EQ(plan.RepeatIndicator, 1);
  EXPECT_EQ(plan.Stages[1].GreenLanes, 3);  // the last movement listed: all of arm 103
  EXPECT_EQ(plan.Stages[2].GreenLanes, 1);
  EXPECT_EQ(Turn(101, 100, 103).StageMask, 1 + 4);
  EXPECT_EQ(Turn(103, 100, 102).StageMask, 1 + 4);
  EXPECT_EQ(Turn(102, 100, 101).StageMask, 2 + 8);
  EXPECT_EQ(Turn(104, 100, 101).StageMask, 2 + 8);
  EXPECT_EQ(Turn(501, 500, 502).StageMask, 0);
}

TEST_F(CrossNetworkTest, TurnsAndLinksCarryTheArmData) {
  const TGiro& marked = Turn(102, 100, 101);
  EXPECT_EQ(marked.Marked, 1);
  EXPECT_EQ(marked.TurnValue, -1700);
  EXPECT_EQ(marked.FirstLane, 3);
  EXPECT_EQ(Turn(104, 100, 101).Code, "X ");
  EXPECT_EQ(Turn(104, 100, 101).HasXTurn, 1);
  EXPECT_EQ(Turn(103, 100, 101).BusLane, 1);
  EXPECT_EQ(Link(103, 100).BusLane, 1);
  EXPECT_EQ(Turn(101, 100, 103).EntryLink, sat.FindLink(101, 100));
  EXPECT_EQ(Turn(101, 100, 103).ExitLink, sat.FindLink(100, 103));
  EXPECT_EQ(Turn(101, 100, 103).JunctionIndex, sat.FindNode(100));

  EXPECT_EQ(Link(101, 100).KindFlags, (1 << 1) | (1 << 3));  // from an arm, marked negative
  EXPECT_EQ(Link(102, 100).KindFlags, (1 << 1) | (1 << 2));
  EXPECT_EQ(Link(501, 500).KindFlags, (1 << 1) | (1 << 5));  // a "G" turn
  EXPECT_EQ(Link(101, 100).Lanes, 2);
  EXPECT_EQ(Link(101, 100).DirectionText, "1");
  EXPECT_EQ(Link(101, 100).OneWay, 1);
  EXPECT_EQ(Arm(100, 101).LinkMarks, (std::array<uint8_t, 2>{0, 1}));
  EXPECT_EQ(Arm(100, 101).ApproachLink, sat.FindLink(101, 100));
  EXPECT_EQ(Arm(100, 101).Speed, 36);
  EXPECT_EQ(Node(100).TurnCodeFlags[1], 1);  // "X"
  EXPECT_EQ(Node(500).TurnCodeFlags[0], 1);  // "G"
  EXPECT_EQ(Node(100).TurnCodeFlags[0], 0);
}

TEST_F(CrossNetworkTest, ContinuationLineCompletesSpeedsFromTimes) {
  const TConector& arm = Arm(100, 104);
  EXPECT_EQ(arm.ContinuationCode, "*");
  EXPECT_EQ(arm.Time, 12);
  EXPECT_EQ(arm.Speed, 30);
  EXPECT_EQ(arm.Time1, 14);
  EXPECT_EQ(arm.Speed1, 26);
  EXPECT_EQ(arm.Time2, 16);
  EXPECT_EQ(arm.Speed2, 22);  // 22.5 rounds to the even neighbour
  EXPECT_EQ(arm.ContField21_25, 7);
  EXPECT_FLOAT_EQ(arm.ContField36_40, 2.5f);
  EXPECT_EQ(arm.ContField43_45, 9);
}

TEST_F(CrossNetworkTest, SlotTurnIndicesFollowTheSortedTurns) {
  for (size_t i = 1; i < sat.Nodes.size(); ++i) {
    const TNodo& node = sat.Nodes[i];
    for (int a = 1; a <= node.ArmCount; ++a) {
      const TConector& arm = node.Arms[static_cast<size_t>(a)];
      for (int s = 1; s < node.ArmCount; ++s) {
        const TMovimiento& slot = arm.Slots[static_cast<size_t>(s)];
        if (slot.TurnValue == 0) {
          EXPECT_EQ(slot.Turn, 0);
          continue;
        }
        ASSERT_GT(slot.Turn, 0);
        EXPECT_EQ(sat.Turns[static_cast<size_t>(slot.Turn)].Key, SaturnVars::TurnKey(node.Number, arm.ANode, slot.ExitNode));
      }
    }
  }
}

// A junction with one signalised node 100 of four arms (from 1, 2, 3 and 4) and the stage
// cards given.
std::vector<std::string> SignalNetwork(int stageCount, const std::vector<std::string>& stageCards, int cycle = 60) {
  std::vector<std::string> lines = NetworkHead();
  lines.push_back("1");
  lines.push_back(Card().Int(1, 5, 100).Int(6, 10, 4).Int(11, 15, 3).Int(16, 20, stageCount).Int(21, 25, 0).Int(26, 30, cycle));
  for (int a = 1; a <= 4; ++a)
    lines.push_back(Card().Int(6, 10, a).Int(12, 15, 1).Int(16, 20, 10).Int(21, 25, 100).Int(26, 30, 1000).At(33, "1 1")
                        .Int(36, 40, 1000).At(43, "1 1").Int(46, 50, 1000).At(53, "1 1"));
  lines.insert(lines.end(), stageCards.begin(), stageCards.end());
  lines.push_back("99999");
  return lines;
}

std::string StageCard(int green, int intergreen, const std::vector<int>& nodes) {
  Card card;
  card.Int(11, 15, green).Int(16, 20, intergreen).Int(21, 25, static_cast<long>(nodes.size()));
  for (size_t i = 0; i < nodes.size() && i < 10; ++i) card.Int(26 + 5 * static_cast<int>(i), 30 + 5 * static_cast<int>(i), nodes[i]);
  return card;
}

TEST(SaturnSignalPlans, RepeatIndicatorComparesTheSecondHalfWithTheFirst) {
  struct Case {
    const char* name;
    std::vector<std::string> stages;
    int32_t indicator;
  };
  const std::string s1 = StageCard(20, 5, {1, 0, 3, 0}), s2 = StageCard(15, 5, {2, 0, 4, 0});
  const Case cases[] = {
      {"equal times", {s1, s2, s1, s2}, 1},
      {"other greens", {s1, s2, StageCard(25, 5, {1, 0, 3, 0}), StageCard(10, 5, {2, 0, 4, 0})}, -1},
      {"other movements", {s1, s2, s2, s1}, 0},
      {"six stages", {s1, s2, s1, s1, s2, s1}, 1},
      {"three stages", {s1, s2, s1}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestRun t;
    ReadNetworkLines(t.run, SignalNetwork(static_cast<int>(c.stages.size()), c.stages));
    EXPECT_EQ(t.run.Sat.SignalPlans[1].RepeatIndicator, c.indicator);
  }
}

TEST(SaturnSignalPlans, SingleStageWithLongIntergreenBecomesTwoStages) {
  TestRun t;
  ReadNetworkLines(t.run, SignalNetwork(1, {StageCard(40, 20, {1, 0, 2, 0, 3, 0, 4, 0})}));
  const TPlanSemaforo& plan = t.run.Sat.SignalPlans[1];
  EXPECT_EQ(plan.SingleStage, 1);
  ASSERT_EQ(plan.StageCount, 2);
  EXPECT_EQ(plan.Stages[1].GreenTime, 40);
  EXPECT_EQ(plan.Stages[1].Intergreen, 4);
  EXPECT_EQ(plan.Stages[2].StageNumber, 2);
  EXPECT_EQ(plan.Stages[2].GreenTime, 12);
  EXPECT_EQ(plan.Stages[2].Intergreen, 4);
  EXPECT_EQ(plan.Stages[2].EntryCount, 0);
  EXPECT_TRUE(test::LogHas(t, "   ATENCION: Nodo 100 con una fase y entreverde 20, inconsistente con Transyt\n"
                              "             Convertido en Transyt a dos fases."));
}

TEST(SaturnSignalPlans, SingleStageMessagesOnlyOnTheFirstRead) {
  struct Case {
    int intergreen;
    bool firstRead;
    const char* message;
    int stages;
  };
  const Case cases[] = {
      {10, true, "   ERROR: Nodo 100 con una fase y entreverde 10, invalido para Transyt", 1},
      {10, false, nullptr, 1},
      {15, true, "entreverde 15, invalido", 1},
      {16, false, nullptr, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.intergreen);
    TestRun t;
    if (!c.firstRead) t.run.Iteracion = 1;
    ReadNetworkLines(t.run, SignalNetwork(1, {StageCard(40, c.intergreen, {1, 0})}));
    EXPECT_EQ(t.run.Sat.SignalPlans[1].StageCount, c.stages);
    if (c.message)
      EXPECT_TRUE(test::LogHas(t, c.message)) << t.console.str();
    else
      EXPECT_FALSE(test::LogHas(t, "Nodo 100")) << t.console.str();
  }
}

TEST(SaturnSignalPlans, JunctionCardChecksWriteSemaforoMessages) {
  struct Case {
    int stages, offset, cycle;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {7, 0, 60, {"\n   ERROR: Semaforo 100 con numero de fases incorrecta (7)\n"}},
      {0, 0, 0, {"numero de fases incorrecta (0)", "\n   ERROR: Semaforo 100 con ciclo nulo\n"}},
      {2, 70, 60, {"\n   ERROR: Semaforo 100 con desfase invalido (70)\n"}},
  };
  for (const Case& c : cases) {
    TestRun t;
    std::vector<std::string> stages(static_cast<size_t>(c.stages), StageCard(10, 5, {1, 0}));
    auto lines = SignalNetwork(c.stages, stages, c.cycle);
    lines[6] = Card().Int(1, 5, 100).Int(6, 10, 4).Int(11, 15, 3).Int(16, 20, c.stages).Int(21, 25, c.offset).Int(26, 30, c.cycle);
    ReadNetworkLines(t.run, lines);
    for (const auto& m : c.messages) EXPECT_TRUE(test::LogHas(t, m)) << t.console.str();
  }
}

TEST(SaturnSignalPlans, StageMovementsThatNameNoTurnAreIgnoredAndRepeatsAddTwice) {
  TestRun t;
  // Stage 1: 1->3 twice, an A-node that is no arm (9) and a C-node that is no exit of arm 2 (9).
  ReadNetworkLines(t.run, SignalNetwork(2, {StageCard(20, 5, {1, 3, 1, 3, 9, 0, 2, 9}), StageCard(20, 5, {2, 0})}));
  const SaturnVars& sat = t.run.Sat;
  EXPECT_EQ(sat.Turns[static_cast<size_t>(sat.FindTurn(1, 100, 3))].StageMask, 2);
  EXPECT_EQ(sat.Turns[static_cast<size_t>(sat.FindTurn(2, 100, 4))].StageMask, 2);
  EXPECT_EQ(sat.Turns[static_cast<size_t>(sat.FindTurn(1, 100, 2))].StageMask, 0);
}

TEST(SaturnSignalPlans, ElevenEntriesTakeASecondLine) {
  TestRun t;
  std::vector<int> nodes = {1, 2, 1, 3, 1, 4, 2, 3, 2, 4, 3};
  ReadNetworkLines(t.run, SignalNetwork(1, {StageCard(50, 5, nodes), Card().Int(26, 30, 3)}));
  const TFase& stage = t.run.Sat.SignalPlans[1].Stages[1];
  EXPECT_EQ(stage.EntryCount, 11);
  EXPECT_EQ(stage.MovementNodes[10], 4);
  EXPECT_EQ(stage.MovementNodes[11], 3);
  EXPECT_EQ(stage.MovementNodes[12], 0);
  // The pair (3, 0) of entries 11-12 gives every movement of arm 3 the stage.
  const SaturnVars& sat = t.run.Sat;
  EXPECT_EQ(sat.Turns[static_cast<size_t>(sat.FindTurn(3, 100, 1))].StageMask, 1);
}

TEST(SaturnArmCards, ShortCardsHaveNoSlotsAndSpeedsMayGiveTimes) {
  TestRun t;
  auto lines = NetworkHead({" SPEEDS=T"});
  lines.insert(lines.end(), {"1", Card().Int(1, 5, 100).Int(6, 10, 3).Int(11, 15, 1),
                             Card().Int(6, 10, 1).Int(12, 15, 2).Int(16, 20, 0).Int(21, 25, 100),
                             Card().Int(6, 10, 2).At(12, "B2F").Int(16, 20, 36).Int(21, 25, 200).Int(26, 30, 500).At(33, "1 2"),
                             Card().Int(6, 10, 3).Int(12, 15, -1).Int(16, 20, 50).Int(21, 25, 100).Int(26, 30, 0).Int(36, 40, 700).At(43, "1 1"),
                             "99999"});
  ReadNetworkLines(t.run, lines);
  const SaturnVars& sat = t.run.Sat;
  const TNodo& node = sat.Nodes[static_cast<size_t>(sat.FindNode(100))];
  EXPECT_EQ(node.Arms[1].Speed, 0);
  EXPECT_EQ(node.Arms[1].Time, 0);
  EXPECT_EQ(node.Arms[1].TurnCount, 0);
  EXPECT_EQ(node.Arms[2].Lanes, 2);
  EXPECT_TRUE(node.Arms[2].BusLane);
  EXPECT_TRUE(node.Arms[2].TrailingF);
  EXPECT_FALSE(node.Arms[2].LeadingF);
  EXPECT_EQ(node.Arms[2].Time, 20);
  EXPECT_EQ(node.Arms[2].TurnCount, 1);
  EXPECT_EQ(node.Arms[3].TurnCount, 1);
  // Negative lanes: the link gets their size and a mark.
  const Tardat& link = sat.Links[static_cast<size_t>(sat.FindLink(3, 100))];
  EXPECT_EQ(link.KindFlags, (1 << 1) | (1 << 4));
  EXPECT_EQ(link.Lanes, 1);
  EXPECT_EQ(sat.Network.TurnCount, 2);
  EXPECT_NE(sat.FindTurn(2, 100, 3), 0);
  EXPECT_NE(sat.FindTurn(3, 100, 2), 0);
}

TEST(SaturnArmCards, NodesNamedOnlyByArmsAreKnownWithTheirCoordinates) {
  TestRun t;
  auto lines = NetworkHead();
  auto arm = [](int aNode) {
    return std::string(Card().Int(6, 10, aNode).Int(12, 15, 1).Int(16, 20, 10).Int(21, 25, 100).Int(26, 30, 1800).At(33, "1 1")
                           .Int(36, 40, 1800).At(43, "1 1"));
  };
  auto xy = [](int node, int x, int y) { return std::string(Card().Int(1, 5, node).Int(6, 10, x).Int(11, 15, y)); };
  lines.insert(lines.end(), {"1", Card().Int(1, 5, 100).Int(6, 10, 3).Int(11, 15, 1), arm(1), arm(2), arm(3), "99999",
                             "5", xy(100, 0, 0), xy(1, 0, -100), xy(2, 100, 0), xy(3, 0, 100), "99999"});
  ReadNetworkLines(t.run, lines);
  const SaturnVars& sat = t.run.Sat;
  for (int32_t number : {1, 2, 3}) {
    int32_t i = sat.FindNode(number);
    ASSERT_NE(i, 0) << number;
    EXPECT_EQ(sat.Nodes[static_cast<size_t>(i)].NodeClass, 0);
    EXPECT_TRUE(sat.Nodes[static_cast<size_t>(i)].HasCoordinates);
  }
  // Travelling north on arm 1: arm 2 (east) is to the right, arm 3 straight ahead.
  EXPECT_EQ(sat.Turns[static_cast<size_t>(sat.FindTurn(1, 100, 2))].Direction, 1);
  EXPECT_EQ(sat.Turns[static_cast<size_t>(sat.FindTurn(1, 100, 3))].Direction, 0);
  EXPECT_EQ(sat.Links[static_cast<size_t>(sat.FindLink(1, 100))].Angle, 900);
}

// Node numbers of section 1 have five columns. A sixth digit would be read as the next field (an
// arm count, a continuation code); the card is refused, naming the file, the line and the field.
TEST(SaturnArmCards, NodeNumberWiderThanItsFiveColumnsStopsNamingTheField) {
  auto arm = [](const std::string& aNode) {
    return Card().At(6, aNode).Int(12, 15, 1).Int(16, 20, 10).Int(21, 25, 100).Int(26, 30, 1800).At(33, "1 1");
  };
  struct Case {
    std::vector<std::string> cards;
    const char* message;
  };
  const Case cases[] = {
      {{"100000    2    1", arm("    1"), arm("    2")},
       "red.dat, linea 7: nodo de la tarjeta de nodo 100000 mas ancho que sus columnas 1-5 (maximo 99999)"},
      {{Card().Int(1, 5, 100).Int(6, 10, 2).Int(11, 15, 1), arm("100000"), arm("    2")},
       "red.dat, linea 8: nodo A de la tarjeta de brazo 100000 mas ancho que sus columnas 6-10 (maximo 99999)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    TestRun t;
    auto lines = NetworkHead();
    lines.push_back("1");
    lines.insert(lines.end(), c.cards.begin(), c.cards.end());
    lines.push_back("99999");
    EXPECT_THROW(ReadNetworkLines(t.run, lines, "red.dat"), RunStop);
    EXPECT_TRUE(test::LogHas(t, std::string("ERROR - Red Saturn ") + c.message)) << t.console.str();
  }
  // Five digits in their columns followed by a blank are read as they are (a card starting
  // 99999 would end the section).
  TestRun t;
  auto lines = NetworkHead();
  lines.insert(lines.end(), {"1", Card().Int(1, 5, 99998).Int(6, 10, 2).Int(11, 15, 1), arm("99997"), arm("    2"), "99999"});
  ReadNetworkLines(t.run, lines, "red.dat");
  EXPECT_NE(t.run.Sat.FindNode(99998), 0);
  EXPECT_NE(t.run.Sat.FindNode(99997), 0);
}

TEST(SaturnTurnDirections, RangesOfTheTurnAngle) {
  const std::pair<int32_t, int32_t> cases[] = {{1, 1},     {1300, 1},   {1301, 0},  {2300, 0},  {2301, -1}, {3600, -1},
                                               {-3599, 1}, {-2300, 1},  {-2299, 0}, {-1300, 0}, {-1299, -1}, {0, -1},
                                               {-3600, 7}, {3601, 7}};
  for (auto [d, direction] : cases) EXPECT_EQ(DirectionOfTurn(d, 7), direction) << d;
}

}  // namespace
}  // namespace veltra
