// The programs as the loop's batch files call them, in a fresh working directory.
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "assign/tntp.h"
#include "satprog/network_file.h"
#include "satprog/programs.h"
#include "saturn/listing.h"
#include "util/log.h"
#include "util/text.h"

namespace veltra::satprog {
namespace {

namespace fs = std::filesystem;

class Programs : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("veltra_satprog_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
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
  bool Exists(const std::string& name) const { return fs::exists(dir_ / name); }
  void CopyTown() const { fs::copy_file(std::string(VELTRA_EXAMPLES) + "/pueblo.dat", dir_ / "pueblo.dat"); }
  static std::string TownTrips() {
    std::string csv = "origin,destination,trips\n";
    for (int o = 1; o <= 9; ++o)
      for (int d = 1; d <= 9; ++d)
        if (o != d) csv += Printf("%d,%d,%d\n", o, d, 30);
    return csv;
  }

  fs::path dir_;
};

std::string SharedFile(const std::string& network, const std::string& name) {
  const std::string shared = std::string(VELTRA_SHARED_DATA) + "/" + network + "/" + name;
  if (fs::exists(shared)) return shared;
  const std::string local = std::string(VELTRA_TEST_DATA) + "/assign/" + name;
  return fs::exists(local) ? local : "";
}

TEST_F(Programs, SiouxFallsAsABufferNetworkReproducesTheBestKnownFlows) {
  const std::string net = SharedFile("siouxfalls", "SiouxFalls_net.tntp");
  const std::string trips = SharedFile("siouxfalls", "SiouxFalls_trips.tntp");
  const std::string best = SharedFile("siouxfalls", "SiouxFalls_flow.tntp");
  if (net.empty() || trips.empty() || best.empty()) GTEST_SKIP() << "Sioux Falls files are not at hand";
  ASSERT_EQ(Call("veltra-tntp", "--buffer --net '" + net + "' --trips '" + trips + "' --out sf"), 0) << Read("programs.out");
  ASSERT_EQ(Call("SATNET", "sf"), 0) << Read("sf.lpn");
  ASSERT_EQ(Call("SATALL", "sf sf"), 0) << Read("programs.out");

  // Read back as the loop reads a SATURN run's results.
  std::ostringstream console;
  MessageLog log(console);
  SaturnVars sat;
  ASSERT_TRUE(ReadNetworkFile((dir_ / "sf.dat").string(), sat).Ok);
  std::vector<std::string> listing;
  ASSERT_TRUE(LoadLines((dir_ / "sf.lpa").string(), listing));
  ReadListing(listing, 0, SaturnSettings(), sat, log);
  int compared = 0;
  for (const assign::TntpFlow& flow : assign::ReadTntpFlows(best)) {
    const int32_t l = sat.FindLink(flow.From, flow.To);
    ASSERT_GT(l, 0) << flow.From << "-" << flow.To;
    const double listed = sat.LinkFlows[static_cast<size_t>(l)][10];
    EXPECT_NEAR(listed, flow.Volume, std::max(1.0, 0.001 * flow.Volume)) << flow.From << "-" << flow.To;
    ++compared;
  }
  EXPECT_EQ(compared, 76);
  EXPECT_GT(sat.FiguresOf(0).GrandTotalHr, 0);
}

TEST_F(Programs, TheTownIsBuiltAssignedAndItsListingRewritten) {
  CopyTown();
  Write("pueblo.csv", TownTrips());
  ASSERT_EQ(Call("SATNET", "pueblo"), 0) << Read("pueblo.lpn");
  EXPECT_NE(Read("pueblo.lpn").find("NO ERRORS"), std::string::npos);
  ASSERT_EQ(Call("SATALL", "pueblo pueblo"), 0) << Read("programs.out");
  const std::string listing = Read("pueblo.lpa");
  EXPECT_NE(listing.find("LISTING OF THE FLOWS ON CHANNEL"), std::string::npos);
  EXPECT_NE(Read("pueblo_flows.csv").find("turn,201,104,105,"), std::string::npos);
  fs::remove(dir_ / "pueblo.lpa");
  ASSERT_EQ(Call("SATEASY", "pueblo pueblo"), 0);
  EXPECT_EQ(Read("pueblo.lpa"), listing);
  fs::remove(dir_ / "pueblo.lpa");
  // The batch files may call the programs with a leading "$".
  fs::copy_file(std::string(VELTRA_BIN_DIR) + "/SATASS", dir_ / "$SATASS");
  const int status = std::system(("cd '" + dir_.string() + "' && './$SATASS' pueblo pueblo > /dev/null").c_str());
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(Read("pueblo.lpa"), listing);
}

TEST_F(Programs, UnreadableInputGivesAMessageInTheListingsPlaceAndAFailure) {
  struct Case {
    const char* Name;
    const char* MatrixFile;
    std::string Matrix;
    const char* Expected;
  } cases[] = {
      {"binary", "pueblo.ufm", std::string("UFM\0\0\x01\x02 binary", 14), "pueblo.ufm: es un archivo binario"},
      {"none", nullptr, "", "no existe pueblo.csv"},
      {"bad row", "pueblo.csv", "origin,destination,trips\n1,2,10\n1;2;x\n", "pueblo.csv, linea 3"},
      {"bad trips", "pueblo.csv", "1,2,-5\n", "viajes \"-5\""},
      {"text .ufm", "pueblo.ufm", "Matriz de viajes de ejemplo\n", "pueblo.ufm: no tiene viajes"},
  };
  CopyTown();
  ASSERT_EQ(Call("SATNET", "pueblo"), 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    for (const char* name : {"pueblo.csv", "pueblo.ufm"}) fs::remove(dir_ / name);
    if (c.MatrixFile) Write(c.MatrixFile, c.Matrix);
    EXPECT_EQ(Call("SATALL", "pueblo pueblo"), 1);
    const std::string listing = Read("pueblo.lpa");
    EXPECT_NE(listing.find("matriz no legible"), std::string::npos) << listing;
    EXPECT_NE(listing.find(c.Expected), std::string::npos) << listing;
    EXPECT_EQ(listing.find("LISTING OF THE FLOWS"), std::string::npos);
    EXPECT_FALSE(Exists("pueblo.ufa"));
  }
}

TEST_F(Programs, ANetworkWithErrorsIsReportedWithItsLineAndNotAssigned) {
  std::vector<std::string> lines;
  ASSERT_TRUE(LoadLines(std::string(VELTRA_EXAMPLES) + "/pueblo.dat", lines));
  std::string text;
  // The file ends inside the junction section.
  for (const std::string& line : lines) {
    if (StartsWith(line, "99999")) break;
    text += line + "\n";
  }
  Write("pueblo.dat", text);
  Write("pueblo.csv", TownTrips());
  Write("pueblo.ufn", "left by an earlier run\n");
  EXPECT_EQ(Call("SATNET", "pueblo"), 1);
  const std::string report = Read("pueblo.lpn");
  EXPECT_NE(report.find("ERROR"), std::string::npos) << report;
  EXPECT_NE(report.find("pueblo.dat"), std::string::npos) << report;
  EXPECT_NE(report.find("CANNOT BE ASSIGNED"), std::string::npos) << report;
  EXPECT_FALSE(Exists("pueblo.ufn"));
  EXPECT_EQ(Call("SATALL", "pueblo pueblo"), 1);
  EXPECT_EQ(Read("pueblo.lpa").find("LISTING OF THE FLOWS"), std::string::npos);
  EXPECT_EQ(Call("SATASS", "pueblo pueblo"), 1);
}

TEST_F(Programs, TripsToUnknownZonesAreReportedNotDroppedSilently) {
  CopyTown();
  Write("pueblo.csv", "1,2,100\n1,77,40\n55,3,10\n");
  ASSERT_EQ(Call("SATNET", "pueblo"), 0);
  ASSERT_EQ(Call("SATALL", "pueblo pueblo"), 0);
  const std::string listing = Read("pueblo.lpa");
  EXPECT_NE(listing.find("zone 77 is not in the network"), std::string::npos) << listing;
  EXPECT_NE(listing.find("zone 55 is not in the network"), std::string::npos);
  EXPECT_NE(listing.find("2 rows (50.00 trips)"), std::string::npos);
}

TEST_F(Programs, TripsBetweenZonesWithoutARouteAreReportedAndTheOthersAssigned) {
  std::vector<std::string> lines;
  ASSERT_TRUE(LoadLines(std::string(VELTRA_EXAMPLES) + "/pueblo.dat", lines));
  std::string text;
  // Zone 10 sits on a buffer link of its own, 400-401, that reaches nothing else.
  for (const std::string& line : lines) {
    text += line + "\n";
    if (StartsWith(line, "C   8  308")) text += "  400  401   36   36  900  2    500\nC  10  400   60                 100\n";
  }
  Write("pueblo.dat", text);
  Write("pueblo.csv", "1,10,50\n10,2,20\n1,2,30\n");
  ASSERT_EQ(Call("SATNET", "pueblo"), 0);
  ASSERT_EQ(Call("SATALL", "pueblo pueblo"), 0) << Read("programs.out");
  const std::string listing = Read("pueblo.lpa");
  EXPECT_NE(listing.find("50.00 trips from zone 1 to zone 10: no route between them"), std::string::npos) << listing;
  EXPECT_NE(listing.find("2 rows (70.00 trips) between zones without a route"), std::string::npos);
  EXPECT_NE(listing.find("LISTING OF THE FLOWS ON CHANNEL"), std::string::npos);
}

TEST_F(Programs, EachUserClassReadsItsOwnMatrix) {
  std::vector<std::string> lines;
  ASSERT_TRUE(LoadLines(std::string(VELTRA_EXAMPLES) + "/pueblo.dat", lines));
  std::string text;
  for (const std::string& line : lines) text += (StartsWith(Trim(line), "NOMADS = 1") ? "  NOMADS = 2, BUSPCU = 2.0," : line) + "\n";
  Write("pueblo.dat", text);
  Write("pueblo_1.csv", "1,2,100\n");
  ASSERT_EQ(Call("SATNET", "pueblo"), 0);
  EXPECT_EQ(Call("SATALL", "pueblo pueblo"), 1);
  EXPECT_NE(Read("pueblo.lpa").find("no existe pueblo_2.csv"), std::string::npos) << Read("pueblo.lpa");
  Write("pueblo_2.csv", "2,1,50\n");
  ASSERT_EQ(Call("SATALL", "pueblo pueblo"), 0) << Read("pueblo.lpa");
  const std::string listing = Read("pueblo.lpa");
  EXPECT_NE(listing.find("TRIP MATRIX:  pueblo_1.csv, pueblo_2.csv"), std::string::npos);
  EXPECT_NE(listing.find("LISTING OF DISAGGREGATED FLOWS  -  USER CLASSES 1 TO 2"), std::string::npos);
}

TEST(ProgramNames, TheProgramIsChosenByItsNameInAnyForm) {
  std::ostringstream out;
  struct Case {
    const char* Name;
    const char* Usage;
  } cases[] = {{"/usr/bin/SATNET", "SATNET RED"}, {"$satall.exe", "SATALL RED MATRIZ"}, {"C:\\SAT\\$SATEASY.EXE", "SATEASY RED"},
               {"sATaSS", "SATASS RED"}};
  for (const Case& c : cases) {
    out.str("");
    EXPECT_EQ(RunSaturnProgram(c.Name, {}, out), 1);
    EXPECT_NE(out.str().find(c.Usage), std::string::npos) << c.Name << ": " << out.str();
  }
  out.str("");
  EXPECT_EQ(RunSaturnProgram("SATPIG", {"x"}, out), 1);
  EXPECT_NE(out.str().find("Programa desconocido"), std::string::npos);
}

}  // namespace
}  // namespace veltra::satprog
