#include "output/companion_files.h"

#include <gtest/gtest.h>

#include "support/test_support.h"
#include "support/transyt_network.h"

namespace veltra {
namespace {

using Lines = std::vector<std::string>;

// Network 1 with TRANSYT nodes 1..15 (SATURN 101..115); outside nodes are added by the tests.
struct CompanionFixture {
  test::TestRun t;
  test::TempDir dir;
  test::NetworkBuilder b{t.run, 1, 4};
  std::vector<int> nodes{0};  // index of TRANSYT node t

  explicit CompanionFixture(std::initializer_list<int> outside) {
    for (int number : outside) b.Node(number, static_cast<float>(number), 1.5f);
    for (int tn = 1; tn <= 15; ++tn) nodes.push_back(b.NetworkNode(100 + tn, tn, 10.0f * tn, -2.0f));
  }
  Lines Read(const char* extension) { return test::ReadLines(dir.File(std::string("red") + extension)); }
};

TEST(TopFile, OutsideNeighboursAreNumberedAndKeepTheirNumbers) {
  CompanionFixture f({12, 1040});
  f.b.Arms(f.nodes[1], {{12, 1}, {1040, 2}, {102, 3}});
  f.b.Arms(f.nodes[2], {{101, 2}, {12, 1}});  // arm order differs from arm numbering
  WriteTextFile("red.top", [&](TextWriter& out) { WriteTopFile(f.t.run.Qor.RedNodos[1].Number.Value(), f.t.run.Sat, f.t.run.Qor, f.t.run.Log, out); });
  Lines top = f.Read(".top");
  ASSERT_EQ(top.size(), 15u);
  // 12 is a TRANSYT number of the network: the neighbour takes the first free one, 16.
  EXPECT_EQ(top[0], "      1     16   1040      2");
  EXPECT_EQ(top[1], "      2     16      1");
  EXPECT_EQ(top[14], "     15");
  EXPECT_EQ(f.t.run.Sat.Nodes[1].TransytNode, -16);
  EXPECT_EQ(f.t.run.Sat.Nodes[2].TransytNode, -1040);
  EXPECT_EQ(f.t.run.Sat.Nodes[1].TransytMark, 1);
  EXPECT_EQ(f.t.run.Sat.Nodes[2].TransytMark, 1);
  EXPECT_EQ(f.b.At(f.nodes[15]).TransytMark, 1);

  // A second file of the same network numbers them the same way.
  WriteTextFile("red.top", [&](TextWriter& out) { WriteTopFile(f.t.run.Qor.RedNodos[1].Number.Value(), f.t.run.Sat, f.t.run.Qor, f.t.run.Log, out); });
  EXPECT_EQ(f.Read(".top"), top);
}

TEST(TopFile, NoNumberNamesTwoNodes) {
  // Outside neighbours 16 and 17 keep their own numbers, so 12 (used by the network) takes 18
  // rather than 16; a position without an arm gets 0.
  CompanionFixture f({12, 16, 17});
  f.b.Arms(f.nodes[1], {{12, 1}, {16, 2}, {17, 3}});
  f.b.Arms(f.nodes[3], {{17, 1}, {104, 3}});
  WriteTextFile("red.top", [&](TextWriter& out) { WriteTopFile(f.t.run.Qor.RedNodos[1].Number.Value(), f.t.run.Sat, f.t.run.Qor, f.t.run.Log, out); });
  Lines top = f.Read(".top");
  EXPECT_EQ(top[0], "      1     18     16     17");
  EXPECT_EQ(top[2], "      3     17      0");
  EXPECT_EQ(f.t.run.Sat.Nodes[1].TransytNode, -18);
  EXPECT_EQ(f.t.run.Sat.Nodes[2].TransytNode, -16);
  EXPECT_EQ(f.t.run.Sat.Nodes[3].TransytNode, -17);
}

TEST(TopFile, RequiredNodesWithoutCoordinatesAreReported) {
  CompanionFixture f({12});
  f.t.run.Sat.Nodes[1].X = kCoordinateNotSet;  // outside every network: not reported
  f.b.At(f.nodes[3]).X = kCoordinateNotSet;
  f.b.Arms(f.nodes[1], {{12, 1}});
  WriteTextFile("red.top", [&](TextWriter& out) { WriteTopFile(f.t.run.Qor.RedNodos[1].Number.Value(), f.t.run.Sat, f.t.run.Qor, f.t.run.Log, out); });
  const std::string frame = "ERROR - ERROR - ERROR - ERROR - ERROR\n";
  EXPECT_EQ(f.t.console.str(), "\n\n" + frame + "Nodo 103 requerido, sin coordenadas\n" + frame + "\n\n");
}

TEST(CompanionFiles, DictionaryCoordinatesLinksAndExits) {
  CompanionFixture f({12, 1040});
  f.b.Arms(f.nodes[1], {{12, 1}, {1040, 2}});
  f.b.Turn(12, 101, 102, 0, 1, 2);
  f.b.Turn(12, 101, 1040, 1, 3, 3);
  f.b.SortTurns();
  f.b.Link(111, 12, 101, "102/1040").Carriles = 3;
  f.b.Link(114, 12, 101, "102").EsPublico = 1;
  f.b.Link(112, 12, 101, "");
  WriteCompanionFiles({"red.dat", f.t.run.Qor.RedNodos[1].Number}, f.t.run.Sat, f.t.run.Qor, f.t.run.Log);

  Lines dic = f.Read(".dic");
  ASSERT_EQ(dic.size(), 17u);
  EXPECT_EQ(dic[0], "   16        12");
  EXPECT_EQ(dic[1], " 1040      1040");
  EXPECT_EQ(dic[2], "    1       101");
  Lines geo = f.Read(".geo");
  ASSERT_EQ(geo.size(), 17u);
  EXPECT_EQ(geo[0], "16,12.00,1.50");
  EXPECT_EQ(geo[2], "1,10.00,-2.00");
  EXPECT_EQ(f.Read(".csv"), (Lines{"111,,12,101,102/1040", "114,BUS,12,101,102", "112,,12,101,"}));
  EXPECT_EQ(f.Read(".arc"), (Lines{"111,16,1,2/1040,1-2/3-3", "114,16,1,2,1-2", "112,16,1,,"}));
  EXPECT_EQ(f.Read(".top").size(), 15u);
  EXPECT_EQ(f.Read(".giro"), (Lines{"111,0,1,1", "114,0,0,0", "112,0,0,0"}));
}

TEST(GiroFile, TurnsPresentByKindOfLink) {
  struct Case {
    const char* what;
    bool publico, corredor;
    int turnValue;
    float fixedFlow, otherBus;
    const char* expected;
  };
  const Case cases[] = {
      {"general link, movement present", false, false, 2, 0, 0, "9,1,0,0"},
      {"general link, marked movement", false, false, -1, 50, 50, "9,0,0,0"},
      {"bus link with fixed flow", true, false, 0, 12, 0, "9,1,0,0"},
      {"bus link without fixed flow", true, false, 1, 0, 30, "9,0,0,0"},
      {"bus corridor with other buses", true, true, 0, 0, 30, "9,1,0,0"},
      {"bus corridor without other buses", true, true, 1, 12, 0, "9,0,0,0"},
  };
  for (const Case& c : cases) {
    test::TestRun t;
    test::TempDir dir;
    test::NetworkBuilder b(t.run, 1, 4);
    b.NetworkNode(101, 1, 0, 0);
    b.Turn(100, 101, 102, -1, 1, 1, c.turnValue).FixedFlow = c.fixedFlow;
    b.Turn(100, 101, 103, 1, 1, 1, 0);  // no movement
    b.SortTurns();
    t.run.Sat.OtherBusTurn.resize(t.run.Sat.Turns.size(), 0.0f);
    t.run.Sat.OtherBusTurn[static_cast<size_t>(t.run.Sat.FindTurn(100, 101, 102))] = c.otherBus;
    TArco& a = b.Link(9, 100, 101, "102/103/104");  // 104: no such turn
    a.EsPublico = c.publico;
    a.Corredor = c.corredor;
    a.PresenciaClase = {1, 1, 1};
    WriteTextFile("red.giro", [&](TextWriter& out) { WriteGiroFile(t.run.Sat, t.run.Qor, out); });
    EXPECT_EQ(test::ReadLines(dir.File("red.giro")), Lines{c.expected}) << c.what;
    EXPECT_EQ(t.run.Qor.Arcos[1].PresenciaClase[1], 0) << c.what;
  }
}

}  // namespace
}  // namespace veltra
