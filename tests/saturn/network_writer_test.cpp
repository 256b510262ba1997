#include "loop/actualizar_saturn.h"
#include "saturn/network_writer.h"

#include <gtest/gtest.h>

#include "support/loop_model_builder.h"
#include "support/test_support.h"

namespace veltra {
namespace {

using test::TableBuilder;

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

// Writes the network file of iteration 1 of "red.dat" and returns it.
std::string WrittenFile(test::TestRun& t, const test::TempDir& dir) {
  t.run.Files.SaturnFile = "red.dat";
  EscribirRedSaturn(t.run, 1);
  return dir.Read("red_1.dat");
}

// Four junctions: a signalised one with a whole-cycle offset, a continuation arm, an arm
// without lanes and a stage of 14 movement nodes; a single-stage plan that TRANSYT handled
// as two stages; a priority junction following network 2's cycle; and a node raised to
// class 3 by the TRANSYT writer. The external node between them is not a junction.
void BuildJunctions(test::TestRun& t) {
  TableBuilder b(t.run.Sat);
  int n101 = b.Junction(101, 3, 3);
  b.Node(n101).Field31_35 = 1;
  b.Node(n101).Field36_40 = 2.5f;
  b.Node(n101).Field41_45 = 3.5f;
  b.Arm(n101, 201, "2", 10, 150, {{1, "", 1, 1}, {-1, "G", 2, 2}});
  TConector& cont = b.Arm(n101, 202, "1B", 12, 200, {{1, "", 1, 1}, {1, "", 1, 1}});
  cont.ContinuationCode = "*";
  cont.Time1 = 5;
  cont.Time2 = 7;
  cont.ContField21_25 = 3;
  cont.ContField36_40 = 12.5f;
  cont.ContField43_45 = 4;
  b.Arm(n101, 203, "0", 0, 0, {{1, "", 1, 1}, {1, "", 1, 1}});
  b.Plan(n101).Offset = 90;
  b.Plan(n101).CycleTime = 90;
  b.Stage(n101, 30, 5, {201, 0});
  b.Stage(n101, 40, 5, {301, 302, 303, 304, 305, 306, 307, 308, 309, 310, 311, 312, 313, 314});

  int n102 = b.Junction(102, 2, 3);
  b.Arm(n102, 203, "1", 8, 100, {{1, "", 1, 1}});
  b.Arm(n102, 204, "1", 8, 100, {{1, "", 1, 1}});
  TPlanSemaforo& single = b.Plan(n102);
  single.SingleStage = 1;
  single.Offset = 10;
  single.CycleTime = 60;
  b.Stage(n102, 33, 4, {203, 0});
  b.Stage(n102, 12, 4, {});

  int n103 = b.Junction(103, 2, 1);
  b.Node(n103).Field16_20 = 5;
  b.Node(n103).Field21_25 = 6;
  b.Node(n103).TransytNetworkPosition = 2;
  t.run.Qor.CicloRed.resize(3, 0);  // network positions 1 and 2
  t.run.Qor.CicloRed[2] = 72;
  b.Arm(n103, 205, "2F", 9, 80, {{1, "X", 1, 2}});
  b.Arm(n103, 206, "1", 9, 80, {{2, "", 1, 1}});

  b.External(201);

  int n104 = b.Junction(104, 1, 0);
  b.Node(n104).NodeClass = 3;
  b.Arm(n104, 207, "1", 5, 50);
}

const std::vector<std::string> kJunctionSection = {
    "  101    3    3    2    0   90    1    2    4",
    "       201    2   10  150    1  1 1   -1 G2 2",
    "       202*  1B   12  200    1  1 1    1  1 1",
    "              5    7    3           12.5    4",
    "       203    0    0    0",
    "             30    5    2  201    0",
    "             40    5   14  301  302  303  304  305  306  307  308  309  310",
    "                           311  312  313  314",
    "  102    2    3    1   10   60    0    0    0",
    "       203    1    8  100    1  1 1",
    "       204    1    8  100    1  1 1",
    "             33   20    2  203    0",
    "  103    2    1    5    6   72    0    0    0",
    "       205   2F    9   80    1 X1 2",
    "       206    1    9   80    2  1 1",
    "  104    1    0    0    0    0    0    0    0",
    "       207    1    5   50",
};

std::vector<std::string> WithJunctions(std::vector<std::string> before, const std::vector<std::string>& after) {
  before.insert(before.end(), kJunctionSection.begin(), kJunctionSection.end());
  before.insert(before.end(), after.begin(), after.end());
  return before;
}

TEST(SaturnFileWriter, JunctionSectionIsRegeneratedBetweenTheFilesOwnLines) {
  test::TempDir dir;
  test::TestRun t;
  BuildJunctions(t);
  // Section 1 as read, with an included file spliced in without markers; section 2 with an
  // included file framed by the reader's markers.
  t.run.Sat.NetworkLines = {"&OPTIONS",
                            " IPINK=T &END",
                            "Red de prueba",
                            "&PARAM SPEEDS=F &END",
                            "* comentario",
                            "11111",
                            "  101    3    3    2   90   90",
                            "$        cruces.dat",
                            "  102    2    3    1   10   60",
                            "99999",
                            "22222",
                            "$        buffer.dat",
                            "%INCLUDE",
                            "    1  201  202",
                            "%INCLUDE",
                            "    2  203  204",
                            "99999",
                            "55555",
                            "  201  100  200",
                            "99999"};
  const std::string expected = Joined(WithJunctions(
      {"&OPTIONS", " IPINK=T &END", "Red de prueba", "&PARAM SPEEDS=F &END", "* comentario", "11111"},
      {"99999", "22222", "$        buffer.dat", "    2  203  204", "99999", "55555", "  201  100  200", "99999"}));
  EXPECT_EQ(test::DiffLines(expected, WrittenFile(t, dir)), "");
  EXPECT_EQ(WrittenFile(t, dir), expected);
  // The whole-cycle offset stays 0 in the plan for the rest of the run.
  EXPECT_EQ(t.run.Sat.SignalPlans[1].Offset, 0);
}

// A value its field cannot hold (a green from a damaged print file, an offset below -9999)
// would push the fields after it along the card: the file is not written for SATURN to read
// shifted; the run stops naming the file, the line, the junction and the value.
TEST(SaturnFileWriter, AJunctionValueWiderThanItsFieldStopsNamingFileLineAndJunction) {
  struct Case {
    const char* name;
    void (*spoil)(SaturnVars&);
    const char* expected;
  } cases[] = {
      {"green", [](SaturnVars& sat) { sat.SignalPlans[1].Stages[2].GreenTime = 100000; },
       "linea 12: nodo 101: el valor 100000 no cabe en 5 columnas"},
      {"offset", [](SaturnVars& sat) { sat.SignalPlans[2].Offset = -10000; }, "nodo 102: el valor -10000 no cabe en 5 columnas"},
      {"single stage's intergreen", [](SaturnVars& sat) { sat.SignalPlans[2].Stages[2].GreenTime = 99995; },
       "nodo 102: el valor 100003 no cabe"},
      {"lane", [](SaturnVars& sat) { sat.Nodes[1].Arms[1].Slots[1].FirstLane = 12; }, "nodo 101: el valor 12 no cabe en 1 columnas"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    test::TestRun t;
    BuildJunctions(t);
    t.run.Sat.NetworkLines = {"&OPTIONS", " &END", "Red", "&PARAM &END", "11111", "99999"};
    c.spoil(t.run.Sat);
    try {
      WrittenFile(t, dir);
      ADD_FAILURE() << "written";
    } catch (const FileError& error) {
      const std::string message = error.what();
      EXPECT_EQ(message.rfind("ERROR - Red Saturn red_1.dat, ", 0), 0u) << message;
      EXPECT_NE(message.find(c.expected), std::string::npos) << message;
    }
  }
}

TEST(SaturnFileWriter, ArmCardsCarrySpeedsWhenTheFileGivesSpeeds) {
  test::TempDir dir;
  test::TestRun t;
  TableBuilder b(t.run.Sat);
  int n = b.Junction(101, 2, 1);
  TConector& arm = b.Arm(n, 201, "1", 10, 150, {{1, "", 1, 1}});
  arm.Speed = 54;
  arm.ContinuationCode = "*";
  arm.Time1 = 5;
  arm.Time2 = 7;
  arm.Speed1 = 40;
  arm.Speed2 = 30;
  b.Arm(n, 202, "1", 10, 150, {{1, "", 1, 1}}).Speed = 54;
  t.run.Sat.NetworkLines = {"11111", "99999"};

  t.run.Sat.Param.SPEEDS = false;
  EXPECT_EQ(WrittenFile(t, dir), Joined({"11111", "  101    2    1    0    0    0    0    0    0",
                                         "       201*   1   10  150    1  1 1",
                                         "              5    7    0            0.0    0",
                                         "       202    1   10  150    1  1 1", "99999"}));
  t.run.Sat.Param.SPEEDS = true;
  EXPECT_EQ(WrittenFile(t, dir), Joined({"11111", "  101    2    1    0    0    0    0    0    0",
                                         "       201*   1   54  150    1  1 1",
                                         "             40   30    0            0.0    0",
                                         "       202    1   54  150    1  1 1", "99999"}));
}

TEST(SaturnFileWriter, SectionHeaderOfTheDigitOneAloneIsFoundLikeTheReaderFindsIt) {
  test::TempDir dir;
  test::TestRun t;
  BuildJunctions(t);
  t.run.Sat.NetworkLines = {"&OPTIONS &END", "", "1 titulo",  "&PARAM", " SPEEDS=F,", " &END",
                            "1",             "  101    3    3    2   90   90", "99999", "2", "99999"};
  const std::string expected =
      Joined(WithJunctions({"&OPTIONS &END", "", "1 titulo", "&PARAM", " SPEEDS=F,", " &END", "1"}, {"99999", "2", "99999"}));
  EXPECT_EQ(test::DiffLines(expected, WrittenFile(t, dir)), "");
}

TEST(SaturnFileWriter, FileWithoutJunctionSectionIsWrittenAsItWas) {
  test::TempDir dir;
  test::TestRun t;
  TableBuilder b(t.run.Sat);
  b.External(201);
  t.run.Sat.NetworkLines = {"&OPTIONS &END", "titulo", "&PARAM &END", "33333",        "$        buf.dat",
                            "%INCLUDE",      " 1 2",   "%INCLUDE",    "99999"};
  EXPECT_EQ(WrittenFile(t, dir),
            Joined({"&OPTIONS &END", "titulo", "&PARAM &END", "33333", "$        buf.dat", "99999"}));
}

}  // namespace
}  // namespace veltra
