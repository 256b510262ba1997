#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "saturn/listing.h"
#include "saturn/saturn_fixtures.h"

namespace veltra {
namespace {

using test::Card;
using test::CrossNetworkTest;
using test::NetworkHead;
using test::ReadNetworkLines;
using test::TestRun;

class CrossListingTest : public CrossNetworkTest {
 protected:
  void ReadCrossListing(int iteration) {
    ASSERT_TRUE(LoadLines(test::SaturnData("cross.lpa"), sat.ListingLines));
    test::ReadRunListing(t.run, iteration);
  }
  const TFlujoArco& Flows(int32_t a, int32_t b) const { return sat.LinkFlows[static_cast<size_t>(sat.FindLink(a, b))]; }
};

TEST_F(CrossListingTest, LinkAndTurnRowsFillTheFlows) {
  ReadCrossListing(0);
  EXPECT_TRUE(sat.Network.FlowsRead);
  ASSERT_EQ(sat.LinkFlows.size(), sat.Links.size());
  const TFlujoArco& f = Flows(101, 100);
  const std::vector<std::pair<int, float>> expected = {
      {0, 12.5f}, {2, 200}, {3, 490}, {4, 175}, {5, 0},  {6, 10},  {7, 5},   {8, 890},
      {9, 15},    {10, 900}, {11, 70}, {12, 60}, {13, 865}, {14, 15}, {15, 880}, {19, 0},
  };
  for (auto [position, value] : expected) EXPECT_FLOAT_EQ(f[static_cast<size_t>(position)], value) << position;
  EXPECT_FLOAT_EQ(Flows(101, 901)[19], 400.0f / 1800.0f);
  EXPECT_FLOAT_EQ(Flows(102, 100)[10], 600.0f);
  EXPECT_FLOAT_EQ(Flows(103, 100)[8], 680.0f);

  const TGiro& turn = Turn(101, 100, 103);
  EXPECT_FLOAT_EQ(turn.ListingValue, 2.0f);
  EXPECT_FLOAT_EQ(turn.AssignedFlow, 490.0f);
  EXPECT_FLOAT_EQ(turn.FixedFlow, 10.0f);
  EXPECT_FLOAT_EQ(turn.TotalFlow, 500.0f);
}

TEST_F(CrossListingTest, TurnSumDifferencesPerEntry) {
  ReadCrossListing(0);
  const std::pair<int32_t, float> cases[] = {{101, 865.0f - 890.0f}, {102, -600.0f}, {103, 280.0f - 680.0f}, {104, -300.0f}};
  for (auto [a, difference] : cases) {
    for (int32_t t = 1; t <= sat.Network.TurnCount; ++t) {
      if (sat.Turns[static_cast<size_t>(t)].ANode == a) {
        EXPECT_FLOAT_EQ(sat.Turns[static_cast<size_t>(t)].TurnSumDifference, difference) << a;
      }
    }
  }
}

TEST_F(CrossListingTest, TotalsAndTheFixedFlowMessageOfTheFirstIteration) {
  ReadCrossListing(0);
  const TIterationFigures& figures = sat.FiguresOf(0);
  EXPECT_FLOAT_EQ(figures.SubTotalHr, 123.4f);
  EXPECT_FLOAT_EQ(figures.SubTotalKm, 2345.6f);
  EXPECT_FLOAT_EQ(figures.GrandTotalHr, 133.4f);
  EXPECT_FLOAT_EQ(figures.GrandTotalKm, 2745.6f);
  EXPECT_TRUE(test::LogHas(t, "   ATENCION: Al arco 101-100 se le corrigió flujo fijo (10.00 --> 15.00)\n"));
  EXPECT_FALSE(test::LogHas(t, "Al arco 103-100"));
}

TEST_F(CrossListingTest, LaterIterationsCorrectSilently) {
  ReadCrossListing(2);
  EXPECT_FLOAT_EQ(Flows(101, 100)[9], 15.0f);
  EXPECT_FALSE(test::LogHas(t, "ATENCION: Al arco"));
  EXPECT_FLOAT_EQ(sat.FiguresOf(2).GrandTotalHr, 133.4f);
  EXPECT_FLOAT_EQ(sat.FiguresOf(0).GrandTotalHr, 0.0f);
}

TEST_F(CrossListingTest, SelectedBusesMoveFromFixedToAssigned) {
  t.run.Cfg.LineasPrivado = "12";
  // The bus flows are summed while the network is read.
  test::ReadNetworkFile(t.run, "cross.dat");
  ReadCrossListing(0);
  EXPECT_FLOAT_EQ(Flows(101, 100)[8], 900.0f);
  EXPECT_FLOAT_EQ(Flows(101, 100)[9], 5.0f);
  EXPECT_FLOAT_EQ(Flows(100, 103)[8], 0.0f);
  EXPECT_FLOAT_EQ(Flows(100, 103)[9], 0.0f);
  EXPECT_FLOAT_EQ(Turn(101, 100, 103).AssignedFlow, 500.0f);
  EXPECT_FLOAT_EQ(Turn(101, 100, 103).FixedFlow, 0.0f);
}

TEST_F(CrossListingTest, ListingWithoutFlowsEndsTheRunClosingTheMessagesFile) {
  ASSERT_TRUE(t.run.Log.OpenMessagesFile("mensajes.txt"));
  sat.ListingLines = {"SATURN", "NO FLOWS HERE", "GRAND TOTALS"};
  try {
    test::ReadRunListing(t.run, 0);
    FAIL() << "no stop";
  } catch (const RunStop& stop) {
    EXPECT_EQ(stop.ExitCode, 1);
    EXPECT_FALSE(stop.SaveErrors);
  }
  EXPECT_FALSE(t.run.Log.MessagesFileOpen());
  EXPECT_TRUE(test::LogHas(t, "\nERROR - Archivo cross.lpa no valido (3 lineas leidas)\n\n\n\nProceso Abortado....\n\n\n"));
}

// Nodes 101, 102 and 103 in a row; junction 102 with the turns 101-102-103 and 103-102-101.
std::vector<std::string> RowNetwork(const std::vector<std::string>& param = {}) {
  auto lines = NetworkHead(param);
  lines.insert(lines.end(), {"1", Card().Int(1, 5, 102).Int(6, 10, 2).Int(11, 15, 1),
                             Card().Int(6, 10, 101).Int(12, 15, 1).Int(26, 30, 100).At(33, "1 1"),
                             Card().Int(6, 10, 103).Int(12, 15, 1).Int(26, 30, 100).At(33, "1 1"), "99999", "3",
                             Card().Int(1, 5, 101).Int(6, 10, 103).Int(21, 25, 500).At(28, "2"), "99999", "5",
                             Card().Int(1, 5, 101).Int(6, 10, 0).Int(11, 15, 0), Card().Int(1, 5, 102).Int(6, 10, 100).Int(11, 15, 0),
                             Card().Int(1, 5, 103).Int(6, 10, 200).Int(11, 15, 0), "99999"});
  return lines;
}

std::string Values(const std::vector<double>& values) {
  std::string text;
  for (double v : values) text += Printf("%10.2f", v);
  return text;
}

TEST(SaturnListingRows, PatternsDecideTheRowKind) {
  struct Case {
    std::string row;
    int32_t a, b;
    int position;
    float value;
  };
  const std::string v = Values({1, 2, 3, 40, 4});
  const Case cases[] = {
      {Card().Int(1, 9, 101).Int(10, 18, 103).At(19, v), 101, 103, 10, 40},          // nine-wide link
      {Card().Int(1, 6, 101).Int(7, 12, 103).At(19, v), 101, 103, 8, 36},            // six-wide link
      {Card().Int(1, 6, 101).Int(7, 12, 102).Int(13, 18, 103).At(19, v), 101, 102, 3, 36},  // a turn, straight ahead
      {Card().At(2, "C").Int(9, 12, 101).Int(15, 18, 103).At(19, v), 101, 103, 11, 36},     // zone side
      {Card().Int(3, 6, 101).Int(9, 12, 103).At(14, "C").At(19, v), 101, 103, 12, 36},      // node side
      {Card().At(1, "  0101").Int(7, 12, 103).At(19, v), 101, 103, 8, 0},            // not right-aligned: no row
      {Card().Int(1, 6, 101).Int(7, 12, 103).At(14, "X").At(19, v), 101, 103, 8, 0},  // neither blank nor a turn
      {Card().Int(1, 6, 101).Int(7, 12, 104).At(19, v), 101, 103, 8, 0},             // no such link
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    TestRun t;
    ReadNetworkLines(t.run, RowNetwork());
    t.run.Sat.ListingLines = {"LISTING OF THE FLOWS ON CHANNEL 1", c.row};
    test::ReadRunListing(t.run, 0);
    const SaturnVars& sat = t.run.Sat;
    EXPECT_FLOAT_EQ(sat.LinkFlows[static_cast<size_t>(sat.FindLink(c.a, c.b))][static_cast<size_t>(c.position)], c.value);
  }
}

TEST(SaturnListingClasses, ClassesComeInBlocksOfFiveOrThreeWithPlod) {
  struct Case {
    std::vector<std::string> param;
    std::vector<std::vector<double>> blocks;
  };
  const Case cases[] = {
      {{" NOMADS=7"}, {{1, 2, 3, 4, 5}, {6, 7, 0, 0, 0}}},
      {{" NOMADS=7", "PLOD"}, {{0, 0, 1, 2, 3}, {0, 0, 4, 5, 6}, {0, 0, 7, 0, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.blocks.size());
    TestRun t;
    auto lines = RowNetwork({c.param[0]});
    if (c.param.size() > 1) lines[0] = "&OPTION PLOD=T";
    ReadNetworkLines(t.run, lines);
    std::vector<std::string>& listing = t.run.Sat.ListingLines;
    listing = {"LISTING OF THE FLOWS ON CHANNEL 1", Card().Int(1, 6, 101).Int(7, 12, 103).At(19, Values({0, 0, 0, 99, 0}))};
    for (const auto& block : c.blocks) {
      listing.push_back("      LISTING OF DISAGGREGATED FLOWS");
      listing.push_back(Card().Int(1, 6, 101).Int(7, 12, 103).At(19, Values(block)));
      listing.push_back(Card().Int(1, 6, 101).Int(7, 12, 102).Int(13, 18, 103).At(19, Values(block)));
    }
    listing.push_back("           SUMMARY STATISTICS FOR THE ASSIGNMENT NETWORK");
    for (int i = 0; i < 12; ++i) listing.push_back("");
    test::ReadRunListing(t.run, 0);
    const SaturnVars& sat = t.run.Sat;
    const std::array<float, 8> expected = {1, 2, 3, 4, 5, 6, 7, 0};
    EXPECT_EQ(sat.LinkClassFlows[static_cast<size_t>(sat.FindLink(101, 103))], expected);
    EXPECT_EQ(sat.Turns[static_cast<size_t>(sat.FindTurn(101, 102, 103))].ClassFlows, expected);
    EXPECT_FLOAT_EQ(sat.LinkFlows[static_cast<size_t>(sat.FindLink(101, 103))][10], 99.0f);
  }
}

TEST(SaturnListingTotals, MissingTotalsLeaveTheIterationUnchanged) {
  TestRun t;
  ReadNetworkLines(t.run, RowNetwork());
  t.run.Sat.FiguresOf(0).GrandTotalHr = 55.0f;
  t.run.Sat.ListingLines = {"LISTING OF THE FLOWS ON CHANNEL 1", "SUMMARY STATISTICS FOR THE ASSIGNMENT NETWORK", "GRAND TOTALS 1 2"};
  test::ReadRunListing(t.run, 0);
  EXPECT_FLOAT_EQ(t.run.Sat.FiguresOf(0).GrandTotalHr, 55.0f);
}

}  // namespace
}  // namespace veltra

namespace veltra {
namespace {

// SATURN-shaped programs write each value "%10.2f": a value of ten million or more runs over its
// columns into the next. Whatever the magnitudes, the reader either takes every value as
// written (when each fits) or stops naming the listing, the line and the columns; it never
// yields a negative flow, total or precision.
TEST(SaturnListingRows, ValuesRunTogetherStopAndNeverGiveNegativeFlows) {
  std::mt19937 rng(25);
  std::uniform_int_distribution<int> exponent(0, 13);
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  int stops = 0, reads = 0;
  for (int round = 0; round < 300; ++round) {
    double v[6] = {0};
    for (int k = 1; k <= 5; ++k) v[k] = std::round(mantissa(rng) * std::pow(10.0, exponent(rng) - 2) * 100) / 100;
    v[5] = std::min(v[5], v[4]);  // the fixed flow is part of the total
    const bool fits = std::all_of(v + 1, v + 6, [](double x) { return Printf("%10.2f", x).size() == 10 && x < 1e6; });
    TestRun t;
    ReadNetworkLines(t.run, RowNetwork());
    const std::string row = Card().Int(1, 6, 101).Int(7, 12, 102).Int(13, 18, 103).At(19, Values({v[1], v[2], v[3], v[4], v[5]}));
    t.run.Sat.ListingLines = {"LISTING OF THE FLOWS ON CHANNEL 1", Card().Int(1, 6, 101).Int(7, 12, 103).At(19, Values({0, 0, 1, 9, 0})), row};
    SaturnSettings settings;
    settings.ListingFile = "red_3.lpa";
    try {
      ReadListing(t.run.Sat.ListingLines, 0, settings, t.run.Sat, t.run.Log);
    } catch (const RunStop& stop) {
      EXPECT_FALSE(fits) << row;
      EXPECT_TRUE(stop.SaveErrors);
      ASSERT_FALSE(t.run.Log.Errors.empty());
      EXPECT_EQ(t.run.Log.Errors.back().rfind("ERROR - Listado Saturn red_3.lpa, linea 3, columnas ", 0), 0u)
          << t.run.Log.Errors.back();
      ++stops;
      continue;
    }
    ++reads;
    const TGiro& turn = t.run.Sat.Turns[static_cast<size_t>(t.run.Sat.FindTurn(101, 102, 103))];
    EXPECT_GE(turn.AssignedFlow, 0.0f) << row;
    EXPECT_GE(turn.FixedFlow, 0.0f) << row;
    if (fits) {
      // The model keeps flows in single precision.
      EXPECT_NEAR(turn.TotalFlow, v[4], 0.01 + v[4] * 1e-7) << row;
      EXPECT_NEAR(turn.FixedFlow, v[5], 0.01 + v[5] * 1e-7) << row;
    }
  }
  // Both outcomes are exercised.
  EXPECT_GT(stops, 0);
  EXPECT_GT(reads, 0);
}

TEST(SaturnListingTotals, TotalsRunTogetherStop) {
  const std::string cases[] = {
      "  GRAND TOTALS        12345678901.2       12877.6",  // the first total fills the blanks after it
      "  GRAND TOTALS            -186.3       12877.6",       // no total is negative
      "  SUB-TOTALS              186.3 12877.6.1",            // two numbers in one field
  };
  for (const std::string& totals : cases) {
    SCOPED_TRACE(totals);
    TestRun t;
    ReadNetworkLines(t.run, RowNetwork());
    t.run.Sat.ListingLines = {"LISTING OF THE FLOWS ON CHANNEL 1", "SUMMARY STATISTICS FOR THE ASSIGNMENT NETWORK",
                              "TOTAL FLOWS - FIXED PLUS ASSIGNED", totals};
    for (int i = 0; i < 12; ++i) t.run.Sat.ListingLines.push_back("");
    EXPECT_THROW(test::ReadRunListing(t.run, 0), RunStop);
    ASSERT_FALSE(t.run.Log.Errors.empty());
    EXPECT_NE(t.run.Log.Errors.back().find("linea 4, columnas "), std::string::npos) << t.run.Log.Errors.back();
  }
}

TEST(SaturnListingNotes, AssignmentsThatStoppedShortOrLeftTripsOutAreNoted) {
  const ListingNotes notes = ListingNotesOf(
      {"  WARNING: pueblo.csv: 12.50 trips from zone 9 to zone 1: zone 9 is not in the network",
       "  WARNING: node 104 has one arm", "        THE LOOP LIMIT WAS REACHED BEFORE THE TURN FLOWS SETTLED.",
       "        THE TURN FLOWS SETTLED.", "  TRIPS DROPPED          12.50", "  DROPPED                 0.0",
       "  WARNING: viajes.csv: no route 3-7 (1 row, 4.00 trips): left out (--drop-unloadable-trips)"});
  EXPECT_FALSE(notes.ConvergenceStated);
  EXPECT_EQ(notes.NotConverged, std::vector<std::string>{"THE LOOP LIMIT WAS REACHED BEFORE THE TURN FLOWS SETTLED."});
  EXPECT_EQ(notes.TripsLeftOut,
            (std::vector<std::string>{"WARNING: pueblo.csv: 12.50 trips from zone 9 to zone 1: zone 9 is not in the network",
                                      "TRIPS DROPPED          12.50",
                                      "WARNING: viajes.csv: no route 3-7 (1 row, 4.00 trips): left out (--drop-unloadable-trips)"}));
}

// The last assignment's figures as SATALL states them; "-" for what a method without routes does
// not measure; the last statement holds, and a line that is not whole states nothing.
TEST(SaturnListingNotes, TheLastAssignmentsConvergenceIsRead) {
  const std::string line =
      "        LAST ASSIGNMENT: RELATIVE GAP 2.397e-05, AVERAGE EXCESS 0.0125 S PER TRIP, LARGEST ROUTE EXCESS %s S (%s OF "
      "ITS PAIR'S FREE-FLOW COST).";
  ListingNotes notes = ListingNotesOf({Printf(line.c_str(), "9", "1.0e-02"), Printf(line.c_str(), "3.446", "1.1e-04")});
  EXPECT_TRUE(notes.ConvergenceStated);
  EXPECT_DOUBLE_EQ(notes.RelativeGap, 2.397e-05);
  EXPECT_DOUBLE_EQ(notes.AverageExcess, 0.0125);
  EXPECT_DOUBLE_EQ(notes.LargestExcess, 3.446);
  EXPECT_DOUBLE_EQ(notes.LargestRelativeExcess, 1.1e-04);
  notes = ListingNotesOf({Printf(line.c_str(), "-", "-")});
  EXPECT_TRUE(notes.ConvergenceStated);
  EXPECT_EQ(notes.LargestExcess, -1);
  EXPECT_EQ(notes.LargestRelativeExcess, -1);
  EXPECT_FALSE(ListingNotesOf({"        LAST ASSIGNMENT: RELATIVE GAP 2.397e-05, AVERAGE"}).ConvergenceStated);
}

}  // namespace
}  // namespace veltra
