#include <gtest/gtest.h>

#include <random>

#include "saturn/listing.h"
#include "saturn/saturn_fixtures.h"
#include "util/conversions.h"

namespace veltra {
namespace {

// Reads a (damaged) network and, when it loads, a (damaged) listing. Every outcome but a
// completed read or an orderly stop is a fault.
void ReadDamaged(const std::vector<std::string>& network, const std::vector<std::string>& listing) {
  test::TestRun t;
  try {
    test::ReadNetworkLines(t.run, network, "cross.dat");
    ASSERT_TRUE(t.run.Sat.Network.Loaded);
    ASSERT_EQ(static_cast<size_t>(t.run.Sat.Network.NodeCount) + 1, t.run.Sat.Nodes.size());
    t.run.Sat.ListingLines = listing;
    test::ReadRunListing(t.run, 0);
  } catch (const RunStop&) {
  } catch (const FileError&) {
  }
}

std::string RandomText(std::mt19937& rng, size_t length) {
  static const std::string pool = "0123456789 -.EC*%$&\t\xff\x01" "ABCDEFGHIJKLMNOPQRSTUVWXYZ,()'\"";
  std::string text;
  for (size_t i = 0; i < length; ++i) text.push_back(pool[rng() % pool.size()]);
  return text;
}

// One random change: characters replaced, inserted or removed, lines repeated, dropped,
// swapped, cut short or made very long.
void Damage(std::mt19937& rng, std::vector<std::string>& lines) {
  if (lines.empty()) return;
  size_t i = rng() % lines.size();
  std::string& line = lines[i];
  switch (rng() % 8) {
    case 0:
      if (!line.empty()) line[rng() % line.size()] = static_cast<char>(rng() % 256);
      break;
    case 1:
      line.insert(line.empty() ? 0 : rng() % line.size(), RandomText(rng, 1 + rng() % 6));
      break;
    case 2:
      if (!line.empty()) line.erase(rng() % line.size(), 1 + rng() % 5);
      break;
    case 3:
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(i), lines[i]);
      break;
    case 4:
      lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    case 5:
      std::swap(lines[i], lines[rng() % lines.size()]);
      break;
    case 6:
      line.resize(rng() % (line.size() + 1));
      break;
    default:
      line += RandomText(rng, 200 + rng() % 3000);
      break;
  }
}

class DamagedInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::CopySaturnData(dir, {"cross.dat", "cross_inc.dat"});
    ASSERT_TRUE(LoadLines("cross.dat", network));
    ASSERT_TRUE(LoadLines(test::SaturnData("cross.lpa"), listing));
  }
  test::TempDir dir;
  std::vector<std::string> network, listing;
};

TEST_F(DamagedInputTest, TruncatedFilesReadOrStopInOrder) {
  for (size_t cut = 0; cut <= network.size(); ++cut)
    ReadDamaged(std::vector<std::string>(network.begin(), network.begin() + static_cast<std::ptrdiff_t>(cut)), listing);
  for (size_t cut = 0; cut <= listing.size(); ++cut)
    ReadDamaged(network, std::vector<std::string>(listing.begin(), listing.begin() + static_cast<std::ptrdiff_t>(cut)));
}

TEST_F(DamagedInputTest, RandomlyDamagedFilesReadOrStopInOrder) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 400; ++round) {
    std::vector<std::string> n = network, l = listing;
    const int changes = 1 + static_cast<int>(rng() % 12);
    for (int k = 0; k < changes; ++k) {
      if (rng() % 2) Damage(rng, n);
      Damage(rng, l);
    }
    ReadDamaged(n, l);
  }
}

TEST_F(DamagedInputTest, BinaryJunkReadsOrStopsInOrder) {
  std::mt19937 rng(7);
  for (int round = 0; round < 50; ++round) {
    std::vector<std::string> junk;
    for (int k = 0; k < 40; ++k) {
      std::string line;
      for (size_t c = rng() % 120; c > 0; --c) line.push_back(static_cast<char>(rng() % 256));
      junk.push_back(line);
    }
    std::vector<std::string> n = network;
    n.insert(n.begin() + static_cast<std::ptrdiff_t>(rng() % n.size()), junk.begin(), junk.end());
    ReadDamaged(n, junk);
    ReadDamaged(junk, listing);
  }
}

}  // namespace
}  // namespace veltra
