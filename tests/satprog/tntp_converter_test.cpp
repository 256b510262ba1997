// The converter's junction network: what becomes a signal, how its two stages split the arms,
// and how the signals are grouped into TRANSYT networks; read back by the network reader.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "satprog/engine_network.h"
#include "satprog/network_file.h"
#include "satprog/tntp_converter.h"
#include "util/text.h"

namespace veltra::satprog {
namespace {

namespace fs = std::filesystem;

// A 3 x 3 grid of nodes 1..9 (1 south-west, 9 north-east, 1000 m apart), every street two-way.
TntpNet Grid() {
  TntpNet net;
  net.Zones = 4;
  auto street = [&](int a, int b) {
    net.Links.push_back({a, b, 3600, 0.6, 1.0, 0.15, 4});
    net.Links.push_back({b, a, 3600, 0.6, 1.0, 0.15, 4});
  };
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col) {
      const int n = 3 * row + col + 1;
      net.Nodes.push_back({n, 1000.0 * col, 1000.0 * row});
      if (col < 2) street(n, n + 1);
      if (row < 2) street(n, n + 3);
    }
  return net;
}

SaturnVars ReadBack(const Conversion& conversion, const std::string& name) {
  const fs::path path = fs::temp_directory_path() / name;
  std::ofstream out(path);
  for (const std::string& line : conversion.DataFile) out << line << "\n";
  out.close();
  SaturnVars sat;
  const NetworkRead read = ReadNetworkFile(path.string(), sat);
  EXPECT_TRUE(read.Ok) << (read.Errors.empty() ? "" : read.Errors[0]);
  return sat;
}

TEST(TntpConverter, NodesWithThreeArmsAndCoordinatesBecomeTwoStageSignals) {
  ConversionSettings settings;
  settings.Mode = ConversionMode::Signals;
  const Conversion conversion = ConvertTntp(Grid(), settings);
  // The corners have two arms; the edges three and the centre four.
  EXPECT_EQ(conversion.Signals, 5);
  EXPECT_EQ(conversion.PriorityJunctions, 4);
  const SaturnVars sat = ReadBack(conversion, "grid_signals.dat");
  ASSERT_EQ(sat.Network.SignalPlanCount, 5);
  const TNodo& centre = sat.Nodes[static_cast<size_t>(sat.FindNode(5))];
  ASSERT_EQ(centre.JunctionType, 3);
  const TPlanSemaforo& plan = sat.SignalPlans[static_cast<size_t>(centre.SignalPlan)];
  EXPECT_EQ(plan.CycleTime, 90);
  ASSERT_EQ(plan.StageCount, 2);
  EXPECT_EQ(plan.Stages[1].GreenTime + plan.Stages[1].Intergreen + plan.Stages[2].GreenTime + plan.Stages[2].Intergreen, 90);
  // One stage runs north-south (arms 2 and 8), the other east-west (4 and 6).
  std::map<int, int> stageOfArm;
  for (int k = 1; k <= 2; ++k)
    for (int e = 1; e <= plan.Stages[static_cast<size_t>(k)].EntryCount; e += 2)
      stageOfArm[plan.Stages[static_cast<size_t>(k)].MovementNodes[static_cast<size_t>(e)]] = k;
  ASSERT_EQ(stageOfArm.size(), 4u);
  EXPECT_EQ(stageOfArm[2], stageOfArm[8]);
  EXPECT_EQ(stageOfArm[4], stageOfArm[6]);
  EXPECT_NE(stageOfArm[2], stageOfArm[4]);
  // Every movement but the U-turns is a turn with green; saturation flow from the lanes.
  const int32_t t = sat.FindTurn(4, 5, 6);
  ASSERT_GT(t, 0);
  EXPECT_EQ(sat.Turns[static_cast<size_t>(t)].TurnValue, 3600);
  EXPECT_NE(sat.Turns[static_cast<size_t>(t)].StageMask, 0);
  EXPECT_EQ(sat.FindTurn(4, 5, 4), 0);
  EXPECT_EQ(sat.Network.ZoneCount, 4);
}

// Without coordinates every junction is a priority junction laid out as a real one: its major
// road (the approaches of largest capacity, here the middle row 4-5-6) runs straight through,
// the side roads' turns give way, and so does the turn from the major road across the opposing
// stream (to the left where traffic drives on the right). The engine reads the layout back as
// junction cards list arms, clockwise, and ranks every turn accordingly.
TEST(TntpConverter, PriorityJunctionsWithoutCoordinatesGetAMajorRoadStraightThrough) {
  TntpNet net = Grid();
  net.Nodes.clear();
  for (TntpLink& link : net.Links)
    if ((link.From - 1) / 3 == 1 && (link.To - 1) / 3 == 1) link.Capacity = 5400;
  for (DrivingSide side : {DrivingSide::Right, DrivingSide::Left}) {
    ConversionSettings settings;
    settings.Mode = ConversionMode::Signals;
    settings.Side = side;
    const Conversion conversion = ConvertTntp(net, settings);
    EXPECT_EQ(conversion.Signals, 0);
    EXPECT_EQ(conversion.PriorityJunctions, 9);
    EXPECT_EQ(conversion.GiveWayThreeArms, 4);
    EXPECT_EQ(conversion.GiveWayFourArms, 1);
    EXPECT_EQ(conversion.NoGiveWay, 4);
    const SaturnVars sat = ReadBack(conversion, "grid_priority.dat");
    const TNodo& centre = sat.Nodes[static_cast<size_t>(sat.FindNode(5))];
    ASSERT_EQ(centre.ArmCount, 4);
    // Arms 4 and 6 opposite; the side roads a (after 4, clockwise) and b.
    ASSERT_EQ(centre.Arms[1].ANode, 4);
    ASSERT_EQ(centre.Arms[3].ANode, 6);
    const int a = centre.Arms[2].ANode, b = centre.Arms[4].ANode;
    NetworkOptions options;
    options.Gaps.Side = side;
    const EngineNetwork engine = BuildEngineNetwork(sat, options);
    EXPECT_EQ(engine.RankedJunctions, 5);
    EXPECT_EQ(engine.CodedJunctions, 0);
    // From 4 the side road a lies to the left: clockwise arms come on the left.
    const int far4 = side == DrivingSide::Right ? a : b, near4 = side == DrivingSide::Right ? b : a;
    const int farA = side == DrivingSide::Right ? 6 : 4, nearA = side == DrivingSide::Right ? 4 : 6;
    struct Case {
      int From, To;
      GiveWayRole Role;
    } cases[] = {{4, 6, GiveWayRole::None},          {4, near4, GiveWayRole::None},
                 {4, far4, GiveWayRole::MajorFarTurn}, {a, b, GiveWayRole::MinorThrough},
                 {a, nearA, GiveWayRole::MinorNearTurn}, {a, farA, GiveWayRole::MinorFarTurn}};
    for (const Case& c : cases) {
      const int32_t t = sat.FindTurn(c.From, 5, c.To);
      ASSERT_GT(t, 0) << c.From << "-5-" << c.To;
      EXPECT_EQ(engine.Controls[static_cast<size_t>(t)].Role, c.Role) << c.From << "-5-" << c.To;
    }
    EXPECT_EQ(engine.Controls[static_cast<size_t>(sat.FindTurn(a, 5, farA))].Rank, 4);
  }
}

TEST(TntpConverter, TheBufferNetworkKeepsEachLinksCurveAndLoadsZoneZAtNodeZ) {
  const Conversion conversion = ConvertTntp(Grid(), ConversionSettings());
  const SaturnVars sat = ReadBack(conversion, "grid_buffer.dat");
  EXPECT_EQ(sat.Network.LinkCount, 24);
  EXPECT_EQ(sat.Network.TurnCount, 0);
  const Tardat& link = sat.Links[static_cast<size_t>(sat.FindLink(1, 2))];
  EXPECT_EQ(link.Time1, 60);            // 1 minute
  EXPECT_EQ(link.Time2, 69);            // 60 (1 + 0.15) at capacity
  EXPECT_EQ(link.Capacity, 3600);
  EXPECT_FLOAT_EQ(link.ExtraValue, 4);  // the power
  EXPECT_EQ(link.Length, 966);          // 0.6 miles
  ConversionSettings kilometres;
  kilometres.MetresPerLengthUnit = 1000;
  const SaturnVars inKm = ReadBack(ConvertTntp(Grid(), kilometres), "grid_km.dat");
  EXPECT_EQ(inKm.Links[static_cast<size_t>(inKm.FindLink(1, 2))].Length, 600);  // 0.6 km
  ASSERT_EQ(sat.Network.ZoneCount, 4);
  EXPECT_EQ(sat.Zones[3].Connectors[1].Node, 3);
}

TEST(TntpConverter, SignalsAreGroupedIntoNetworksOfAtMostTheGivenSize) {
  ConversionSettings settings;
  settings.Mode = ConversionMode::Signals;
  settings.MaxNodesPerNetwork = 2;
  const Conversion conversion = ConvertTntp(Grid(), settings);
  std::map<int, int> perNetwork;
  std::map<int, int> seen;
  std::vector<std::string> order;  // the network numbers as they come
  for (const std::string& line : conversion.NodeList) {
    if (line.empty()) continue;  // between two networks
    int node = 0, transyt = 0, network = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%d %d %d", &node, &transyt, &network), 3) << line;
    if (order.empty() || order.back() != std::to_string(network)) order.push_back(std::to_string(network));
    ++perNetwork[network];
    EXPECT_EQ(++seen[node], 1) << node;
    EXPECT_GE(transyt, 1);
    EXPECT_LE(transyt, 2);
  }
  EXPECT_EQ(seen.size(), 5u);
  for (const auto& [network, count] : perNetwork) EXPECT_LE(count, 2) << network;
  // The loop runs the networks in the order of their numbers as text: it is the list's order.
  EXPECT_TRUE(std::is_sorted(order.begin(), order.end())) << ::testing::PrintToString(order);
  EXPECT_EQ(std::set<std::string>(order.begin(), order.end()).size(), order.size());
}

// A value its field cannot hold stops the conversion, naming the link and the value, rather
// than being written as another (a free time of 1e300 min as 0, a capacity of 3e9 as 1).
TEST(TntpConverter, NumbersTheFileCannotHoldAreRefused) {
  struct Case {
    const char* Name;
    void (*Damage)(TntpNet&);
    const char* Expected;
  } cases[] = {
      {"zones", [](TntpNet& n) { n.Zones = 10000; }, "10000 zones"},
      {"free time", [](TntpNet& n) { n.Links[0].FreeTime = 1e300; }, "link 1-2: free-flow time (s): 6e+301 does not fit"},
      {"capacity 3e9", [](TntpNet& n) { n.Links[0].Capacity = 3e9; }, "link 1-2: capacity (veh/h): 3e+09 does not fit"},
      {"capacity 250000", [](TntpNet& n) { n.Links[0].Capacity = 250000; }, "capacity (veh/h): 250000 does not fit"},
      {"no capacity", [](TntpNet& n) { n.Links[0].Capacity = 0; }, "capacity (veh/h): 0 does not fit"},
      {"length", [](TntpNet& n) { n.Links[0].Length = 100; }, "link 1-2: length (m): 160934 does not fit"},
      {"power", [](TntpNet& n) { n.Links[0].Power = 150; }, "link 1-2: power 150 does not fit"},
      {"coordinate", [](TntpNet& n) { n.Nodes[0].X = 2e9; }, "node 1: coordinates 2e+09, 0 m do not fit"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TntpNet net = Grid();
    c.Damage(net);
    try {
      ConvertTntp(net, ConversionSettings());
      ADD_FAILURE() << "converted";
    } catch (const ConversionError& error) {
      EXPECT_NE(error.Message.find(c.Expected), std::string::npos) << error.Message;
    }
  }
}

// The network file names a link by its nodes: a second link 1-2 is kept as a link of its own
// through a node added for it in a buffer network (its curve unchanged), and folded into the
// arm of the first in a junction network (the capacities summed); the counts say which.
TEST(TntpConverter, ParallelLinksAreKeptOrMergedAndCounted) {
  TntpNet net = Grid();
  net.Links.push_back({1, 2, 1800, 0.6, 2.0, 0.15, 4});
  const Conversion buffer = ConvertTntp(net, ConversionSettings());
  EXPECT_EQ(buffer.LinksRead, 25);
  EXPECT_EQ(buffer.LinksWritten, 26);
  EXPECT_EQ(buffer.ParallelSplit, 1);
  const SaturnVars b = ReadBack(buffer, "grid_parallel_buffer.dat");
  EXPECT_EQ(b.Network.LinkCount, 26);
  int32_t via = 0;  // the node added between 1 and 2
  for (int32_t l = 1; l <= b.Network.LinkCount; ++l) {
    const Tardat& link = b.Links[static_cast<size_t>(l)];
    if (link.ANode == 1 && b.FindLink(link.BNode, 2) > 0) via = link.BNode;
  }
  ASSERT_GT(via, 9);
  const Tardat& second = b.Links[static_cast<size_t>(b.FindLink(1, via))];
  EXPECT_EQ(second.Time1, 120);
  EXPECT_EQ(second.Capacity, 1800);
  EXPECT_EQ(b.Links[static_cast<size_t>(b.FindLink(via, 2))].Time1, 0);
  EXPECT_EQ(b.Links[static_cast<size_t>(b.FindLink(1, 2))].Capacity, 3600);

  ConversionSettings signals;
  signals.Mode = ConversionMode::Signals;
  const Conversion merged = ConvertTntp(net, signals);
  EXPECT_EQ(merged.LinksWritten, 24);
  EXPECT_EQ(merged.ParallelMerged, 1);
  ASSERT_FALSE(merged.Warnings.empty());
  const SaturnVars j = ReadBack(merged, "grid_parallel_signals.dat");
  // 3600 + 1800 veh/h: three lanes of 1800 pcu/h on the arm from 1 into junction 2.
  const int32_t t = j.FindTurn(1, 2, 3);
  ASSERT_GT(t, 0);
  EXPECT_EQ(j.Turns[static_cast<size_t>(t)].TurnValue, 5400);
}

// Longitude and latitude become metres about the network's centre: distances between nodes
// match the great-circle distances; metres are kept, feet made metres, and degrees that cannot
// be degrees are refused.
TEST(TntpConverter, CoordinatesBecomeMetresWhateverTheirUnit) {
  const double lon0 = -96.74, lat0 = 43.55;
  TntpNet net = Grid();
  for (TntpNode& node : net.Nodes) {
    node.X = lon0 + node.X / 1000 * 0.05;  // a grid 0.1 degree wide and high, about 8 by 11 km
    node.Y = lat0 + node.Y / 1000 * 0.05;
  }
  auto coordinates = [](const Conversion& conversion) {
    std::map<int, std::pair<double, double>> xy;
    bool inside = false;
    for (const std::string& line : conversion.DataFile) {
      if (StartsWith(line, "55555")) inside = true;
      else if (StartsWith(line, "99999")) inside = false;
      else if (inside && line[0] != 'C') {
        int node = 0;
        double x = 0, y = 0;
        if (std::sscanf(line.c_str(), "%d %lf %lf", &node, &x, &y) == 3) xy[node] = {x, y};
      }
    }
    return xy;
  };
  const Conversion detected = ConvertTntp(net, ConversionSettings());
  ASSERT_EQ(detected.Notes.size(), 1u);
  const auto xy = coordinates(detected);
  ASSERT_EQ(xy.size(), 9u);
  const double radians = 3.14159265358979323846 / 180;
  auto greatCircle = [&](const TntpNode& a, const TntpNode& b) {
    const double h = std::pow(std::sin((b.Y - a.Y) * radians / 2), 2) +
                     std::cos(a.Y * radians) * std::cos(b.Y * radians) * std::pow(std::sin((b.X - a.X) * radians / 2), 2);
    return 2 * 6371000.0 * std::asin(std::sqrt(h));
  };
  for (const TntpNode& a : net.Nodes)
    for (const TntpNode& b : net.Nodes) {
      if (a.Number >= b.Number) continue;
      const auto& p = xy.at(a.Number);
      const auto& q = xy.at(b.Number);
      EXPECT_NEAR(std::hypot(p.first - q.first, p.second - q.second), greatCircle(a, b), 0.002 * greatCircle(a, b))
          << a.Number << "-" << b.Number;
    }
  EXPECT_NEAR(xy.at(5).first, 0, 0.01);  // the centre of the extent
  EXPECT_NEAR(xy.at(5).second, 0, 0.01);

  struct Case {
    CoordinateUnit Unit;
    double Scale;  // metres per unit of the file; 0: refused
  } cases[] = {{CoordinateUnit::Metres, 1}, {CoordinateUnit::Feet, 0.3048}, {CoordinateUnit::Degrees, 0}};
  for (const Case& c : cases) {
    ConversionSettings settings;
    settings.Coordinates = c.Unit;
    const TntpNet metres = Grid();
    if (c.Scale == 0) {
      EXPECT_THROW(ConvertTntp(metres, settings), ConversionError);
      continue;
    }
    EXPECT_NEAR(coordinates(ConvertTntp(metres, settings)).at(9).first, 2000 * c.Scale, 1e-4);
    EXPECT_NEAR(coordinates(ConvertTntp(net, settings)).at(9).first, (lon0 + 0.1) * c.Scale, 1e-4);
  }
}

TEST(TntpConverter, TheCommandRefusesBadArgumentsAndFilesWithAMessage) {
  const fs::path dir = fs::temp_directory_path() / "veltra_tntp_command";
  fs::create_directories(dir);
  const std::string net = (dir / "net.tntp").string(), nodes = (dir / "node.tntp").string();
  const std::string huge = (dir / "huge.tntp").string(), wide = (dir / "wide.tntp").string();
  const std::string trips = (dir / "trips.tntp").string();
  {
    std::ofstream(net) << "<NUMBER OF ZONES> 2\n<NUMBER OF NODES> 2\n<FIRST THRU NODE> 1\n<NUMBER OF LINKS> 1\n"
                          "<END OF METADATA>\n~ init term cap len fft b power speed toll type ;\n1 2 1000 1 1 0.15 4 0 0 1 ;\n";
    std::ofstream(nodes) << "node X Y ;\n1 0 0 ;\n2 zero 5 ;\n";
    const std::string header = "<NUMBER OF ZONES> 2\n<NUMBER OF NODES> 2\n<FIRST THRU NODE> 1\n<NUMBER OF LINKS> 1\n<END OF METADATA>\n";
    std::ofstream(huge) << header << "1 2 1000 1 1e300 0.15 4 0 0 1 ;\n";
    std::ofstream(wide) << header << "1 2 3e9 1 1 0.15 4 0 0 1 ;\n";
    std::ofstream(trips) << "<NUMBER OF ZONES> 2\n<END OF METADATA>\nOrigin 1\n 2 : 10;\n";
  }
  const std::string out = (dir / "out").string();
  struct Case {
    std::vector<std::string> Args;
    const char* Expected;
  } cases[] = {
      {{"--net", net, "--trips", net, "--out", out}, "usage: veltra-tntp"},
      {{"--buffer", "--net", net, "--out", out}, "usage: veltra-tntp"},
      {{"--signals", "--net", net, "--trips", net, "--out", out, "--cycle"}, "usage: veltra-tntp"},
      {{"--buffer", "--net", (dir / "none.tntp").string(), "--trips", net, "--out", out}, "none.tntp"},
      {{"--signals", "--net", net, "--trips", net, "--nodes", nodes, "--out", out}, "node.tntp, line 3"},
      {{"--buffer", "--net", net, "--trips", net, "--length-unit", "furlong", "--out", out}, "usage: veltra-tntp"},
      {{"--buffer", "--signals", "--net", net, "--trips", net, "--out", out}, "one of --buffer and --signals"},
      // The network reader refuses a time beyond what the engines work with before the converter
      // looks at its fields.
      {{"--buffer", "--net", huge, "--trips", trips, "--out", out}, "huge.tntp:6: free_flow_time: 1e300"},
      {{"--buffer", "--net", wide, "--trips", trips, "--out", out}, "link 1-2: capacity (veh/h): 3e+09 does not fit"},
  };
  for (const Case& c : cases) {
    std::ostringstream message;
    EXPECT_EQ(RunTntpConverter(c.Args, message), 1);
    EXPECT_NE(message.str().find(c.Expected), std::string::npos) << message.str();
    EXPECT_FALSE(fs::exists(out + ".dat")) << message.str();
  }
}

}  // namespace
}  // namespace veltra::satprog
