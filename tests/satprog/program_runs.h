// The programs as the loop's batch files call them, each test in a fresh working directory, and
// the published networks the tests take them to.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "model/saturn_vars.h"
#include "satprog/network_file.h"
#include "saturn/listing.h"
#include "util/files.h"
#include "util/log.h"
#include "util/text.h"

namespace veltra::satprog {

class Programs : public ::testing::Test {
 protected:
  void SetUp() override {
    // A directory of its own for every run of every test: two builds' suites running at once
    // (or a test run while another is) must not write each other's files.
    std::string pattern = (std::filesystem::temp_directory_path() /
                           ("veltra_satprog_" +
                            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_XXXXXX"))
                              .string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  // Kept after a failure, to look at.
  void TearDown() override {
    if (!HasFailure()) std::filesystem::remove_all(dir_);
  }
  // Runs a program of the build directory in the working directory; returns its exit code.
  int Call(const std::string& program, const std::string& args) {
    const std::string command = "cd '" + dir_.string() + "' && '" + std::string(VELTRA_BIN_DIR) + "/" + program + "' " + args +
                                " >> programs.out 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream out(dir_ / name, std::ios::binary);
    out << text;
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }
  void CopyTown() const { std::filesystem::copy_file(std::string(VELTRA_EXAMPLES) + "/pueblo.dat", dir_ / "pueblo.dat"); }
  static std::string TownTrips() {
    std::string csv = "origin,destination,trips\n";
    for (int o = 1; o <= 9; ++o)
      for (int d = 1; d <= 9; ++d)
        if (o != d) csv += Printf("%d,%d,%d\n", o, d, 30);
    return csv;
  }

  // The network BASE.dat and the flows of BASE.lpa read back as the loop reads a SATURN run's
  // results; false when either cannot be read.
  bool ReadBack(const std::string& base, SaturnVars& sat) const {
    std::ostringstream console;
    MessageLog log(console);
    std::vector<std::string> listing;
    if (!ReadNetworkFile((dir_ / (base + ".dat")).string(), sat).Ok || !LoadLines((dir_ / (base + ".lpa")).string(), listing))
      return false;
    ReadListing(listing, 0, SaturnSettings(), sat, log);
    return sat.Network.FlowsRead;
  }

  std::filesystem::path dir_;
};

// The published networks: in the folder the build's VELTRA_SHARED_DATA_DIR names (beside the
// checkout unless told otherwise).
inline std::string SharedFile(const std::string& network, const std::string& name) {
  const std::string shared = std::string(VELTRA_SHARED_DATA) + "/" + network + "/" + name;
  if (std::filesystem::exists(shared)) return shared;
  const std::string local = std::string(VELTRA_TEST_DATA) + "/assign/" + name;
  return std::filesystem::exists(local) ? local : "";
}

}  // namespace veltra::satprog
