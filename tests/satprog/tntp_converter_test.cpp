// The converter's junction network: what becomes a signal, how its two stages split the arms,
// and how the signals are grouped into TRANSYT networks; read back by the network reader.
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

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
  for (const std::string& line : conversion.NodeList) {
    int node = 0, transyt = 0, network = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%d %d %d", &node, &transyt, &network), 3) << line;
    ++perNetwork[network];
    EXPECT_EQ(++seen[node], 1) << node;
    EXPECT_GE(transyt, 1);
    EXPECT_LE(transyt, 2);
  }
  EXPECT_EQ(seen.size(), 5u);
  for (const auto& [network, count] : perNetwork) EXPECT_LE(count, 2) << network;
}

TEST(TntpConverter, NumbersTheFileCannotHoldAreRefused) {
  TntpNet net = Grid();
  net.Zones = 10000;
  EXPECT_THROW(ConvertTntp(net, ConversionSettings()), ConversionError);
  net = Grid();
  net.Links[0].Capacity = 250000;
  const Conversion conversion = ConvertTntp(net, ConversionSettings());
  ASSERT_FALSE(conversion.Warnings.empty());
  EXPECT_NE(conversion.Warnings[0].find("capacity of link 1-2"), std::string::npos) << conversion.Warnings[0];
}

TEST(TntpConverter, TheCommandRefusesBadArgumentsAndFilesWithAMessage) {
  const fs::path dir = fs::temp_directory_path() / "veltra_tntp_command";
  fs::create_directories(dir);
  const std::string net = (dir / "net.tntp").string(), nodes = (dir / "node.tntp").string();
  {
    std::ofstream(net) << "<NUMBER OF ZONES> 2\n<NUMBER OF NODES> 2\n<FIRST THRU NODE> 1\n<NUMBER OF LINKS> 1\n"
                          "<END OF METADATA>\n~ init term cap len fft b power speed toll type ;\n1 2 1000 1 1 0.15 4 0 0 1 ;\n";
    std::ofstream(nodes) << "node X Y ;\n1 0 0 ;\n2 zero 5 ;\n";
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
  };
  for (const Case& c : cases) {
    std::ostringstream message;
    EXPECT_EQ(RunTntpConverter(c.Args, message), 1);
    EXPECT_NE(message.str().find(c.Expected), std::string::npos) << message.str();
  }
}

}  // namespace
}  // namespace veltra::satprog
