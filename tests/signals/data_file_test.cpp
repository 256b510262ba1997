// Reading the data file: every card the loop writes, and bad cards named by line and field.
#include <gtest/gtest.h>

#include <array>

#include "signal_cases.h"
#include "signals/network.h"

namespace veltra::signals {
namespace {

const std::string kCardOne = "    1   90   45  120    3    2    1    0   90  110    1    2   40    0  930  170";

TEST(SignalDataFile, CardOneFieldsSetTheRunData) {
  ReadReport report;
  SignalNetwork net = ReadDataFile({"Title  ", kCardOne}, "a.dat", report);
  ASSERT_TRUE(report.Ok());
  EXPECT_EQ(net.Title, "Title");
  const RunData& r = net.Run;
  EXPECT_EQ(r.Cycle, 90);
  EXPECT_EQ(r.Steps, 45);
  EXPECT_EQ(r.SimulatedMinutes, 120);
  EXPECT_EQ(r.StartLoss, 3);
  EXPECT_EQ(r.EndGain, 2);
  EXPECT_TRUE(r.Equisat);
  EXPECT_FALSE(r.CyopRun);
  EXPECT_EQ(r.FlowFactor, 90);
  EXPECT_EQ(r.SpeedFactor, 110);
  EXPECT_TRUE(r.CruiseAsSpeed);
  EXPECT_EQ(r.Optimise, 2);
  EXPECT_DOUBLE_EQ(r.Dispersion, 0.40);
  EXPECT_DOUBLE_EQ(r.DelayWeight, 9.30);
  EXPECT_DOUBLE_EQ(r.StopWeight, 1.70);
}

TEST(SignalDataFile, NodesLinksGroupsAndSharedStopLinesAreRead) {
  std::vector<std::string> lines{
      "net\r", kCardOne + "\r",
      Card({2, 1, 2, 3, -2, 3}) + "\r",  // optimise 1, 2, 3; nodes 2 and 3 coordinated
      Card({13, 1, 0, 10, 0, 10, 0, 10}), Card({22, 2, 0, 10, 20, 10}), Card({12, 3, 5, 10, 40, 10}),
      Card({7, 11, 14, 0, 0, 0}),
      "   30   12   11    0   40   22    0                      250    0  700    0    0    2",
      Card({31, 11, 1, 1, 5, 2, 3, 3, 4, 1, 0, 300, 0, 1800, 0, 0, 2}),
      Card({31, 14, 1, 1, 5, 2, 0, 0, 0, 0, 0, 300, -9999, 0, 0, 0, 1}),
      Card({31, 21, 2, 2, 5, 1, 0, 0, 0, 0, 0, 200, 0, 1700, 0, 0, 1}),
      Card({32, 11, 600, 50, 21, 400, 40, 12, 100, 3050}), Card({32, 12, 300, 0, 0, 0, 35}),
      Card({32, 14, 40, 0, 0, 0, 3020}), Card({32, 21, 500, 0, 0, 0, 40}),
      Card({35, 11, 21}), Card({38, 21, 8, 50})};
  ReadReport report;
  SignalNetwork net = ReadDataFile(lines, "n.dat", report);
  ASSERT_TRUE(report.Ok()) << report.Errors.front();
  ASSERT_EQ(net.Nodes.size(), 3u);
  EXPECT_TRUE(net.Nodes[1].Doubled);
  EXPECT_EQ(net.Nodes[1].Stages, 2);
  EXPECT_EQ(net.Nodes[2].Start[0], 5);
  EXPECT_EQ(net.Nodes[0].Group, -1);
  EXPECT_EQ(net.Nodes[1].Group, 0);
  EXPECT_EQ(net.Nodes[2].Group, 0);
  for (const SignalNode& n : net.Nodes) EXPECT_TRUE(n.Optimise) << n.Number;

  ASSERT_EQ(net.Links.size(), 4u);  // 12 (from card 30), 11, 14, 21
  const SignalLink& gw = net.Links[0];
  EXPECT_EQ(gw.Number, 12);
  EXPECT_TRUE(gw.GivesWay);
  EXPECT_EQ(net.Links[static_cast<size_t>(gw.Gw.Opposing1)].Number, 11);
  EXPECT_EQ(gw.Gw.Opposing2, -1);
  EXPECT_DOUBLE_EQ(gw.Gw.OpposedShare, 0.40);
  EXPECT_DOUBLE_EQ(gw.Gw.Saturation, 700);
  EXPECT_EQ(gw.Length, 250);
  EXPECT_EQ(gw.Lanes, 2);
  EXPECT_EQ(gw.Node, -1);

  const SignalLink& a = net.Links[1];
  EXPECT_EQ(a.PeriodCount, 2);
  EXPECT_EQ(a.Periods[1].StartStage, 3);
  EXPECT_EQ(a.Periods[1].StartLag, 4);
  EXPECT_EQ(a.Periods[1].EndStage, 1);
  EXPECT_EQ(a.SourceCount, 2);
  EXPECT_EQ(net.Links[static_cast<size_t>(a.Sources[0].Link)].Number, 21);
  EXPECT_DOUBLE_EQ(a.UniformFlow, 50);
  EXPECT_EQ(a.Sources[1].Cruise, 3050);
  EXPECT_TRUE(a.Graph);

  const SignalLink& bus = net.Links[2];
  EXPECT_EQ(bus.Detail, -9999);  // a five-column field holding a five-character number
  EXPECT_EQ(net.Links[static_cast<size_t>(bus.SharedLeader)].Number, 11);
  EXPECT_EQ(bus.Cruise, 3020);
  EXPECT_DOUBLE_EQ(net.Links[3].QueueLimit, 8);
  EXPECT_DOUBLE_EQ(net.Links[3].QueuePenalty, 50);
  EXPECT_TRUE(net.Links[3].Graph);
}

TEST(SignalDataFile, BadCardsAreNamedByLineAndField) {
  struct Case {
    std::vector<std::string> cards;  // after the title and card 1
    std::string message;
  } cases[] = {
      {{"   12    1    0   1x    0   10"}, "line 3: card 12, field 4 (columns 16-20): \"1x\" is not a whole number"},
      {{"  abc"}, "line 3: columns 1-5: \"abc\" is not a card number"},
      {{Card({12, 1, 0, 10, 0})}, "line 3: card 12 has 5 fields, needs at least 6 (field 6 is missing)"},
      {{Card({12, 1, 95, 10, 0, 10})}, "line 3: card 12, field 3 (stage start time): 95 is outside 0..90"},
      {{Card({12, 1, 0, 50, 0, 50})}, "line 3: card 12: the minimum stage lengths of node 1 add up to 100"},
      {{Card({12, 1, 0, 10, 0, 10}), Card({31, 5, 1, 3, 5, 1, 0, 0, 0, 0, 0, 100, 0, 1800, 0, 0, 1})},
       "line 4: card 31, field 4 (start stage): 3 is outside 1..2"},
      {{Card({31, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 100, 0, -5, 0, 0, 1})},
       "line 3: card 31, field 14 (saturation flow): -5 is outside 0..100000"},
      {{Card({32, 5, -10, 0, 0, 0, 40})}, "line 3: card 32, field 3 (flow): -10 is outside 0..1000000"},
      {{Card({32, 5, 100, 0, 7, 100})}, "line 3: card 32: after the flows the fields come in threes"},
      {{Card({12, 1, 0, 10, 0, 10}), Card({13, 1, 0, 10, 0, 10, 0, 10})}, "line 4: card 13, field 2: node 1 already"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> lines{"t", kCardOne};
    lines.insert(lines.end(), c.cards.begin(), c.cards.end());
    ReadReport report;
    ReadDataFile(lines, "bad.dat", report);
    ASSERT_FALSE(report.Ok()) << c.message;
    EXPECT_NE(report.Errors.front().find("bad.dat, " + c.message), std::string::npos)
        << "got: " << report.Errors.front() << "\nwanted: " << c.message;
  }
}

TEST(SignalDataFile, StageStartAtTheEndOfTheCycleIsItsStart) {
  struct Case {
    std::string card;
    std::array<int, 3> starts;
  } cases[] = {
      {Card({12, 1, 90, 10, 30, 10}), {0, 30, 0}},          // the cycle: 90 s
      {Card({13, 1, 60, 10, 90, 10, 20, 10}), {60, 0, 20}},  // a later stage reaching the cycle
      {Card({22, 1, 45, 10, 20, 10}), {0, 20, 0}},          // double-cycled: half the cycle
      {Card({23, 1, 10, 10, 30, 10, 45, 10}), {10, 30, 0}},
  };
  for (const Case& c : cases) {
    ReadReport report;
    SignalNetwork net = ReadDataFile({"t", kCardOne, c.card}, "s.dat", report);
    ASSERT_TRUE(report.Ok()) << c.card << ": " << report.Errors.front();
    for (int k = 0; k < net.Nodes[0].Stages; ++k)
      EXPECT_EQ(net.Nodes[0].Start[static_cast<size_t>(k)], c.starts[static_cast<size_t>(k)]) << c.card;
  }
}

TEST(SignalDataFile, MissingOrBadCardOneStopsTheRun) {
  struct Case {
    std::vector<std::string> lines;
    std::string message;
  } cases[] = {
      {{}, "the file is empty"},
      {{"title", Card({2, 1})}, "card 1 (cycle and run data) is missing"},
      {{"title", Card({1, 0, 30})}, "card 1, field 2 (cycle): 0 is outside 1..3600"},
      {{"title", Card({1, 60, 5000})}, "card 1, field 3 (steps per cycle): 5000 is outside 0..1000"},
      {{"title", Card({1, 1, 1}), Card({22, 1, 0, 0, 0, 0})}, "card 22: a cycle of 1 s has no half cycle"},
  };
  for (const Case& c : cases) {
    ReadReport report;
    ReadDataFile(c.lines, "x.dat", report);
    ASSERT_FALSE(report.Ok()) << c.message;
    EXPECT_NE(report.Errors.front().find(c.message), std::string::npos) << report.Errors.front();
  }
}

TEST(SignalDataFile, UnknownCardsAndLooseReferencesAreWarnedAndSkipped) {
  std::vector<std::string> lines{"t", kCardOne, Card({99, 1, 2}), Card({2, 7}), Card({12, 1, 0, 10, 0, 10}),
                                 Card({31, 5, 4, 1, 5, 2, 0, 0, 0, 0, 0, 100, 0, 1800, 0, 0, 1}),
                                 Card({32, 5, 100, 0, 77, 50, 40}), "* a comment line", "",
                                 Card({31, 6, 1, 1, 5, 2, 0, 0, 0, 0, 0, 100, 0, 1800, 0, 0, 1}),
                                 "   30    5    5    0    0   22    0                      100    0  600    0    0    1",
                                 Card({31, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 100, 0, 0, 0, 0, 1}), Card({32, 8, 50, 0, 0, 0, 40})};
  ReadReport report;
  SignalNetwork net = ReadDataFile(lines, "w.dat", report);
  ASSERT_TRUE(report.Ok());
  auto warned = [&](const std::string& text) {
    for (const std::string& w : report.Warnings)
      if (w.find(text) != std::string::npos) return true;
    return false;
  };
  EXPECT_TRUE(warned("line 3: card 99 is not known to this program; it is skipped"));
  EXPECT_TRUE(warned("card 2: optimised node 7 has no timing card"));
  EXPECT_TRUE(warned("controlled by node 4, which has no timing card"));
  EXPECT_TRUE(warned("upstream link 77 of link 5 does not exist"));
  EXPECT_TRUE(warned("link 6 has no card 32"));
  EXPECT_TRUE(warned("card 30: link 5 is given as its own opposing link"));
  EXPECT_TRUE(warned("link 8 carries 50 PCU/h but has no saturation flow"));
  EXPECT_EQ(net.Links[0].Node, -1);
  EXPECT_EQ(net.Links[0].SourceCount, 0);
}

TEST(SignalDataFile, BlankSeparatedCardsReadAsTheirFiveColumnForm) {
  ReadReport a, b;
  SignalNetwork fixed = ReadDataFile({"t", kCardOne, Card({12, 1, 0, 10, 30, 12})}, "f.dat", a);
  SignalNetwork loose = ReadDataFile({"t", "1 90 45 120 3 2 1 0 90 110 1 2 40 0 930 170", "12 1 0 10 30 12"}, "l.dat", b);
  ASSERT_TRUE(a.Ok() && b.Ok());
  EXPECT_EQ(loose.Run.Cycle, fixed.Run.Cycle);
  EXPECT_DOUBLE_EQ(loose.Run.Dispersion, fixed.Run.Dispersion);
  EXPECT_EQ(loose.Nodes[0].Start, fixed.Nodes[0].Start);
  EXPECT_EQ(loose.Nodes[0].MinStage, fixed.Nodes[0].MinStage);
}

}  // namespace
}  // namespace veltra::signals
