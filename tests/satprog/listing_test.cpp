// The listing holds what the loop's listing reader takes: every link and turn flow, the class
// blocks and the totals, read back through that reader.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "satprog/engine_network.h"
#include "satprog/listing_writer.h"
#include "satprog/network_file.h"
#include "satprog/simulation_assignment.h"
#include "saturn/listing.h"
#include "util/log.h"
#include "util/text.h"

namespace veltra::satprog {
namespace {

namespace fs = std::filesystem;

// The example town with NOMADS and PLOD set as asked.
std::string TownWith(int nomads, bool plod) {
  std::vector<std::string> lines;
  EXPECT_TRUE(LoadLines(std::string(VELTRA_EXAMPLES) + "/pueblo.dat", lines));
  for (std::string& line : lines) {
    if (Trim(line) == "PLOD = F" && plod) line = "  PLOD = T";
    if (StartsWith(Trim(line), "NOMADS = 1")) line = Printf("  NOMADS = %d, BUSPCU = 2.0,", nomads);
  }
  const fs::path dir = fs::temp_directory_path() / "veltra_satprog_tests";
  fs::create_directories(dir);
  const std::string path = (dir / Printf("town_%d_%d.dat", nomads, plod ? 1 : 0)).string();
  std::ofstream out(path);
  for (const std::string& line : lines) out << line << "\n";
  return path;
}

// The listing keeps two decimals, fewer when a value's whole part needs the room, and the reader
// keeps a float: a value of a million seconds comes back within a tenth.
double ListingTolerance(double value) { return std::max(0.006, 1e-7 * std::fabs(value)); }

TEST(Listing, TheLoopsReaderTakesBackEveryFlowClassAndTotal) {
  struct Case {
    int Nomads;
    bool Plod;
  } cases[] = {{1, false}, {2, false}, {7, false}, {4, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(Printf("NOMADS %d PLOD %d", c.Nomads, c.Plod ? 1 : 0));
    std::ostringstream console;
    MessageLog log(console);
    SaturnVars sat;
    ASSERT_TRUE(ReadNetworkFile(TownWith(c.Nomads, c.Plod), sat).Ok);
    EngineNetwork network = BuildEngineNetwork(sat, NetworkOptions());
    // Class k sends 20 k trips between every pair of zones.
    const int classes = std::max(1, c.Nomads);
    for (int k = 1; k <= classes; ++k) {
      assign::DemandBuilder demand;
      for (int o = 1; o <= sat.Network.ZoneCount; ++o)
        for (int d = 1; d <= sat.Network.ZoneCount; ++d)
          if (o != d) demand.Add(o - 1, d - 1, 20.0 * k);
      assign::UserClass userClass;
      userClass.Trips = demand.Build();
      network.Net.Classes.push_back(std::move(userClass));
    }
    LoopSettings settings;
    const SimulationAssignmentResult result = AssignAndSimulate(network, settings);
    ReadListing(ListingLines(sat, network, result, ListingHeader()), 0, SaturnSettings(), sat, log);
    ASSERT_TRUE(sat.Network.FlowsRead);

    const auto& a = result.Assignment;
    int linksChecked = 0, turnsChecked = 0;
    for (int32_t l = 1; l <= sat.Network.LinkCount; ++l) {
      ASSERT_TRUE(network.HasLink(l));
      const TFlujoArco& f = sat.LinkFlows[static_cast<size_t>(l)];
      EXPECT_NEAR(f[10], network.LinkFlow(a, l), 0.006) << sat.Links[static_cast<size_t>(l)].Key;
      EXPECT_NEAR(f[9], network.LinkFixed(l), 0.006);
      EXPECT_NEAR(f[0], network.LinkTime(a, l), ListingTolerance(network.LinkTime(a, l)));
      if (c.Nomads > 1) {
        for (int k = 0; k < std::min(classes, 8); ++k)
          EXPECT_NEAR(sat.LinkClassFlows[static_cast<size_t>(l)][static_cast<size_t>(k)],
                      network.LinkClassFlow(a, static_cast<size_t>(k), l), 0.006)
              << "class " << k + 1;
      }
      ++linksChecked;
    }
    for (int32_t t = 1; t <= sat.Network.TurnCount; ++t) {
      const TGiro& turn = sat.Turns[static_cast<size_t>(t)];
      EXPECT_NEAR(turn.TotalFlow, network.TurnFlow(a, t), 0.006) << turn.Key;
      EXPECT_NEAR(turn.ListingValue, network.TurnTime(a, t), ListingTolerance(network.TurnTime(a, t))) << turn.Key;
      if (c.Nomads > 1) {
        EXPECT_NEAR(turn.ClassFlows[1], network.TurnClassFlow(a, 1, t), 0.006) << turn.Key;
      }
      ++turnsChecked;
    }
    EXPECT_EQ(linksChecked, sat.Network.LinkCount);
    EXPECT_EQ(turnsChecked, 84);
    const NetworkTotals totals = ComputeTotals(sat, network, a);
    const TIterationFigures& figures = sat.FiguresOf(0);
    // One decimal in the totals.
    auto totalNear = [](double listed, double exact) { EXPECT_NEAR(listed, exact, 0.045 + ListingTolerance(exact)); };
    totalNear(figures.SubTotalHr, totals.SimulationHours);
    totalNear(figures.SubTotalKm, totals.SimulationKm);
    totalNear(figures.GrandTotalHr, totals.SimulationHours + totals.BufferHours);
    totalNear(figures.GrandTotalKm, totals.SimulationKm + totals.BufferKm);
    EXPECT_GT(figures.GrandTotalKm, figures.SubTotalKm);
  }
}

TEST(Listing, TotalsArePcuHoursAndPcuKilometresOfTheAssignedFlows) {
  SaturnVars sat;
  ASSERT_TRUE(ReadNetworkFile(TownWith(1, false), sat).Ok);
  EngineNetwork network = BuildEngineNetwork(sat, NetworkOptions());
  assign::AssignmentResult result;
  result.Flow.assign(network.Arcs.size(), 0.0);
  result.Time.assign(network.Arcs.size(), 0.0);
  const NetworkTotals before = ComputeTotals(sat, network, result);
  // 360 pcu/h on the buffer link 201-301 (500 m) taking 36 s; 100 pcu/h through the turn
  // 201-104-105 with 18 s of delay, on into the link 104-105 (400 m, 36 s).
  const size_t link = static_cast<size_t>(network.LinkArc[static_cast<size_t>(sat.FindLink(201, 301))]);
  const size_t turn = static_cast<size_t>(network.TurnArc[static_cast<size_t>(sat.FindTurn(201, 104, 105))]);
  result.Flow[link] = 360;
  result.Time[link] = 36;
  result.Flow[turn] = 100;
  result.Time[turn] = 18 + network.ArcOffset[turn];
  const NetworkTotals totals = ComputeTotals(sat, network, result);
  EXPECT_NEAR(totals.BufferHours - before.BufferHours, 3.6, 1e-9);
  EXPECT_NEAR(totals.BufferKm - before.BufferKm, 180, 1e-9);
  EXPECT_NEAR(totals.SimulationHours - before.SimulationHours, 100 * (18 + 36) / 3600.0, 1e-9);
  EXPECT_NEAR(totals.SimulationKm - before.SimulationKm, 100 * 0.4, 1e-9);
}

}  // namespace
}  // namespace veltra::satprog
