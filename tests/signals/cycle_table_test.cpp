// The cycle table: its best column against Webster's optimum cycle, columns too low for the
// flows, the double structure, and a layout the loop's CYOP reader takes as written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "signal_cases.h"
#include "signals/cycle_table.h"
#include "support/test_support.h"
#include "transyt/print_files.h"
#include "util/text.h"

namespace veltra::signals {
namespace {

int BestColumn(const CycleTable& table) {
  int best = -1;
  for (int k = 0; k < kCandidateCycles; ++k)
    if (!table.TooLow[static_cast<size_t>(k)] &&
        (best < 0 || table.SingleTotal[static_cast<size_t>(k)] < table.SingleTotal[static_cast<size_t>(best)]))
      best = k;
  return best;
}

int NearestColumn(double cycle) {
  int nearest = 0;
  for (int k = 1; k < kCandidateCycles; ++k)
    if (std::fabs(kCandidates[static_cast<size_t>(k)] - cycle) <
        std::fabs(kCandidates[static_cast<size_t>(nearest)] - cycle))
      nearest = k;
  return nearest;
}

// Whether the card asks for equisaturation splits or not: the given splits are for the card's
// cycle, and every candidate cycle gets its own equisaturation splits.
TEST(SignalCycleTable, IsolatedJunctionsBestColumnLiesNextToWebstersOptimum) {
  // Lost time: 5 s start lag + 2 s lost - 2 s gained per stage, two stages: L = 10 s.
  struct Case {
    double y1, y2;
    int equisat;
  } cases[] = {{0.2, 0.2, 1}, {0.35, 0.25, 1}, {0.4, 0.3, 1}, {0.45, 0.35, 1}, {0.5, 0.3, 1},
               {0.35, 0.25, 0}, {0.45, 0.35, 0}, {0.5, 0.3, 0}, {0.6, 0.15, 0}};
  for (const Case& c : cases) {
    RunOptions o;
    o.Cycle = 90;
    o.Steps = 45;
    o.Equisat = c.equisat;
    SignalNetwork net = Parse(test::Isolated(c.y1, c.y2, o));
    CycleTable table = BuildCycleTable(net);
    const double y = c.y1 + c.y2;
    const double webster = (1.5 * 10 + 5) / (1 - y);
    const int best = BestColumn(table);
    EXPECT_LE(std::abs(best - NearestColumn(webster)), 1)
        << "Y " << y << " equisat " << c.equisat << ": Webster " << webster << " s, best column " << kCandidates[static_cast<size_t>(best)] << " s";
  }
}

TEST(SignalCycleTable, CyclesThatCannotServeTheFlowsReadTooLow) {
  RunOptions o;
  SignalNetwork net = Parse(test::Isolated(0.45, 0.35, o));  // L / (1 - Y) = 10 / 0.2 = 50 s
  CycleTable table = BuildCycleTable(net);
  for (int k = 0; k < kCandidateCycles; ++k)
    EXPECT_EQ(table.TooLow[static_cast<size_t>(k)], kCandidates[static_cast<size_t>(k)] < 50)
        << kCandidates[static_cast<size_t>(k)];
  EXPECT_EQ(table.ShortestCycle, 50);
  // Minimum stages longer than a cycle make it too low too.
  SignalNetwork tight = Parse({"t", CardOne(o), Card({2, 1}), Card({12, 1, 0, 30, 30, 30}),
                               Card({31, 11, 1, 1, 5, 2, 0, 0, 0, 0, 0, 200, 0, 1800, 0, 0, 1}),
                               Card({32, 11, 100, 0, 0, 0, 40})});
  CycleTable t2 = BuildCycleTable(tight);
  for (int k = 0; k < kCandidateCycles; ++k)
    EXPECT_EQ(t2.TooLow[static_cast<size_t>(k)], kCandidates[static_cast<size_t>(k)] < 60) << kCandidates[static_cast<size_t>(k)];
}

TEST(SignalCycleTable, OverloadedNetworkStillOffersItsLongestCycle) {
  RunOptions o;
  CycleTable table = BuildCycleTable(Parse(test::Isolated(0.6, 0.5, o)));
  EXPECT_TRUE(table.Overloaded);
  EXPECT_FALSE(table.TooLow[kCandidateCycles - 1]);
}

// A plan the loop has doubled comes back as four stages, the second half repeating the first:
// the table treats it as the two-stage pattern it is, so it can stay doubled.
TEST(SignalCycleTable, PlanWrittenDoubledInFourStagesGetsTheTableOfItsPattern) {
  RunOptions o;
  o.Cycle = 90;
  const std::vector<std::string> two = test::Isolated(0.4, 0.25, o);
  std::vector<std::string> four = two;
  four[3] = Card({14, 1, 0, 7, 22, 7, 45, 7, 67, 7});
  four[4] = Card({31, 11, 1, 1, 5, 2, 0, 3, 5, 4, 0, 200, 0, 1800, 0, 0, 1});
  four[5] = Card({31, 12, 1, 2, 5, 3, 0, 4, 5, 1, 0, 200, 0, 1800, 0, 0, 1});
  const CycleTable a = BuildCycleTable(Parse(two)), b = BuildCycleTable(Parse(four));
  bool doubled = false;
  for (int k = 0; k < kCandidateCycles; ++k) {
    EXPECT_EQ(a.TooLow[static_cast<size_t>(k)], b.TooLow[static_cast<size_t>(k)]) << kCandidates[static_cast<size_t>(k)];
    EXPECT_NEAR(a.Index[0][static_cast<size_t>(k)], b.Index[0][static_cast<size_t>(k)], 1e-9);
    EXPECT_EQ(a.Double[0][static_cast<size_t>(k)], b.Double[0][static_cast<size_t>(k)]);
    doubled = doubled || b.Double[0][static_cast<size_t>(k)];
  }
  EXPECT_TRUE(doubled);
}

TEST(SignalCycleTable, LoopsReaderTakesTheTableAsItWasMade) {
  RunOptions o;
  SignalNetwork net = Parse(test::Arterial(3, o));
  net.Nodes[1].Number = 12345;  // a node number of five digits
  CycleTable table = BuildCycleTable(net);
  veltra::test::TempDir dir;
  dir.WriteLines("t.cyo", CycleTableLines(net, table));
  CyopTable read;
  ASSERT_TRUE(ReadCyopTable(dir.File("t.cyo"), read));
  int first = 0;
  for (int k = 4; k <= kCandidateCycles && first == 0; ++k)
    if (!table.TooLow[static_cast<size_t>(k - 1)]) first = k;
  EXPECT_EQ(read.FirstCandidate, first);
  ASSERT_EQ(read.Rows.size(), net.Nodes.size());
  for (int k = 1; k <= kCandidateCycles; ++k) {
    const size_t kk = static_cast<size_t>(k);
    EXPECT_EQ(read.Cycle[kk], kCandidates[kk - 1]);
    EXPECT_EQ(read.Heading[kk] == "TOO LOW", table.TooLow[kk - 1]);
    for (size_t n = 0; n < net.Nodes.size(); ++n) {
      EXPECT_EQ(read.Rows[n].Node, net.Nodes[n].Number);
      EXPECT_NEAR(read.Rows[n].Index[kk], table.Index[n][kk - 1], 0.051 + 0.0005 * table.Index[n][kk - 1]);
      EXPECT_EQ(read.Rows[n].Structure(k), table.Double[n][kk - 1] ? 'D' : 'S');
    }
    if (k >= first) {
      EXPECT_NEAR(read.SingleTotal[kk], table.SingleTotal[kk - 1], 0.051 + 0.0005 * table.SingleTotal[kk - 1]);
      EXPECT_NEAR(read.DoubleTotal[kk], table.DoubleTotal[kk - 1], 0.051 + 0.0005 * table.DoubleTotal[kk - 1]);
    }
  }
}

// The double structure of a column is the single one of half the cycle, for a node whose
// minimum stages fit in that half: a three-stage node needing 43 s is never doubled below 90 s.
TEST(SignalCycleTable, DoubleStructureTakesTheIndexOfTheHalfCycle) {
  RunOptions o;
  std::vector<std::string> three{"three", CardOne(o), Card({2, 1}), Card({13, 1, 0, 15, 20, 15, 40, 13})};
  for (int stage = 1; stage <= 3; ++stage) {
    three.push_back(Card({31, 10 + stage, 1, stage, 5, stage % 3 + 1, 0, 0, 0, 0, 0, 200, 0, 1800, 0, 0, 1}));
    three.push_back(Card({32, 10 + stage, 200, 0, 0, 0, 40}));
  }
  for (const SignalNetwork& net : {Parse(test::Arterial(2, o)), Parse(three)}) {
    CycleTable table = BuildCycleTable(net);
    for (int k = 0; k < kCandidateCycles; ++k) {
      double expected = 0;
      for (size_t n = 0; n < net.Nodes.size(); ++n) {
        const bool d = table.Double[n][static_cast<size_t>(k)];
        if (d) {
          ASSERT_GE(k, 5);
          EXPECT_EQ(kCandidates[static_cast<size_t>(k)], 2 * kCandidates[static_cast<size_t>(k - 5)]);
          EXPECT_LT(table.Index[n][static_cast<size_t>(k - 5)], table.Index[n][static_cast<size_t>(k)]);
          int minimums = 0;
          for (int stage = 0; stage < net.Nodes[n].Stages; ++stage) minimums += net.Nodes[n].MinStage[static_cast<size_t>(stage)];
          EXPECT_GE(kCandidates[static_cast<size_t>(k - 5)], minimums) << net.Title << " at " << kCandidates[static_cast<size_t>(k)];
        }
        expected += table.Index[n][static_cast<size_t>(d ? k - 5 : k)];
      }
      EXPECT_NEAR(table.DoubleTotal[static_cast<size_t>(k)], expected, 1e-9);
    }
  }
}

}  // namespace
}  // namespace veltra::signals
