// Reading a SATURN network data file and its assignment listing at the original program's
// limits: 5000 nodes, 15000 links, 15000 turns, 1000 signal plans, 1000 zones, coordinates for
// all; and one iteration's own work there and on a generated city of 13,000 nodes.
// The generator writes the two files (model_network.dat, model_network.lpa) into a fresh
// temporary directory before the first run.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "construction/construir_arcos.h"
#include "loop/actualizar_saturn.h"
#include "loop/input_check.h"
#include "output/companion_files.h"
#include "run/config.h"
#include "saturn/listing.h"
#include "saturn/network_reader.h"
#include "saturn/network_writer.h"
#include "state/run.h"
#include "transyt/node_list.h"
#include "transyt/transyt_file.h"
#include "util/conversions.h"
#include "util/platform.h"
#include "util/text.h"

#ifdef VELTRA_BENCH_CITY
#include <iostream>

#include "satprog/tntp_converter.h"
#include "support/city/city_network.h"
#endif

namespace {

using veltra::Printf;

constexpr int kRows = 25, kCols = 50;           // 1250 junctions, 1000 of them signalised
constexpr int kSignals = 1000;
constexpr int kBufferSide = 60;                  // 3600 buffer nodes
constexpr int kBufferPairs = 4775;               // two-way buffer links between buffer nodes
constexpr int kZones = 1000;
constexpr int kBusRoutes = 100;

int Junction(int r, int c) { return 10001 + r * kCols + c; }
std::string R(long v, int w) { return Printf("%*ld", w, v); }

// The end of a generated listing: the summary with its totals, and the lines after it.
void AddListingTotals(std::vector<std::string>& lpa) {
  lpa.push_back("");
  lpa.push_back("           SUMMARY STATISTICS FOR THE ASSIGNMENT NETWORK");
  lpa.push_back("      TOTAL FLOWS - FIXED PLUS ASSIGNED");
  lpa.push_back(Printf("  SUB-TOTALS%20.1f%14.1f", 12345.6, 234567.8));
  lpa.push_back(Printf("  GRAND TOTALS%18.1f%14.1f", 23456.7, 345678.9));
  for (int i = 0; i < 12; ++i) lpa.push_back("");
}

// Writes model_network.dat and model_network.lpa into `dir`.
void GenerateModelNetwork(const std::string& dir) {
  std::vector<std::string> dat = {"* Generated network at the capacities of the model.", "&OPTIONS", " &END", "MODEL-SIZE NETWORK",
                                  "&PARAM", " BUSPCU = 2.0", " &END", "11111"};
  std::vector<std::string> lpa = {" GENERATED LISTING", "      LISTING OF THE FLOWS ON CHANNEL  1", ""};
  struct Coord {
    int node;
    long x, y;
  };
  std::vector<Coord> coords;
  std::vector<std::pair<int, int>> externals;  // external node, its junction
  int nextExternal = 5001;
  const int dr[4] = {1, 0, -1, 0}, dc[4] = {0, 1, 0, -1};  // N, E, S, W
  auto values = [](double a, double b, double c, double d, double e) {
    return Printf("%10.2f%10.2f%10.2f%10.2f%10.2f", a, b, c, d, e);
  };
  for (int r = 0; r < kRows; ++r) {
    for (int c = 0; c < kCols; ++c) {
      const int j = Junction(r, c);
      const int k = r * kCols + c;
      coords.push_back({j, 1000 + c * 300L, 1000 + r * 300L});
      int arms[4];
      for (int d = 0; d < 4; ++d) {
        int rr = r + dr[d], cc = c + dc[d];
        if (rr >= 0 && rr < kRows && cc >= 0 && cc < kCols) {
          arms[d] = Junction(rr, cc);
        } else {
          arms[d] = nextExternal++;
          externals.push_back({arms[d], j});
          coords.push_back({arms[d], 1000 + c * 300L + dc[d] * 150L, 1000 + r * 300L + dr[d] * 150L});
        }
      }
      const bool signal = k < kSignals;
      dat.push_back(R(j, 5) + R(4, 5) + R(signal ? 3 : 1, 5) + (signal ? R(4, 5) + R(k % 96, 5) + R(96, 5) : ""));
      for (int p = 0; p < 4; ++p) {
        std::string arm = "     " + R(arms[p], 5) + " " + R(2, 4) + R(20, 5) + R(300, 5);
        arm += R(1600, 5) + "  1 1" + R(1800, 5) + "  1 2" + R(1500, 5) + (k % 7 == 0 ? "X 2 2" : "  2 2");
        dat.push_back(arm);
        lpa.push_back(R(arms[p], 6) + R(j, 6) + "      " + values(3600, 40, 35, 900, 10));
        for (int s = 1; s <= 3; ++s)
          lpa.push_back(R(arms[p], 6) + R(j, 6) + R(arms[(p + s) % 4], 6) + values(1800, 20, 15, 300, s == 2 ? 10 : 0));
      }
      if (signal) {
        for (int s = 0; s < 4; ++s) {
          int a = s % 2 == 0 ? arms[0] : arms[1], b = s % 2 == 0 ? arms[2] : arms[3];
          dat.push_back(std::string(10, ' ') + R(20, 5) + R(4, 5) + R(4, 5) + R(a, 5) + R(0, 5) + R(b, 5) + R(0, 5));
        }
      }
    }
  }
  for (auto [e, j] : externals) {
    dat.push_back(R(e, 5) + R(1, 5) + R(0, 5));
    dat.push_back("     " + R(j, 5) + " " + R(2, 4) + R(10, 5) + R(150, 5));
    lpa.push_back(R(j, 6) + R(e, 6) + "      " + values(3600, 30, 10, 900, 0));
  }
  dat.push_back("99999");

  dat.push_back("33333");
  auto buffer = [](int r, int c) { return 1 + r * kBufferSide + c; };
  auto twoWay = [&](int a, int b, int length) {
    dat.push_back(R(a, 5) + R(b, 5) + R(30, 5) + R(30, 5) + R(1800, 5) + "  2  " + R(length, 5));
    lpa.push_back(R(a, 9) + R(b, 9) + values(1800, 25, 30, 450, 0));
    lpa.push_back(R(b, 9) + R(a, 9) + values(1800, 25, 30, 450, 0));
  };
  for (size_t i = 0; i < externals.size(); ++i) twoWay(externals[i].first, static_cast<int>(i) + 1, 500);
  int pairs = 0;
  for (int r = 0; r < kBufferSide && pairs < kBufferPairs; ++r)
    for (int c = 0; c + 1 < kBufferSide && pairs < kBufferPairs; ++c, ++pairs) twoWay(buffer(r, c), buffer(r, c + 1), 250);
  for (int c = 0; c < kBufferSide && pairs < kBufferPairs; ++c)
    for (int r = 0; r + 1 < kBufferSide && pairs < kBufferPairs; ++r, ++pairs) twoWay(buffer(r, c), buffer(r + 1, c), 250);
  for (int z = 1; z <= kZones; ++z) dat.push_back("C" + R(z, 4) + " " + R(z * 3, 4) + R(60, 5) + std::string(15, ' ') + R(100, 5));
  dat.push_back("99999");

  dat.push_back("55555");
  for (int r = 0; r < kBufferSide; ++r)
    for (int c = 0; c < kBufferSide; ++c) coords.push_back({buffer(r, c), 30000 + c * 250L, 1000 + r * 250L});
  for (const Coord& c : coords) dat.push_back(R(c.node, 5) + R(c.x, 5) + R(c.y, 5));
  for (int z = 1; z <= kZones; ++z) dat.push_back("C" + R(z, 4) + R(30010 + (z * 3 % kBufferSide) * 250L, 5) + R(1020, 5));
  dat.push_back("99999");

  dat.push_back("66666");
  for (int b = 0; b < kBusRoutes; ++b) {
    const int r = b % kRows;
    std::string line = R(b + 1, 5) + R(6, 5) + R(kCols, 5);
    for (int c = 0; c < kCols; ++c) {
      if (c > 0 && c % 13 == 0) {
        dat.push_back(line);
        line = std::string(15, ' ');
      }
      line += R(Junction(r, c), 5);
    }
    dat.push_back(line);
  }
  dat.push_back("99999");

  AddListingTotals(lpa);

  auto write = [&dir](const char* name, const std::vector<std::string>& lines) {
    veltra::TextWriter out(dir + "/" + name);
    for (const auto& l : lines) out.Line(l);
    out.Close();
  };
  write("model_network.dat", dat);
  write("model_network.lpa", lpa);
}

class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
};

const std::string& ModelDir() {
  static const std::string dir = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "veltra_bench_XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    GenerateModelNetwork(pattern);
    return pattern;
  }();
  return dir;
}

double PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

// Loads and reads the network file, then loads and reads its listing, as the input check does.
void ReadNetworkAndListing(veltra::Run& run, const std::string& network, const std::string& listing) {
  veltra::SaturnVars& sat = run.Sat;
  sat.Clear();
  veltra::LoadLines(network, sat.NetworkLines);
  sat.NetworkFileName = network;
  const veltra::SaturnSettings settings = veltra::SaturnSettingsOf(run);
  veltra::SaturnRead(settings, sat, run.Log);
  veltra::LoadLines(listing, sat.ListingLines);
  veltra::ReadListing(sat.ListingLines, 0, settings, sat, run.Log);
}

void ReadNetworkAndListing(veltra::Run& run, const std::string& network) {
  ReadNetworkAndListing(run, network, ModelDir() + "/model_network.lpa");
}

void BM_ReadModelNetworkAndListing(benchmark::State& state) {
  NullBuffer null;
  std::ostream console(&null);
  veltra::PosixPlatform platform;
  veltra::Run run(platform, console);
  for (auto _ : state) ReadNetworkAndListing(run, ModelDir() + "/model_network.dat");
  const veltra::TNetwork& net = run.Sat.Network;
  state.counters["nodes"] = net.NodeCount;
  state.counters["links"] = net.LinkCount;
  state.counters["turns"] = net.TurnCount;
  state.counters["plans"] = net.SignalPlanCount;
  state.counters["zones"] = net.ZoneCount;
  state.counters["peak_MB"] = PeakMegabytes();
}
BENCHMARK(BM_ReadModelNetworkAndListing)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ReadModelNetworkOnly(benchmark::State& state) {
  NullBuffer null;
  std::ostream console(&null);
  // The reader alone, as an engine calls it: no run object.
  veltra::MessageLog log(console);
  veltra::SaturnVars sat;
  const veltra::SaturnSettings settings;
  const std::string dir = ModelDir();
  std::vector<std::string> lines;
  veltra::LoadLines(dir + "/model_network.dat", lines);
  for (auto _ : state) {
    sat.Clear();
    veltra::SaturnRead(lines, dir + "/model_network.dat", settings, sat, log);
  }
}
BENCHMARK(BM_ReadModelNetworkOnly)->Unit(benchmark::kMillisecond)->Iterations(5);

// One iteration's work of the program besides the outside programs, at the model's limits:
// read the network and its flows, read a node list putting the 1000 signalised junctions in
// twenty TRANSYT networks of 50, build each network's links and write its TRANSYT data file
// and companions, write the SATURN network file of the iteration and read it back with the
// flows, as the next iteration starts.
// Named and kept out of line so that a profile can count it alone.
// The files of one scenario: base "model" reads model_network.dat, model_network.lpa and
// model_nodes.txt and writes model_transyt_1_<r>.dat and model_network_1.dat.
__attribute__((noinline)) int32_t OwnWorkOfOneIteration(veltra::Run& run, const std::string& dir,
                                                        const std::string& base = "model") {
  int32_t links = 0;
  const std::string listing = dir + "/" + base + "_network.lpa";
  ReadNetworkAndListing(run, dir + "/" + base + "_network.dat", listing);
  veltra::ReadNodeList(dir + "/" + base + "_nodes.txt", run.Cfg.TransytNodeLimit(), run.Sat, run.Qor, run.Log);
  for (int r = 1; r <= run.Qor.NumRedes; ++r) {
    veltra::ReadNetworkConfiguration(run, veltra::NetworkPosition(r));
    veltra::ConstruirArcos(run.Cfg, veltra::NetworkPosition(r), 1, run.Sat, run.Qor, run.Log);
    links += run.Qor.NumArcos;
    const veltra::TransytDataFile written = veltra::WriteTransytFile(
        run.Cfg, veltra::NetworkPosition(r), run.Sat, run.Qor, run.Log,
        Printf("%s/%s_transyt_1_%d.dat", dir.c_str(), base.c_str(), r), veltra::TransytFileKind::Final, 96);
    veltra::WriteCompanionFiles(written, run.Sat, run.Qor, run.Log);
  }
  veltra::EscribirRedSaturn(run, 1);
  ReadNetworkAndListing(run, dir + "/" + base + "_network_1.dat", listing);
  return links;
}

// Runs the iteration on the files of `base` in `dir` and reports the tables' sizes.
void MeasureIteration(benchmark::State& state, const std::string& dir, const std::string& base) {
  NullBuffer null;
  std::ostream console(&null);
  veltra::PosixPlatform platform;
  veltra::Run run(platform, console);
  run.Files.SaturnFile = dir + "/" + base + "_network.dat";
  run.Files.TransytFile = dir + "/" + base + "_transyt.dat";
  run.WorkDir = dir;
  run.ConfigFileName = "none.ini";
  int32_t links = 0;
  for (auto _ : state) links += OwnWorkOfOneIteration(run, dir, base);
  state.counters["transyt_links"] = benchmark::Counter(links, benchmark::Counter::kAvgIterations);
  state.counters["networks"] = run.Qor.NumRedes;
  state.counters["nodes"] = run.Sat.Network.NodeCount;
  state.counters["links"] = run.Sat.Network.LinkCount;
  state.counters["turns"] = run.Sat.Network.TurnCount;
  state.counters["plans"] = run.Sat.Network.SignalPlanCount;
  state.counters["peak_MB"] = PeakMegabytes();
}

void BM_IterationWithoutOutsidePrograms(benchmark::State& state) {
  const std::string dir = ModelDir();
  {
    veltra::TextWriter nodes(dir + "/model_nodes.txt");
    for (int k = 0; k < kSignals; ++k)
      nodes.Line(Printf("%d %d %d", Junction(k / kCols, k % kCols), k % 50 + 1, k / 50 + 1));
    nodes.Close();
  }
  MeasureIteration(state, dir, "model");
}
BENCHMARK(BM_IterationWithoutOutsidePrograms)->Unit(benchmark::kMillisecond)->Iterations(3);

// The examples' networks, their starting listings and node lists, copied under the names the
// iteration reads: the town (pueblo) and Sioux Falls.
std::string ExampleDir(const std::string& example, const std::string& network) {
  std::string pattern = (std::filesystem::temp_directory_path() / "veltra_bench_example_XXXXXX").string();
  if (!mkdtemp(pattern.data())) std::abort();
  const std::filesystem::path from = std::filesystem::path(VELTRA_EXAMPLES_DIR) / example;
  std::filesystem::copy_file(from / (network + ".dat"), pattern + "/example_network.dat");
  std::filesystem::copy_file(from / (network + ".lpa"), pattern + "/example_network.lpa");
  std::filesystem::copy_file(from / "nodos.txt", pattern + "/example_nodes.txt");
  return pattern;
}

void BM_TownIterationWithoutOutsidePrograms(benchmark::State& state) {
  static const std::string dir = ExampleDir("pueblo", "pueblo");
  MeasureIteration(state, dir, "example");
}
BENCHMARK(BM_TownIterationWithoutOutsidePrograms)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_SiouxFallsIterationWithoutOutsidePrograms(benchmark::State& state) {
  static const std::string dir = ExampleDir("siouxfalls", "siouxfalls");
  MeasureIteration(state, dir, "example");
}
BENCHMARK(BM_SiouxFallsIterationWithoutOutsidePrograms)->Unit(benchmark::kMillisecond)->Iterations(20);

#ifdef VELTRA_BENCH_CITY
// The same iteration on the generated city of Berlin Center's size (13,015 nodes, 29,306 links)
// converted as veltra-tntp --signals converts it, its 8,149 signals in 169 TRANSYT networks of up
// to 50, with a listing that gives every link and turn a flow.
const std::string& CityDir() {
  static const std::string dir = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "veltra_bench_city_XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    veltra::assign::bench::CityShape shape;
    shape.LocalStreets = 0.65;  // Berlin Center's share of signals
    const veltra::assign::bench::City city = veltra::assign::bench::GenerateCity(shape);
    veltra::satprog::TntpNet net;
    net.Zones = shape.Zones;
    net.FirstThruNode = shape.Zones + 1;
    const auto& g = city.Net.Links;
    for (int32_t a = 0; a < g.LinkCount(); ++a)
      net.Links.push_back({g.Tail(a) + 1, g.Head(a) + 1, city.Capacity[static_cast<size_t>(a)],
                           city.Length[static_cast<size_t>(a)], city.FreeTime[static_cast<size_t>(a)], 0.15, 4});
    for (size_t n = 0; n < city.X.size(); ++n) net.Nodes.push_back({static_cast<int32_t>(n + 1), city.X[n], city.Y[n]});
    veltra::satprog::ConversionSettings settings;
    settings.Mode = veltra::satprog::ConversionMode::Signals;
    settings.MetresPerLengthUnit = 1;
    const veltra::satprog::Conversion conversion = veltra::satprog::ConvertTntp(net, settings);
    auto write = [&pattern](const char* name, const std::vector<std::string>& lines) {
      veltra::TextWriter out(pattern + "/" + name);
      for (const auto& l : lines) out.Line(l);
      out.Close();
    };
    write("city_network.dat", conversion.DataFile);
    write("city_nodes.txt", conversion.NodeList);
    // The listing: every link and turn of the network read, with a flow of its own.
    veltra::MessageLog log(std::cout);
    veltra::SaturnVars sat;
    veltra::SaturnRead(conversion.DataFile, pattern + "/city_network.dat", veltra::SaturnSettings(), sat, log);
    std::vector<std::string> lpa = {" GENERATED LISTING", "      LISTING OF THE FLOWS ON CHANNEL  1", ""};
    auto values = [](double flow) { return Printf("%10.2f%10.2f%10.2f%10.2f%10.2f", 1800.0, 40.0, 35.0, flow, 0.0); };
    for (int32_t l = 1; l <= sat.Network.LinkCount; ++l)
      lpa.push_back(R(sat.Links[static_cast<size_t>(l)].ANode, 9) + R(sat.Links[static_cast<size_t>(l)].BNode, 9) +
                    values(100 + l % 700));
    for (int32_t t = 1; t <= sat.Network.TurnCount; ++t) {
      const veltra::TGiro& turn = sat.Turns[static_cast<size_t>(t)];
      lpa.push_back(R(turn.ANode, 6) + R(turn.JunctionNode, 6) + R(turn.CNode, 6) + values(30 + t % 250));
    }
    AddListingTotals(lpa);
    write("city_network.lpa", lpa);
    return pattern;
  }();
  return dir;
}

void BM_CityIterationWithoutOutsidePrograms(benchmark::State& state) { MeasureIteration(state, CityDir(), "city"); }
BENCHMARK(BM_CityIterationWithoutOutsidePrograms)->Unit(benchmark::kMillisecond)->Iterations(3);
#endif

}  // namespace

BENCHMARK_MAIN();
