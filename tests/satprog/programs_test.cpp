// The programs as the loop's batch files call them, in a fresh working directory.
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "assign/tntp.h"
#include "program_runs.h"
#include "satprog/network_file.h"
#include "satprog/programs.h"
#include "satprog/trip_matrix.h"
#include "saturn/listing.h"
#include "util/log.h"
#include "util/text.h"

namespace veltra::satprog {
namespace {

namespace fs = std::filesystem;

TEST_F(Programs, SiouxFallsAsABufferNetworkReproducesTheBestKnownFlows) {
  const std::string net = SharedFile("siouxfalls", "SiouxFalls_net.tntp");
  const std::string trips = SharedFile("siouxfalls", "SiouxFalls_trips.tntp");
  const std::string best = SharedFile("siouxfalls", "SiouxFalls_flow.tntp");
  if (net.empty() || trips.empty() || best.empty()) GTEST_SKIP() << "Sioux Falls files are not at hand";
  ASSERT_EQ(Call("veltra-tntp", "--buffer --net '" + net + "' --trips '" + trips + "' --out sf"), 0) << Read("programs.out");
  ASSERT_EQ(Call("SATNET", "sf"), 0) << Read("sf.lpn");
  ASSERT_EQ(Call("SATALL", "sf sf"), 0) << Read("programs.out");

  SaturnVars sat;
  ASSERT_TRUE(ReadBack("sf", sat));
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

// The published Sioux Falls node file gives longitude and latitude: the network file gets
// metres, a city some 8 by 14 km across, not a drawing 0.1 wide.
TEST_F(Programs, SiouxFallsLongitudeAndLatitudeBecomeMetres) {
  const std::string net = SharedFile("siouxfalls", "SiouxFalls_net.tntp");
  const std::string trips = SharedFile("siouxfalls", "SiouxFalls_trips.tntp");
  const std::string nodes = SharedFile("siouxfalls", "SiouxFalls_node.tntp");
  if (net.empty() || trips.empty() || nodes.empty()) GTEST_SKIP() << "Sioux Falls files are not at hand";
  ASSERT_EQ(Call("veltra-tntp", "--signals --net '" + net + "' --trips '" + trips + "' --nodes '" + nodes + "' --out sf"), 0)
      << Read("programs.out");
  EXPECT_NE(Read("programs.out").find("projected to metres"), std::string::npos);
  SaturnVars sat;
  ASSERT_TRUE(ReadNetworkFile((dir_ / "sf.dat").string(), sat).Ok);
  double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
  for (int32_t n = 1; n <= sat.Network.NodeCount; ++n) {
    const TNodo& node = sat.Nodes[static_cast<size_t>(n)];
    ASSERT_TRUE(node.HasCoordinates) << node.Number;
    const double x = node.X, y = node.Y;
    minX = std::min(minX, x), maxX = std::max(maxX, x);
    minY = std::min(minY, y), maxY = std::max(maxY, y);
  }
  EXPECT_NEAR(maxX - minX, 8000, 1500);
  EXPECT_NEAR(maxY - minY, 13600, 1500);
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
      {"binary", "pueblo.ufm", std::string("UFM\0\0\x01\x02 binary", 14), "pueblo.ufm: is a binary file"},
      {"none", nullptr, "", "none of pueblo.csv"},
      {"bad row", "pueblo.csv", "origin,destination,trips\n1,2,10\n1;2;x\n", "pueblo.csv, line 3"},
      {"bad trips", "pueblo.csv", "1,2,-5\n", "trips \"-5\": not a number of trips from 0 to 1e12"},
      {"text .ufm", "pueblo.ufm", "Matriz de viajes de ejemplo\n", "pueblo.ufm: holds no trips"},
      // One limit and one message for a cell in either format.
      {"1e15 in CSV", "pueblo.csv", "1,2,1e15\n", "trips \"1e15\": not a number of trips from 0 to 1e12"},
      {"1e15 in TNTP", "pueblo.tntp", "<NUMBER OF ZONES> 9\n<END OF METADATA>\nOrigin 1\n 2 : 1e15;\n",
       "origin 1, destination 2: trips \"1000000000000000\": not a number of trips from 0 to 1e12"},
  };
  CopyTown();
  ASSERT_EQ(Call("SATNET", "pueblo"), 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    for (const char* name : {"pueblo.csv", "pueblo.ufm", "pueblo.tntp"}) fs::remove(dir_ / name);
    if (c.MatrixFile) Write(c.MatrixFile, c.Matrix);
    EXPECT_EQ(Call("SATALL", "pueblo pueblo"), 1);
    const std::string listing = Read("pueblo.lpa");
    EXPECT_NE(listing.find("unreadable trip matrix"), std::string::npos) << listing;
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

// The value in columns 23-32 of the listing line that starts with `label` after two blanks.
double ListedValue(const std::string& listing, const std::string& label) {
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);)
    if (StartsWith(line, "  " + label + " ")) return std::atof(Field(line, 23, 32).c_str());
  ADD_FAILURE() << "no line " << label;
  return -1;
}

// Trips that cannot reach the network stop SATALL with their zones named, or, when asked, are
// left out and counted in the listing's trip totals.
TEST_F(Programs, TripsThatCannotBeLoadedStopSatallNamingTheirZonesUnlessLeftOut) {
  std::vector<std::string> lines;
  ASSERT_TRUE(LoadLines(std::string(VELTRA_EXAMPLES) + "/pueblo.dat", lines));
  struct Case {
    const char* Name;
    const char* Connector;  // added after zone 8's
    const char* Matrix;
    const char* Expected;
    double Dropped;
  } cases[] = {
      {"zones not in the network", "", "1,2,100\n1,77,40\n55,3,10\n3,3,5\n",
       "pueblo.csv: zones not in the network: 55, 77 (2 rows, 50.00 trips)", 50},
      // Zone 10 sits on a buffer link of its own, 400-401, that reaches nothing else.
      {"no route", "  400  401   36   36  900  2    500\nC  10  400   60                 100\n", "1,10,50\n10,2,20\n1,2,30\n",
       "pueblo.csv: no route from zone 1 to zone 10, from zone 10 to zone 2 (2 rows, 70.00 trips)", 70},
      {"connector to no node", "C  10  999   60                 100\n", "1,10,50\n1,2,30\n",
       "pueblo.csv: zones without a connector to a node of the network: 10 (1 row, 50.00 trips)", 50},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::string text;
    for (const std::string& line : lines) text += line + "\n" + (StartsWith(line, "C   8  308") ? c.Connector : "");
    Write("pueblo.dat", text);
    Write("pueblo.csv", c.Matrix);
    ASSERT_EQ(Call("SATNET", "pueblo"), 0) << Read("pueblo.lpn");
    EXPECT_EQ(Call("SATALL", "pueblo pueblo"), 1);
    std::string listing = Read("pueblo.lpa");
    EXPECT_NE(listing.find(c.Expected), std::string::npos) << listing;
    EXPECT_NE(listing.find("--drop-unloadable-trips"), std::string::npos);
    EXPECT_EQ(listing.find("LISTING OF THE FLOWS"), std::string::npos);
    EXPECT_FALSE(Exists("pueblo.ufa"));

    ASSERT_EQ(Call("SATALL", "pueblo pueblo --drop-unloadable-trips"), 0) << Read("programs.out");
    listing = Read("pueblo.lpa");
    EXPECT_NE(listing.find(c.Expected), std::string::npos) << listing;
    EXPECT_NE(listing.find("TRIPS DROPPED: "), std::string::npos);
    double total = 0, intrazonal = 0;
    for (const TripRow& row : ParseCsvTrips(Split(c.Matrix, '\n'), "m")) (row.Origin == row.Destination ? intrazonal : total) += row.Trips;
    EXPECT_DOUBLE_EQ(ListedValue(listing, "IN THE MATRIX"), total + intrazonal);
    EXPECT_DOUBLE_EQ(ListedValue(listing, "INTRAZONAL"), intrazonal);
    EXPECT_DOUBLE_EQ(ListedValue(listing, "DROPPED"), c.Dropped);
    EXPECT_DOUBLE_EQ(ListedValue(listing, "ASSIGNED"), total - c.Dropped);
  }
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
  EXPECT_NE(Read("pueblo.lpa").find("none of pueblo_2.csv"), std::string::npos) << Read("pueblo.lpa");
  Write("pueblo_2.csv", "2,1,50\n");
  ASSERT_EQ(Call("SATALL", "pueblo pueblo"), 0) << Read("pueblo.lpa");
  const std::string listing = Read("pueblo.lpa");
  EXPECT_NE(listing.find("TRIP MATRIX:  pueblo_1.csv, pueblo_2.csv"), std::string::npos);
  EXPECT_NE(listing.find("LISTING OF DISAGGREGATED FLOWS  -  USER CLASSES 1 TO 2"), std::string::npos);
}

// The files of the working directory other than the programs' console output.
std::vector<std::string> FilesIn(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.path().filename() != "programs.out") names.push_back(entry.path().filename().string());
  return names;
}

// Every engine explains itself: --help names each option and the exit codes, exits 0 and touches
// nothing; no arguments at all shows the same usage, exits 1 and touches nothing either.
TEST_F(Programs, EveryEngineExplainsItselfAndWritesNothing) {
  struct Case {
    const char* Program;
    std::vector<const char*> Options;
  } cases[] = {
      {"SATNET", {}},
      {"SATALL",
       {"--gap", "--loops", "--settling-iterations", "--turn-change", "--changed-turns", "--threads", "--period", "--drive",
        "--critical-gap-major-turn", "--follow-up-major-turn", "--critical-gap-minor-near", "--follow-up-minor-near",
        "--critical-gap-minor-through", "--follow-up-minor-through", "--critical-gap-minor-far", "--follow-up-minor-far",
        "--drop-unloadable-trips", "--progress", "--no-progress"}},
      {"SATASS", {}},
      {"SATEASY", {}},
      {"veltra-tntp",
       {"--buffer", "--signals", "--net", "--trips", "--nodes", "--out", "--length-unit", "--coordinates", "--drive"}},
      {"veltra-assign",
       {"--net", "--trips", "--out", "--gap", "--excess", "--max-iter", "--threads", "--algorithm", "--toll-weight",
        "--distance-weight", "--progress", "--no-progress"}},
      {"t8s", {"--progress", "--no-progress"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Program);
    fs::remove(dir_ / "programs.out");
    EXPECT_EQ(Call(c.Program, "--help"), 0);
    const std::string help = Read("programs.out");
    EXPECT_NE(help.find(std::string("usage: ") + c.Program), std::string::npos) << help;
    EXPECT_NE(Lower(help).find("exit codes:\n  0 "), std::string::npos) << help;
    EXPECT_NE(help.find("\n  1 "), std::string::npos) << help;
    std::vector<const char*> options = c.Options;
    options.push_back("--help");
    for (const char* option : options) {
      const size_t at = help.find(std::string("\n  ") + option);
      ASSERT_NE(at, std::string::npos) << option;
      EXPECT_TRUE(std::isspace(static_cast<unsigned char>(help[at + 3 + std::strlen(option)]))) << option;
    }
    fs::remove(dir_ / "programs.out");
    EXPECT_EQ(Call(c.Program, ""), 1);
    EXPECT_NE(Read("programs.out").find(std::string("usage: ") + c.Program), std::string::npos) << Read("programs.out");
    EXPECT_EQ(FilesIn(dir_), std::vector<std::string>());
  }
}

// The long-running engines show progress where a person watches; redirected, as in batch files
// and the loop, they show none unless forced, and forced lines change no file they write.
TEST_F(Programs, ProgressIsShownOnlyWhenForcedAndChangesNoResult) {
  CopyTown();
  Write("pueblo.csv", TownTrips());
  ASSERT_EQ(Call("SATNET", "pueblo"), 0);
  const std::string data = std::string(VELTRA_TEST_DATA);
  fs::copy_file(data + "/signals/eje_norte_sur.dat", dir_ / "eje.dat");
  const std::string routes = data + "/assign/two_routes_";
  struct Case {
    const char* Program;
    std::string Args;     // PREFIX stands for the run's own file names
    const char* Result;   // a file the run writes, with no time in it
    const char* Stream;   // where its progress lines go: "out" or "err"
    const char* Line;     // how a progress line starts
  } cases[] = {
      {"SATALL", "pueblo pueblo", "pueblo_flows.csv", "out", "SATALL: loop 1 (at most 50), assignment iteration 0, relative gap "},
      {"veltra-assign", "--net '" + routes + "net.tntp' --trips '" + routes + "trips.tntp' --out PREFIX.csv", "PREFIX.csv",
       "err", "veltra-assign: iteration 0, relative gap "},
      {"t8s", "eje.dat PREFIX.prt", "PREFIX.prt", "err", "t8s: start 1 of "},
      {"t8s", "eje.dat PREFIX.cyo", "PREFIX.cyo", "err", "t8s: cycle table: cycle "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Args);
    std::string result[2], stream[2];
    for (int forced = 0; forced < 2; ++forced) {
      const std::string prefix = forced ? "forced" : "quiet";
      std::string args = c.Args;
      for (size_t at; (at = args.find("PREFIX")) != std::string::npos;) args.replace(at, 6, prefix);
      std::string file = c.Result;
      if (file.rfind("PREFIX", 0) == 0) file.replace(0, 6, prefix);
      const std::string command = "cd '" + dir_.string() + "' && '" + std::string(VELTRA_BIN_DIR) + "/" + c.Program + "' " +
                                  (forced ? "--progress 0 " : "") + args + " > run.out 2> run.err";
      const int status = std::system(command.c_str());
      ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << Read("run.out") << Read("run.err");
      result[forced] = Read(file);
      stream[forced] = Read(std::string("run.") + c.Stream);
      ASSERT_FALSE(result[forced].empty()) << file;
    }
    EXPECT_EQ(result[0], result[1]);
    EXPECT_EQ(stream[0].find(c.Line), std::string::npos) << stream[0];
    const size_t at = stream[1].find(c.Line);
    ASSERT_NE(at, std::string::npos) << stream[1];
    // Each line tells how long the run has gone on.
    const size_t end = stream[1].find('\n', at);
    EXPECT_EQ(stream[1].substr(end - 3, 3), " s)") << stream[1].substr(at, end - at);
  }
}

// Every numeric option is checked as written, before any file is read or written: a value
// that is not a whole number, or outside its range, is never cast into one.
TEST_F(Programs, NumericOptionsAreRefusedBeforeAnyWork) {
  CopyTown();
  Write("pueblo.csv", TownTrips());
  ASSERT_EQ(Call("SATNET", "pueblo"), 0);
  const std::vector<std::string> before = FilesIn(dir_);
  struct Case {
    const char* Args;
    const char* Expected;
  } cases[] = {
      {"--loops 0.5", "--loops: \"0.5\" is not a whole number"},
      {"--loops 1e10", "--loops: \"1e10\": the value must be from 1 to 1000"},
      {"--loops 0", "--loops: \"0\""},
      {"--threads 2.5", "--threads: \"2.5\" is not a whole number"},
      {"--threads -1", "--threads: \"-1\""},
      {"--gap 0", "--gap: \"0\": the value must be more than 0 and at most 1"},
      {"--gap nan", "--gap: \"nan\" is not a number"},
      {"--period 25", "--period: \"25\""},
      {"--period 0x10", "--period: \"0x10\" is not a number"},
      {"--loops", "--loops: the value N is missing"},
      {"--lops 3", "unknown option --lops"},
      {"--critical-gap-minor-far 0", "--critical-gap-minor-far: \"0\": the value must be more than 0 and at most 20"},
      {"--changed-turns 0", "--changed-turns: \"0\""},
      {"--drive middle", "--drive: \"middle\" is not one of right|left"},
      {"--progress 1e9", "--progress: \"1e9\": the value must be from 0 to 3600"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Args);
    fs::remove(dir_ / "programs.out");
    EXPECT_EQ(Call("SATALL", std::string("pueblo pueblo ") + c.Args), 1);
    EXPECT_NE(Read("programs.out").find(c.Expected), std::string::npos) << Read("programs.out");
    EXPECT_EQ(FilesIn(dir_), before);
  }
  EXPECT_EQ(Call("SATALL", "pueblo pueblo --loops 1e0 --threads 2 --gap 1e-4 --period 0.25"), 0) << Read("programs.out");
  EXPECT_EQ(Call("SATALL", "pueblo pueblo --drive left --turn-change 2 --follow-up-minor-near 3 --settling-iterations 5"), 0)
      << Read("programs.out");
}

// A signal whose cycle is negative is named for its cycle (the network reader sees only an
// offset beyond it), and no report says "NO ERRORS" after an error line.
TEST_F(Programs, SatnetNamesTheRealFaultOfASignalAndNeverSaysNoErrorsAfterAnError) {
  std::vector<std::string> lines;
  ASSERT_TRUE(LoadLines(std::string(VELTRA_EXAMPLES) + "/pueblo.dat", lines));
  struct Case {
    const char* Card;  // node 104's junction card: stages, offset, cycle
    int Exit;
    const char* Expected;
    const char* Absent;
  } cases[] = {
      {"  104    4    3    2    0   -1", 1, "ERROR: signal 104: cycle -1 s: a cycle cannot be negative", "desfase"},
      {"  104    4    3    2  120   90", 0, "NETWORK BUILT: 0 WARNINGS, 1 ERROR OF THE READER THAT THE ASSIGNMENT PASSES OVER",
       "NO ERRORS"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Card);
    std::string text;
    for (const std::string& line : lines) text += (StartsWith(line, "  104    4    3") ? c.Card : line) + "\n";
    Write("pueblo.dat", text);
    EXPECT_EQ(Call("SATNET", "pueblo"), c.Exit);
    const std::string report = Read("pueblo.lpn");
    EXPECT_NE(report.find(c.Expected), std::string::npos) << report;
    EXPECT_EQ(report.find(c.Absent), std::string::npos) << report;
    EXPECT_EQ(Exists("pueblo.ufn"), c.Exit == 0);
  }
}

// Whatever the size of the matrix cells, SATALL either writes every value within its column,
// so that the loop's listing reader takes back the flows and totals the flows table holds, or
// stops naming the value that does not fit; never columns that run together.
TEST_F(Programs, LargeMatrixCellsNeverRunTheListingsColumnsTogether) {
  CopyTown();
  ASSERT_EQ(Call("SATNET", "pueblo"), 0);
  int written = 0, refused = 0, shortened = 0;
  for (const char* cell : {"1e3", "2e5", "1e6", "1e12"}) {
    SCOPED_TRACE(cell);
    Write("pueblo.csv", std::string("1,2,") + cell + "\n2,1,100\n");
    const int code = Call("SATALL", "pueblo pueblo");
    std::vector<std::string> listing;
    ASSERT_TRUE(LoadLines((dir_ / "pueblo.lpa").string(), listing));
    if (code != 0) {
      ++refused;
      EXPECT_NE(Read("pueblo.lpa").find("does not fit the listing's 10-column field"), std::string::npos) << Read("pueblo.lpa");
      EXPECT_EQ(Read("pueblo.lpa").find("LISTING OF THE FLOWS"), std::string::npos);
      continue;
    }
    ++written;
    // Every value field of a flow row starts with a blank.
    bool inFlows = false;
    for (const std::string& line : listing) {
      if (line.find("LISTING OF THE FLOWS") != std::string::npos) inFlows = true;
      if (line.find("SUMMARY STATISTICS") != std::string::npos) inFlows = false;
      if (!inFlows || line.size() < 68 || line.find('.') == std::string::npos) continue;
      for (int column = 19; column <= 59; column += 10) {
        const std::string field = Field(line, column, column + 9);
        EXPECT_EQ(field[0], ' ') << line;
        if (field[7] != '.') ++shortened;  // fewer than two decimals
      }
    }
    std::ostringstream console;
    MessageLog log(console);
    SaturnVars sat;
    ASSERT_TRUE(ReadNetworkFile((dir_ / "pueblo.dat").string(), sat).Ok);
    ReadListing(listing, 0, SaturnSettings(), sat, log);
    // The flows table's own figures: pcu-hours per hour over the links and the turns.
    double hours = 0;
    std::istringstream table(Read("pueblo_flows.csv"));
    std::string row;
    std::getline(table, row);
    while (std::getline(table, row)) {
      const std::vector<std::string> f = Split(Trim(row), ',');
      ASSERT_EQ(f.size(), 8u) << row;
      const double flow = std::atof(f[4].c_str()), time = std::atof(f[6].c_str());
      hours += flow * time / 3600;
      if (f[0] == "link") {
        const int32_t l = sat.FindLink(std::atoi(f[1].c_str()), std::atoi(f[2].c_str()));
        ASSERT_GT(l, 0) << row;
        EXPECT_NEAR(sat.LinkFlows[static_cast<size_t>(l)][10], flow, 0.5 + 1e-6 * flow) << row;
      }
    }
    EXPECT_GT(sat.FiguresOf(0).GrandTotalHr, 0);
    EXPECT_NEAR(sat.FiguresOf(0).GrandTotalHr, hours, 0.05 + 1e-5 * hours);
  }
  EXPECT_GT(written, 0);
  EXPECT_GT(refused, 0);
  EXPECT_GT(shortened, 0) << "no case wrote a value with fewer decimals";
}

TEST(ProgramNames, TheProgramIsChosenByItsNameInAnyForm) {
  std::ostringstream out;
  struct Case {
    const char* Name;
    const char* Usage;
  } cases[] = {{"/usr/bin/SATNET", "usage: SATNET NET"}, {"$satall.exe", "usage: SATALL NET MAT"},
               {"C:\\SAT\\$SATEASY.EXE", "usage: SATEASY NET MAT"}, {"sATaSS", "usage: SATASS NET MAT"}};
  for (const Case& c : cases) {
    out.str("");
    EXPECT_EQ(RunSaturnProgram(c.Name, {}, out), 1);
    EXPECT_NE(out.str().find(c.Usage), std::string::npos) << c.Name << ": " << out.str();
  }
  out.str("");
  EXPECT_EQ(RunSaturnProgram("SATPIG", {"x"}, out), 1);
  EXPECT_NE(out.str().find("unknown program SATPIG"), std::string::npos);
}

}  // namespace
}  // namespace veltra::satprog
