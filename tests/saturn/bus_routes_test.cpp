#include <gtest/gtest.h>

#include "saturn/bus_routes.h"
#include "saturn/saturn_fixtures.h"

namespace veltra {
namespace {

using test::Card;
using test::CrossNetworkTest;
using test::NetworkHead;
using test::ReadNetworkLines;
using test::TestRun;

std::vector<int32_t> RouteNodes(const TLinea& route) {
  return std::vector<int32_t>(route.Nodes.begin() + 1, route.Nodes.end());
}

TEST_F(CrossNetworkTest, FozzyCompletesRoutesWithNegatedNodes) {
  ASSERT_EQ(sat.Network.BusLineCount, 2);
  const TLinea& first = sat.BusLines[1];
  EXPECT_EQ(first.RouteNumber, 12);
  EXPECT_EQ(first.Suffix, "A");
  EXPECT_EQ(first.RouteGroup, 1);
  EXPECT_EQ(first.Frequency, 10);
  EXPECT_EQ(RouteNodes(first), (std::vector<int32_t>{901, -101, 100, -103, 903}));
  const TLinea& second = sat.BusLines[2];
  EXPECT_EQ(second.RouteNumber, 7);
  EXPECT_EQ(second.Suffix, " ");
  EXPECT_EQ(second.RouteGroup, 2);
  // Three paths of equal length: the first node settled at that distance (lowest position) wins.
  EXPECT_EQ(RouteNodes(second), (std::vector<int32_t>{902, -501, 500}));
}

TEST_F(CrossNetworkTest, BusFlowsFollowTheCompletedPath) {
  // No selection: every route is "other".
  for (auto [a, b] : {std::pair{901, 101}, std::pair{101, 100}, std::pair{100, 103}, std::pair{103, 903}})
    EXPECT_FLOAT_EQ(sat.OtherBusLink[static_cast<size_t>(sat.FindLink(a, b))], 10.0f) << a << "-" << b;
  EXPECT_FLOAT_EQ(sat.OtherBusTurn[static_cast<size_t>(sat.FindTurn(101, 100, 103))], 10.0f);
  EXPECT_FLOAT_EQ(sat.OtherBusLink[static_cast<size_t>(sat.FindLink(902, 501))], 15.0f);  // 6 x BUSPCU(2) = 2.5
  EXPECT_FLOAT_EQ(sat.SelectedBusLink[static_cast<size_t>(sat.FindLink(902, 501))], 0.0f);
}

TEST(SaturnBusSelection, GroupsRangesAndSingleRoutes) {
  struct Case {
    const char* selection;
    std::vector<int32_t> selectedRoutes;  // route numbers of the network below: 4, 5, 7, 9 in group 1, 3 in group 2
  };
  const Case cases[] = {
      {"", {}}, {"(2), 5-7", {3, 5, 7}}, {"9", {9}}, {"4-5,9", {4, 5, 9}}, {" (1) ", {4, 5, 7, 9}}, {"8-100", {9}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.selection);
    TestRun t;
    t.run.Cfg.LineasPrivado = c.selection;
    auto lines = NetworkHead({" BUSPCU(2)=1"});
    lines.push_back("3");
    for (int route : {4, 5, 7, 9, 3}) lines.push_back(Card().Int(1, 5, route).Int(6, 10, route + 100));
    lines.push_back("99999");
    lines.push_back("6");
    for (int route : {4, 5, 7, 9}) lines.push_back(Card().Int(1, 5, route).Int(6, 10, 1).Int(11, 15, 2).Int(16, 20, route).Int(21, 25, route + 100));
    lines.push_back("99999");
    lines.push_back("6");
    lines.push_back(Card().Int(1, 5, 3).Int(6, 10, 1).Int(11, 15, 2).Int(16, 20, 3).Int(21, 25, 103));
    lines.push_back("99999");
    ReadNetworkLines(t.run, lines);
    const SaturnVars& sat = t.run.Sat;
    std::vector<int32_t> selected;
    for (int32_t b = 1; b <= sat.Network.BusLineCount; ++b) {
      const TLinea& route = sat.BusLines[static_cast<size_t>(b)];
      int32_t link = sat.FindLink(route.Nodes[1], route.Nodes[2]);
      if (sat.SelectedBusLink[static_cast<size_t>(link)] > 0) selected.push_back(route.RouteNumber);
    }
    std::sort(selected.begin(), selected.end());
    EXPECT_EQ(selected, c.selectedRoutes);
  }
}

// A chain of links 1 -> 2 -> ... -> 30 (node field width W) and one route header line.
std::vector<std::string> ChainNetwork(const std::vector<std::string>& param, const std::vector<std::string>& routes, int W = 5) {
  auto lines = NetworkHead(param);
  lines.push_back("3");
  for (int n = 1; n < 30; ++n) lines.push_back(Card().Int(1, W, n).Int(W + 1, 2 * W, n + 1));
  lines.push_back("99999");
  lines.push_back("6");
  lines.insert(lines.end(), routes.begin(), routes.end());
  lines.push_back("99999");
  return lines;
}

TEST(SaturnBusRoutes, NodeListsInFixedAndFreeFormat) {
  struct Case {
    const char* name;
    std::vector<std::string> param;
    std::vector<std::string> routes;
    int W;
    std::vector<int32_t> nodes;
  };
  Card fixed;
  fixed.Int(1, 5, 1).Int(6, 10, 4).Int(11, 15, 14);
  for (int i = 0; i < 13; ++i) fixed.Int(16 + 5 * i, 20 + 5 * i, i + 1);
  Card dutch;
  dutch.Int(1, 5, 1).Int(6, 10, 4).Int(11, 15, 7);
  for (int i = 0; i < 6; ++i) dutch.Int(16 + 10 * i, 25 + 10 * i, i + 1);
  const Case cases[] = {
      {"fixed, 14 nodes", {}, {fixed, Card().Int(16, 20, 14)}, 5,
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}},
      {"dutch, 7 nodes", {" DUTCH=T"}, {dutch, Card().Int(16, 25, 7)}, 10, {1, 2, 3, 4, 5, 6, 7}},
      {"free format", {" EZBUS=T"}, {Card().Int(1, 5, 1).Int(6, 10, 4).Int(11, 15, 4).At(16, "  3  4"), Card().At(20, "5    6   99")}, 5,
       {3, 4, 5, 6}},
      {"unknown nodes dropped", {}, {Card().Int(1, 5, 1).Int(6, 10, 4).Int(11, 15, 3).Int(16, 20, 2).Int(21, 25, 77).Int(26, 30, 3)}, 5,
       {2, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestRun t;
    ReadNetworkLines(t.run, ChainNetwork(c.param, c.routes, c.W));
    ASSERT_EQ(t.run.Sat.Network.BusLineCount, 1);
    EXPECT_EQ(RouteNodes(t.run.Sat.BusLines[1]), c.nodes);
    EXPECT_EQ(t.run.Sat.BusLines[1].NodeCount, static_cast<int32_t>(c.nodes.size()));
  }
}

TEST(SaturnBusRoutes, RouteWithoutNodesIsReportedAndKept) {
  TestRun t;
  ReadNetworkLines(t.run, ChainNetwork({}, {Card().Int(1, 5, 1).Int(6, 10, 4).Int(11, 15, 2).Int(16, 20, 1).Int(21, 25, 2),
                                            Card().Int(1, 5, 3).Int(6, 10, 4).Int(11, 15, 0)}));
  EXPECT_EQ(t.run.Sat.Network.BusLineCount, 2);
  EXPECT_EQ(t.run.Sat.BusLines[2].NodeCount, 0);
  EXPECT_TRUE(test::LogHas(t, "Línea 3 sin nodos\nUltima línea leída: 1")) << t.console.str();
}

TEST(SaturnBusRoutes, FozzyLeavesRoutesWithoutAPathAsListed) {
  TestRun t;
  // 30 -> 1 has no path along the chain.
  ReadNetworkLines(t.run, ChainNetwork({" FOZZY=T"}, {Card().Int(1, 5, 1).Int(6, 10, 4).Int(11, 15, 3).Int(16, 20, 1).Int(21, 25, 4).Int(26, 30, 2)}));
  EXPECT_EQ(RouteNodes(t.run.Sat.BusLines[1]), (std::vector<int32_t>{1, -2, -3, 4, 2}));
  const SaturnVars& sat = t.run.Sat;
  EXPECT_EQ(ShortestPath(sat, sat.FindNode(30), sat.FindNode(1)), std::vector<int32_t>{});
  EXPECT_EQ(ShortestPath(sat, sat.FindNode(5), sat.FindNode(5)), std::vector<int32_t>{});
  EXPECT_EQ(ShortestPath(sat, sat.FindNode(5), sat.FindNode(7)).size(), 3u);
}

}  // namespace
}  // namespace veltra
