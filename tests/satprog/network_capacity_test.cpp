// The model's tables grow with the network read; a bound a caller gives stops the reading in
// order, naming the file and the line.
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "satprog/network_file.h"
#include "util/text.h"

namespace veltra::satprog {
namespace {

TEST(NetworkCapacity, TablesGrowWithTheNetworkUpToTheBoundsGiven) {
  // A chain of 6000 buffer nodes: more than the loop's 5000.
  const std::string path = (std::filesystem::temp_directory_path() / "chain_6000.dat").string();
  {
    std::ofstream out(path);
    out << "&OPTIONS\n &END\nCHAIN\n&PARAM\n  NOMADS = 1\n &END\n33333\n";
    for (int n = 1; n < 6000; ++n) out << Printf("%5d%5d%5d%5d%5d%5s%5d\n", n, n + 1, 10, 10, 1000, "", 100);
    out << "C   1    1    0\nC   2 6000    0\n99999\n";
  }
  SaturnCapacities bounded;
  bounded.Nodes = 5000;
  SaturnVars loopSized(bounded);
  const NetworkRead refused = ReadNetworkFile(path, loopSized);
  EXPECT_FALSE(refused.Ok);
  ASSERT_FALSE(refused.Errors.empty());
  EXPECT_NE(refused.Errors[0].find("mas de 5000 nodos"), std::string::npos) << refused.Errors[0];
  EXPECT_NE(refused.Errors[0].find("chain_6000.dat, linea"), std::string::npos) << refused.Errors[0];

  SaturnVars sat(kProgramCapacities);
  const NetworkRead read = ReadNetworkFile(path, sat);
  ASSERT_TRUE(read.Ok) << (read.Errors.empty() ? "" : read.Errors[0]);
  EXPECT_EQ(sat.Network.NodeCount, 6000);
  EXPECT_EQ(sat.Network.LinkCount, 5999);
  EXPECT_EQ(sat.Capacity().Nodes, kProgramCapacities.Nodes);

  SaturnVars unbounded;
  ASSERT_TRUE(ReadNetworkFile(path, unbounded).Ok);
  EXPECT_EQ(unbounded.Network.NodeCount, 6000);
}

}  // namespace
}  // namespace veltra::satprog
