#include "transyt/print_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_support.h"
#include "support/search_model.h"

namespace veltra {
namespace {

using test::CopyRunsData;
using test::RunsData;

std::string Totals(const char* index) {
  // The index in columns 98-107, "TOTALS" in 114-119.
  return std::string(97, ' ') + Printf("%10s", index) + std::string(6, ' ') + "TOTALS";
}

TEST(PerformanceIndex, ReadFromTheTotalsLineAfterFinalSettings) {
  test::TempDir dir;
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    double expected;
  } cases[] = {
      {"result", {"1TRANSYT", " FINAL SETTINGS", "   1  10", Totals("305.25")}, 305.25},
      {"totals before the heading do not count", {Totals("1.0"), "x FINAL SETTINGS x", Totals("  310.2")}, 310.2},
      {"no final settings", {"1TRANSYT", Totals("305.0"), "0  TOTAL"}, 999999.0},
      {"final settings without totals", {" FINAL SETTINGS", "0  TOTAL"}, 999999.0},
      {"TOTALS one column off", {" FINAL SETTINGS", " " + Totals("305.0")}, 999999.0},
      {"empty file", {}, 999999.0},
  };
  for (const auto& c : cases) {
    dir.WriteLines("t.prt", c.lines);
    EXPECT_DOUBLE_EQ(ReadPerformanceIndex("t.prt"), c.expected) << c.name;
  }
  EXPECT_DOUBLE_EQ(ReadPerformanceIndex("missing.prt"), 999999.0);
  EXPECT_DOUBLE_EQ(ReadPerformanceIndex(RunsData("final_settings.prt")), 123.4);
}

class FinalSettings : public ::testing::Test {
 protected:
  FinalSettings() : model(run, 3) {
    model.AddSignalNode(101, 1, {20, 30, 25}, {3, 4, 2});
    model.AddSignalNode(102, 2, {40, 40}, {}, false);
    model.AddSignalNode(104, 4, {30, 50}, {6, 4});
    model.AddForeignNode(105, 5, 2);
    model.Plan(101).Offset = 33;
    run.Qor.CicloRed[1] = 90;
    model.AddLink(111, 201, 101, 3, 1);
    model.AddLink(112, 202, 101, 3, 2);
    model.AddLink(113, 203, 104, 2, 1);
    model.AddLink(113, 204, 104, 2, 2);
    model.AddLink(114, 205, 104, 2, 2);
  }

  test::TempDir dir;
  test::TestRun t;
  veltra::Run& run = t.run;
  test::SearchModel model;
};

TEST_F(FinalSettings, StageStartsBecomeGreensOfTheNetworkCycle) {
  CopyRunsData("final_settings.prt", "red_2_3.prt");
  ReadFinalSettings("red_2_3.prt", run.Cfg.Red[1].ActualizaDesfase != 0, NetworkPosition(1), run.Sat, run.Qor, run.Log);

  // Starts 10, 40, 5 in 90 s: stages of 30, 55 (wrapping) and 5, less the intergreen before each.
  const TPlanSemaforo& p1 = model.Plan(101);
  EXPECT_EQ(p1.CycleTime, 90);
  EXPECT_EQ(p1.Offset, 10);
  EXPECT_EQ(p1.Stages[1].GreenTime, 30 - 2);
  EXPECT_EQ(p1.Stages[2].GreenTime, 55 - 3);
  EXPECT_EQ(p1.Stages[3].GreenTime, 5 - 4);

  const TPlanSemaforo& p4 = model.Plan(104);
  EXPECT_EQ(p4.Offset, 0);
  EXPECT_EQ(p4.Stages[1].GreenTime, 60 - 4);
  EXPECT_EQ(p4.Stages[2].GreenTime, 30 - 6);

  // A NoOptimiza node and a node of another network with the same TRANSYT number keep their plans.
  EXPECT_EQ(model.Plan(102).Stages[1].GreenTime, 40);
  EXPECT_EQ(model.Plan(102).CycleTime, 90);
  EXPECT_EQ(model.Plan(105).Stages[1].GreenTime, 20);
  EXPECT_EQ(model.Plan(105).CycleTime, 60);
  EXPECT_EQ(t.console.str(), "");
}

TEST_F(FinalSettings, OffsetFollowsStageOneOnlyWhenAsked) {
  CopyRunsData("final_settings.prt", "red_2_3.prt");
  model.Net().ActualizaDesfase = 0;
  ReadFinalSettings("red_2_3.prt", run.Cfg.Red[1].ActualizaDesfase != 0, NetworkPosition(1), run.Sat, run.Qor, run.Log);
  EXPECT_EQ(model.Plan(101).Offset, 33);
  EXPECT_EQ(model.Plan(101).Stages[1].GreenTime, 28);
}

TEST_F(FinalSettings, LinkResultsUntilTheTotalLine) {
  CopyRunsData("final_settings.prt", "red_2_3.prt");
  ReadFinalSettings("red_2_3.prt", run.Cfg.Red[1].ActualizaDesfase != 0, NetworkPosition(1), run.Sat, run.Qor, run.Log);
  const TArco& l111 = model.Link(1);
  EXPECT_FLOAT_EQ(l111.ResGradoSat, 85.2f);
  EXPECT_FLOAT_EQ(l111.ResCrucero, 12.5f);
  EXPECT_FLOAT_EQ(l111.ResDemora, 3.25f);
  EXPECT_FLOAT_EQ(l111.ResParadas, 61.0f);
  EXPECT_FLOAT_EQ(l111.ResCola, 7.4f);
  // The line after "0  TOTAL" is not read.
  EXPECT_FLOAT_EQ(model.Link(2).ResGradoSat, 55.5f);
  EXPECT_FLOAT_EQ(model.Link(2).ResCola, 12.3f);
  // Of two links with one number the last gets the results.
  EXPECT_FLOAT_EQ(model.Link(3).ResGradoSat, 0.0f);
  EXPECT_FLOAT_EQ(model.Link(4).ResGradoSat, 40.0f);
  EXPECT_FLOAT_EQ(model.Link(5).ResGradoSat, 0.0f);
}

TEST_F(FinalSettings, WithoutFinalSettingsNothingChanges) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
  } cases[] = {
      {"no TINPUT end", {" FINAL SETTINGS", "", "", "", "", "     1   90  0.0    10 0    40 0     5 0"}},
      {"no heading", {"      END OF SUBROUTINE TINPUT", "     1   90  0.0    10 0    40 0     5 0"}},
      {"heading one column off",
       {"      END OF SUBROUTINE TINPUT", "  FINAL SETTINGS", "", "", "", "",
        "     1   90  0.0    10 0    40 0     5 0"}},
  };
  for (const auto& c : cases) {
    dir.WriteLines("red_2_3.prt", c.lines);
    t.console.str("");
    ReadFinalSettings("red_2_3.prt", run.Cfg.Red[1].ActualizaDesfase != 0, NetworkPosition(1), run.Sat, run.Qor, run.Log);
    EXPECT_EQ(t.console.str(), "      SIN ACTUALIZAR REPARTOS\n\n\n") << c.name;
    EXPECT_EQ(model.Plan(101).Stages[1].GreenTime, 20) << c.name;
    EXPECT_EQ(model.Plan(101).Offset, 33) << c.name;
  }
  // A run that left no print file at all.
  std::filesystem::remove("red_2_3.prt");
  t.console.str("");
  ReadFinalSettings("red_2_3.prt", run.Cfg.Red[1].ActualizaDesfase != 0, NetworkPosition(1), run.Sat, run.Qor, run.Log);
  EXPECT_EQ(t.console.str(), "      SIN ACTUALIZAR REPARTOS\n\n\n");
}

TEST(CyopTableReader, HeadingsCyclesRowsAndTotals) {
  CyopTable table;
  ASSERT_TRUE(ReadCyopTable(RunsData("cyop_printed.cyo"), table));
  EXPECT_EQ(table.Heading[5], "TOO LOW");
  EXPECT_EQ(table.Heading[6], "    96%");
  EXPECT_EQ(table.FirstCandidate, 6);
  const int cycles[] = {0, 30, 35, 40, 45, 50, 60, 70, 80, 90, 100, 120, 140, 160, 180};
  for (int k = 1; k <= kCyopColumns; ++k) EXPECT_EQ(table.Cycle[k], cycles[k]) << k;
  ASSERT_EQ(table.Rows.size(), 3u);
  EXPECT_EQ(table.Rows[0].Node, 1);
  EXPECT_DOUBLE_EQ(table.Rows[0].Index[1], 110.0);
  EXPECT_DOUBLE_EQ(table.Rows[0].Index[9], 85.0);
  EXPECT_EQ(table.Rows[0].Structure(7), 'S');
  EXPECT_EQ(table.Rows[0].Structure(8), 'D');
  EXPECT_EQ(table.Rows[1].Structure(12), 'D');
  EXPECT_DOUBLE_EQ(table.Rows[2].Index[14], 110.0);
  // Printed totals from the first candidate on; none before it.
  EXPECT_DOUBLE_EQ(table.SingleTotal[5], 0.0);
  EXPECT_DOUBLE_EQ(table.SingleTotal[6], 300.0);
  EXPECT_DOUBLE_EQ(table.SingleTotal[14], 330.0);
  EXPECT_DOUBLE_EQ(table.DoubleTotal[9], 255.0);
}

TEST(CyopTableReader, IndexColumnsKeepWideValuesAndSkipTheMarkerBeforeThem) {
  const std::string file = RunsData("cyop_columns.cyo");
  CyopTable check;
  ASSERT_TRUE(ReadCyopTable(file, check));
  ASSERT_EQ(check.Rows.size(), 2u);
  // Six characters end at column 8k+12; the marker "D" of column 2 stands where column 3's
  // index begins and is not read as part of it.
  EXPECT_DOUBLE_EQ(check.Rows[0].Index[1], 1234.5);
  EXPECT_EQ(check.Rows[0].Markers[2], "12D");
  EXPECT_DOUBLE_EQ(check.Rows[0].Index[2], 10.0);
  EXPECT_DOUBLE_EQ(check.Rows[0].Index[3], 20.0);
  EXPECT_EQ(check.Rows[0].Structure(2), 'D');
  EXPECT_EQ(check.Rows[1].Markers[2], "   ");
  EXPECT_DOUBLE_EQ(check.Rows[1].Index[14], 1.5);
  // The node rows end at a node number 0; the totals follow.
  EXPECT_DOUBLE_EQ(check.SingleTotal[7], 610.5);
  EXPECT_DOUBLE_EQ(check.DoubleTotal[14], 780.5);
}

TEST(CyopTableReader, CandidateColumns) {
  struct Case {
    const char* file;
    int candidate;
  } cases[] = {{"cyop_printed.cyo", 6}, {"cyop_computed.cyo", 5}, {"cyop_toolow.cyo", 0}};
  for (const auto& c : cases) {
    CyopTable table;
    ASSERT_TRUE(ReadCyopTable(RunsData(c.file), table)) << c.file;
    EXPECT_EQ(table.FirstCandidate, c.candidate) << c.file;
  }
}

TEST(CyopTableReader, MissingOrIncompleteFile) {
  test::TempDir dir;
  CyopTable table;
  EXPECT_FALSE(ReadCyopTable("none.cyo", table));

  // Headings but no table: the file exists, the table stays empty.
  dir.WriteLines("part.cyo", {"0MAXIMA      TOO LOW TOO LOW TOO LOW TOO LOW TOO LOW     96%"});
  ASSERT_TRUE(ReadCyopTable("part.cyo", table));
  EXPECT_EQ(table.FirstCandidate, 6);  // column 7 on is beyond the line: not "TOO LOW"
  EXPECT_TRUE(table.Rows.empty());
  EXPECT_EQ(table.Cycle[6], 0);

  // Node rows up to the end of the file, no totals.
  dir.WriteLines("rows.cyo", {"0MAXIMA      TOO LOW TOO LOW TOO LOW TOO LOW", "0PERFORMANCE INDICES BY NODE AND CYCLE",
                              "", "                  30      35", "", "     4          12.0  S 13.0  D"});
  ASSERT_TRUE(ReadCyopTable("rows.cyo", table));
  EXPECT_EQ(table.FirstCandidate, 5);
  EXPECT_EQ(table.Cycle[2], 35);
  ASSERT_EQ(table.Rows.size(), 1u);
  EXPECT_DOUBLE_EQ(table.Rows[0].Index[2], 13.0);
  EXPECT_EQ(table.Rows[0].Markers[3], "   ");
  EXPECT_DOUBLE_EQ(table.SingleTotal[5], 0.0);
}

}  // namespace
}  // namespace veltra
