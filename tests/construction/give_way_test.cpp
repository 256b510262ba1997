// Give-way relations of priority and signalised junctions, the angle groups of opposing
// links, and the give-way values and percentages the link cards receive.
#include "construction_fixture.h"

namespace veltra::test {
namespace {

struct Record {
  int32_t link, opposing1, opposing2, percentage, giveWay;
  bool operator==(const Record& o) const {
    return link == o.link && opposing1 == o.opposing1 && opposing2 == o.opposing2 && percentage == o.percentage &&
           giveWay == o.giveWay;
  }
};

std::ostream& operator<<(std::ostream& out, const Record& r) {
  return out << "{" << r.link << ", " << r.opposing1 << ", " << r.opposing2 << ", " << r.percentage << ", " << r.giveWay
             << "}";
}

std::vector<Record> Records(const QorVars& qor) {
  std::vector<Record> records;
  for (int32_t k = 1; k <= qor.NumCasos; ++k) {
    const TCaso& c = qor.Casos[static_cast<size_t>(k)];
    records.push_back({c.Link, c.Opposing1, c.Opposing2, c.Percentage, c.GiveWayValue});
  }
  return records;
}

// The nodes of T-junction 300 with the main road from 31 (west) to 33 (east) and the side
// road from 32 (south); the arms are given in the order west, south, east.
void TNodes(ModelBuilder& b) {
  b.Node(300, 0, 0);
  b.Node(31, -100, 0);
  b.Node(32, 0, -100);
  b.Node(33, 100, 0);
}

// A priority T-junction 300 (TRANSYT 5): the main road runs from west (31, arm number 2) to
// east (33, arm 3); the south arm (32, arm 1) turns right on lane 1 (link 510) and left on
// lane 2 (link 512), and its left turn gives way ("X").
TEST(GiveWay, PriorityJunction) {
  struct Case {
    const char* name;
    std::string westLanes, eastLanes, southCode, flujoArco1;
    std::vector<Record> records;
  };
  const Case cases[] = {
      {"one opposing link", "1", "0", "X ", "", {{512, 521, 0, 0, 715}}},
      {"left and straight-on opposing links", "1", "1", "X ", "", {{512, 521, 531, 0, 600}}},
      {"a set percentage", "1", "1", "X ", "/32,300,0,35", {{512, 521, 531, 35, 600}}},
      {"nothing to give way to", "0", "0", "X ", "", {}},
      {"every link of a G arm gives way", "1", "0", "G ", "", {{510, 521, 0, 0, 715}, {512, 521, 0, 0, 715}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestRun t;
    ModelBuilder b(t.run.Sat);
    TNodes(b);
    const std::vector<ArmSpec> arms = {
        {31, c.westLanes, 50, 100, {{1800, "", 1, 1}, {1800, "", 1, 1}}, false},
        {32, "2", 50, 100, {{1800, c.southCode == "G " ? "G " : "", 1, 1}, {1800, c.southCode, 2, 2}}, false},
        {33, c.eastLanes, 50, 100, {{1800, "", 1, 1}, {1800, "", 1, 1}}, false},
    };
    b.Junction(300, 1, arms);
    b.Finish();
    AssignNetwork(t.run, 1, 7, {{300, 5}});
    t.run.Cfg.Red[1].Cede1Arco = 715;
    t.run.Cfg.Red[1].Cede2Arcos = 600;
    t.run.Cfg.Red[1].FlujoArco1 = c.flujoArco1;
    ConstruirArcos(t.run.Cfg, NetworkPosition(1), 1, t.run.Sat, t.run.Qor, t.run.Log);
    EXPECT_EQ(Records(t.run.Qor), c.records);
  }
}

// The crossing signalised, with a give-way marker on movements of its north arm.
TEST(GiveWay, SignalisedJunction) {
  struct Case {
    const char* name;
    int32_t south;  // SATURN number of the south neighbour
    std::string northLanes;
    std::vector<SlotSpec> northSlots;
    std::vector<Record> records;
  };
  const Case cases[] = {
      // Kind 2: the straight movement of the arm ahead opposes; a single exit gives no percentage.
      {"X on the left lane", 3, "3", {{1800, "", 1, 1}, {1800, "", 2, 2}, {1800, "X ", 3, 3}}, {{1232, 1211, 0, 0, 715}}},
      // Exit 4 is not an exit of the straight link into 34, though "34" holds the digit.
      {"X towards 4, straight on to 34", 34, "3", {{1800, "", 1, 1}, {1800, "", 2, 2}, {1800, "X ", 3, 3}},
       {{1232, 1211, 0, 0, 715}}},
      // Shared with the straight movement: the part of its flow that does not turn left, 300 / 380.
      {"X on a shared lane", 3, "2", {{1800, "", 1, 1}, {1800, "", 2, 2}, {1800, "X ", 2, 2}}, {{1231, 0, 1211, 79, 715}}},
      // Kind 3: the links of the arm on the left oppose, but not its single right turn.
      {"F on the left lane", 3, "3", {{1800, "", 1, 1}, {1800, "", 2, 2}, {1800, "F ", 3, 3}}, {{1232, 1242, 0, 0, 715}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestRun t;
    ModelBuilder b(t.run.Sat);
    b.CrossNodes(100, 0, 0, 1, 2, c.south, 4);
    std::vector<ArmSpec> arms = ModelBuilder::CrossArms(1, 2, c.south, 4);
    arms[0].LaneText = c.northLanes;
    arms[0].Slots = c.northSlots;
    b.Junction(100, 3, arms, ModelBuilder::CrossStages(1, 2, c.south, 4));
    b.Finish();
    for (size_t i = 1; i < t.run.Sat.Turns.size(); ++i) {
      TGiro& turn = t.run.Sat.Turns[i];
      turn.AssignedFlow = turn.Direction == 0 ? 300.0f : 80.0f;
    }
    b.LinkFlowsFromTurns();
    AssignNetwork(t.run, 1, 7, {{100, 12}});
    t.run.Cfg.Red[1].Cede1Arco = 715;
    ConstruirArcos(t.run.Cfg, NetworkPosition(1), 1, t.run.Sat, t.run.Qor, t.run.Log);
    EXPECT_EQ(Records(t.run.Qor), c.records);
  }
}

// A signalised T-junction 300 (TRANSYT 5) whose south arm has one lane for both turns, classed
// right, with an "F" on the right turn: it gives way to the west arm (link 521) alone, by the
// part of the approach flow it does not carry.
TEST(GiveWay, SignalisedRightTurnAgainstOneLink) {
  struct Case {
    float approachFlow;  // assigned flow of the SATURN link 32-300
    int percentage;
  };
  const Case cases[] = {{400, 25}, {5, 0}, {0, 0}};  // 1 - 300 / 400; then flows below the link's own
  for (const Case& c : cases) {
    SCOPED_TRACE(c.approachFlow);
    TestRun t;
    ModelBuilder b(t.run.Sat);
    TNodes(b);
    const std::vector<ArmSpec> arms = {
        {31, "1", 50, 100, {{1800, "", 1, 1}, {1800, "", 1, 1}}, false},
        {32, "1", 50, 100, {{1800, "F ", 1, 1}, {1800, "", 1, 1}}, false},
        {33, "0", 50, 100, {}, false},
    };
    b.Junction(300, 3, arms, {{30, 5, {31, 0}}, {20, 5, {32, 0}}});
    b.Finish();
    b.Arm(300, 32).Groups[1].Direction = 1;
    b.TurnFlow(32, 300, 33, 200);
    b.TurnFlow(32, 300, 31, 100);
    b.LinkFlow(32, 300, FlowSlot::Assigned, c.approachFlow);
    AssignNetwork(t.run, 1, 7, {{300, 5}});
    t.run.Cfg.Red[1].Cede1Arco = 715;
    ConstruirArcos(t.run.Cfg, NetworkPosition(1), 1, t.run.Sat, t.run.Qor, t.run.Log);
    EXPECT_EQ(Records(t.run.Qor), (std::vector<Record>{{510, 0, 521, c.percentage, 715}}));
  }
}

TEST_F(ConstructionTest, GivingWayLinksAreTakenInTheTextOrderOfTheirIndices) {
  std::vector<ArmSpec> arms = ModelBuilder::CrossArms(1, 2, 3, 4);
  for (SlotSpec& slot : arms[2].Slots) slot.Code = "G ";  // the south arm gives way throughout
  BuildCross(arms);
  b.TurnFlow(1, 100, 3, 300, 20);  // a bus twin on the north arm: the south links are 8, 9 and 10
  Construct();
  ASSERT_EQ(qor.NumCasos, 3);
  const int32_t expected[] = {1212, 1210, 1211};  // indices 10, 8, 9
  for (int k = 1; k <= 3; ++k) {
    EXPECT_EQ(qor.Casos[static_cast<size_t>(k)].Link, expected[k - 1]);
    EXPECT_EQ(qor.Casos[static_cast<size_t>(k)].Opposing1, 1222);  // the last link of the arm on the left
  }
}

// ClasificarOpuestos on hand-made links over the crossing's turns: giving-way link C from the
// north arm, candidates at bearings relative to it.
TEST_F(ConstructionTest, OpposingLinksFillTheSlotOfTheirAngleGroup) {
  BuildCross();
  struct Candidate {
    int32_t rumbo, clase;
    std::string salidas;
  };
  struct Case {
    const char* name;
    int kind;
    int32_t rumbo, clase;
    std::string salidas;
    int32_t flujoArco1;
    std::vector<Candidate> candidates;  // numbered 801, 802, ...
    std::vector<Record> records;
    std::string message;
  };
  const Case cases[] = {
      {"+45 degrees is group B, none for a right turn", 1, 0, 1, "4", 0, {{450, 0, "1"}}, {}, ""},
      {"-315 degrees is group A", 1, 3150, 1, "4", 0, {{0, 0, "1"}}, {{700, 801, 0, 0, 0}}, ""},
      {"group C against a left turn", 1, 0, -1, "4", 0, {{1800, 0, "1"}}, {{700, 801, 0, 0, 0}}, ""},
      {"group C against a straight link", 1, 0, 0, "4", 0, {{1800, 0, "1"}}, {}, ""},
      {"group D", 1, 900, 0, "4", 0, {{0, 1, "1"}}, {{700, 801, 0, 0, 0}}, ""},
      {"a half step rounds to even: group B", 1, 0, 0, "4", 0, {{1125, 1, "1"}}, {{700, 801, 0, 0, 0}}, ""},
      {"beyond eight steps", 1, 0, 0, "4", 0, {{4050, 0, "1"}}, {}, "Caso 1: 9\n"},
      {"kind 2, straight link in group C", 2, 0, 0, "4", 0, {{1800, 0, "1"}}, {{700, 0 + 801, 0, 0, 0}}, ""},
      {"kind 2, right turn in group C", 2, 0, 0, "4", 0, {{1800, 1, "1"}}, {}, ""},
      {"kind 2, group B", 2, 0, 0, "4", 0, {{900, 0, "1"}}, {}, ""},
      {"kind 3, group D", 3, 900, 0, "4", 0, {{0, 0, "1"}}, {{700, 801, 0, 0, 0}}, ""},
      {"kind 3, a single right turn", 3, 900, 0, "4", 0, {{0, 1, "5"}}, {}, ""},
      {"kind 3, a shared right turn", 3, 900, 0, "4", 0, {{0, 1, "5/6"}}, {{700, 801, 0, 0, 0}}, ""},
      // Left (D) and straight (A): the right-turning part of C's flow, 120 of 420.
      {"left and straight", 1, 900, 0, "3/2", 0, {{0, 0, "1"}, {900, 0, "1"}}, {{700, 801, 802, 29, 0}}, ""},
      {"a set percentage", 1, 900, 0, "3/2", 35, {{0, 0, "1"}, {900, 0, "1"}}, {{700, 801, 802, 35, 0}}, ""},
      // Rule R: the part of C's flow that does not turn left, 1 - 80 / 380.
      {"rule R", 1, 0, -1, "3/4", 0, {{1800, 0, "1"}}, {{700, 0, 801, 79, 0}}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    qor.ClearLinks();
    qor.ClearCases();
    TArco& giving = NewLink(700, 1, 100, c.salidas);
    giving.Rumbo = c.rumbo;
    giving.Clase = c.clase;
    giving.FlujoArco1 = c.flujoArco1;
    giving.Flujo = c.salidas == "3/2" ? 420 : 380;
    std::vector<int32_t> opposing;
    for (const Candidate& candidate : c.candidates) {
      TArco& link = NewLink(800 + static_cast<int32_t>(opposing.size()) + 1, 0, 0, candidate.salidas);
      link.Rumbo = candidate.rumbo;
      link.Clase = candidate.clase;
      opposing.push_back(qor.NumArcos);
    }
    const size_t logged = Log().size();
    ClasificarOpuestos(NetworkBuild{run.Cfg, run.Sat, run.Qor, run.Log}, 1, c.kind, opposing);
    EXPECT_EQ(Records(qor), c.records);
    EXPECT_EQ(Log().substr(logged), c.message);
  }
}

}  // namespace
}  // namespace veltra::test
