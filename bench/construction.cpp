// Construction of the TRANSYT links of a town-sized model: 5000 SATURN nodes, 15000 links and
// 14700 turns, with its 1225 signalised crossings in four TRANSYT networks of up to 315 nodes.
#include <benchmark/benchmark.h>

#include <ostream>

#include "construction/construir_arcos.h"
// The model builder of the construction tests fills the model as the network reader leaves it.
#include "support/saturn_model_builder.h"

namespace {

using namespace veltra;

constexpr int kRows = 35, kCols = 35, kRowsPerNetwork = 9;

void BuildTown(Run& run) {
  test::ModelBuilder builder(run.Sat);
  const std::vector<int32_t> junctions = test::BuildGrid(builder, kRows, kCols, 3635, 9960);
  const int networks = (kRows + kRowsPerNetwork - 1) / kRowsPerNetwork;
  for (int r = 1; r <= networks; ++r) {
    std::vector<std::pair<int32_t, int32_t>> nodes;
    for (int row = (r - 1) * kRowsPerNetwork; row < std::min(kRows, r * kRowsPerNetwork); ++row)
      for (int col = 0; col < kCols; ++col)
        nodes.push_back({junctions[static_cast<size_t>(row * kCols + col)], static_cast<int32_t>(nodes.size() + 1)});
    test::AssignNetwork(run, r, r, nodes);
  }
}

void BM_ConstructAllNetworks(benchmark::State& state) {
  PosixPlatform platform;
  std::ostream silent(nullptr);
  Run run(platform, silent);
  BuildTown(run);
  int64_t links = 0;
  for (auto _ : state) {
    links = 0;
    for (int r = 1; r <= run.Qor.NumRedes; ++r) {
      ConstruirArcos(run.Cfg, NetworkPosition(r), 1, run.Sat, run.Qor, run.Log);
      links += run.Qor.NumArcos;
    }
  }
  state.counters["nodes"] = run.Sat.Network.NodeCount;
  state.counters["saturn_links"] = run.Sat.Network.LinkCount;
  state.counters["turns"] = run.Sat.Network.TurnCount;
  state.counters["transyt_links"] = static_cast<double>(links);
  state.counters["give_way"] = run.Qor.NumCasos;
}
BENCHMARK(BM_ConstructAllNetworks)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
