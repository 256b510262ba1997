// Published networks converted as veltra-tntp converts them, read as SATNET reads them and
// assigned and simulated as SATALL does: the buffer and signal networks to a relative gap of
// 1e-4, Anaheim without coordinates (every node a priority junction) with SATALL's defaults.
// Reports the loops, whether the loop stopped on its criteria, the iterations of the last
// assignment and the process's peak memory (so far: run one network at a time, with
// --benchmark_filter, for its own). The networks are looked for in the folder the build's
// VELTRA_SHARED_DATA_DIR names.
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <benchmark/benchmark.h>

#include "assign/tntp.h"
#include "satprog/engine_network.h"
#include "satprog/network_file.h"
#include "satprog/simulation_assignment.h"
#include "satprog/tntp_converter.h"
#include "satprog/tntp_trips.h"

namespace veltra::satprog {
namespace {

namespace fs = std::filesystem;

struct Case {
  const char* Folder;
  const char* Name;
  ConversionMode Mode;
  double MetresPerLengthUnit = 1609.344;  // the TNTP file's length unit
  double Gap = 1e-4;
};

// The network file and trips of a converted TNTP network; empty when its files are missing.
bool Prepare(const Case& c, std::string& datFile, std::vector<TripRow>& trips) {
  const fs::path dir = fs::path(VELTRA_SHARED_DATA) / c.Folder;
  const fs::path net = dir / (std::string(c.Name) + "_net.tntp");
  const fs::path tripsFile = dir / (std::string(c.Name) + "_trips.tntp");
  const fs::path nodes = dir / (std::string(c.Name) + "_node.tntp");
  if (!fs::exists(net) || !fs::exists(tripsFile)) return false;
  const assign::TntpNetwork tntp = assign::ReadTntpNetwork(net.string());
  TntpNet converted;
  converted.Zones = tntp.Zones;
  converted.FirstThruNode = tntp.FirstThruNode;
  for (const assign::TntpLink& link : tntp.Links)
    converted.Links.push_back({link.Init, link.Term, link.Capacity, link.Length, link.FreeTime, link.B, link.Power});
  if (fs::exists(nodes)) converted.Nodes = ReadTntpNodes(nodes.string());
  ConversionSettings settings;
  settings.Mode = c.Mode;
  settings.MetresPerLengthUnit = c.MetresPerLengthUnit;
  const Conversion conversion = ConvertTntp(converted, settings);
  datFile = (fs::temp_directory_path() / (std::string("bench_") + c.Name + (c.Mode == ConversionMode::Signals ? "_signals.dat" : "_buffer.dat"))).string();
  std::ofstream out(datFile);
  for (const std::string& line : conversion.DataFile) out << line << "\n";
  trips = ReadTntpTripRows(tripsFile.string());
  return true;
}

void AssignAndSimulateNetwork(benchmark::State& state, Case c) {
  std::string datFile;
  std::vector<TripRow> trips;
  if (!Prepare(c, datFile, trips)) {
    state.SkipWithError("network files not found");
    return;
  }
  SaturnVars sat(kProgramCapacities);
  if (!ReadNetworkFile(datFile, sat).Ok) {
    state.SkipWithError("converted network not read");
    return;
  }
  LoopSettings settings;
  settings.Gap = c.Gap;
  if (const char* passes = std::getenv("SATPROG_PASSES")) settings.InnerPasses = std::atoi(passes);
  SimulationAssignmentResult result;
  for (auto _ : state) {
    EngineNetwork network = BuildEngineNetwork(sat, settings.Junctions);
    assign::DemandBuilder demand;
    for (const TripRow& row : trips)
      if (row.Origin != row.Destination) demand.Add(sat.FindZone(row.Origin) - 1, sat.FindZone(row.Destination) - 1, row.Trips);
    assign::UserClass userClass;
    userClass.Trips = demand.Build();
    network.Net.Classes.push_back(std::move(userClass));
    result = AssignAndSimulate(network, settings);
    state.counters["arcs"] = network.Net.Links.LinkCount();
    state.counters["vertices"] = network.Net.Links.NodeCount();
  }
  state.counters["loops"] = static_cast<double>(result.Loops.size());
  state.counters["converged"] = result.Converged ? 1 : 0;
  state.counters["iterations"] = result.Assignment.Iterations;
  state.counters["gap"] = result.Assignment.RelativeGap;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

BENCHMARK_CAPTURE(AssignAndSimulateNetwork, SiouxFallsBuffer, Case{"siouxfalls", "SiouxFalls", ConversionMode::Buffer})
    ->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(AssignAndSimulateNetwork, SiouxFallsSignals, Case{"siouxfalls", "SiouxFalls", ConversionMode::Signals})
    ->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(AssignAndSimulateNetwork, ChicagoSketchBuffer, Case{"chicagosketch", "ChicagoSketch", ConversionMode::Buffer})
    ->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(AssignAndSimulateNetwork, ChicagoSketchSignals, Case{"chicagosketch", "ChicagoSketch", ConversionMode::Signals})
    ->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(AssignAndSimulateNetwork, AnaheimPriorityJunctions,
                  Case{"anaheim", "Anaheim", ConversionMode::Signals, 0.3048, LoopSettings().Gap})
    ->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace veltra::satprog

BENCHMARK_MAIN();
