// A published network as a town of priority junctions: Anaheim converted by veltra-tntp
// --signals without coordinates (every node a priority junction, its major road by capacity)
// and run through SATNET and SATALL as the loop's batch files run them, with SATALL's defaults.
// The simulation-assignment loop must stop on its criteria, not on its loop limit, and the
// listing must read back as the loop reads a SATURN run's.
#include <gtest/gtest.h>

#include "program_runs.h"

namespace veltra::satprog {
namespace {

TEST_F(Programs, AnaheimAsPriorityJunctionsConvergesWithinTheDefaultLoopLimit) {
  const std::string net = SharedFile("anaheim", "Anaheim_net.tntp");
  const std::string trips = SharedFile("anaheim", "Anaheim_trips.tntp");
  if (net.empty() || trips.empty()) GTEST_SKIP() << "Anaheim files are not at hand (VELTRA_SHARED_DATA_DIR)";
  ASSERT_EQ(Call("veltra-tntp", "--signals --net '" + net + "' --trips '" + trips + "' --length-unit ft --out ana"), 0)
      << Read("programs.out");
  EXPECT_NE(Read("programs.out").find("0 signals, 416 priority junctions"), std::string::npos) << Read("programs.out");
  ASSERT_EQ(Call("SATNET", "ana"), 0) << Read("ana.lpn");
  ASSERT_EQ(Call("SATALL", "ana ana"), 0) << Read("programs.out");
  const std::string console = Read("programs.out");
  EXPECT_EQ(console.find("(loop limit reached)"), std::string::npos) << console;
  const std::string listing = Read("ana.lpa");
  EXPECT_NE(listing.find("THE TURN FLOWS SETTLED."), std::string::npos);
  EXPECT_NE(listing.find("THE LAST ASSIGNMENT REACHED ITS RELATIVE GAP."), std::string::npos);
  // The loop reads how far from equilibrium the last assignment ended: within SATALL's default gap.
  std::vector<std::string> lines;
  std::istringstream text(listing);
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  const ListingNotes notes = ListingNotesOf(lines);
  ASSERT_TRUE(notes.ConvergenceStated);
  EXPECT_LE(notes.RelativeGap, 1e-6);
  EXPECT_GE(notes.AverageExcess, 0);
  EXPECT_GE(notes.LargestExcess, 0);

  SaturnVars sat;
  ASSERT_TRUE(ReadBack("ana", sat));
  EXPECT_GT(sat.FiguresOf(0).GrandTotalHr, 0);
  double turnFlow = 0;
  for (int32_t t = 1; t <= sat.Network.TurnCount; ++t) turnFlow += sat.Turns[static_cast<size_t>(t)].TotalFlow;
  EXPECT_GT(turnFlow, 100000);
}

}  // namespace
}  // namespace veltra::satprog
